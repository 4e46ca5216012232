#include "service/request_documents.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

using namespace zym;

TEST(RequestDocuments, DeleteListsTheKeysInOrderAfterQuiet)
{
    const std::string body = DeleteDocument({"a b", "x/\"q\"&<é>", "+%"}, true);
    EXPECT_EQ(body, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<Delete>\n"
                    "    <Quiet>true</Quiet>\n"
                    "    <Object>\n        <Key>a b</Key>\n    </Object>\n"
                    "    <Object>\n        <Key>x/\"q\"&amp;&lt;é&gt;</Key>\n    </Object>\n"
                    "    <Object>\n        <Key>+%</Key>\n    </Object>\n"
                    "</Delete>\n");
    EXPECT_NE(DeleteDocument({}, false).find("<Quiet>false</Quiet>"), std::string::npos);

    // What the service reads back is the keys as given.
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.Parse(body.c_str()), tinyxml2::XML_SUCCESS);
    EXPECT_STREQ(doc.RootElement()
                     ->FirstChildElement("Object")
                     ->NextSiblingElement()
                     ->FirstChildElement("Key")
                     ->GetText(),
                 "x/\"q\"&<é>");
}

TEST(RequestDocuments, CompleteSortsThePartsByNumber)
{
    const std::string body =
        CompleteMultipartUploadDocument({{3, "\"e3\""}, {1, "\"e1\""}, {-2, "m"}, {2, "e2"}});
    EXPECT_EQ(body,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<CompleteMultipartUpload>\n"
              "    <Part>\n        <PartNumber>-2</PartNumber>\n        <ETag>m</ETag>\n    </Part>\n"
              "    <Part>\n        <PartNumber>1</PartNumber>\n        <ETag>\"e1\"</ETag>\n    </Part>\n"
              "    <Part>\n        <PartNumber>2</PartNumber>\n        <ETag>e2</ETag>\n    </Part>\n"
              "    <Part>\n        <PartNumber>3</PartNumber>\n        <ETag>\"e3\"</ETag>\n    </Part>\n"
              "</CompleteMultipartUpload>\n");
}
