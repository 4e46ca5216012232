// Reading the argument of the transfer lists' start, stop and delete actions.
#include "ops/transfer_selection.h"

#include <gtest/gtest.h>
#include <ostream>

namespace zym {
namespace {

struct SelectionCase
{
    const char* text;
    bool all;
    bool finish;
    std::vector<std::string> keys; // bucket|object|fullpath of each item, in order
};

// Test names show the case, not its bytes.
void PrintTo(const SelectionCase& c, std::ostream* os)
{
    *os << c.text;
}

class Selections : public testing::TestWithParam<SelectionCase>
{
};

TEST_P(Selections, ReadsAllFinishAndEveryArray)
{
    const TransferSelection s = ParseTransferSelection(GetParam().text);
    EXPECT_EQ(s.all, GetParam().all);
    EXPECT_EQ(s.finish, GetParam().finish);
    std::vector<std::string> keys;
    for (const SelectionItem& item : s.items) {
        keys.push_back(item.bucket + "|" + item.object + "|" + item.fullpath);
    }
    EXPECT_EQ(keys, GetParam().keys);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, Selections,
    testing::Values(
        SelectionCase{R"({"all":1})", true, true, {}}, SelectionCase{R"({"all":true})", true, true, {}},
        SelectionCase{R"({"all":0})", false, true, {}}, SelectionCase{R"({"all":false})", false, true, {}},
        SelectionCase{R"({"all":"1"})", false, true, {}}, SelectionCase{R"({"all":0.9})", false, true, {}},
        SelectionCase{"{}", false, true, {}}, SelectionCase{"not json", false, true, {}},
        SelectionCase{"[{\"bucket\":\"b\"}]", false, true, {}},
        SelectionCase{R"({"all":1,"finish":0})", true, false, {}},
        SelectionCase{R"({"finish":false,"all":2})", true, false, {}},
        SelectionCase{R"({"finish":1})", false, true, {}},
        SelectionCase{R"({"list":[{"bucket":"b","object":"o"}]})", false, true, {"b|o|"}},
        SelectionCase{R"({"x":[{"bucket":"b","object":"o"}]})", false, true, {"b|o|"}},
        SelectionCase{
            R"({"a":[{"fullpath":"/p/1"}],"all":0,"b":[{"fullpath":"/p/2","other":3},{"fullpath":"/p/3"}]})",
            false,
            true,
            {"||/p/1", "||/p/2", "||/p/3"}},
        SelectionCase{R"({"list":[{"bucket":1,"object":"o","object":"p"},7]})", false, true, {"|p|", "||"}},
        SelectionCase{R"({"list":[]})", false, true, {}},
        SelectionCase{R"({"list":[{"Bucket":"b","objects":"o"}]})", false, true, {"||"}}));

} // namespace
} // namespace zym
