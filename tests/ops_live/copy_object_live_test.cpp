// copyObject against the local service: within and between buckets, folders, clashes and the
// part-by-part copy of large objects (with the part size lowered so the object stays small).
#include "fake_progress.h"
#include "live_ops_support.h"
#include "ops/copy_object_task.h"

#include <algorithm>

using namespace zym;
using namespace zymtest;

namespace {

constexpr std::int64_t kPart = 5 * 1024 * 1024; // the smallest part the service accepts

class CopyLive : public LiveBucketTest
{
protected:
    static void SetUpTestSuite()
    {
        CreateSuiteBucket("copysrc");
        other_ = UniqueBucket("copydst");
        CZymRet reply;
        ASSERT_TRUE(CreateBucket(LiveCall("l2"), other_, reply)) << reply.Code;
        big_.resize(static_cast<std::size_t>(2 * kPart + 1234));
        for (std::size_t i = 0; i < big_.size(); ++i) {
            big_[i] = static_cast<char>((i * 131) ^ (i >> 9));
        }
        PutMany(bucket_,
                {"a/b/x.txt", "a/b/", "a/b/c/y.txt", "a/b/c/", "keep/x.txt", "keep/x(2).txt", "dst/x.txt"});
        Put("a/big.bin", big_);
    }

    std::string Copy(const std::string& argument, FakeProgress& progress, std::int64_t partSize = kPart)
    {
        OpsServices services = LiveServices();
        services.partCopySize = partSize;
        CCopyObjectTask task(services, argument, nullptr,
                             std::shared_ptr<OperationProgress>(&progress, [](auto*) {}));
        return task.Execute();
    }
    static std::string Arg(const std::string& dstBucket, const std::string& dstLocation,
                           const std::string& dstObject, const std::string& items)
    {
        return "{\"bucket\":\"" + bucket_ + "\",\"location\":\"l1\",\"dstbucket\":\"" + dstBucket +
               "\",\"dstlocation\":\"" + dstLocation + "\",\"dstobject\":\"" + dstObject + "\",\"list\":[" +
               items + "]}";
    }

    static inline std::string other_;
    static inline std::string big_;
};

TEST_F(CopyLive, ObjectAndFolderBetweenBucketsOfDifferentLocations)
{
    FakeProgress progress;
    const std::string reply = Copy(Arg(other_, "l2", "in/",
                                       "{\"object\":\"a/b/x.txt\",\"filesize\":1},"
                                       "{\"object\":\"a/b/\",\"filesize\":0}"),
                                   progress);
    EXPECT_EQ(reply, "{}");
    std::vector<std::string> keys = ListAll(other_, "in/", "l2");
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"in/b/", "in/b/c/", "in/b/c/y.txt", "in/b/x.txt", "in/x.txt"}));
    EXPECT_EQ(progress.calls,
              (std::vector<std::string>{"ready", "counted 5", "progress 1/5", "progress 2/5", "progress 3/5",
                                        "progress 4/5", "progress 5/5", "finished 5"}));
}

TEST_F(CopyLive, LargeObjectIsCopiedInRangedPartsWithTheSameReplies)
{
    RequestCounter parts("\"bucket\":\"" + bucket_ + "\",\"method\":\"PUT\",\"query\":\"partNumber=\"");
    FakeProgress progress;
    const auto size = static_cast<std::int64_t>(big_.size());
    EXPECT_EQ(Copy(Arg(bucket_, "l1", "bigcopy/",
                       "{\"object\":\"a/big.bin\",\"filesize\":" + std::to_string(size) + "}"),
                   progress),
              "{}");
    EXPECT_EQ(parts.Seen(), 3); // 5 MiB, 5 MiB and the rest
    EXPECT_EQ(Read(bucket_, "bigcopy/big.bin"), big_);
    EXPECT_EQ(progress.calls, (std::vector<std::string>{"ready", "counted 1", "progress 1/1", "finished 1"}));
    // One byte below the part size: a single copy request, no parts.
    RequestCounter parts2("\"bucket\":\"" + bucket_ + "\",\"method\":\"PUT\",\"query\":\"partNumber=\"");
    FakeProgress single;
    EXPECT_EQ(Copy(Arg(bucket_, "l1", "small/",
                       "{\"object\":\"a/big.bin\",\"filesize\":" + std::to_string(size) + "}"),
                   single, size + 1),
              "{}");
    EXPECT_EQ(parts2.Seen(), 0);
    EXPECT_EQ(Read(bucket_, "small/big.bin"), big_);
}

