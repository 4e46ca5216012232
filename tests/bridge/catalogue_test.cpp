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

TEST(Catalogue, HoldsTheFiftyFiveNamesInRegistrationOrder)
{
    const std::vector<std::string> expected = {"getAccessID",
                                               "getRamSignature",
                                               "getSignature",
                                               "addFile",
                                               "saveFile",
                                               "saveFileDlg",
                                               "selectFileDlg",
                                               "getUpload",
                                               "getDownload",
                                               "startUpload",
                                               "startDownload",
                                               "stopUpload",
                                               "stopDownload",
                                               "deleteUpload",
                                               "deleteDownload",
                                               "getClipboardData",
                                               "getDragFiles",
                                               "deleteObject",
                                               "copyObject",
                                               "changeUpload",
                                               "changeDownload",
                                               "getErrorLog",
                                               "loginByKey",
                                               "loginByFile",
                                               "setPassword",
                                               "loginPassword",
                                               "setServerLocation",
                                               "saveAuthorization",
                                               "getDeviceEncoding",
                                               "showLaunchpad",
                                               "setClipboardData",
                                               "closeWnd",
                                               "showWnd",
                                               "clearPassword",
                                               "showAuthorizationDlg",
                                               "getUIPath",
                                               "openLogFolder",
                                               "deleteBucket",
                                               "changeHost",
                                               "loadFinish",
                                               "configInfo",
                                               "setTransInfo",
                                               "getTransInfo",
                                               "getCurrentLocation",
                                               "getCurrentHost",
                                               "setMetaObject",
                                               "stopLoadDownload",
                                               "openUrl",
                                               "getCallFunctionInfo",
                                               "setCallFunctionInfo",
                                               "gChangeLanguage",
                                               "gGetLanguage",
                                               "gAccountAction",
                                               "setDefaultContentDisposition",
                                               "getDefaultContentDisposition"};
    auto catalogue = zym::Catalogue();
    ASSERT_EQ(catalogue.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(catalogue[i].name, expected[i]) << "position " << i + 1;
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
