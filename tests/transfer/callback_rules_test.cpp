// Which finished uploads a callback rule applies to: exact bucket, switched on, the pattern found
// anywhere in the key (case-sensitive); a pattern that does not compile matches nothing.
#include "transfer/callback_rules.h"

#include <gtest/gtest.h>
#include <thread>

namespace zym {
namespace {

int Count(const std::string& text, const std::string& word)
{
    int n = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        ++n;
    }
    return n;
}

TEST(CallbackRuleMatch, PatternSearchedAnywhereInTheKeyCaseSensitive)
{
    struct Case
    {
        std::string pattern;
        std::string key;
        bool matches;
    };
    const Case cases[] = {
        {"\\.jpg$", "photos/a.jpg", true},
        {"\\.jpg$", "photos/a.JPG", false},
        {"jpg", "a.jpg.txt", true},
        {"^photos/", "photos/x", true},
        {"^photos/", "my/photos/x", false},
        {"a+b", "xxaaab", true},
        {"(?i)readme", "docs/README", true},
        {"é", "café.txt", true},
        {"^.{4}$", "café", true},
        {"x", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern + " in " + c.key);
        const auto target =
            MatchCallbackRule({"pics", c.pattern, "http://cb/", 1, 3}, "pics", c.key, nullptr);
        ASSERT_EQ(target.has_value(), c.matches);
        if (target) {
            EXPECT_EQ(target->address, "http://cb/");
            EXPECT_EQ(target->attempts, 3);
        }
    }
}

TEST(CallbackRuleMatch, StatusZeroOtherBucketAndEmptyPatternNeverApply)
{
    EXPECT_FALSE(MatchCallbackRule({"pics", ".*", "http://cb/", 0, 3}, "pics", "a", nullptr));
    EXPECT_FALSE(MatchCallbackRule({"pics", ".*", "http://cb/", -1, 3}, "pics", "a", nullptr));
    EXPECT_FALSE(MatchCallbackRule({"Pics", ".*", "http://cb/", 1, 3}, "pics", "a", nullptr));
    EXPECT_FALSE(MatchCallbackRule({"pics", "", "http://cb/", 1, 3}, "pics", "a", nullptr));
    EXPECT_TRUE(MatchCallbackRule({"pics", ".*", "http://cb/", 2, 3}, "pics", "a", nullptr));
}

TEST(CallbackRuleMatch, APatternThatDoesNotCompileMatchesNothingAndLogsOneLine)
{
    Log log([] { return std::time_t{1765400000}; });
    EXPECT_FALSE(MatchCallbackRule({"pics", "a(b", "http://cb/", 1, 3}, "pics", "a(b", &log));
    const std::string kept = log.GetErrorLog();
    EXPECT_EQ(Count(kept, "Callback Rule Error"), 1) << kept;
    EXPECT_NE(kept.find("a(b"), std::string::npos);
}

TEST(CallbackRules, UpsertReplacesTheSameBucketAndOnlyTheFirstRuleIsTried)
{
    Log log([] { return std::time_t{1765400000}; });
    CallbackRules rules(&log);
    rules.UpsertRule({"pics", "\\.png$", "http://one/", 1, 1});
    rules.UpsertRule({"docs", "", "http://ignored/", 1, 1}); // empty pattern: not added
    EXPECT_FALSE(rules.MatchRule("docs", "x"));
    ASSERT_TRUE(rules.MatchRule("pics", "a.png"));
    EXPECT_EQ(rules.MatchRule("pics", "a.png")->address, "http://one/");

    rules.UpsertRule({"pics", "\\.gif$", "http://two/", 1, 4});
    EXPECT_FALSE(rules.MatchRule("pics", "a.png"));
    ASSERT_TRUE(rules.MatchRule("pics", "a.gif"));
    EXPECT_EQ(rules.MatchRule("pics", "a.gif")->attempts, 4);

    // Switched off; then a broken pattern, logged once however often it is asked.
    rules.UpsertRule({"pics", "\\.gif$", "http://two/", 0, 4});
    EXPECT_FALSE(rules.MatchRule("pics", "a.gif"));
    rules.UpsertRule({"pics", "[", "http://two/", 1, 4});
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(rules.MatchRule("pics", "["));
    }
    EXPECT_EQ(Count(log.GetErrorLog(), "Callback Rule Error"), 1);
    // An empty pattern replaces an existing rule too, and then matches everything.
    rules.UpsertRule({"pics", "", "http://three/", 1, 1});
    EXPECT_TRUE(rules.MatchRule("pics", "anything"));
}

TEST(CallbackRules, MatchesFromManyThreadsWhileRulesChange)
{
    CallbackRules rules;
    rules.UpsertRule({"b", "k", "http://x/", 1, 1});
    std::atomic<int> hits{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                hits += rules.MatchRule("b", "key").has_value() ? 1 : 0;
            }
        });
    }
    for (int i = 0; i < 500; ++i) {
        rules.UpsertRule({"b", i % 2 ? "k" : "e", "http://x/", 1, 1});
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(hits.load(), 8000); // both patterns are found in "key"
}

} // namespace
} // namespace zym
