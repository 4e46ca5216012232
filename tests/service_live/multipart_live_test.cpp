// Multipart uploads put together from copied ranges, aborted uploads, and the streamed PUT.
#include "live_service.h"

#include <algorithm>
#include <cstring>

using namespace zym;
using namespace zymtest;

namespace {

constexpr std::int64_t kMiB = 1024 * 1024;

class MultipartLive : public LiveBucketTest
{
protected:
    static void SetUpTestSuite() { CreateSuiteBucket("multipart"); }

    static std::string Bytes(std::int64_t size, unsigned seed)
    {
        std::mt19937 random(seed);
        std::string bytes(static_cast<size_t>(size), '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random() & 0xff);
        }
        return bytes;
    }

    static bool HasUpload(const std::string& key, const std::string& uploadId)
    {
        CZymListMultipartUploadRet list;
        EXPECT_TRUE(ListMultipartUploads(LiveCall(), bucket_, list)) << list.Code;
        EXPECT_EQ(list.Bucket, bucket_);
        return std::any_of(list.Uploads.begin(), list.Uploads.end(), [&](const UploadEntry& u) {
            return u.Key == key && u.UploadId == uploadId && !u.Initiated.empty();
        });
    }
};

} // namespace

TEST_F(MultipartLive, PartsCopiedFromRangesMakeTheWholeObject)
{
    const std::string source = "source é+%.bin";
    const std::string target = "joined/目标 \"x\".bin";
    const std::string bytes = Bytes(11 * kMiB + 12345, 1);
    Put(source, bytes);

    CZymInitiateMultipartUploadRet init;
    ASSERT_TRUE(InitiateMultipartUpload(LiveCall(), bucket_, target, init)) << init.Code;
    EXPECT_EQ(init.Bucket, bucket_);
    EXPECT_EQ(init.Key, target);
    ASSERT_FALSE(init.UploadId.empty());
    EXPECT_TRUE(HasUpload(target, init.UploadId));

    // Three ranges: two of 5 MiB and the remainder, copied in reverse order.
    const std::int64_t size = static_cast<std::int64_t>(bytes.size());
    const std::int64_t starts[] = {0, 5 * kMiB, 10 * kMiB};
    std::vector<CompletedPart> parts;
    for (int part = 3; part >= 1; --part) {
        const std::int64_t from = starts[part - 1];
        const std::int64_t length = (part == 3 ? size : starts[part]) - from;
        CZymCopyRet copy;
        ASSERT_TRUE(UploadPartCopy(LiveCall(), bucket_, target, bucket_, source, init.UploadId, part, from,
                                   length, copy))
            << part << " " << copy.Code << " " << copy.Message;
        ASSERT_FALSE(copy.ETag.empty());
        parts.push_back({part, copy.ETag});
    }
    CZymRet done;
    ASSERT_TRUE(CompleteMultipartUpload(LiveCall(), bucket_, target, init.UploadId, done, parts))
        << done.Code << " " << done.Message;
    EXPECT_FALSE(HasUpload(target, init.UploadId));
    EXPECT_TRUE(Read(bucket_, target) == bytes);

    CZymListObjectRet list;
    ASSERT_TRUE(ListObjects(LiveCall(), bucket_, list, "joined/", "", "", "1000"));
    ASSERT_EQ(list.Entries.size(), 1u);
    EXPECT_EQ(list.Entries[0].Type, "Multipart");
    EXPECT_EQ(list.Entries[0].Size, std::to_string(bytes.size()));
}

TEST_F(MultipartLive, AbortedUploadIsGoneAndCannotBeCompleted)
{
    Put("small", "0123456789");
    CZymInitiateMultipartUploadRet init;
    ASSERT_TRUE(InitiateMultipartUpload(LiveCall(), bucket_, "aborted key", init));
    CZymCopyRet copy;
    ASSERT_TRUE(
        UploadPartCopy(LiveCall(), bucket_, "aborted key", bucket_, "small", init.UploadId, 1, 2, 5, copy));
    ASSERT_TRUE(HasUpload("aborted key", init.UploadId));

    CZymRet aborted;
    ASSERT_TRUE(AbortMultipartUpload(LiveCall(), bucket_, "aborted key", init.UploadId, aborted))
        << aborted.Code;
    EXPECT_FALSE(HasUpload("aborted key", init.UploadId));
    CZymRet late;
    EXPECT_FALSE(
        CompleteMultipartUpload(LiveCall(), bucket_, "aborted key", init.UploadId, late, {{1, copy.ETag}}));
    EXPECT_EQ(late.Code, "NoSuchUpload");
}

TEST_F(MultipartLive, SinglePartFromARangeHoldsExactlyThoseBytes)
{
    Put("digits.txt", "0123456789");
    CZymInitiateMultipartUploadRet init;
    ASSERT_TRUE(InitiateMultipartUpload(LiveCall(), bucket_, "middle.txt", init));
    CZymCopyRet copy;
    ASSERT_TRUE(UploadPartCopy(LiveCall(), bucket_, "middle.txt", bucket_, "digits.txt", init.UploadId, 1, 3,
                               4, copy));
    CZymRet done;
    ASSERT_TRUE(
        CompleteMultipartUpload(LiveCall(), bucket_, "middle.txt", init.UploadId, done, {{1, copy.ETag}}))
        << done.Code;
    EXPECT_EQ(Read(bucket_, "middle.txt"), "3456");
}

namespace {

struct StreamSource
{
    std::string bytes;
    size_t offset = 0;
    std::string headers;
};

size_t ReadStream(char* data, size_t size, size_t count, void* transfer)
{
    auto& source = *static_cast<StreamSource*>(transfer);
    const size_t n = std::min(size * count, source.bytes.size() - source.offset);
    std::memcpy(data, source.bytes.data() + source.offset, n);
    source.offset += n;
    return n;
}

size_t KeepHeaders(char* data, size_t size, size_t count, void* transfer)
{
    static_cast<StreamSource*>(transfer)->headers.append(data, size * count);
    return size * count;
}

} // namespace

TEST_F(MultipartLive, StreamedPutSendsEveryByteWithTypeAndDisposition)
{
    StreamSource source{Bytes(3 * kMiB + 7, 2)};
    std::string reply;
    const std::string key = "stream/报告 v1+.pdf";
    const int result =
        PutObjectStream(LiveCall(), bucket_, key, static_cast<std::int64_t>(source.bytes.size()),
                        &KeepHeaders, &ReadStream, &source, reply, true);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(StatusFromHeaders(source.headers), 200) << source.headers << reply;
    EXPECT_EQ(source.offset, source.bytes.size());

    HttpResponse response;
    CZymRet read;
    ASSERT_TRUE(ReadObject(LiveCall(), bucket_, key, response, read));
    EXPECT_TRUE(response.body == source.bytes);
    std::string headers = response.headers;
    std::transform(headers.begin(), headers.end(), headers.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    EXPECT_NE(headers.find("content-type: application/pdf\r\n"), std::string::npos) << response.headers;
    EXPECT_NE(headers.find("content-disposition: attachment;filename*=utf-8''"), std::string::npos)
        << response.headers;
}
