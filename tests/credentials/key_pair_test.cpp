#include "credentials/key_pair.h"
#include "platform/digest.h"
#include "platform/rc4.h"

#include <gtest/gtest.h>

namespace zym {
namespace {

// Values computed outside the program by tests/credentials/known_answers.py.
struct BlockCase
{
    const char* id;
    const char* secret;
    const char* deviceKey;
    const char* checkHex;
    const char* idHex;
    const char* secretHex;
};
const BlockCase kBlockCases[] = {
    {"AK", "0123456789abcdefghijklmnopqrst", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4", "35d447a7709851ad",
     "b2ef", "3a97e760a0e4284e9e3630e5683ff76feed513068e11a9ea6e824345b5fd"},
    {"test-key-id", "test-key-secret", "machine", "b76ef051c3e51135", "b5068cc98f4b33f3aa7c36",
     "b05fea0a74bfe0fc4911344e4c65af"},
    {"\u5bc6\u94a5id", "s\u00e9cret/+=", "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b", "cd0fdd554d978ad8",
     "2155783616e649c2", "6cb688b80365c3e910b7"},
};

TEST(KeyPair, BlocksMatchKnownAnswers)
{
    for (const BlockCase& c : kBlockCases) {
        SCOPED_TRACE(c.deviceKey);
        const auto blocks = EncryptKeyPair(c.id, c.secret, c.deviceKey);
        ASSERT_TRUE(blocks);
        EXPECT_EQ(HexLower(blocks->check), c.checkHex);
        EXPECT_EQ(HexLower(blocks->id), c.idHex);
        EXPECT_EQ(HexLower(blocks->secret), c.secretHex);
        const auto plain = DecryptKeyPair(*blocks, c.deviceKey);
        ASSERT_TRUE(plain);
        EXPECT_EQ(plain->id, c.id);
        EXPECT_EQ(plain->secret, c.secret);
    }
}

TEST(KeyPair, AnotherDeviceKeyFailsTheCheckUnlessTheCheckIsEmpty)
{
    const auto blocks = EncryptKeyPair("id", "secret", "this-machine");
    ASSERT_TRUE(blocks);
    EXPECT_FALSE(DecryptKeyPair(*blocks, "other-machine"));
    // Without a check block the blocks open, but to other bytes than were locked.
    const auto unchecked = DecryptKeyPair({"", blocks->id, blocks->secret}, "other-machine");
    ASSERT_TRUE(unchecked);
    EXPECT_NE(unchecked->id, "id");
    EXPECT_NE(unchecked->secret, "secret");
}

TEST(KeyPair, EmptyDeviceKeyCannotKeyTheCheckBlock)
{
    EXPECT_FALSE(EncryptKeyPair("id", "secret", ""));
    EXPECT_FALSE(DecryptKeyPair({"x", "y", "z"}, ""));
}

TEST(KeyPair, Rc4IsItsOwnInverseForEveryKeyLength)
{
    const std::string data = "\x00\x01\xff plain text with \x80 bytes";
    for (std::size_t n = 1; n <= 300; n += 37) {
        const std::string key(n, static_cast<char>(n * 7));
        EXPECT_EQ(Rc4(key, *Rc4(key, data)), data) << n;
    }
}

TEST(PasswordDigest, MatchesKnownAnswers)
{
    struct Case
    {
        const char* identifier;
        const char* password;
        const char* digest;
    };
    const Case cases[] = {
        {"-1234567", "", "A48CA03D078F5C4DA45DE98FDA4EE332"},
        {"-1234567", "pass word", "93FC30D7DAC43F4FF79787CF8019C0E2"},
        {"305419896", "\u5bc6\u7801", "E5B96C1FCEB74B1ECF188254B26B8F29"},
        {"zymcheck", "x", "D3F9B2E26179406DBD71BE45400A868B"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PasswordDigest(c.identifier, c.password), c.digest) << c.identifier << c.password;
    }
}

} // namespace
} // namespace zym
