// The update flow against the local update server: report, check, the user's answer, the
// download verified by size and SHA-1, cancel, and a server that is down or answers garbage.
#include "platform/digest.h"
#include "service/http_transport.h"
#include "service/url_encoding.h"
#include "test_paths.h"
#include "update/update_check.h"
#include "update/update_request.h"

#include <cjson/cJSON.h>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace zym {
namespace {

const std::string kFiles = zymtest::BinaryDir() + "/zym-update/files";

std::string Base()
{
    std::ifstream in(zymtest::BinaryDir() + "/zym-update/endpoint");
    std::string line;
    std::getline(in, line);
    return line;
}

std::string Get(const std::string& path)
{
    int status = -1;
    std::string body;
    EXPECT_TRUE(FetchText(Base() + path, status, body)) << path;
    EXPECT_EQ(status, 200) << path;
    return body;
}

// The server's log entries of one kind whose "res" (or file name) is the test's own.
std::vector<std::string> Logged(const std::string& kind, const std::string& key, const std::string& value)
{
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> log(cJSON_Parse(Get("/control/log").c_str()),
                                                        cJSON_Delete);
    std::vector<std::string> out;
    const cJSON* entry = nullptr;
    cJSON_ArrayForEach(entry, log.get())
    {
        if (std::string(cJSON_GetObjectItem(entry, "kind")->valuestring) != kind)
            continue;
        const cJSON* params = cJSON_GetObjectItem(entry, "params");
        const cJSON* field =
            params ? cJSON_GetObjectItem(params, key.c_str()) : cJSON_GetObjectItem(entry, key.c_str());
        if (field && cJSON_IsString(field) && value == field->valuestring) {
            char* text = cJSON_PrintUnformatted(entry);
            out.emplace_back(text);
            cJSON_free(text);
        }
    }
    return out;
}

struct FakeUi : UpdateUi
{
    std::vector<VersionOffer> offers;
    void OfferUpdate(const VersionOffer& offer) override { offers.push_back(offer); }
};

struct Events : UpdateDownloadEvents
{
    std::mutex lock;
    std::condition_variable changed;
    std::int64_t received = 0;
    std::string outcome;
    std::string path;
    int error = 0;
    void OnProgress(std::int64_t bytes) override
    {
        std::lock_guard g(lock);
        received += bytes;
        changed.notify_all();
    }
    void Set(std::string what)
    {
        std::lock_guard g(lock);
        outcome = std::move(what);
        changed.notify_all();
    }
    void OnTempFileFailed(int code) override
    {
        error = code;
        Set("tempfile");
    }
    void OnReady(const std::string& p) override
    {
        path = p;
        Set("ready");
    }
    void OnFailed() override { Set("failed"); }
};

class UpdateLive : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(Base().empty()) << "the zym_update_server fixture is not running";
        char pattern[] = "/tmp/zym-update-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        temp_ = pattern;
        // Each test has its own "res", so its offer and log lines are its own.
        res_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        file_ = res_ + ".deb";
        package_.resize(300000);
        for (std::size_t i = 0; i < package_.size(); ++i)
            package_[i] = static_cast<char>((i * 7919) >> 3);
        std::ofstream(kFiles + "/" + file_, std::ios::binary) << package_;
    }
    void TearDown() override
    {
        Get("/control/offer?res=" + res_); // withdraws the offer, releasing a stalled download
        std::filesystem::remove_all(temp_);
        std::filesystem::remove(kFiles + "/" + file_);
    }
    void Offer(const std::string& extra = "")
    {
        Get("/control/offer?res=" + res_ + "&version=9.1.0.0&file=" + file_ + extra);
    }
    UpdateConfig Config(const std::string& base = Base()) { return {base, res_, "1.0.0.1", temp_}; }
    VersionOffer CheckedOffer()
    {
        FakeUi ui;
        CCheckUpdate(Config(), state_, ui).Run();
        EXPECT_EQ(ui.offers.size(), 1u);
        return ui.offers.empty() ? VersionOffer{} : ui.offers.front();
    }
    std::string Download(const VersionOffer& offer, Events& events)
    {
        CUpDateExe(offer, temp_, state_, std::shared_ptr<Events>(&events, [](Events*) {})).Run();
        return events.outcome;
    }
    bool TempFolderEmpty() const { return std::filesystem::is_empty(temp_); }

    std::string temp_, res_, file_, package_;
    UpdateState state_;
};

