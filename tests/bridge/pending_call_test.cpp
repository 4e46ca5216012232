// PendingCall records: handles unique among live records, claimed once, safe between the
// page side and the handlers.
#include "bridge/pending_call.h"

#include <gtest/gtest.h>
#include <set>
#include <thread>
#include <vector>

namespace {

TEST(PendingCallList, ClaimTakesTheRecordOnceAndKeepsTheOthersInOrder)
{
    zym::PendingCallList list;
    const auto a = list.Add({"a", nullptr});
    const auto b = list.Add({"b", nullptr});
    const auto c = list.Add({"c", nullptr});
    EXPECT_NE(a, 0u);
    EXPECT_EQ(std::set<std::uint32_t>({a, b, c}).size(), 3u);
    auto claimed = list.Claim(b);
    ASSERT_TRUE(claimed.has_value());
    EXPECT_EQ(claimed->argument, "b");
    EXPECT_FALSE(list.Claim(b).has_value()); // a second claim of the same handle finds nothing
    EXPECT_FALSE(list.Claim(0).has_value()); // a message posted by hand with 0 is ignored
    EXPECT_EQ(list.Size(), 2u);
    EXPECT_EQ(list.Claim(a)->argument, "a");
    EXPECT_EQ(list.Claim(c)->argument, "c");
    EXPECT_EQ(list.Size(), 0u);
}

TEST(PendingCallList, IdenticalCallsGetTheirOwnRecords)
{
    zym::PendingCallList list;
    const auto first = list.Add({"{\"keyid\":\"k\"}", nullptr});
    const auto second = list.Add({"{\"keyid\":\"k\"}", nullptr});
    EXPECT_NE(first, second);
    EXPECT_TRUE(list.Claim(second).has_value());
    EXPECT_TRUE(list.Claim(first).has_value());
}

TEST(PendingCallList, ConcurrentAddAndClaimLoseNothing)
{
    zym::PendingCallList list;
    constexpr int kPerThread = 2000;
    std::vector<std::thread> threads;
    std::vector<int> claimed(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                const auto h = list.Add({std::to_string(t), nullptr});
                auto call = list.Claim(h);
                if (call && call->argument == std::to_string(t))
                    ++claimed[t];
            }
        });
    }
    for (auto& th : threads)
        th.join();
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(claimed[t], kPerThread);
    EXPECT_EQ(list.Size(), 0u);
}

} // namespace
