#include "platform/digest.h"
#include "service/session.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace zym;

TEST(Digest, KnownAnswers)
{
    EXPECT_EQ(Sha1Hex("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Sha1Hex("中文"), "7be2d2d20c106eee0836c9bc2b939890a78e8fb3");
    EXPECT_EQ(HexLower(Md5("")), "d41d8cd98f00b204e9800998ecf8427e");
    // RFC 2202 test case 2.
    EXPECT_EQ(HexLower(HmacSha1("Jefe", "what do ya want for nothing?")),
              "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
}

TEST(Digest, Base64PaddingAndBinary)
{
    const std::pair<std::string, std::string> cases[] = {{"", ""},
                                                         {"f", "Zg=="},
                                                         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},
                                                         {std::string("\x00\xff\x10"
                                                                      "a",
                                                                      4),
                                                          "AP8QYQ=="}};
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(Base64Encode(in), out);
    }
    // Long input: no line breaks anywhere.
    const std::string encoded = Base64Encode(std::string(100000, 'z'));
    EXPECT_EQ(encoded.size(), 4u * ((100000u + 2u) / 3u));
    EXPECT_EQ(encoded.find('\n'), std::string::npos);
}

TEST(Session, ReadersAlwaysSeeOneLoginWhole)
{
    Session session;
    session.Replace({"id-a", "secret-a", "loc-a", ""});
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                const auto k = session.Current();
                const bool a = k->accessId == "id-a" && k->secret == "secret-a" && k->location == "loc-a";
                const bool b = k->accessId == "id-b-longer-than-small-string-buffer" &&
                               k->secret == "secret-b-longer-than-small-string-buffer" &&
                               k->location == "loc-b";
                if (!a && !b) {
                    ++torn;
                }
            }
        });
    }
    for (int i = 0; i < 20000; ++i) {
        session.Replace(i % 2 ? Login{"id-a", "secret-a", "loc-a", ""}
                              : Login{"id-b-longer-than-small-string-buffer",
                                      "secret-b-longer-than-small-string-buffer", "loc-b", ""});
    }
    stop = true;
    for (auto& r : readers) {
        r.join();
    }
    EXPECT_EQ(torn.load(), 0);
}
