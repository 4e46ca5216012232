#pragma once
// An upload task run against the local ZYM service: a scratch data folder with a real queue
// database, the row of one source file, and the context the engine would give the task.
#include "../service_live/live_service.h"
#include "app/log.h"
#include "platform/digest.h"
#include "store/trans_database.h"
#include "transfer/upload_part_info.h"
#include "transfer/upload_task.h"
#include "transfer/upload_task_factory.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zymtest {

constexpr std::int64_t kBlock = 5242880;

inline std::string RandomBytes(std::int64_t size, unsigned seed)
{
    std::mt19937_64 random(seed);
    std::string bytes(static_cast<size_t>(size), '\0');
    for (std::int64_t i = 0; i + 8 <= size; i += 8) {
        const std::uint64_t v = random();
        std::memcpy(bytes.data() + i, &v, 8);
    }
    for (std::int64_t i = size - size % 8; i < size; ++i) {
        bytes[static_cast<size_t>(i)] = static_cast<char>(random());
    }
    return bytes;
}

// A fault rule whose use can be counted: "seen" matching requests and "applied" ones.
class CountedRule
{
public:
    explicit CountedRule(const std::string& json)
    {
        JsonPtr answer = Control("POST", "/_control/faults", json);
        const cJSON* id = answer ? cJSON_GetObjectItemCaseSensitive(answer.get(), "id") : nullptr;
        EXPECT_TRUE(cJSON_IsNumber(id)) << "rule refused: " << json;
        id_ = cJSON_IsNumber(id) ? id->valueint : -1;
    }
    ~CountedRule()
    {
        if (id_ >= 0) {
            Control("DELETE", "/_control/faults/" + std::to_string(id_));
        }
    }
    CountedRule(const CountedRule&) = delete;
    CountedRule& operator=(const CountedRule&) = delete;

    int Seen() const { return Field("seen"); }
    int Applied() const { return Field("applied"); }

private:
    int Field(const char* name) const
    {
        JsonPtr rules = Control("GET", "/_control/faults");
        const cJSON* rule = nullptr;
        cJSON_ArrayForEach(rule, rules.get())
        {
            const cJSON* id = cJSON_GetObjectItemCaseSensitive(rule, "id");
            if (cJSON_IsNumber(id) && id->valueint == id_) {
                const cJSON* v = cJSON_GetObjectItemCaseSensitive(rule, name);
                return cJSON_IsNumber(v) ? v->valueint : -1;
            }
        }
        return -1;
    }
    int id_ = -1;
};

class UploadLive : public LiveBucketTest
{
protected:
    static void SetUpTestSuite() { CreateSuiteBucket("upload"); }

    void SetUp() override
    {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        root_ = std::filesystem::temp_directory_path() /
                ("zym-upload-" + std::to_string(::getpid()) + "-" + std::string(info->name()));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "acct");
        ASSERT_TRUE(db_.Open((root_ / "acct" / "transdb.db").string(), true));
        log_.OpenLog((root_ / "log").string());
        key_ = std::string(info->name()) + "/file.bin";
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    std::string SourcePath() const { return (root_ / "source.bin").string(); }

    // Writes the source file and queues its upload row.
    void Queue(const std::string& bytes, const std::string& uploadId = "")
    {
        source_ = bytes;
        std::ofstream(SourcePath(), std::ios::binary | std::ios::trunc) << bytes;
        row_ = {};
        row_.key = zym::Sha1Hex(bucket_ + key_);
        row_.host = LiveCall().host;
        row_.bucket = bucket_;
        row_.object = key_;
        row_.fullpath = SourcePath();
        row_.filesize = static_cast<std::int64_t>(bytes.size());
        struct stat st
        {
        };
        ::stat(SourcePath().c_str(), &st);
        row_.last = st.st_mtim.tv_sec;
        row_.uploadid = uploadId;
        ASSERT_TRUE(db_.AddUpload(row_));
    }

