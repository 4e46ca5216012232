// Object requests against the local service, with keys that need encoding in addresses.
#include "live_service.h"

#include <algorithm>

using namespace zym;
using namespace zymtest;

namespace {

const std::string kKeys[] = {
    "plain.txt",        "with space.txt",    "plus+sign",
    "per%cent%20",      "dir/sub/file.bin",  "quote\"and'apos",
    "中文/文件 名.txt", "é+ %/\"mix\".json", " leading and trailing ",
    "ünïcödé-ß~_.-",    "a&b=c?d#e",
};

class ObjectsLive : public LiveBucketTest
{
protected:
    static void SetUpTestSuite() { CreateSuiteBucket("objects"); }
};

std::vector<std::string> ListAll(const std::string& bucket, const std::string& prefix = "")
{
    CZymListObjectRet list;
    EXPECT_TRUE(ListObjects(LiveCall(), bucket, list, prefix, "", "", "1000")) << list.Code;
    std::vector<std::string> keys;
    for (const auto& e : list.Entries) {
        keys.push_back(e.Key);
    }
    return keys;
}

} // namespace

TEST_F(ObjectsLive, EveryKeySurvivesPutListReadCopyAndDelete)
{
    for (const auto& key : kKeys) {
        Put(key, "body of " + key);
    }
    std::vector<std::string> listed = ListAll(bucket_);
    std::vector<std::string> expected(std::begin(kKeys), std::end(kKeys));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);

    const std::string target = UniqueBucket("copies");
    CZymRet created;
    ASSERT_TRUE(CreateBucket(LiveCall(), target, created));
    for (const auto& key : kKeys) {
        EXPECT_TRUE(GetObject(LiveCall(), bucket_, key)) << key;
        EXPECT_EQ(Read(bucket_, key), "body of " + key);

        CZymCopyRet copy;
        ASSERT_TRUE(CopyObject(LiveCall(), target, "copy of " + key, bucket_, key, copy)) << key << copy.Code;
        EXPECT_FALSE(copy.ETag.empty());
        EXPECT_EQ(Read(target, "copy of " + key), "body of " + key);

        CZymRet deleted;
        ASSERT_TRUE(DeleteObject(LiveCall(), bucket_, key, deleted)) << key;
        EXPECT_FALSE(GetObject(LiveCall(), bucket_, key)) << key;
        HttpResponse response;
        CZymRet missing;
        EXPECT_FALSE(ReadObject(LiveCall(), bucket_, key, response, missing));
        EXPECT_EQ(missing.Code, "NoSuchKey") << key;
    }
    EXPECT_TRUE(ListAll(bucket_).empty());
    EXPECT_EQ(ListAll(target).size(), std::size(kKeys));
}

TEST_F(ObjectsLive, HeaderReplacementKeepsTheBytesAndChangesTheHeaders)
{
    const std::string key = "headers/ä b+c.txt";
    Put(key, "unchanged bytes");
    CZymCopyRet reply;
    ASSERT_TRUE(ReplaceObjectHeaders(
        LiveCall(), bucket_, key, reply,
        {{"Content-Type", "text/x-zym-test"}, {"Cache-Control", "no-cache"}, {"x-zym-meta-color", "blue"}}))
        << reply.Code << " " << reply.Message;
    HttpResponse response;
    CZymRet read;
    ASSERT_TRUE(ReadObject(LiveCall(), bucket_, key, response, read));
    EXPECT_EQ(response.body, "unchanged bytes");
    std::string headers = response.headers;
    std::transform(headers.begin(), headers.end(), headers.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    EXPECT_NE(headers.find("content-type: text/x-zym-test\r\n"), std::string::npos) << response.headers;
    EXPECT_NE(headers.find("cache-control: no-cache\r\n"), std::string::npos) << response.headers;
    EXPECT_NE(headers.find("x-zym-meta-color: blue\r\n"), std::string::npos) << response.headers;
}

TEST_F(ObjectsLive, FolderListingSkipsThePlaceholderAndNamesSubfolders)
{
    for (const char* key :
         {"photos/", "photos/a b.jpg", "photos/2026/b.jpg", "photos/2026/c.jpg", "photos/z/", "top.txt"}) {
        Put(key, "x");
    }
    CZymListObjectRet list;
    ASSERT_TRUE(ListObjects(LiveCall(), bucket_, list, "photos/", "", "/", "1000"));
    EXPECT_EQ(list.Name, bucket_);
    EXPECT_EQ(list.Prefix, "photos/");
    ASSERT_EQ(list.Entries.size(), 3u);
    EXPECT_EQ(list.Entries[0].Key, "photos/a b.jpg");
    EXPECT_EQ(list.Entries[0].Size, "1");
    EXPECT_EQ(list.Entries[0].Type, "Normal");
    EXPECT_EQ(list.Entries[1].Prefix, "photos/2026/");
    EXPECT_EQ(list.Entries[2].Prefix, "photos/z/");
}

TEST_F(ObjectsLive, DeleteBucketRefusesAFullBucketAndRemovesAnEmptyOne)
{
    const std::string bucket = UniqueBucket("doomed");
    CZymRet reply;
    ASSERT_TRUE(CreateBucket(LiveCall(), bucket, reply));
    ASSERT_TRUE(PutObject(LiveCall(), bucket, "last one", "x", {}, reply));
    EXPECT_FALSE(DeleteBucket(LiveCall(), bucket, reply));
    EXPECT_EQ(reply.Code, "BucketNotEmpty");
    ASSERT_TRUE(DeleteObject(LiveCall(), bucket, "last one", reply));
    CZymRet deleted;
    EXPECT_TRUE(DeleteBucket(LiveCall(), bucket, deleted)) << deleted.Code;
    CZymListObjectRet list;
    EXPECT_FALSE(ListObjects(LiveCall(), bucket, list, "", "", "", "1000"));
    EXPECT_EQ(list.Code, "NoSuchBucket");
}
