// Known answers below were computed independently with Python's hmac, hashlib and base64.
#include "service/signer.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace zym;

namespace {

const AccessKeys kKeys{"AKID", "secret-key"};
const char* const kDate = "Tue, 08 Dec 2026 21:05:09 GMT";

SigningInput CopyPartInput()
{
    SigningInput in;
    in.verb = "PUT";
    in.contentMd5 = "1B2M2Y8AsgTpgAmY7PhCfg==";
    in.contentType = "application/octet-stream";
    in.date = kDate;
    in.resource = "/dst/key?partNumber=2&uploadId=abc";
    // Mixed case and reverse order on purpose: the signer lower-cases and sorts.
    in.headers = {{"X-Zym-Copy-Source-Range", "bytes=0-9"}, {"X-Zym-Copy-Source", "/src/a b"}};
    return in;
}

} // namespace

TEST(Signer, GmtDateUsesFixedEnglishFormat)
{
    EXPECT_EQ(FormatGmtDate(static_cast<std::time_t>(1796763909)), kDate);
    EXPECT_EQ(FormatGmtDate(static_cast<std::time_t>(0)), "Thu, 01 Jan 1970 00:00:00 GMT");
    EXPECT_EQ(FormatGmtDate(static_cast<std::time_t>(951786061)), "Tue, 29 Feb 2000 01:01:01 GMT");
    EXPECT_EQ(FormatGmtDate().size(), 29u);
}

TEST(Signer, BucketRequestWithoutHeadersSignsFourNewlinesAndResource)
{
    SigningInput in;
    in.verb = "DELETE";
    in.date = kDate;
    in.resource = "/bucket/";
    EXPECT_EQ(StringToSign(in), std::string("DELETE\n\n\n") + kDate + "\n/bucket/");
    EXPECT_EQ(BuildAuthorization(in, kKeys), "ZYM AKID:O1NaXdo8i6TrF/2jVzAUKPEOlgA=");
}

TEST(Signer, HeadersAreLowerCasedSortedAndSigned)
{
    const std::string expected = std::string("PUT\n1B2M2Y8AsgTpgAmY7PhCfg==\napplication/octet-stream\n") +
                                 kDate +
                                 "\nx-zym-copy-source:/src/a b\nx-zym-copy-source-range:bytes=0-9\n"
                                 "/dst/key?partNumber=2&uploadId=abc";
    EXPECT_EQ(StringToSign(CopyPartInput()), expected);
    EXPECT_EQ(BuildAuthorization(CopyPartInput(), kKeys), "ZYM AKID:Q5CXfz2sbSS6uINpyh7LAm2iwL8=");

    // Already lower-case and sorted input signs identically.
    SigningInput lower = CopyPartInput();
    lower.headers = {{"x-zym-copy-source", "/src/a b"}, {"x-zym-copy-source-range", "bytes=0-9"}};
    EXPECT_EQ(BuildAuthorization(lower, kKeys), BuildAuthorization(CopyPartInput(), kKeys));
}

TEST(Signer, HeaderValuesAreNotTrimmedOrFolded)
{
    SigningInput in;
    in.headers = {{"x-zym-b", "  two  spaces "}, {"x-zym-a", ""}};
    EXPECT_EQ(StringToSign(in), "\n\n\n\nx-zym-a:\nx-zym-b:  two  spaces \n");
}

TEST(Signer, RawObjectKeyStandsInResource)
{
    SigningInput in;
    in.verb = "PUT";
    in.contentType = "text/plain";
    in.date = kDate;
    in.resource = "/b/中文 a+b%.txt";
    EXPECT_EQ(BuildAuthorization(in, kKeys), "ZYM AKID:/ObKjwUkr6XO2QS2z3a2sqwDwd4=");
}

TEST(Signer, KeysAndMessagesOfAnyLength)
{
    SigningInput in;
    in.verb = "DELETE";
    in.date = kDate;
    in.resource = "/bucket/";
    EXPECT_EQ(BuildAuthorization(in, {"id", std::string(100, 'k')}), "ZYM id:Pl3jwOgm9vXPIbKQnLWnWcKo7eQ=")
        << "a key longer than the 64-byte block is hashed first";

    // Before any login: empty id and key, empty fields.
    EXPECT_EQ(BuildAuthorization(SigningInput{}, AccessKeys{}), "ZYM :pbh3llArJUgEiDMWghsbkMZ65PM=");

    // Far beyond a 40,896-byte working buffer.
    SigningInput big;
    big.verb = "GET";
    big.date = kDate;
    big.resource = "/bucket/" + std::string(50000, 'x');
    ASSERT_GT(StringToSign(big).size(), 40896u);
    EXPECT_EQ(BuildAuthorization(big, kKeys), "ZYM AKID:28gCanw+Hi43/7TrduSxeaK0t10=");
}

