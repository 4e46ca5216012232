// The transfer lists' actions on a real queue file and fake running uploads.
#include "engine_fixture.h"
#include "ops/transfer_control_task.h"
#include "service/error_text.h"

#include <gtest/gtest.h>

namespace zym::testing {
namespace {

const std::string kSuccess(kSuccessReply);

class ControlTest : public EngineFixture
{
protected:
    std::string Act(const char* action, const std::string& argument)
    {
        ControlServices services;
        services.engine = engine_.get();
        return RunControlAction(action, argument, services);
    }
    int UploadStatus(const std::string& object)
    {
        std::vector<TransferRow> rows;
        engine_->Database().ListUploads(-1, 0, rows);
        for (const auto& row : rows) {
            if (row.object == object) {
                return row.status;
            }
        }
        return 0; // no row
    }
    int DownloadStatus(const std::string& path)
    {
        std::vector<TransferRow> rows;
        engine_->Database().ListDownloads(-1, 0, rows);
        for (const auto& row : rows) {
            if (row.fullpath == path) {
                return row.status;
            }
        }
        return 0;
    }
    void AddUploads(const std::vector<std::pair<std::string, int>>& rows)
    {
        for (const auto& [object, status] : rows) {
            ASSERT_TRUE(engine_->Database().AddUpload(UploadRow("b", object, status)));
        }
    }
};

TEST_F(ControlTest, UnknownActionAnswersNothing)
{
    EXPECT_EQ(Act("StartUpload", "{\"all\":1}"), "");
    EXPECT_EQ(Act("start", "{}"), "");
    EXPECT_FALSE(IsControlAction("setmetaobject"));
}

TEST_F(ControlTest, StartBySelectionUnderAnyKeyAndAll)
{
    AddUploads(
        {{"s1", kStatusStopped}, {"s2", kStatusStopped}, {"f", kStatusFailed}, {"d", kStatusFinished}});
    EXPECT_EQ(Act("startUpload", R"({"x":[{"bucket":"b","object":"s1"}],"all":0})"), kSuccess);
    EXPECT_EQ(UploadStatus("s1"), kStatusWaiting);
    EXPECT_EQ(UploadStatus("s2"), kStatusStopped);
    EXPECT_EQ(Act("startUpload", R"({"all":true})"), kSuccess);
    EXPECT_EQ(UploadStatus("s2"), kStatusWaiting);
    EXPECT_EQ(UploadStatus("f"), kStatusWaiting);
    EXPECT_EQ(UploadStatus("d"), kStatusFinished);
}

TEST_F(ControlTest, DownloadsByFullpath)
{
    for (const char* path : {"/a", "/b", "/c"}) {
        ASSERT_TRUE(engine_->Database().AddDownload(DownloadRow(path, kStatusWaiting)));
    }
    EXPECT_EQ(Act("stopDownload", R"({"list":[{"fullpath":"/a"}],"more":[{"fullpath":"/b"}]})"), kSuccess);
    EXPECT_EQ(DownloadStatus("/a"), kStatusStopped);
    EXPECT_EQ(DownloadStatus("/b"), kStatusStopped);
    EXPECT_EQ(DownloadStatus("/c"), kStatusWaiting);
    EXPECT_EQ(Act("deleteDownload", R"({"list":[{"fullpath":"/b"},{"bucket":"x"}]})"), kSuccess);
    EXPECT_EQ(DownloadStatus("/b"), 0);
    EXPECT_EQ(DownloadStatus("/a"), kStatusStopped);
}

TEST_F(ControlTest, DeleteAllTakesOnlyFinishedUnlessFinishIsZero)
{
    AddUploads({{"w", kStatusStopped}, {"d", kStatusFinished}});
    EXPECT_EQ(Act("deleteUpload", R"({"all":1})"), kSuccess);
    EXPECT_EQ(UploadStatus("d"), 0);
    EXPECT_EQ(UploadStatus("w"), kStatusStopped);
    EXPECT_EQ(Act("deleteUpload", R"({"all":1,"finish":false})"), kSuccess);
    EXPECT_EQ(UploadStatus("w"), 0);
}

TEST_F(ControlTest, UnparsableTextDoesNothingAndSucceeds)
{
    AddUploads({{"w", kStatusStopped}});
    EXPECT_EQ(Act("deleteUpload", "{\"all\":1,\"finish\":0"), kSuccess);
    EXPECT_EQ(Act("startUpload", "[]"), kSuccess);
    EXPECT_EQ(UploadStatus("w"), kStatusStopped);
}

TEST_F(ControlTest, StopRunningSelectionStopsTasksAndKeepsTheirState)
{
    AddUploads({{"r1", kStatusWaiting}, {"r2", kStatusWaiting}, {"r3", kStatusWaiting}});
    Run();
    ASSERT_TRUE(fakes_.WaitStarted(3));
    EXPECT_EQ(Act("stopUpload", R"({"list":[{"bucket":"b","object":"r1"},{"bucket":"b","object":"r3"}]})"),
              kSuccess);
    EXPECT_EQ(UploadStatus("r1"), kStatusStopped);
    EXPECT_EQ(UploadStatus("r2"), kStatusRunning);
    EXPECT_EQ(UploadStatus("r3"), kStatusStopped);
    EXPECT_EQ(engine_->Uploads().ActiveCount(), 1);
    EXPECT_TRUE(fakes_.Discarded().empty());
}

TEST_F(ControlTest, DeleteRunningSelectionDiscardsTheTasks)
{
    AddUploads({{"r1", kStatusWaiting}, {"r2", kStatusWaiting}});
    Run();
    ASSERT_TRUE(fakes_.WaitStarted(2));
    EXPECT_EQ(Act("deleteUpload", R"({"list":[{"bucket":"b","object":"r2"}]})"), kSuccess);
    EXPECT_EQ(UploadStatus("r2"), 0);
    EXPECT_EQ(fakes_.Discarded(), std::set<std::string>{"r2"});
    EXPECT_EQ(engine_->Uploads().ActiveCount(), 1);
}

// 25 running tasks stopped by one selection must all be told before any is waited for: each
// fake ends only once every one has been told.
TEST_F(ControlTest, ManyRunningTasksStopTogether)
{
    engine_->Uploads().SetTaskMax(25);
    std::string list;
    for (int i = 0; i < 25; ++i) {
        const std::string object = "m" + std::to_string(i);
        ASSERT_TRUE(engine_->Database().AddUpload(UploadRow("b", object)));
        list += (i ? "," : "") + std::string(R"({"bucket":"b","object":")") + object + "\"}";
    }
    Run();
    ASSERT_TRUE(fakes_.WaitStarted(25));
    fakes_.EndTogether(25);
    EXPECT_EQ(Act("stopUpload", "{\"list\":[" + list + "]}"), kSuccess);
    EXPECT_EQ(fakes_.EndedTogether(), 25);
    EXPECT_EQ(engine_->Uploads().ActiveCount(), 0);
}

} // namespace
} // namespace zym::testing