TEST_F(UpdateLive, ReportIsSignedAndRecorded)
{
    EXPECT_TRUE(SendReport(Base(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4", res_, "1.0.0.1"));
    const auto reports = Logged("report", "res", res_);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("\"valid\":true"), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find("\"app\":\"linux\""), std::string::npos);
    EXPECT_NE(reports[0].find("\"uuid\":\"e3b0c44298fc1c149afbf4c8996fb92427ae41e4\""), std::string::npos);
    // A request signed with another key is refused by the server's own check.
    int status = 0;
    std::string body;
    ASSERT_TRUE(FetchText(Base() + "/Interface/report/uuid/u/res/" + res_ +
                              "/ver/1/app/linux/timespan/1/sign/AAAAAAAAAAAAAAAAAAAAAAAAAAA%3D",
                          status, body));
    EXPECT_EQ(status, 403);
}

TEST_F(UpdateLive, OfferedOnlyWhenTheServerOffersAndNoDialogIsOpen)
{
    FakeUi ui;
    CCheckUpdate(Config(), state_, ui).Run();
    EXPECT_TRUE(ui.offers.empty());
    EXPECT_EQ(Logged("check_version", "res", res_).size(), 1u);

    Offer();
    CCheckUpdate(Config(), state_, ui).Run();
    ASSERT_EQ(ui.offers.size(), 1u);
    EXPECT_EQ(ui.offers[0].version, "9.1.0.0");

    // While a download dialog is open, a further check offers nothing.
    state_.dialogOpen = true;
    CCheckUpdate(Config(), state_, ui).Run();
    EXPECT_EQ(ui.offers.size(), 1u);
}

TEST_F(UpdateLive, NewerVersionDownloadsVerifiesAndIsHandedOn)
{
    Offer();
    const VersionOffer offer = CheckedOffer();
    EXPECT_EQ(offer.version, "9.1.0.0");
    EXPECT_EQ(offer.fileSize, static_cast<std::int64_t>(package_.size()));
    Events events;
    ASSERT_EQ(Download(offer, events), "ready");
    EXPECT_EQ(events.path, temp_ + "/Zym_Update_9.1.0.0.deb");
    EXPECT_EQ(events.received, static_cast<std::int64_t>(package_.size()));
    EXPECT_EQ(FileSha1(events.path), Sha1Hex(package_));
    EXPECT_FALSE(std::filesystem::exists(events.path + ".tmp"));
    // The package came with the agreed User-Agent (the server refuses others).
    EXPECT_EQ(Logged("file", "name", file_).size(), 1u);

    // Asked again, the package already here and still matching is ready without a download.
    Events again;
    EXPECT_EQ(Download(offer, again), "ready");
    EXPECT_EQ(again.received, 0);
    EXPECT_EQ(Logged("file", "name", file_).size(), 1u);

    // A file of that name that does not match the offer is not used: it is downloaded anew.
    std::ofstream(events.path, std::ios::binary | std::ios::trunc) << "planted";
    Events anew;
    EXPECT_EQ(Download(offer, anew), "ready");
    EXPECT_EQ(Logged("file", "name", file_).size(), 2u);
    EXPECT_EQ(FileSha1(anew.path), Sha1Hex(package_));
}

TEST_F(UpdateLive, SizeAsTextAndHashInCapitalsAreAccepted)
{
    std::string upper = Sha1Hex(package_);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Offer("&sizeastext=1&filehash=" + upper);
    const VersionOffer offer = CheckedOffer();
    EXPECT_EQ(offer.fileSize, static_cast<std::int64_t>(package_.size()));
    Events events;
    EXPECT_EQ(Download(offer, events), "ready");
}

TEST_F(UpdateLive, WrongHashOrSizeIsRefusedAndDeleted)
{
    struct Case
    {
        const char* why;
        std::string extra;
    };
    const Case cases[] = {
        {"hash", "&filehash=" + Sha1Hex("something else")},
        {"size", "&filesize=" + std::to_string(package_.size() + 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Offer(c.extra);
        Events events;
        EXPECT_EQ(Download(CheckedOffer(), events), "failed");
        EXPECT_TRUE(TempFolderEmpty());
    }
}

TEST_F(UpdateLive, CancelEndsAStalledDownload)
{
    Offer("&mode=stall");
    const VersionOffer offer = CheckedOffer();
    Events events;
    std::thread download([&] { Download(offer, events); });
    {
        std::unique_lock g(events.lock);
        events.changed.wait(g, [&] { return events.received > 0; });
    }
    state_.cancelled = true; // the server sends nothing more: only the cancel can end it
    download.join();
    EXPECT_EQ(events.outcome, "failed");
    EXPECT_LT(events.received, static_cast<std::int64_t>(package_.size()));
    EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(UpdateLive, ServerDownOrGarbageOffersNothing)
{
    const std::string down = "http://127.0.0.1:9"; // the discard port: nothing listens
    EXPECT_FALSE(SendReport(down, "u", res_, "1.0.0.1"));
    FakeUi ui;
    CCheckUpdate(Config(down), state_, ui).Run();
    for (const char* mode : {"garbage", "status500", "empty"}) {
        Offer(std::string("&mode=") + mode);
        CCheckUpdate(Config(), state_, ui).Run();
    }
    EXPECT_TRUE(ui.offers.empty());
    EXPECT_EQ(Logged("check_version", "res", res_).size(), 3u);
}

} // namespace
} // namespace zym