TEST(Signer, ExpiringSignatureFromPageArguments)
{
    const char* args = R"({"verb":"GET","content_md5":"","content_type":"","expires":1449600000,
        "canonicalized_resource":"/bucket/obj",
        "canonicalized_zym_headers":{"X-Zym-Copy-Source":"/s/o","x-zym-empty":"","x-zym-num":5,"":"x"}})";
    EXPECT_EQ(SignExpiring(args, kKeys), "HzbyCcsTGrjACPqXtVGEYbeED/M=");

    // No "expires": the line holds 0. Unknown members are ignored.
    EXPECT_EQ(SignExpiring(R"({"verb":"PUT","content_md5":"md5","content_type":"text/plain",
        "canonicalized_resource":"/b/k","other":1})",
                           kKeys),
              "kNX0RWL/kCtxDrGdvJZVSmuCsf8=");
    // A non-string member leaves its field empty, and headers that are not an object are skipped.
    EXPECT_EQ(SignExpiring(R"({"verb":"PUT","content_md5":"md5","content_type":"text/plain",
        "canonicalized_resource":"/b/k","expires":0.9,"canonicalized_zym_headers":"x-zym-a:b"})",
                           kKeys),
              "kNX0RWL/kCtxDrGdvJZVSmuCsf8=");
}

TEST(Signer, ExpiringSignatureMatchesHeaderSignatureWithExpiryAsDate)
{
    SigningInput in;
    in.verb = "GET";
    in.date = "4102444800"; // after 2038: must not be cut to 32 bits
    in.resource = "/b/k";
    EXPECT_EQ(SignExpiring(R"({"verb":"GET","expires":4102444800,"canonicalized_resource":"/b/k"})", kKeys),
              SignText(StringToSign(in), kKeys));
    in.date = "-5";
    EXPECT_EQ(SignExpiring(R"({"verb":"GET","expires":-5,"canonicalized_resource":"/b/k"})", kKeys),
              SignText(StringToSign(in), kKeys));
}

TEST(Signer, InvalidJsonGivesEmptySignatures)
{
    for (const char* bad : {"", "not json", "[1,2]", "\"text\"", "{\"verb\":"}) {
        EXPECT_EQ(SignExpiring(bad, kKeys), "") << bad;
        EXPECT_EQ(SignRpc("GET", bad, kKeys), "") << bad;
    }
}

TEST(Signer, RpcSignatureSortsEncodesAndKeepsEmptyValues)
{
    // An empty name is dropped; an empty or non-string value stays as "Name=".
    const char* params =
        R"({"Version":"2015-05-01","Name":"a b*~é","Action":"ListUsers","Empty":"","":"dropped",
        "Num":5})";
    EXPECT_EQ(SignRpc("GET", params, kKeys), "cNO0qIwrycwA0lIJxSjsT15Dcos=");
    EXPECT_EQ(SignRpc("GET",
                      {{"Version", "2015-05-01"},
                       {"Name", "a b*~é"},
                       {"Action", "ListUsers"},
                       {"Empty", ""},
                       {"Num", ""}},
                      kKeys),
              "cNO0qIwrycwA0lIJxSjsT15Dcos=");
}

TEST(Signer, RpcParametersSortByUtf16CodeUnits)
{
    // U+1F600 is a surrogate pair (0xD83D...) and sorts before U+FF21 in UTF-16, although its
    // UTF-8 bytes sort after.
    EXPECT_EQ(SignRpc("POST", R"({"Ａ":"2","😀":"1"})", kKeys), "KZl9+Tv0PbnXq4/csv1x0i2R0l0=");
}

TEST(Signer, ContentMd5IsBase64OfDigest)
{
    EXPECT_EQ(ContentMd5(""), "1B2M2Y8AsgTpgAmY7PhCfg==");
    EXPECT_EQ(ContentMd5("hello world"), "XrY7u+Ae7tCTyyK7j1rNww==");
}

TEST(Signer, ThreadsSigningAtOnceGetTheSameAnswers)
{
    SigningInput in;
    in.verb = "DELETE";
    in.date = kDate;
    in.resource = "/bucket/";
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                if (BuildAuthorization(in, kKeys) != "ZYM AKID:O1NaXdo8i6TrF/2jVzAUKPEOlgA=" ||
                    SignRpc("POST", R"({"Ａ":"2","😀":"1"})", kKeys) != "KZl9+Tv0PbnXq4/csv1x0i2R0l0=") {
                    ++wrong;
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(wrong.load(), 0);
}