    zym::TransferContext Context(int peerMax = 3, long timeoutSeconds = 0)
    {
        zym::TransferContext ctx{db_, log_};
        ctx.serviceCall = [timeoutSeconds, lowSpeed = lowSpeedSeconds_](const zym::TransferRow&) {
            zym::ServiceCall call = LiveCall();
            call.timeoutSeconds = timeoutSeconds;
            call.lowSpeedSeconds = lowSpeed;
            return call;
        };
        ctx.promptText = [](std::string_view word) {
            return "text of " + std::string(word);
        };
        ctx.callbackRule = [this](const std::string& bucket) -> std::optional<zym::CallbackRule> {
            if (rule_ && rule_->bucket == bucket) {
                return rule_;
            }
            return std::nullopt;
        };
        ctx.stop = stop_;
        ctx.progress = progress_;
        ctx.settings.peerMax = peerMax;
        ctx.dataFolder = root_.string();
        return ctx;
    }

    zym::TaskResult RunTask(int peerMax = 3)
    {
        stop_ = std::make_shared<zym::TaskStop>();
        progress_ = std::make_shared<zym::TaskProgress>();
        zym::TransferTaskPtr task = zym::MakeUploadTask(StoredRow(), Context(peerMax));
        return task->Run();
    }

    // The row as the queue database holds it now.
    zym::TransferRow StoredRow()
    {
        std::vector<zym::TransferRow> rows;
        db_.ListUploads(-1, -1, rows);
        for (const auto& r : rows) {
            if (r.key == row_.key) {
                return r;
            }
        }
        ADD_FAILURE() << "row gone";
        return row_;
    }

    std::string PartInfoPath(const std::string& uploadId) const
    {
        return zym::CUploadTask::PartInfoFolder(root_.string()) + "/" + zym::PartInfoName(uploadId);
    }

    std::string Stored() { return Read(bucket_, key_); }

    // Every line written to the log file so far.
    std::string LogText() const
    {
        std::ifstream in(log_.FilePath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Runs the task on its own thread and hands it back once `ready` holds (asked every 20 ms).
    std::thread RunInBackground(zym::TaskResult& result, int peerMax, const std::function<bool()>& ready,
                                long timeoutSeconds = 0)
    {
        stop_ = std::make_shared<zym::TaskStop>();
        progress_ = std::make_shared<zym::TaskProgress>();
        auto task = std::make_shared<zym::TransferTaskPtr>(
            zym::MakeUploadTask(StoredRow(), Context(peerMax, timeoutSeconds)));
        std::thread runner([task, &result] { result = (*task)->Run(); });
        for (int i = 0; i < 1500 && !ready(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return runner;
    }

    std::string StoredType()
    {
        zym::CZymListObjectRet list;
        // A listing leaves out the object named exactly by its prefix: list the key's folder.
        EXPECT_TRUE(
            zym::ListObjects(LiveCall(), bucket_, list, key_.substr(0, key_.rfind('/') + 1), "", "", "1000"));
        for (const auto& entry : list.Entries) {
            if (entry.Key == key_) {
                return entry.Type;
            }
        }
        return "";
    }

    bool ObjectExists()
    {
        zym::HttpResponse response;
        zym::CZymRet reply;
        return zym::ReadObject(LiveCall(), bucket_, key_, response, reply);
    }

    // {"bucket":"<bucket>", "key":"<this test's key>", ...extra}
    std::string Rule(const std::string& extra) const
    {
        return "{\"bucket\":\"" + bucket_ + "\",\"key\":\"" + key_ + "\"," + extra + "}";
    }

    std::filesystem::path root_;
    zym::CTransDatabase db_;
    zym::Log log_{[] {
        return std::time_t{1765400000};
    }};
    std::string key_;
    std::string source_;
    zym::TransferRow row_;
    std::optional<zym::CallbackRule> rule_;
    long lowSpeedSeconds_ = 0; // the calls' low-speed limit (0: the program's own)
    std::shared_ptr<zym::TaskStop> stop_ = std::make_shared<zym::TaskStop>();
    std::shared_ptr<zym::TaskProgress> progress_ = std::make_shared<zym::TaskProgress>();
};

inline int CountOf(const std::string& text, const std::string& word)
{
    int n = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        ++n;
    }
    return n;
}

} // namespace zymtest
