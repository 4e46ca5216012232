// The transfer lists' page functions as the bridge reaches them: the direct table for
// getDownload/getUpload, registrations, and control actions on an operation pool.
#include "bridge/transfer_functions.h"
#include "engine_fixture.h"
#include "ops/transfer_page_functions.h"
#include "platform/task_pool.h"
#include "service/error_text.h"

#include <gtest/gtest.h>

namespace zym::testing {
namespace {

using namespace std::chrono_literals;

class PageFunctionsTest : public EngineFixture
{
protected:
    void SetUp() override
    {
        EngineFixture::SetUp();
        ASSERT_TRUE(pool_.Start(3));
        stats_.downloadTotal = 2;
        functions_ = std::make_unique<TransferPageFunctions>(
            *engine_, [this] { return stats_; }, pool_, ControlServices{}, 20ms);
        functions_->Start();
        RegisterTransferFunctions(registry_, *functions_);
    }
    void TearDown() override
    {
        functions_.reset();
        pool_.Stop();
        EngineFixture::TearDown();
    }
    std::string Direct(const char* name, std::string text)
    {
        const DirectHandler* handler = registry_.FindDirect(name);
        EXPECT_NE(handler, nullptr) << name;
        ReadArguments args;
        args.proceed = true;
        args.text = std::move(text);
        return handler ? (*handler)(args) : "";
    }

    CTaskPool pool_;
    TransferStatistics stats_;
    std::unique_ptr<TransferPageFunctions> functions_;
    HandlerRegistry registry_;
};

TEST_F(PageFunctionsTest, ListsComeFromTheQueue)
{
    ASSERT_TRUE(engine_->Database().AddDownload(DownloadRow("/d/a\"b", kStatusStopped)));
    ASSERT_TRUE(engine_->Database().AddUpload(UploadRow("b", "u", kStatusStopped)));
    std::vector<TransferRow> downloads, uploads;
    engine_->Database().ListDownloads(-1, 0, downloads);
    engine_->Database().ListUploads(-1, 0, uploads);
    EXPECT_EQ(Direct("getDownload", "{}"), ProgressList(TransferKind::Download, stats_, downloads));
    EXPECT_EQ(Direct("getUpload", R"({"count":5})"), ProgressList(TransferKind::Upload, stats_, uploads));
    EXPECT_EQ(Direct("getUpload", R"({"start":1})"), ProgressList(TransferKind::Upload, stats_, {}));
}

TEST_F(PageFunctionsTest, ControlRunsOnThePoolAndAnswers)
{
    ASSERT_TRUE(engine_->Database().AddUpload(UploadRow("b", "u", kStatusStopped)));
    auto target = std::make_shared<CollectingTarget>();
    EXPECT_TRUE(functions_->Control("startUpload", R"({"all":1})", target));
    ASSERT_TRUE(target->WaitCount(1));
    EXPECT_EQ(target->Texts()[0], std::string(kSuccessReply));
    std::vector<TransferRow> rows;
    engine_->Database().ListUploads(-1, 0, rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NE(rows[0].status, kStatusStopped);

    EXPECT_FALSE(functions_->Control("StartUpload", "{}", target));
    pool_.Stop();
    EXPECT_FALSE(functions_->Control("stopUpload", "{}", target));
}

TEST_F(PageFunctionsTest, RegistrationsReachTheirDirection)
{
    auto downloads = std::make_shared<CollectingTarget>();
    auto uploads = std::make_shared<CollectingTarget>();
    functions_->ChangeDownload(downloads, R"({"start":1})");
    functions_->ChangeUpload(uploads, R"({"start":0})");
    ASSERT_TRUE(downloads->WaitCount(2));
    EXPECT_EQ(downloads->Texts()[0], ProgressList(TransferKind::Download, stats_, {}));
    EXPECT_TRUE(uploads->Texts().empty());
}

TEST_F(PageFunctionsTest, RegistryRoutesTheAsyncFunctions)
{
    for (const char* name : {"startUpload", "startDownload", "stopUpload", "stopDownload", "deleteUpload",
                             "deleteDownload", "setMetaObject", "changeUpload", "changeDownload"}) {
        EXPECT_NE(registry_.FindAsync(name), nullptr) << name;
    }
    ASSERT_TRUE(engine_->Database().AddDownload(DownloadRow("/gone", kStatusStopped)));
    auto reply = std::make_shared<CollectingTarget>();
    PageCall deleteCall{ReadArguments{true, R"({"l":[{"fullpath":"/gone"}]})", "", 1}, reply, nullptr};
    (*registry_.FindAsync("deleteDownload"))(deleteCall);
    ASSERT_TRUE(reply->WaitCount(1));
    EXPECT_EQ(reply->Texts()[0], std::string(kSuccessReply));
    std::vector<TransferRow> rows;
    engine_->Database().ListDownloads(-1, 0, rows);
    EXPECT_TRUE(rows.empty());

    auto reports = std::make_shared<CollectingTarget>();
    PageCall change{ReadArguments{true, R"({"start":1})", "", 1}, reports, nullptr};
    (*registry_.FindAsync("changeUpload"))(change);
    ASSERT_TRUE(reports->WaitCount(2));
    EXPECT_EQ(reports->Texts()[1], ProgressList(TransferKind::Upload, stats_, {}));
}

} // namespace
} // namespace zym::testing
