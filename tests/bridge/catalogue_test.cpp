// The page-visible contract of ZYMClient: order of the 55 functions, argument rules,
// answer forms and the way each asynchronous call travels.
#include "bridge/catalogue.h"
#include "bridge/window_messages.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace {

using zym::CallArgument;

// The names themselves are checked end to end by the page tests; here, the table's rules.
TEST(Catalogue, FiftyFiveUniqueNamesEachFoundByItsOwnName)
{
    const auto catalogue = zym::Catalogue();
    EXPECT_EQ(catalogue.size(), 55u);
    std::set<std::string_view> names;
    for (const zym::BridgeFunction& f : catalogue) {
        EXPECT_TRUE(names.insert(f.name).second) << "listed twice: " << f.name;
        EXPECT_EQ(zym::FindFunction(f.name), &f) << f.name;
        EXPECT_FALSE(f.name.empty());
    }
}

TEST(Catalogue, AnswerKindsAndCallbacksFitTheRoute)
{
    for (const zym::BridgeFunction& f : zym::Catalogue()) {
        // Only a call that is answered later can carry a callback, and one answered later
        // always goes through a route that reaches a handler after the call has returned.
        if (f.answer == zym::AnswerKind::Later) {
            EXPECT_NE(f.route, zym::Route::Direct) << f.name;
        }
        if (f.route == zym::Route::Direct) {
            EXPECT_EQ(f.callbackPosition, 0) << f.name;
        }
        if (f.args == zym::ArgRule::OnlyCallback) {
            EXPECT_EQ(f.callbackPosition, 1) << f.name;
        }
        EXPECT_GE(f.callbackPosition, 0) << f.name;
        EXPECT_LE(f.callbackPosition, 2) << f.name;
    }
}

TEST(Catalogue, LookupIsExactAndCaseSensitive)
{
    ASSERT_NE(zym::FindFunction("getSignature"), nullptr);
    EXPECT_EQ(zym::FindFunction("getsignature"), nullptr);
    EXPECT_EQ(zym::FindFunction("getSignature "), nullptr);
    EXPECT_EQ(zym::FindFunction("getSign"), nullptr);
    EXPECT_EQ(zym::FindFunction(""), nullptr);
}

TEST(Catalogue, EveryMessageCallRoutesToAWindowMessage)
{
    std::set<std::string_view> seen;
    for (const zym::BridgeFunction& f : zym::Catalogue()) {
        if (f.route != zym::Route::Message) {
            EXPECT_TRUE(f.processMessage.empty()) << f.name;
            continue;
        }
        const std::string expected = f.name == "showWnd" ? "msgMain" : "msg" + std::string(f.name);
        EXPECT_EQ(f.processMessage, expected);
        EXPECT_TRUE(zym::RouteFor(f.processMessage).has_value()) << f.name;
        seen.insert(f.processMessage);
    }
    EXPECT_EQ(seen.size(), 16u); // every row of the router is reachable from a page call
}

struct ArgCase
{
    const char* function;
    std::vector<CallArgument> args;
    bool proceed;
    std::string text;
    std::string text2;
    int callbackIndex;
};

class ArgumentRules : public testing::TestWithParam<ArgCase>
{
};

TEST_P(ArgumentRules, ReadAsThePageContractSays)
{
    const ArgCase& c = GetParam();
    const zym::BridgeFunction* f = zym::FindFunction(c.function);
    ASSERT_NE(f, nullptr);
    zym::ReadArguments r = zym::ReadCallArguments(*f, c.args);
    EXPECT_EQ(r.proceed, c.proceed);
    if (!c.proceed)
        return;
    EXPECT_EQ(r.text, c.text);
    EXPECT_EQ(r.text2, c.text2);
    EXPECT_EQ(r.callbackIndex, c.callbackIndex);
}

const CallArgument kFn = std::nullopt; // any non-string argument (function, number, object)

INSTANTIATE_TEST_SUITE_P(
    Cases, ArgumentRules,
    testing::Values(
        // a required text that is missing or not a string: nothing at all happens
        ArgCase{"addFile", {}, false, "", "", -1}, ArgCase{"addFile", {kFn, kFn}, false, "", "", -1},
        ArgCase{"getSignature", {kFn}, false, "", "", -1},
        // "{}" without callback still runs; its result is dropped
        ArgCase{"addFile", {"{}"}, true, "{}", "", -1}, ArgCase{"addFile", {"{}", kFn}, true, "{}", "", 1},
        ArgCase{"addFile", {"{}", "not a function"}, true, "{}", "", 1},
        ArgCase{"addFile", {"{}", kFn, kFn}, true, "{}", "", 1},
        // the folder dialog takes exactly one argument, the callback
        ArgCase{"saveFileDlg", {kFn}, true, "", "", 0}, ArgCase{"saveFileDlg", {"x"}, true, "", "", 0},
        ArgCase{"saveFileDlg", {}, false, "", "", -1}, ArgCase{"saveFileDlg", {kFn, kFn}, false, "", "", -1},
        // the authorization window opens even without an argument
        ArgCase{"showAuthorizationDlg", {}, true, "", "", -1},
        ArgCase{"showAuthorizationDlg", {kFn}, true, "", "", -1},
        // optional text: a non-string first argument reads as ""
        ArgCase{"getUpload", {kFn}, true, "", "", -1},
        ArgCase{"getUpload", {"{\"p\":1}"}, true, "{\"p\":1}", "", -1},
        // two texts: each read only when it is a string
        ArgCase{"getRamSignature", {}, true, "", "", -1},
        ArgCase{"getRamSignature", {"GET", kFn}, true, "GET", "", -1},
        ArgCase{"getRamSignature", {kFn, "{}"}, true, "", "{}", -1},
        ArgCase{"gAccountAction", {"a", "b"}, true, "a", "b", -1},
        // functions without arguments ignore whatever is passed
        ArgCase{"getAccessID", {"ignored"}, true, "", "", -1},
        // reporter registration keeps argument 2 whatever it is
        ArgCase{"changeUpload", {"{}", kFn}, true, "{}", "", 1},
        ArgCase{"changeUpload", {}, true, "", "", -1}, ArgCase{"showWnd", {"{}", kFn}, true, "{}", "", 1},
        ArgCase{"closeWnd", {}, true, "", "", -1}));

TEST(FormatAnswer, QuotesWithoutEscapingAndKeepsEmptyRules)
{
    using zym::AnswerKind;
    EXPECT_EQ(zym::FormatAnswer(AnswerKind::Quoted, ""), "\"\"");
    EXPECT_EQ(zym::FormatAnswer(AnswerKind::Quoted, "a\"b"), "\"a\"b\"");
    EXPECT_EQ(zym::FormatAnswer(AnswerKind::QuotedOrEmpty, ""), "");
    EXPECT_EQ(zym::FormatAnswer(AnswerKind::QuotedOrEmpty, "cn-east"), "\"cn-east\"");
    EXPECT_EQ(zym::FormatAnswer(AnswerKind::Text, "{}"), "{}");
    EXPECT_FALSE(zym::FormatAnswer(AnswerKind::None, "x").has_value());
    EXPECT_FALSE(zym::FormatAnswer(AnswerKind::Later, "x").has_value());
}

} // namespace
