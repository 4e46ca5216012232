// Where saveFile puts each item, and how clashes with what exists are settled.
#include "ops/download_queueing.h"
#include "queue_test_support.h"

#include <deque>

using namespace zym;
using namespace zymtest;

namespace {

// Answers from a script and records what it was asked.
struct ScriptedQuestion : ClashQuestion
{
    std::deque<ClashAnswer> answers;
    struct Asked
    {
        std::string name;
        bool folder;
        bool several;
    };
    std::vector<Asked> asked;
    ClashAnswer Ask(const std::string& name, bool folder, bool several) override
    {
        asked.push_back({name, folder, several});
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question about " << name;
            return {};
        }
        ClashAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
};

std::string HostOf(const std::string& location)
{
    return location + ".zym.localhost";
}

std::string Argument(const std::string& folder, const std::string& itemsJson)
{
    return "{\"path\":\"" + folder + "\",\"list\":[" + itemsJson + "]}";
}

TEST(KeepBothName, NumberGoesBeforeTheLastDot)
{
    const std::pair<const char*, const char*> cases[] = {
        {"a.txt", "a(2).txt"},       {"readme", "readme(2)"}, {".profile", ".profile(2)"},
        {"a.tar.gz", "a.tar(2).gz"}, {"photos", "photos(2)"}, {"日本.語", "日本(2).語"}};
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(NumberedName(name, 2), expected) << name;
    }
}

TEST(SafeLocalPaths, NoKeyLeavesTheTargetFolder)
{
    const std::pair<const char*, const char*> cases[] = {{"a/b.jpg", "/t/a/b.jpg"},
                                                         {"../../x", "/t/_../_../x"},
                                                         {"a/../../x", "/t/a/_../_../x"},
                                                         {"/etc/passwd", "/t/_/etc/passwd"},
                                                         {"./x", "/t/_./x"},
                                                         {"a//b", "/t/a/_/b"},
                                                         {"..", "/t/_.."}};
    for (const auto& [key, expected] : cases) {
        EXPECT_EQ(LocalPathBelow("/t", key), expected) << key;
    }
}

TEST(ParseSaveFile, ReadsEveryArrayAndDropsEtagQuotes)
{
    auto request = ParseSaveFile("{\"path\":\"/out\",\"a\":[{\"bucket\":\"b1\",\"object\":\"x/"
                                 "y.txt\",\"location\":\"l1\",\"filesize\":12.7,"
                                 "\"etag\":\"\\\"abc\\\"\"}],\"other\":7,\"b\":[{\"bucket\":\"b2\","
                                 "\"object\":\"\"},{\"bucket\":\"b3\","
                                 "\"object\":\"f/\",\"filesize\":\"9\"}]}");
    ASSERT_TRUE(request);
    EXPECT_EQ(request->folder, "/out");
    ASSERT_EQ(request->items.size(), 3u);
    EXPECT_EQ(request->items[0].etag, "abc");
    EXPECT_EQ(request->items[0].filesize, 12);
    EXPECT_FALSE(request->items[0].folder);
    EXPECT_TRUE(request->items[1].folder); // a whole bucket
    EXPECT_TRUE(request->items[2].folder);
    EXPECT_EQ(request->items[2].filesize, 0); // a size given as text is not read
    EXPECT_FALSE(ParseSaveFile("{not json"));
}

class Placement : public testing::Test
{
protected:
    std::optional<std::vector<DownloadItem>> Place(const std::string& itemsJson)
    {
        auto request = ParseSaveFile(Argument(scratch.Path("out"), itemsJson));
        EXPECT_TRUE(request);
        return PlaceDownloads(*request, question, HostOf);
    }
    ScratchFolder scratch;
    ScriptedQuestion question;
};

TEST_F(Placement, NamesComeFromTheLastPartOfTheKeyOrTheBucket)
{
    auto items = Place("{\"bucket\":\"b\",\"object\":\"photos/2020/\",\"location\":\"l1\"},"
                       "{\"bucket\":\"b\",\"object\":\"photos/a.jpg\",\"location\":\"l2\"},"
                       "{\"bucket\":\"whole\",\"object\":\"\"},{\"bucket\":\"b\",\"object\":\"../../x\"},"
                       "{\"bucket\":\"b\",\"object\":\"..\"}");
    ASSERT_TRUE(items);
    const std::string out = scratch.Path("out");
    EXPECT_EQ((*items)[0].fullpath, out + "/2020");
    EXPECT_EQ((*items)[0].host, "l1.zym.localhost");
    EXPECT_EQ((*items)[1].fullpath, out + "/a.jpg");
    EXPECT_EQ((*items)[1].host, "l2.zym.localhost");
    EXPECT_EQ((*items)[2].fullpath, out + "/whole");
    EXPECT_EQ((*items)[2].host, "");
    EXPECT_EQ((*items)[3].fullpath, out + "/x");
    EXPECT_EQ((*items)[4].fullpath, out + "/_..");
    EXPECT_TRUE(question.asked.empty());
}

