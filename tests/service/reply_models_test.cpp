#include "service/reply_models.h"

#include <gtest/gtest.h>

using namespace zym;

TEST(ReplyModels, ListingSkipsThePlaceholderAndReadsFoldersAfterObjects)
{
    const char* body = R"(<?xml version="1.0" encoding="UTF-8"?>
<ListBucketResult>
  <Name>pics</Name><Prefix>photos/</Prefix><Marker>m0</Marker><NextMarker>photos/b.jpg</NextMarker>
  <Contents><Key>photos/</Key><Size>0</Size></Contents>
  <Contents><Key>photos/a b.jpg</Key><LastModified>2026-12-01T10:00:00.000Z</LastModified>
    <ETag>"e1"</ETag><Type>Normal</Type><Size>1048576</Size></Contents>
  <Contents><Key>photos/é&amp;.png</Key><Size>7</Size></Contents>
  <Contents><Size>3</Size></Contents>
  <CommonPrefixes><Prefix>photos/</Prefix></CommonPrefixes>
  <CommonPrefixes><Prefix>photos/2026/</Prefix></CommonPrefixes>
  <CommonPrefixes><Prefix></Prefix></CommonPrefixes>
</ListBucketResult>)";
    CZymListObjectRet list;
    ASSERT_TRUE(ParseReply(list, body));
    EXPECT_EQ(list.Name, "pics");
    EXPECT_EQ(list.Prefix, "photos/");
    EXPECT_EQ(list.Marker, "m0");
    EXPECT_EQ(list.NextMarker, "photos/b.jpg");
    EXPECT_EQ(list.Code, "");
    ASSERT_EQ(list.Entries.size(), 3u);
    EXPECT_EQ(list.Entries[0].Key, "photos/a b.jpg");
    EXPECT_EQ(list.Entries[0].ETag, "\"e1\"");
    EXPECT_EQ(list.Entries[0].Type, "Normal");
    EXPECT_EQ(list.Entries[0].Size, "1048576");
    EXPECT_EQ(list.Entries[0].LastModified, "2026-12-01T10:00:00.000Z");
    EXPECT_EQ(list.Entries[0].Prefix, "");
    EXPECT_EQ(list.Entries[1].Key, "photos/é&.png");
    EXPECT_EQ(list.Entries[2].Key, "");
    EXPECT_EQ(list.Entries[2].Prefix, "photos/2026/");
}

TEST(ReplyModels, FolderBeforeObjectsIsReadByBothWalks)
{
    // The object walk starts at the first Contents; a CommonPrefixes ahead of it is only met
    // by the folder walk, whose walk then runs over the Contents too (they have no Prefix).
    const char* body = R"(<ListBucketResult><Prefix></Prefix>
  <CommonPrefixes><Prefix>a/</Prefix></CommonPrefixes>
  <Contents><Key>k1</Key></Contents>
  <CommonPrefixes><Prefix>b/</Prefix></CommonPrefixes>
  <Contents><Key>k2</Key></Contents>
</ListBucketResult>)";
    CZymListObjectRet list;
    ASSERT_TRUE(ParseReply(list, body));
    ASSERT_EQ(list.Entries.size(), 4u);
    EXPECT_EQ(list.Entries[0].Key, "k1");
    EXPECT_EQ(list.Entries[1].Key, "k2");
    EXPECT_EQ(list.Entries[2].Prefix, "a/");
    EXPECT_EQ(list.Entries[3].Prefix, "b/");

    // A parse replaces the entries of an earlier one.
    ASSERT_TRUE(
        ParseReply(list, "<ListBucketResult><Contents><Key>only</Key></Contents></ListBucketResult>"));
    ASSERT_EQ(list.Entries.size(), 1u);
    EXPECT_EQ(list.Entries[0].Key, "only");
}

TEST(ReplyModels, ErrorDocumentFillsOnlyTheErrorFields)
{
    const char* body = R"(<?xml version="1.0" encoding="UTF-8"?>
<Error><Code>NoSuchKey</Code><Message>The specified key does not exist.</Message>
<RequestId>R1</RequestId><HostId>H1</HostId><BucketName>b1</BucketName></Error>)";
    CZymListObjectRet list;
    ASSERT_TRUE(ParseReply(list, body));
    EXPECT_EQ(list.Code, "NoSuchKey");
    EXPECT_EQ(list.Message, "The specified key does not exist.");
    EXPECT_EQ(list.RequestId, "R1");
    EXPECT_EQ(list.HostId, "H1");
    EXPECT_EQ(list.BucketName, "b1");
    EXPECT_TRUE(list.Entries.empty());
    EXPECT_EQ(list.Name, "");

    CZymCopyRet copy;
    ASSERT_TRUE(ParseReply(copy, body));
    EXPECT_EQ(copy.Code, "NoSuchKey");
    EXPECT_EQ(copy.ETag, "");
}

