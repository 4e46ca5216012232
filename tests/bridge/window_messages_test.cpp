// The router from page-call messages to the hosting window's numbered messages.
#include "bridge/window_messages.h"

#include <gtest/gtest.h>
#include <ostream>
#include <set>

namespace {

struct RouteCase
{
    const char* message;
    int number;
    bool carriesHandle;
};

// Test names show the message, not the bytes of the case (which hold a pointer).
void PrintTo(const RouteCase& c, std::ostream* os)
{
    *os << c.message;
}

class Router : public testing::TestWithParam<RouteCase>
{
};

TEST_P(Router, MapsTheMessageToItsFixedNumber)
{
    auto r = zym::RouteFor(GetParam().message);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->windowMessage, GetParam().number);
    EXPECT_EQ(r->carriesHandle, GetParam().carriesHandle);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Router,
    testing::Values(RouteCase{"msgshowAuthorizationDlg", 1139, true},
                    RouteCase{"msgdeleteBucket", 1140, true}, RouteCase{"msgaddFile", 1141, true},
                    RouteCase{"msgMain", 1161, true}, RouteCase{"msgsaveFile", 1162, true},
                    RouteCase{"msgselectFileDlg", 1163, true}, RouteCase{"msgdeleteObject", 1164, true},
                    RouteCase{"msgcopyObject", 1165, true}, RouteCase{"msgloginByKey", 1166, true},
                    RouteCase{"msgloginByFile", 1167, true}, RouteCase{"msgsetPassword", 1168, true},
                    RouteCase{"msgloginPassword", 1169, true}, RouteCase{"msgsetServerLocation", 1170, true},
                    RouteCase{"msgsaveAuthorization", 1171, true}, RouteCase{"msgsaveFileDlg", 1172, true},
                    RouteCase{"msgcloseWnd", 16, false}));

TEST(Router, UnknownOrMisspelledNamesAreDropped)
{
    for (const char* name : {"", "msg", "msgshowWnd", "msgMAIN", "msgaddfile", "MSGaddFile", "msgaddFile ",
                             "msgchangeUpload", "msgstartUpload"})
        EXPECT_FALSE(zym::RouteFor(name).has_value()) << name;
}

TEST(Router, TableHasSixteenDistinctRowsAndMainWindowNumbersAreFixed)
{
    std::size_t n = 0;
    const zym::RouteEntry* rows = zym::RouteTable(&n);
    ASSERT_EQ(n, 16u);
    std::set<int> numbers;
    for (std::size_t i = 0; i < n; ++i)
        numbers.insert(rows[i].windowMessage);
    EXPECT_EQ(numbers.size(), 16u);
    EXPECT_EQ(zym::kMsgActivate, 1625);
    EXPECT_EQ(zym::kMsgResetVersion, 1626);
    EXPECT_EQ(zym::kMsgRestart, 1627);
    EXPECT_EQ(zym::kMsgLogOff, 1127);
    EXPECT_EQ(zym::kMsgTitleChanged, 1155);
}

} // namespace
