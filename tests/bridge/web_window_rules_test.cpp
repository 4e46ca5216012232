// Rules of the web windows: showWnd arguments, kinds and their instance rule, outer sizes and
// places, page addresses and the login window's lock-password address.
#include "bridge/web_window_rules.h"
#include "store/user_database.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace zym {
namespace {

TEST(WebWindowRules, ReadsShowWndArguments)
{
    struct Case
    {
        const char* argument;
        bool parsed;
        std::string url;
        WebWindowType type;
        bool resizable;
        int width;
        int height;
    };
    const Case cases[] = {
        {R"({"url":"a.html","type":"sole","resize":1,"width":400,"height":300})", true, "a.html",
         WebWindowType::Sole, true, 400, 300},
        {R"({"type":"normal"})", true, "", WebWindowType::Normal, false, 100, 100},
        {R"({"type":"single","resize":0,"width":0,"height":0})", true, "", WebWindowType::Single, false, 0,
         0},
        {R"({"type":"child","resize":-3,"width":-20,"height":"50"})", true, "", WebWindowType::Child, false,
         0, 100},
        {R"({"type":"Sole"})", true, "", WebWindowType::Other, false, 100, 100},
        {R"({"type":"other","url":"x"})", true, "x", WebWindowType::Other, false, 100, 100},
        {R"({"type":"normal","width":99999999999})", true, "", WebWindowType::Normal, false, 2147483647, 100},
        {R"({"type":"sole","type":"child"})", true, "", WebWindowType::Child, false, 100, 100},
        {"not json", false, "", WebWindowType::Other, false, 0, 0},
        {"[1,2]", false, "", WebWindowType::Other, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        const auto request = ParseShowWnd(c.argument);
        ASSERT_EQ(request.has_value(), c.parsed);
        if (!request)
            continue;
        EXPECT_EQ(request->url, c.url);
        EXPECT_EQ(request->type, c.type);
        EXPECT_EQ(request->resizable, c.resizable);
        EXPECT_EQ(request->width, c.width);
        EXPECT_EQ(request->height, c.height);
    }
}

TEST(WebWindowRules, InstanceRuleByKind)
{
    using T = WebWindowType;
    using A = OpenAction;
    EXPECT_EQ(OpenActionFor(T::Normal, false), A::Create);
    EXPECT_EQ(OpenActionFor(T::Normal, true), A::Create);
    EXPECT_EQ(OpenActionFor(T::Sole, false), A::Create);
    EXPECT_EQ(OpenActionFor(T::Sole, true), A::Retarget);
    EXPECT_EQ(OpenActionFor(T::Single, false), A::Create);
    EXPECT_EQ(OpenActionFor(T::Single, true), A::Retarget);
    EXPECT_EQ(OpenActionFor(T::Child, true), A::RunModal);
    EXPECT_EQ(OpenActionFor(T::Child, false), A::RunModal);
    EXPECT_EQ(OpenActionFor(T::Other, false), A::Nothing);
}

TEST(WebWindowRules, OuterSizeAddsTheFrameAndIsCutToTheScreen)
{
    const WindowRect screen{0, 0, 1024, 768};
    const FrameExtent frame{2, 31};
    struct Case
    {
        int w, h;
        WindowRect centred;
    };
    const Case cases[] = {
        {400, 300, {311, 218, 402, 331}}, {0, 0, {511, 368, 2, 31}}, // frame only
        {5000, 5000, {0, 0, 1024, 768}},                             // cut to the screen
        {1022, 737, {0, 0, 1024, 768}},                              // exactly the screen
        {1023, 100, {0, 318, 1024, 131}},                            // one pixel too wide
        {-5, -5, {511, 368, 2, 31}},                                 // negative is empty
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        EXPECT_EQ(CentredWindow(c.w, c.h, frame, screen), c.centred);
    }
    // A screen that does not start at the origin centres inside itself.
    EXPECT_EQ(CentredWindow(400, 300, frame, {1920, 40, 1024, 728}),
              (WindowRect{1920 + 311, 40 + 198, 402, 331}));
}

TEST(WebWindowRules, RetargetKeepsTheTopLeftCorner)
{
    const WindowRect screen{0, 0, 1024, 768};
    const FrameExtent frame{2, 31};
    const WindowRect first = CentredWindow(400, 300, frame, screen);
    EXPECT_EQ(ResizedInPlace(first, 500, 200, frame, screen), (WindowRect{first.x, first.y, 502, 231}));
    EXPECT_EQ(ResizedInPlace(first, 9000, 200, frame, screen), (WindowRect{first.x, first.y, 1024, 231}));
}

TEST(WebWindowRules, PageAddresses)
{
    EXPECT_EQ(PageAddress("/opt/zym/UI", "login.html"), "file:///opt/zym/UI/login.html");
    EXPECT_EQ(PageAddress("/opt/zym/UI", "\\pages\\login.html"), "file:///opt/zym/UI/pages/login.html");
    EXPECT_EQ(PageAddress("/opt/zym/UI/", "/a.html"), "file:///opt/zym/UI/a.html");
    EXPECT_EQ(PageAddress("/home/u/界面", "登录.html"), "file:///home/u/界面/登录.html");
    EXPECT_EQ(LoginAddress("/ui", "login.html", false), "file:///ui/login.html");
    EXPECT_EQ(LoginAddress("/ui", "login.html", true), "file:///ui/login.html#loginByPassword");
}

class LockPasswordTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder_ = std::filesystem::temp_directory_path() / ("zym-webrules-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string Db() const { return (folder_ / "zymuser.db").string(); }
    std::filesystem::path folder_;
};

TEST_F(LockPasswordTest, MissingFileIsNoPasswordAndIsNotCreated)
{
    EXPECT_FALSE(LockPasswordStored(Db()));
    EXPECT_FALSE(std::filesystem::exists(Db()));
}

TEST_F(LockPasswordTest, SavedLogInWithAndWithoutPassword)
{
    {
        CUserDatabase db("device");
        ASSERT_TRUE(db.Open(Db()));
        ASSERT_TRUE(db.InitUserDatabase());
    }
    EXPECT_FALSE(LockPasswordStored(Db())); // no saved log-in
    {
        CUserDatabase db("device");
        ASSERT_TRUE(db.Open(Db()));
        ASSERT_TRUE(db.SaveAccount({"aWQ=", "a2V5", "area", "", ""}));
    }
    EXPECT_FALSE(LockPasswordStored(Db())); // log-in without a lock password
    {
        CUserDatabase db("device");
        ASSERT_TRUE(db.Open(Db()));
        ASSERT_TRUE(db.SaveAccount({"aWQ=", "a2V5", "area", "", "0123abcd"}));
    }
    EXPECT_TRUE(LockPasswordStored(Db()));
}

} // namespace
} // namespace zym
