#include "transfer/download_peer.h"
#include "transfer/md5_stream.h"
#include "transfer/range_list.h"
#include "transfer/transfer_task.h"

#include <gtest/gtest.h>

namespace zym {
namespace {

std::vector<ByteRange> Of(const RangeList& list)
{
    return list.Intervals();
}

TEST(RangeListTest, AddMergesOverlappingAndTouchingIntervals)
{
    RangeList list;
    list.Add({10, 19});
    list.Add({30, 39});
    list.Add({0, 4});
    EXPECT_EQ(Of(list), (std::vector<ByteRange>{{0, 4}, {10, 19}, {30, 39}}));
    list.Add({20, 29}); // touches both neighbours
    EXPECT_EQ(Of(list), (std::vector<ByteRange>{{0, 4}, {10, 39}}));
    list.Add({3, 12});
    EXPECT_EQ(Of(list), (std::vector<ByteRange>{{0, 39}}));
    EXPECT_EQ(list.Total(), 40);
    EXPECT_EQ(list.PrefixEnd(), 40);
}

TEST(RangeListTest, SubtractSplitsAndTrims)
{
    RangeList list;
    list.Add({0, 99});
    list.Subtract({10, 19});
    list.Subtract({90, 200});
    EXPECT_EQ(Of(list), (std::vector<ByteRange>{{0, 9}, {20, 89}}));
    EXPECT_EQ(list.Smallest(), (ByteRange{0, 9}));
    list.Subtract({0, 9});
    EXPECT_EQ(list.PrefixEnd(), 0);
    EXPECT_EQ(list.Total(), 70);
}

TEST(RangeListTest, TextRoundTripAndDamagedText)
{
    RangeList list;
    list.Add({0, 1048575});
    list.Add({2097152, 2999999});
    EXPECT_EQ(list.ToText(), "0-1048575,2097152-2999999,");
    EXPECT_EQ(Of(RangeList::FromText(list.ToText())), Of(list));

    struct Case
    {
        const char* text;
        std::vector<ByteRange> expected;
    };
    const Case cases[] = {
        {"", {}},
        {"garbage", {}},
        {"5-2,", {}},                    // last before first
        {"-5-10,", {}},                  // negative first
        {"1-x,3-4", {{3, 4}}},           // bad piece skipped, last piece without comma read
        {"0-9,10-19,", {{0, 19}}},       // touching pieces merge
        {"0-99999999999999999999,", {}}, // out of range
        {"7-8,7-8,", {{7, 8}}},
        // No byte lies at the largest offset: such a piece would overflow its length and end.
        {"0-9223372036854775807,5-6,", {{5, 6}}},
        {"9223372036854775807-9223372036854775807,", {}},
        {"0-9223372036854775806,", {{0, 9223372036854775806}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Of(RangeList::FromText(c.text)), c.expected) << c.text;
    }
}

TEST(BlockSizeTest, FiveMebibytesUntilFiveThousandBlocksAreNotEnough)
{
    EXPECT_EQ(BlockSizeFor(100), 5242880);
    EXPECT_EQ(BlockSizeFor(0), 5242880);
    EXPECT_EQ(BlockSizeFor(26214400000), 5242880);
    EXPECT_EQ(BlockSizeFor(26214400001), 5242881);
    EXPECT_EQ(BlockSizeFor(30000000000), 6000000);
}

TEST(Md5StreamTest, PiecesGiveTheDigestOfTheWhole)
{
    Md5Stream md5;
    md5.Update("The quick brown fox ", 20);
    md5.Update("jumps over the lazy dog", 23);
    EXPECT_EQ(md5.FinalHex(), "9e107d9d372bb6826bd81d3542a419d6");
    EXPECT_TRUE(IsPlainMd5("9E107D9D372BB6826BD81D3542A419D6"));
    EXPECT_FALSE(IsPlainMd5("9e107d9d372bb6826bd81d3542a419d6-2"));
    EXPECT_FALSE(IsPlainMd5("9e107d9d372bb6826bd81d3542a419dg"));
    EXPECT_FALSE(IsPlainMd5(""));
}

TEST(ContentRangeTest, ReadsTheHeaderOfTheFinalAnswer)
{
    std::int64_t first = 0, last = 0, total = 0;
    EXPECT_TRUE(ParseContentRange("HTTP/1.1 206 Partial\r\ncontent-range: bytes 10-19/300\r\n\r\n", first,
                                  last, total));
    EXPECT_EQ(first, 10);
    EXPECT_EQ(last, 19);
    EXPECT_EQ(total, 300);
    EXPECT_FALSE(
        ParseContentRange("HTTP/1.1 206 Partial\r\nContent-Range: bytes */300\r\n\r\n", first, last, total));
    EXPECT_FALSE(ParseContentRange("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n", first, last, total));
}

} // namespace
} // namespace zym
