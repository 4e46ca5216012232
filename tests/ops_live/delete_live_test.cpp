// deleteObject and deleteBucket against the local service.
#include "fake_progress.h"
#include "live_ops_support.h"
#include "ops/delete_tasks.h"

#include <algorithm>

using namespace zym;
using namespace zymtest;

namespace {

std::shared_ptr<OperationProgress> Borrow(FakeProgress& progress)
{
    return std::shared_ptr<OperationProgress>(&progress, [](auto*) {});
}

class DeleteLive : public LiveBucketTest
{
protected:
    static void SetUpTestSuite() { CreateSuiteBucket("deleting"); }

    std::string DeleteObjects(const std::string& items, FakeProgress& progress)
    {
        CDeleteObjectTask task(
            LiveServices(), "{\"bucket\":\"" + bucket_ + "\",\"location\":\"l1\",\"list\":[" + items + "]}",
            nullptr, Borrow(progress));
        return task.Execute();
    }
    static std::vector<std::string> Numbered(const std::string& prefix, int count)
    {
        std::vector<std::string> keys;
        for (int i = 0; i < count; ++i) {
            char text[16];
            std::snprintf(text, sizeof text, "%04d", i);
            keys.push_back(prefix + text);
        }
        return keys;
    }
    // Counters are made inside the tests that count: a request meets only its first matching rule.
    static std::string MultiDeletes()
    {
        return "\"bucket\":\"" + bucket_ + "\",\"method\":\"POST\",\"query\":\"delete\"";
    }
};

TEST_F(DeleteLive, OneKeyOneRequestTwoKeysOneMultiDelete)
{
    PutMany(bucket_, {"one", "two/a", "two/b"});
    RequestCounter multi(MultiDeletes());
    RequestCounter single("\"bucket\":\"" + bucket_ + "\",\"method\":\"DELETE\"");
    FakeProgress progress;
    EXPECT_EQ(DeleteObjects("{\"object\":\"one\"}", progress), "{\"error\":0,\"message\":\"\"}");
    EXPECT_EQ(single.Seen(), 1);
    EXPECT_EQ(multi.Seen(), 0);
    EXPECT_EQ(progress.calls, (std::vector<std::string>{"ready", "counted 1", "progress 1/1", "finished 1"}));

    FakeProgress two;
    EXPECT_EQ(
        DeleteObjects("{\"object\":\"two/a\"},{\"object\":\"\"},{\"other\":1},{\"object\":\"two/b\"}", two),
        "{\"error\":0,\"message\":\"\"}");
    EXPECT_EQ(multi.Seen(), 1);
    EXPECT_TRUE(ListAll(bucket_, "two/").empty());
    EXPECT_TRUE(ListAll(bucket_, "one").empty());

    FakeProgress none;
    EXPECT_EQ(DeleteObjects("", none), "{\"error\":0,\"message\":\"\"}");
    EXPECT_EQ(none.calls, (std::vector<std::string>{"ready", "counted 0", "finished 0"}));
}

TEST_F(DeleteLive, FolderOf2500KeysTakesThreeMultiDeletes)
{
    PutMany(bucket_, Numbered("big/", 2499)); // with the folder key from the page: 2,500 keys
    RequestCounter multi(MultiDeletes());
    FakeProgress progress;
    EXPECT_EQ(DeleteObjects("{\"object\":\"big/\"}", progress), "{\"error\":0,\"message\":\"\"}");
    EXPECT_EQ(multi.Seen(), 3);
    EXPECT_EQ(progress.calls,
              (std::vector<std::string>{"ready", "counted 2500", "progress 1000/2500", "progress 2000/2500",
                                        "progress 2500/2500", "finished 2500"}));
    EXPECT_TRUE(ListAll(bucket_, "big/").empty());
}

TEST_F(DeleteLive, ClosingTheDialogStopsAfterTheBatchInFlight)
{
    PutMany(bucket_, Numbered("half/", 1499));
    RequestCounter multi(MultiDeletes());
    FakeProgress progress;
    progress.closeAfterProgress = 1;
    EXPECT_EQ(DeleteObjects("{\"object\":\"half/\"}", progress), "{}");
    EXPECT_EQ(multi.Seen(), 1);
    EXPECT_EQ(ListAll(bucket_, "half/").size(), 500u);
}

TEST_F(DeleteLive, FailuresReplyWithTheirTexts)
{
    PutMany(bucket_, {"f1", "f2"});
    FaultRule fail("{\"bucket\":\"" + bucket_ +
                   "\",\"method\":\"POST\",\"query\":\"delete\",\"status\":500}");
    FakeProgress progress;
    EXPECT_EQ(DeleteObjects("{\"object\":\"f1\"},{\"object\":\"f2\"}", progress),
              "{\"error\":10,\"message\":\"InternalError\"}");
    EXPECT_EQ(progress.calls.back(), "close");
    FakeProgress bad;
    CDeleteObjectTask task(LiveServices(), "not json", nullptr, Borrow(bad));
    EXPECT_EQ(task.Execute(),
              "{\"error\":1,\"message\":\"" + EnglishTexts().String("prompt", "JsonError") + "\"}");
}

TEST(DeleteBucketCheck, KeyPairMustMatchExactly)
{
    const AccessKeys keys{"AK", "SK"};
    const std::string jsonError =
        "{\"error\":1,\"message\":\"" + EnglishTexts().String("prompt", "JsonError") + "\"}";
    const std::string keyError =
        "{\"error\":4,\"message\":\"" + EnglishTexts().String("prompt", "AccessKeyError") + "\"}";
    EXPECT_EQ(CheckBucketDeletion("{x", keys, EnglishTexts()).reply, jsonError);
    EXPECT_EQ(
        CheckBucketDeletion("{\"keyid\":\"AK\",\"keysecret\":\"sk\",\"bucket\":\"b\"}", keys, EnglishTexts())
            .reply,
        keyError);
    EXPECT_EQ(
        CheckBucketDeletion("{\"keyid\":\"ak\",\"keysecret\":\"SK\",\"bucket\":\"b\"}", keys, EnglishTexts())
            .reply,
        keyError);
    const BucketDeletion ok = CheckBucketDeletion(
        "{\"keyid\":\"AK\",\"keysecret\":\"SK\",\"bucket\":\"b\",\"location\":\"l2\"}", keys, EnglishTexts());
    EXPECT_EQ(ok.reply, "");
    EXPECT_EQ(ok.bucket, "b");
    EXPECT_EQ(ok.location, "l2");
}

TEST(DeleteBucketLive, ObjectsAndUnfinishedUploadsGoThenTheBucket)
{
    const std::string bucket = UniqueBucket("gone");
    CZymRet made;
    ASSERT_TRUE(CreateBucket(LiveCall(), bucket, made));
    PutMany(bucket, {"a", "b/c", "b/"});
    for (const char* key : {"up1", "up2", "b/up3"}) {
        CZymInitiateMultipartUploadRet start;
        ASSERT_TRUE(InitiateMultipartUpload(LiveCall(), bucket, key, start));
    }
    std::vector<std::string> order;
    FakeProgress progress;
    CDeleteBucketTask task(LiveServices(), bucket, "l1", nullptr, Borrow(progress),
                           [&](const std::string& b) {
                               order.push_back("discard " + b);
                               EXPECT_TRUE(progress.calls.empty()); // before anything else
                           });
    EXPECT_EQ(task.Execute(), "{\"error\":0,\"message\":\"\"}");
    EXPECT_EQ(order, (std::vector<std::string>{"discard " + bucket}));
    EXPECT_EQ(progress.calls, (std::vector<std::string>{"ready", "counted 3", "progress 3/3", "finished 3"}));
    CZymListObjectRet list;
    EXPECT_FALSE(ListObjects(LiveCall(), bucket, list, "", "", "", ""));
    EXPECT_EQ(list.Code, "NoSuchBucket");
}

TEST(DeleteBucketLive, AFailedDeletionRepliesDeleteBucketError)
{
    const std::string bucket = UniqueBucket("stays");
    CZymRet made;
    ASSERT_TRUE(CreateBucket(LiveCall(), bucket, made));
    FaultRule fail("{\"bucket\":\"" + bucket +
                   "\",\"method\":\"DELETE\",\"status\":409,\"code\":\"BucketNotEmpty\"}");
    FakeProgress progress;
    CDeleteBucketTask task(LiveServices(), bucket, "l1", nullptr, Borrow(progress), nullptr);
    EXPECT_EQ(task.Execute(), "{\"error\":10,\"message\":\"BucketNotEmpty\"}");
    EXPECT_EQ(progress.calls, (std::vector<std::string>{"ready", "counted 0", "close"}));
}

} // namespace