TEST_F(CopyLive, ClashAnswers)
{
    struct Case
    {
        ClashButton button;
        const char* expectedKey; // null: nothing copied
    } cases[] = {{ClashButton::Replace, "keep/x.txt"},
                 {ClashButton::KeepBoth, "keep/x(3).txt"},
                 {ClashButton::Close, nullptr}};
    for (const auto& c : cases) {
        FakeProgress progress;
        progress.answers.push_back({c.button, false});
        const auto before = ListAll(bucket_, "keep/");
        EXPECT_EQ(Copy(Arg(bucket_, "l1", "keep/", "{\"object\":\"a/b/x.txt\",\"filesize\":1}"), progress),
                  "{}");
        EXPECT_EQ(progress.calls.at(1), "ask x.txt");
        if (c.expectedKey == nullptr) {
            EXPECT_EQ(progress.calls.back(), "close");
            EXPECT_EQ(ListAll(bucket_, "keep/"), before);
        } else {
            EXPECT_EQ(progress.calls.back(), "finished 1");
            const auto after = ListAll(bucket_, "keep/");
            EXPECT_NE(std::find(after.begin(), after.end(), c.expectedKey), after.end()) << c.expectedKey;
        }
    }
}

TEST_F(CopyLive, AnswerWithAllIsKeptAndFolderContentsAreNeverAsked)
{
    FakeProgress first;
    ASSERT_EQ(Copy(Arg(bucket_, "l1", "twice/", "{\"object\":\"a/b/\"}"), first), "{}");
    FakeProgress progress;
    progress.answers.push_back({ClashButton::KeepBoth, true});
    EXPECT_EQ(
        Copy(Arg(bucket_, "l1", "twice/", "{\"object\":\"a/b/\"},{\"object\":\"a/b/x.txt\"}"), progress),
        "{}");
    EXPECT_EQ(std::count_if(progress.calls.begin(), progress.calls.end(),
                            [](auto& c) { return c.rfind("ask", 0) == 0; }),
              1);
    EXPECT_EQ(progress.calls.at(1), "ask b folder several");
    auto keys = ListAll(bucket_, "twice/");
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"twice/b(2)/", "twice/b(2)/c/", "twice/b(2)/c/y.txt",
                                              "twice/b(2)/x.txt", "twice/b/", "twice/b/c/", "twice/b/c/y.txt",
                                              "twice/b/x.txt", "twice/x.txt"}));
}

TEST_F(CopyLive, ClosingTheDialogStopsAfterTheCurrentObject)
{
    FakeProgress progress;
    progress.closeAfterProgress = 1;
    EXPECT_EQ(Copy(Arg(bucket_, "l1", "stopped/", "{\"object\":\"a/b/x.txt\"},{\"object\":\"a/b/c/y.txt\"}"),
                   progress),
              "{}");
    EXPECT_EQ(ListAll(bucket_, "stopped/"), (std::vector<std::string>{"stopped/x.txt"}));
    EXPECT_EQ(progress.calls.back(), "progress 1/2");
}

TEST_F(CopyLive, ClosingDuringAPartCopyAbortsTheUnfinishedUpload)
{
    FaultRule slow("{\"bucket\":\"" + bucket_ +
                   "\",\"method\":\"PUT\",\"query\":\"partNumber=2\",\"delay_ms\":3000}");
    FakeProgress progress;
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        progress.token->Cancel();
    });
    const auto size = static_cast<std::int64_t>(big_.size());
    const std::string reply = Copy(
        Arg(bucket_, "l1", "cut/", "{\"object\":\"a/big.bin\",\"filesize\":" + std::to_string(size) + "}"),
        progress);
    closer.join();
    EXPECT_EQ(reply, "{}");
    EXPECT_TRUE(ListAll(bucket_, "cut/").empty());
    CZymListMultipartUploadRet uploads;
    ASSERT_TRUE(ListMultipartUploads(LiveCall(), bucket_, uploads));
    for (const auto& u : uploads.Uploads) {
        EXPECT_NE(u.Key, "cut/big.bin");
    }
}

TEST_F(CopyLive, FailuresReplyAndCloseTheDialog)
{
    FakeProgress bad;
    EXPECT_EQ(Copy("{oops", bad),
              "{\"error\":1,\"message\":\"" + EnglishTexts().String("prompt", "JsonError") + "\"}");
    EXPECT_EQ(bad.calls, (std::vector<std::string>{"close"}));

    FaultRule fail("{\"bucket\":\"" + bucket_ + "\",\"method\":\"PUT\",\"key\":\"failing/\",\"status\":500}");
    FakeProgress progress;
    EXPECT_EQ(Copy(Arg(bucket_, "l1", "failing/", "{\"object\":\"a/b/x.txt\"}"), progress),
              "{\"error\":10,\"message\":\"InternalError\"}");
    EXPECT_EQ(progress.calls.back(), "close");
}

} // namespace
