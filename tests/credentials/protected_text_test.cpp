#include "platform/digest.h"
#include "platform/protected_text.h"
#include "platform/rc4.h"

#include <gtest/gtest.h>

namespace zym {
namespace {

std::string Hex(const std::string& bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// Published RC4 test vectors (key, plain text, cipher text).
TEST(Rc4, KnownVectors)
{
    struct Case
    {
        std::string key, plain, cipherHex;
    };
    const Case cases[] = {
        {"Key", "Plaintext", "bbf316e8d940af0ad3"},
        {"Wiki", "pedia", "1021bf0420"},
        {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
    };
    for (const Case& c : cases) {
        const std::optional<std::string> out = Rc4(c.key, c.plain);
        ASSERT_TRUE(out.has_value());
        EXPECT_EQ(Hex(*out), c.cipherHex) << c.key;
    }
}

TEST(Rc4, IsItsOwnInverseAndKeepsLength)
{
    const std::string keys[] = {"k", "a much longer key than usual, over forty bytes long...",
                                std::string("\xff\x00\x80", 3)};
    const std::string data[] = {"", "x", std::string(1000, '\0'), "text with \xe4\xb8\xad utf-8"};
    for (const std::string& k : keys) {
        for (const std::string& d : data) {
            const std::optional<std::string> once = Rc4(k, d);
            ASSERT_TRUE(once.has_value());
            EXPECT_EQ(once->size(), d.size());
            if (d.size() > 8) {
                EXPECT_NE(*once, d);
            }
            EXPECT_EQ(Rc4(k, *once), d);
        }
    }
    EXPECT_FALSE(Rc4("", "data").has_value());
}

TEST(Base64, RoundTripsAndRejectsGarbage)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},        {"f", "Zg=="},        {"fo", "Zm8="},
        {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {std::string("\0\xff", 2), "AP8="}};
    for (const auto& [plain, text] : cases) {
        EXPECT_EQ(Base64Encode(plain), text);
        EXPECT_EQ(Base64Decode(text), plain);
    }
    EXPECT_FALSE(Base64Decode("abc").has_value());
    EXPECT_FALSE(Base64Decode("a*c=").has_value());
}

TEST(ProtectedText, DeterministicHiddenAndRestored)
{
    const std::string key = "0123456789abcdef0123456789abcdef01234567";
    const std::string plain = "sub-key secret 'quoted' \xe4\xb8\xad";
    const std::optional<std::string> stored = ProtectText(plain, key);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored, ProtectText(plain, key));
    EXPECT_EQ(*stored, Base64Encode(*Rc4(key, plain)));
    EXPECT_EQ(stored->find("secret"), std::string::npos);
    EXPECT_EQ(RestoreText(*stored, key), plain);
    EXPECT_EQ(ProtectText("", key), std::string());
    EXPECT_EQ(RestoreText("", key), "");
    EXPECT_FALSE(ProtectText(plain, "").has_value());
}

TEST(ProtectedText, OtherMachineRestoresToValidUtf8Noise)
{
    const std::string stored = *ProtectText("secret value", "machine-a");
    const std::string other = RestoreText(stored, "machine-b");
    EXPECT_NE(other, "secret value");
    // every byte sequence is valid UTF-8: decoding with replacement changes nothing
    std::size_t i = 0;
    while (i < other.size()) {
        const auto b = static_cast<unsigned char>(other[i]);
        const std::size_t len = b < 0x80         ? 1
                                : (b >> 5) == 6  ? 2
                                : (b >> 4) == 14 ? 3
                                : (b >> 3) == 30 ? 4
                                                 : 0;
        ASSERT_NE(len, 0u) << "byte " << i;
        for (std::size_t k = 1; k < len; ++k) {
            ASSERT_LT(i + k, other.size());
            ASSERT_EQ(static_cast<unsigned char>(other[i + k]) >> 6, 2u);
        }
        i += len;
    }
    EXPECT_EQ(RestoreText("not base64!", "machine-a"), "");
}

} // namespace
} // namespace zym
