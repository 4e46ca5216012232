// Bad replies must never crash the parsers: malformed, truncated, huge and deeply nested
// bodies and header texts, plus a seeded random mutation of valid replies.
#include "service/http_transport.h"
#include "service/reply_models.h"

#include <gtest/gtest.h>
#include <memory>
#include <random>

using namespace zym;

namespace {

const char* kListing = R"(<?xml version="1.0" encoding="UTF-8"?>
<ListBucketResult><Name>b</Name><Prefix>p/</Prefix><Marker></Marker><NextMarker>p/z</NextMarker>
<Contents><Key>p/a</Key><LastModified>t</LastModified><ETag>"e"</ETag><Type>Normal</Type><Size>1</Size></Contents>
<CommonPrefixes><Prefix>p/d/</Prefix></CommonPrefixes></ListBucketResult>)";
const char* kUploads = R"(<ListMultipartUploadsResult><Bucket>b</Bucket><IsTruncated>false</IsTruncated>
<Upload><Key>k</Key><UploadId>u</UploadId><Initiated>i</Initiated></Upload></ListMultipartUploadsResult>)";
const char* kError =
    R"(<Error><Code>NoSuchBucket</Code><Message>m</Message><RequestId>r</RequestId></Error>)";

// Parses the body into every model; the check is that nothing crashes or reads out of bounds
// (run under the sanitizer build too) and that a false result leaves the fields alone.
void ParseEverywhere(const std::string& body)
{
    std::unique_ptr<CZymRet> models[] = {std::make_unique<CZymRet>(), std::make_unique<CZymCopyRet>(),
                                         std::make_unique<CZymInitiateMultipartUploadRet>(),
                                         std::make_unique<CZymListMultipartUploadRet>(),
                                         std::make_unique<CZymListObjectRet>()};
    for (auto& model : models) {
        model->Code = "unset";
        if (!ParseReply(*model, body)) {
            EXPECT_EQ(model->Code, "unset");
        }
    }
    (void)StatusFromHeaders(body);
}

} // namespace

TEST(MalformedInput, EveryTruncationOfValidRepliesIsHandled)
{
    for (const char* doc : {kListing, kUploads, kError}) {
        const std::string full(doc);
        for (size_t n = 0; n <= full.size(); ++n) {
            ParseEverywhere(full.substr(0, n));
        }
    }
    // A listing cut inside its last element is not XML: nothing of it is taken.
    CZymListObjectRet list;
    const std::string full(kListing);
    EXPECT_FALSE(ParseReply(list, full.substr(0, full.size() - 5)));
    EXPECT_TRUE(list.Entries.empty());
    EXPECT_EQ(list.Name, "");
}

TEST(MalformedInput, RandomMutationsOfValidReplies)
{
    std::mt19937 random(20261210); // fixed seed: the same cases on every run
    const std::string docs[] = {kListing, kUploads, kError};
    const char alphabet[] = "<>/&;\"'=?! \r\n\0\xff\xc3\xa9"
                            "abcKeyContents";
    for (int round = 0; round < 4000; ++round) {
        std::string body = docs[round % 3];
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits && !body.empty(); ++e) {
            const size_t at = random() % body.size();
            const char c = alphabet[random() % (sizeof alphabet - 1)];
            switch (random() % 3) {
            case 0:
                body[at] = c;
                break;
            case 1:
                body.insert(body.begin() + static_cast<long>(at), c);
                break;
            default:
                body.erase(at, 1 + random() % 16);
                break;
            }
        }
        ParseEverywhere(body);
    }
}

TEST(MalformedInput, HugeAndDeepBodies)
{
    // 100,000 entries in one listing are all read.
    std::string many = "<ListBucketResult>";
    for (int i = 0; i < 100000; ++i) {
        many += "<Contents><Key>k" + std::to_string(i) + "</Key></Contents>";
    }
    many += "</ListBucketResult>";
    CZymListObjectRet list;
    ASSERT_TRUE(ParseReply(list, many));
    EXPECT_EQ(list.Entries.size(), 100000u);

    // A 16 MB text value.
    CZymRet reply;
    ASSERT_TRUE(ParseReply(reply, "<Error><Message>" + std::string(16 << 20, 'm') + "</Message></Error>"));
    EXPECT_EQ(reply.Message.size(), size_t{16} << 20);

    // Nesting deep enough to exhaust a recursive parser's stack must be refused, not crash.
    std::string deep;
    for (int i = 0; i < 200000; ++i) {
        deep += "<a>";
    }
    ParseEverywhere(deep);
    for (int i = 0; i < 200000; ++i) {
        deep += "</a>";
    }
    ParseEverywhere(deep);
    // Binary noise with embedded zero bytes.
    std::string noise;
    std::mt19937 random(7);
    for (int i = 0; i < 1 << 16; ++i) {
        noise.push_back(static_cast<char>(random() & 0xff));
    }
    ParseEverywhere(noise);
    ParseEverywhere("<Error><Code>" + std::string("a\0b", 3) + "</Code></Error>");
}

TEST(MalformedInput, HugeAndOddHeaderTexts)
{
    EXPECT_EQ(StatusFromHeaders(std::string(8 << 20, ' ')), -1);
    EXPECT_EQ(StatusFromHeaders(std::string(8 << 20, '\n')), -1);
    EXPECT_EQ(StatusFromHeaders("HTTP/1.1 200 " + std::string(1 << 20, 'x') + "\r\n"), 200);
    EXPECT_EQ(StatusFromHeaders("HTTP/1.1 2" + std::string(1 << 20, '0') + " OK\r\n"), -1);
    EXPECT_EQ(StatusFromHeaders("\r"), -1);
    EXPECT_EQ(StatusFromHeaders("\r\n\r"), -1);
    EXPECT_EQ(StatusFromHeaders(std::string("\0\0 \0", 4)), -1);
}
