// The checksum a completed multipart object carries, which tells a lost completion reply from
// another object under the same key.
#include "transfer/upload_completion.h"

#include <gtest/gtest.h>

namespace zym {
namespace {

TEST(MultipartEtag, Md5OfThePartDigestsInPartOrderWithTheirCount)
{
    const PartRecord one{1, 0, 5242880, "\"0123456789ABCDEF0123456789ABCDEF\""};
    const PartRecord two{2, 5242880, 1, "\"fedcba9876543210fedcba9876543210\""};
    EXPECT_EQ(MultipartEtag({one, two}), "\"b871e39d1a3258ca21654616395f5079-2\"");
    EXPECT_EQ(MultipartEtag({two, one}), "\"b871e39d1a3258ca21654616395f5079-2\"") << "confirmation order";
    EXPECT_NE(MultipartEtag({one}), MultipartEtag({one, two}));
}

TEST(MultipartEtag, AnEtagThatIsNoQuotedMd5GivesNothing)
{
    for (const char* etag :
         {"0123456789ABCDEF0123456789ABCDEF", "\"0123456789ABCDEF0123456789ABCDEG\"", "\"x\"", ""}) {
        EXPECT_EQ(MultipartEtag({{1, 0, 1, etag}}), "") << etag;
    }
}

} // namespace
} // namespace zym
