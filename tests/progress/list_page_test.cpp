// getDownload/getUpload pages from the queue's mirror, with live figures of running rows.
#include "engine_fixture.h"
#include "transfer/list_page.h"

#include <cjson/cJSON.h>
#include <gtest/gtest.h>

namespace zym::testing {
namespace {

struct Listed
{
    std::vector<std::string> objects;
    std::vector<std::int64_t> offsets, speeds, statuses;
    std::int64_t downloadTotal = -1;
};

Listed Read(const std::string& text)
{
    Listed out;
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> json(cJSON_Parse(text.c_str()), &cJSON_Delete);
    EXPECT_TRUE(json) << text;
    if (!json) {
        return out;
    }
    out.downloadTotal = static_cast<std::int64_t>(
        cJSON_GetNumberValue(cJSON_GetObjectItemCaseSensitive(json.get(), "download_total_count")));
    const cJSON* item = nullptr;
    cJSON_ArrayForEach(item, cJSON_GetObjectItemCaseSensitive(json.get(), "list"))
    {
        out.objects.push_back(cJSON_GetStringValue(cJSON_GetObjectItemCaseSensitive(item, "object")));
        out.offsets.push_back(static_cast<std::int64_t>(
            cJSON_GetNumberValue(cJSON_GetObjectItemCaseSensitive(item, "offset"))));
        out.speeds.push_back(
            static_cast<std::int64_t>(cJSON_GetNumberValue(cJSON_GetObjectItemCaseSensitive(item, "speed"))));
        out.statuses.push_back(static_cast<std::int64_t>(
            cJSON_GetNumberValue(cJSON_GetObjectItemCaseSensitive(item, "status"))));
    }
    return out;
}

std::vector<std::string> Objects(int from, int to)
{
    std::vector<std::string> names;
    for (int i = from; i <= to; ++i) {
        names.push_back("o" + std::to_string(i));
    }
    return names;
}

class ListPageTest : public EngineFixture
{
protected:
    void AddUploads(int count, int status)
    {
        CTransDatabase& db = engine_->Database();
        db.BeginTransaction();
        for (int i = 1; i <= count; ++i) {
            ASSERT_TRUE(db.AddUpload(UploadRow("b", "o" + std::to_string(i), status, 1000)));
        }
        db.CommitTransaction();
    }
    Listed Page(const char* text)
    {
        return Read(ListPage(TransferKind::Upload, text, engine_->Database(), engine_->Uploads(), {}));
    }
};

TEST_F(ListPageTest, PagesInIdOrder)
{
    AddUploads(260, kStatusStopped);
    EXPECT_EQ(Page("{}").objects, Objects(1, 100));
    EXPECT_EQ(Page(R"({"start":100,"count":50})").objects, Objects(101, 150));
    EXPECT_EQ(Page(R"({"start":250,"count":-1})").objects, Objects(251, 260));
    EXPECT_EQ(Page(R"({"start":-7,"count":2})").objects, Objects(1, 2));
    EXPECT_EQ(Page("not json").objects, Objects(1, 100));
    EXPECT_TRUE(Page(R"({"start":300})").objects.empty());
}

TEST_F(ListPageTest, HeaderCarriesTheStatisticsGiven)
{
    TransferStatistics stats;
    stats.downloadTotal = 12345;
    EXPECT_EQ(Read(ListPage(TransferKind::Download, "{}", engine_->Database(), engine_->Downloads(), stats))
                  .downloadTotal,
              12345);
}

TEST_F(ListPageTest, RunningRowsCarryLiveOffsetAndSpeed)
{
    AddUploads(3, kStatusStopped);
    ASSERT_TRUE(engine_->Database().StartUpload("b", "o2"));
    Run();
    ASSERT_TRUE(fakes_.WaitStarted(1));
    engine_->Uploads().TotalSpeed(); // as the statistics refresh does: 3000 bytes in 3 s
    const Listed page = Page("{}");
    ASSERT_EQ(page.objects, Objects(1, 3));
    EXPECT_EQ(page.statuses, (std::vector<std::int64_t>{3, 1, 3}));
    EXPECT_EQ(page.offsets, (std::vector<std::int64_t>{0, 500, 0}));
    EXPECT_EQ(page.speeds, (std::vector<std::int64_t>{0, 1000, 0}));
}

TEST_F(ListPageTest, RunningRowWithoutTaskKeepsStoredOffset)
{
    TransferRow row = UploadRow("b", "lone", kStatusRunning, 1000);
    ASSERT_TRUE(engine_->Database().AddUpload(row));
    // The queue keeps status 1 only while a task runs; put the row back to running by hand.
    ASSERT_TRUE(engine_->Database().SetUploadStatus(row.key, kStatusRunning));
    const Listed page = Page("{}");
    ASSERT_EQ(page.statuses, (std::vector<std::int64_t>{1}));
    EXPECT_EQ(page.speeds, (std::vector<std::int64_t>{0}));
    EXPECT_EQ(page.offsets, (std::vector<std::int64_t>{0}));
}

} // namespace
} // namespace zym::testing
