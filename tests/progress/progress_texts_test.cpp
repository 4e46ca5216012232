// The texts of the transfer lists and reports, and the reading of their arguments.
#include "transfer/progress_texts.h"
#include "transfer/transfer_engine.h"

#include <gtest/gtest.h>
#include <ostream>

namespace zym {
namespace {

TransferRow Row(std::string bucket, std::string object, std::string fullpath, std::string errormsg = {})
{
    TransferRow row;
    row.key = "0123456789abcdef0123456789abcdef01234567";
    row.bucket = std::move(bucket);
    row.object = std::move(object);
    row.fullpath = std::move(fullpath);
    row.offset = 512;
    row.filesize = 4096;
    row.status = kStatusFailed;
    row.speed = 77;
    row.errormsg = std::move(errormsg);
    return row;
}

struct ItemCase
{
    const char* name;
    TransferKind kind;
    TransferRow row;
    const char* expected;
};

// Test names show the case, not its bytes.
void PrintTo(const ItemCase& c, std::ostream* os)
{
    *os << c.name;
}

class ItemTexts : public testing::TestWithParam<ItemCase>
{
};

TEST_P(ItemTexts, FormatsEveryMemberInOrder)
{
    EXPECT_EQ(ProgressItem(GetParam().kind, GetParam().row), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ItemTexts,
    testing::Values(
        ItemCase{
            "PlainDownload", TransferKind::Download, Row("b", "o.txt", "/home/u/o.txt"),
            R"({"bucket":"b","object":"o.txt","fullpath":"\/home\/u\/o.txt","offset":512,"filesize":4096,)"
            R"("status":5,"speed":77,"errormsg":""})"},
        ItemCase{"QuotesBackslashesSlashes", TransferKind::Download,
                 Row("b", "a\"q\"\\b/c", "/t/x\\\"y", "line1\nline2\ttab"),
                 R"({"bucket":"b","object":"a\"q\"\\b\/c","fullpath":"\/t\/x\\\"y","offset":512,)"
                 R"("filesize":4096,"status":5,"speed":77,"errormsg":"line1\nline2\ttab"})"},
        ItemCase{
            "UploadLeadsWithPathhash", TransferKind::Upload, Row("bk", "dir/f", "/d/f", "No\"Such"),
            R"({"pathhash":"0123456789abcdef0123456789abcdef01234567","bucket":"bk","object":"dir\/f",)"
            R"("fullpath":"\/d\/f","offset":512,"filesize":4096,"status":5,"speed":77,"errormsg":"No\"Such"})"}),
    [](const auto& info) { return info.param.name; });

TEST(ProgressTexts, PathhashIsNeverEscaped)
{
    TransferRow row = Row("b", "o", "/p");
    row.key = "ab/cd\"e";
    EXPECT_NE(ProgressItem(TransferKind::Upload, row).find(R"("pathhash":"ab/cd"e")"), std::string::npos);
}

TEST(ProgressTexts, ListTextHasTheSixStatisticsThenTheItems)
{
    const TransferStatistics stats{1234567890123, 42, 7, 3, 1000001, 999};
    EXPECT_EQ(ProgressList(TransferKind::Download, stats, {}),
              R"({"download":1234567890123,"upload":42,"download_total_count":7,"download_done_count":3,)"
              R"("upload_total_count":1000001,"upload_done_count":999,"list":[]})");
    const std::string two =
        ProgressList(TransferKind::Download, stats, {Row("b", "1", "/1"), Row("b", "2", "/2")});
    const std::string header = "{" + ProgressHeader(stats);
    EXPECT_EQ(two, header + ProgressItem(TransferKind::Download, Row("b", "1", "/1")) + "," +
                       ProgressItem(TransferKind::Download, Row("b", "2", "/2")) + "]}");
}

struct RangeCase
{
    const char* text;
    int start;
    int count;
};

// Test names show the case, not its bytes.
void PrintTo(const RangeCase& c, std::ostream* os)
{
    *os << c.text;
}

class PageRanges : public testing::TestWithParam<RangeCase>
{
};

TEST_P(PageRanges, ReadsStartAndCount)
{
    const PageRange range = ParsePageRange(GetParam().text);
    EXPECT_EQ(range.start, GetParam().start) << GetParam().text;
    EXPECT_EQ(range.count, GetParam().count) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, PageRanges,
    testing::Values(RangeCase{"{}", 0, 100}, RangeCase{"", 0, 100}, RangeCase{"not json", 0, 100},
                    RangeCase{"[1,2]", 0, 100}, RangeCase{R"({"start":100,"count":50})", 100, 50},
                    RangeCase{R"({"count":-5})", 0, -1}, RangeCase{R"({"start":-3,"count":2})", 0, 2},
                    RangeCase{R"({"start":2.9,"count":10.5})", 2, 10},
                    RangeCase{R"({"start":1,"start":7})", 7, 100},
                    RangeCase{R"({"Start":5,"counts":5})", 0, 100}, RangeCase{R"({"start":"5"})", 0, 100},
                    RangeCase{R"({"count":1e12})", 0, 2147483647}));

struct SwitchCase
{
    const char* text;
    std::optional<bool> enabled;
};

// Test names show the case, not its bytes.
void PrintTo(const SwitchCase& c, std::ostream* os)
{
    *os << c.text;
}

class ReportSwitches : public testing::TestWithParam<SwitchCase>
{
};

TEST_P(ReportSwitches, StartAboveZeroSwitchesOn)
{
    EXPECT_EQ(ParseReportSwitch(GetParam().text), GetParam().enabled) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ReportSwitches,
    testing::Values(SwitchCase{R"({"start":0})", false}, SwitchCase{R"({"start":1})", true},
                    SwitchCase{R"({"start":5})", true}, SwitchCase{R"({"start":-1})", false},
                    SwitchCase{R"({"start":true})", true}, SwitchCase{R"({"start":false})", false},
                    SwitchCase{R"({"start":0.5})", false}, SwitchCase{"{}", std::nullopt},
                    SwitchCase{R"({"count":1})", std::nullopt}, SwitchCase{"", std::nullopt},
                    SwitchCase{"{bad", std::nullopt}));

} // namespace
} // namespace zym