TEST(ReplyModels, CopyAndInitiateAndUploadListings)
{
    CZymCopyRet copy;
    ASSERT_TRUE(ParseReply(copy, "<CopyObjectResult><LastModified>t1</LastModified><ETag>\"abc\"</ETag>"
                                 "</CopyObjectResult>"));
    EXPECT_EQ(copy.ETag, "\"abc\"");
    EXPECT_EQ(copy.LastModified, "t1");

    CZymInitiateMultipartUploadRet init;
    ASSERT_TRUE(ParseReply(init, "<InitiateMultipartUploadResult><Bucket>b</Bucket><Key>a b</Key>"
                                 "<UploadId>U-1</UploadId></InitiateMultipartUploadResult>"));
    EXPECT_EQ(init.Bucket, "b");
    EXPECT_EQ(init.Key, "a b");
    EXPECT_EQ(init.UploadId, "U-1");

    CZymListMultipartUploadRet uploads;
    ASSERT_TRUE(ParseReply(uploads, R"(<ListMultipartUploadsResult><Bucket>b</Bucket>
<KeyMarker>km</KeyMarker><UploadIdMarker>um</UploadIdMarker><NextKeyMarker>nk</NextKeyMarker>
<NextUploadIdMarker>nu</NextUploadIdMarker><Delimiter>/</Delimiter><Prefix>p</Prefix>
<MaxUploads>1000</MaxUploads><IsTruncated>false</IsTruncated>
<Upload><Key>k1</Key><UploadId>u1</UploadId><Initiated>i1</Initiated></Upload>
<Upload><UploadId>u2</UploadId></Upload>
<Upload><Key>k3</Key></Upload>
</ListMultipartUploadsResult>)"));
    EXPECT_EQ(uploads.Bucket, "b");
    EXPECT_EQ(uploads.KeyMarker, "km");
    EXPECT_EQ(uploads.UploadIdMarker, "um");
    EXPECT_EQ(uploads.NextKeyMarker, "nk");
    EXPECT_EQ(uploads.NextUploadIdMarker, "nu");
    EXPECT_EQ(uploads.Delimiter, "/");
    EXPECT_EQ(uploads.Prefix, "p");
    EXPECT_EQ(uploads.MaxUploads, "1000");
    EXPECT_EQ(uploads.IsTruncated, "false");
    ASSERT_EQ(uploads.Uploads.size(), 2u); // the entry without a key is skipped
    EXPECT_EQ(uploads.Uploads[0].Key, "k1");
    EXPECT_EQ(uploads.Uploads[0].UploadId, "u1");
    EXPECT_EQ(uploads.Uploads[0].Initiated, "i1");
    EXPECT_EQ(uploads.Uploads[1].Key, "k3");
    EXPECT_EQ(uploads.Uploads[1].UploadId, "");
}

TEST(ReplyModels, ValuesAreTheFirstMatchingChildWithText)
{
    CZymRet reply;
    reply.Code = "kept";
    // Case matters, nested elements are not searched, an empty element leaves the field.
    ASSERT_TRUE(ParseReply(reply, "<Error><code>x</code><Inner><Message>deep</Message></Inner><Code/>"
                                  "<RequestId>first</RequestId><RequestId>second</RequestId></Error>"));
    EXPECT_EQ(reply.Code, "kept");
    EXPECT_EQ(reply.Message, "");
    EXPECT_EQ(reply.RequestId, "first");
}

TEST(ReplyModels, BodiesThatAreNotXmlLeaveTheFieldsUntouched)
{
    const char* bodies[] = {"", "not xml", "<Error><Code>x</Code>", "<a></b>"};
    for (const char* body : bodies) {
        CZymListObjectRet list;
        list.Code = "before";
        list.Entries.push_back({});
        EXPECT_FALSE(ParseReply(list, body)) << body;
        EXPECT_EQ(list.Code, "before");
        EXPECT_EQ(list.Entries.size(), 1u);
    }
    // Well-formed but without a root element: the listing is emptied, nothing else is read.
    for (const char* body : {"<?xml version=\"1.0\"?>", "<!-- only a comment -->"}) {
        CZymListObjectRet list;
        list.Code = "before";
        list.Entries.push_back({});
        EXPECT_FALSE(ParseReply(list, body)) << body;
        EXPECT_EQ(list.Code, "before");
        EXPECT_TRUE(list.Entries.empty());
    }
}