namespace {

// More unfinished uploads than one listing page holds: every one is aborted, page by page.
TEST(DeleteBucketLive, MoreThanAThousandUnfinishedUploadsAreAllAborted)
{
    const std::string bucket = UniqueBucket("uploads");
    CZymRet made;
    ASSERT_TRUE(CreateBucket(LiveCall(), bucket, made));
    constexpr int kUploads = 1005;
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&, w] {
            for (int i = w; i < kUploads; i += 4) {
                CZymInitiateMultipartUploadRet start;
                EXPECT_TRUE(InitiateMultipartUpload(LiveCall(), bucket, "u/" + std::to_string(i), start));
            }
        });
    }
    for (auto& t : workers) {
        t.join();
    }
    CZymListMultipartUploadRet first;
    ASSERT_TRUE(ListMultipartUploads(LiveCall(), bucket, first));
    EXPECT_EQ(first.Uploads.size(), 1000u);
    EXPECT_EQ(first.IsTruncated, "true");

    RequestCounter aborts("\"bucket\":\"" + bucket + "\",\"method\":\"DELETE\",\"query\":\"uploadId=\"");
    FakeProgress progress;
    CDeleteBucketTask task(LiveServices(), bucket, "l1", nullptr, Borrow(progress), nullptr);
    EXPECT_EQ(task.Execute(), "{\"error\":0,\"message\":\"\"}");
    EXPECT_EQ(aborts.Seen(), kUploads);
}

} // namespace