TEST_F(Placement, EachAnswerToAClash)
{
    scratch.File("out/a.txt");
    scratch.File("out/a(2).txt");
    scratch.Folder("out/readme");
    scratch.File("out/.profile");
    struct Case
    {
        const char* object;
        ClashButton button;
        const char* expected; // relative to out/, or null when the call is cancelled
    } cases[] = {
        {"k/a.txt", ClashButton::Replace, "a.txt"},
        {"k/a.txt", ClashButton::KeepBoth, "a(3).txt"},
        {"k/readme/", ClashButton::KeepBoth, "readme(2)"},
        {"k/.profile", ClashButton::KeepBoth, ".profile(2)"},
        {"k/a.txt", ClashButton::Close, nullptr},
    };
    for (const auto& c : cases) {
        question = {};
        question.answers.push_back({c.button, false});
        auto items = Place(std::string("{\"bucket\":\"b\",\"object\":\"") + c.object + "\"}");
        ASSERT_EQ(question.asked.size(), 1u) << c.object;
        EXPECT_FALSE(question.asked[0].several); // one item: no "all" box
        EXPECT_EQ(question.asked[0].folder, std::string(c.object).back() == '/');
        if (c.expected == nullptr) {
            EXPECT_FALSE(items) << c.object;
        } else {
            ASSERT_TRUE(items) << c.object;
            EXPECT_EQ(items->front().fullpath, scratch.Path(std::string("out/") + c.expected));
        }
    }
}

TEST_F(Placement, CloseCancelsItemsBeforeItToo)
{
    scratch.File("out/two.txt");
    question.answers.push_back({ClashButton::Close, false});
    EXPECT_FALSE(
        Place("{\"bucket\":\"b\",\"object\":\"one.txt\"},{\"bucket\":\"b\",\"object\":\"two.txt\"}"));
    ASSERT_EQ(question.asked.size(), 1u);
    EXPECT_TRUE(question.asked[0].several);
}

TEST_F(Placement, AnAnswerWithAllIsRememberedForTheCall)
{
    scratch.File("out/one.txt");
    scratch.File("out/two.txt");
    scratch.File("out/three.txt");
    question.answers.push_back({ClashButton::KeepBoth, true});
    auto items = Place("{\"bucket\":\"b\",\"object\":\"one.txt\"},{\"bucket\":\"b\",\"object\":\"two.txt\"},"
                       "{\"bucket\":\"b\",\"object\":\"three.txt\"}");
    ASSERT_TRUE(items);
    EXPECT_EQ(question.asked.size(), 1u);
    EXPECT_EQ((*items)[2].fullpath, scratch.Path("out/three(2).txt"));
}

TEST_F(Placement, WithoutAllEveryClashAsksAgain)
{
    scratch.File("out/one.txt");
    scratch.File("out/two.txt");
    question.answers.push_back({ClashButton::Replace, false});
    question.answers.push_back({ClashButton::KeepBoth, false});
    auto items = Place("{\"bucket\":\"b\",\"object\":\"one.txt\"},{\"bucket\":\"b\",\"object\":\"two.txt\"}");
    ASSERT_TRUE(items);
    EXPECT_EQ(question.asked.size(), 2u);
    EXPECT_EQ((*items)[0].fullpath, scratch.Path("out/one.txt"));
    EXPECT_EQ((*items)[1].fullpath, scratch.Path("out/two(2).txt"));
}

TEST_F(Placement, TwoItemsWithOneNameClashWithEachOther)
{
    question.answers.push_back({ClashButton::KeepBoth, false});
    auto items = Place("{\"bucket\":\"b1\",\"object\":\"x.txt\"},{\"bucket\":\"b2\",\"object\":\"d/x.txt\"}");
    ASSERT_TRUE(items);
    EXPECT_EQ((*items)[0].fullpath, scratch.Path("out/x.txt"));
    EXPECT_EQ((*items)[1].fullpath, scratch.Path("out/x(2).txt"));
}

} // namespace
