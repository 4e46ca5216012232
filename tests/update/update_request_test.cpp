#include "service/url_encoding.h"
#include "update/installer_download.h"
#include "update/update_request.h"
#include "update/version_offer.h"

#include <gtest/gtest.h>

namespace zym {
namespace {

// Signatures computed outside the program (python3 hmac/hashlib/base64).
TEST(UpdateRequest, SignatureMatchesKnownAnswers)
{
    EXPECT_EQ(SignUpdateRequest(
                  {{"res", "cirran"}, {"ver", "1.0.0.1"}, {"app", "linux"}, {"timespan", "1700000000"}}),
              "TNJX0Vq0asT1qeP02nTrCQe2H3w=");
    // Names are sorted case-blind: "UUID" signs in the place of "uuid".
    EXPECT_EQ(SignUpdateRequest({{"UUID", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4"},
                                 {"res", "cirran"},
                                 {"ver", "1.0.0.1"},
                                 {"app", "linux"},
                                 {"timespan", "1700000000"}}),
              "jsjmJoGUGZ18v0FtJmR7ZJZ2mO4=");
    // Base64's "/" becomes "-".
    EXPECT_EQ(SignUpdateRequest(
                  {{"res", "cirran"}, {"ver", "1.0.0.1"}, {"app", "linux"}, {"timespan", "1700000005"}}),
              "RM8OxzX5+SWsxQ-BtKK3hbW28oY=");
}

TEST(UpdateRequest, UrlsCarryTheParametersInOrderWithTheEncodedSignature)
{
    EXPECT_EQ(
        CheckUrl("http://u.example", "cirran", "1.0.0.1", 1700000005),
        "http://u.example/Interface/check_version/res/cirran/ver/1.0.0.1/app/linux/timespan/1700000005/sign/"
        "RM8OxzX5%2BSWsxQ-BtKK3hbW28oY%3D");
    EXPECT_EQ(ReportUrl("http://u.example", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4", "cirran", "1.0.0.1",
                        1700000000),
              "http://u.example/Interface/report/uuid/e3b0c44298fc1c149afbf4c8996fb92427ae41e4/res/cirran/"
              "ver/1.0.0.1/"
              "app/linux/timespan/1700000000/sign/jsjmJoGUGZ18v0FtJmR7ZJZ2mO4%3D");
    EXPECT_EQ(UpdateSource(""), "cirran");
    EXPECT_EQ(UpdateSource("partner"), "partner");
}

TEST(VersionOffer, ReadsTheMembersAndBothFormsOfTheSize)
{
    const char* hash = "0123456789abcdef0123456789ABCDEF01234567";
    const std::string asNumber = std::string("{\"version\":\"2.0.0.0\",\"downloadurl\":\"http://h/p.deb\","
                                             "\"filesize\":1048576,\"filehash\":\"") +
                                 hash + "\",\"other\":[1]}";
    const auto a = ParseVersionOffer(asNumber, "1.0.0.1");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->version, "2.0.0.0");
    EXPECT_EQ(a->downloadUrl, "http://h/p.deb");
    EXPECT_EQ(a->fileSize, 1048576);
    EXPECT_EQ(a->fileHash, hash);
    EXPECT_TRUE(IsUsableOffer(*a));

    const auto b = ParseVersionOffer("{\"filesize\":\"1048576\"}", "1.0.0.1");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->fileSize, 1048576);
    EXPECT_EQ(b->version, "1.0.0.1"); // a missing version leaves the current one
    EXPECT_FALSE(IsUsableOffer(*b));

    EXPECT_FALSE(ParseVersionOffer("", "1"));
    EXPECT_FALSE(ParseVersionOffer("<html>", "1"));
    EXPECT_FALSE(ParseVersionOffer("[1,2]", "1"));
    EXPECT_EQ(ParseVersionOffer("{\"filesize\":-5}", "1")->fileSize, 0);
}

TEST(VersionOffer, RefusesOffersThatCannotBeVerifiedOrNameAFileElsewhere)
{
    const VersionOffer good{"2.0.0.0", "https://h/p.deb", 10, std::string(40, 'a')};
    EXPECT_TRUE(IsUsableOffer(good));
    struct Case
    {
        const char* why;
        VersionOffer offer;
    };
    const Case cases[] = {
        {"path in the version", {"../../home/x", good.downloadUrl, 10, good.fileHash}},
        {"slash in the version", {"2/0", good.downloadUrl, 10, good.fileHash}},
        {"no hash", {"2.0", good.downloadUrl, 10, ""}},
        {"short hash", {"2.0", good.downloadUrl, 10, std::string(39, 'a')}},
        {"not hex", {"2.0", good.downloadUrl, 10, std::string(40, 'g')}},
        {"file address", {"2.0", "file:///etc/passwd", 10, good.fileHash}},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(IsUsableOffer(c.offer)) << c.why;
    }
    EXPECT_EQ(InstallerPath("/tmp", "2.0.0.0"), "/tmp/Zym_Update_2.0.0.0.deb");
}

} // namespace
} // namespace zym
