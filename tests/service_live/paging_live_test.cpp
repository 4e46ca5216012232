// Listing past 1,000 keys with markers, and deleting them 1,000 at a time.
#include "live_service.h"

#include <algorithm>
#include <thread>

using namespace zym;
using namespace zymtest;

namespace {

class PagingLive : public LiveBucketTest
{
protected:
    static void SetUpTestSuite() { CreateSuiteBucket("paging"); }
};

std::string KeyOf(int i)
{
    char text[32];
    std::snprintf(text, sizeof text, "%05d", i);
    return std::string("page é+/key ") + text; // a marker that needs encoding
}

} // namespace

TEST_F(PagingLive, TwentyFiveHundredKeysInThreePagesAndThreeDeletes)
{
    constexpr int kCount = 2500;
    constexpr int kWorkers = 4;
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([w] {
            for (int i = w; i < kCount; i += kWorkers) {
                Put(KeyOf(i), "v");
            }
        });
    }
    for (auto& t : workers) {
        t.join();
    }

    std::vector<std::string> seen;
    std::string marker;
    int pages = 0;
    for (;;) {
        CZymListObjectRet list;
        ASSERT_TRUE(ListObjects(LiveCall(), bucket_, list, "page ", marker, "", "1000")) << list.Code;
        ++pages;
        EXPECT_EQ(list.Marker, marker);
        for (const auto& e : list.Entries) {
            seen.push_back(e.Key);
        }
        if (list.NextMarker.empty()) {
            break;
        }
        EXPECT_EQ(list.Entries.size(), 1000u);
        marker = list.NextMarker;
        ASSERT_LT(pages, 10);
    }
    EXPECT_EQ(pages, 3);
    ASSERT_EQ(seen.size(), static_cast<size_t>(kCount));
    for (int i = 0; i < kCount; ++i) {
        ASSERT_EQ(seen[static_cast<size_t>(i)], KeyOf(i));
    }

    // The service refuses more than 1,000 keys per request, so the client sends three.
    CZymRet tooMany;
    EXPECT_FALSE(DeleteObjects(LiveCall(), bucket_,
                               std::vector<std::string>(seen.begin(), seen.begin() + 1001), true, tooMany));
    EXPECT_EQ(tooMany.Code, "MalformedXML");
    for (size_t from = 0; from < seen.size(); from += 1000) {
        const size_t to = std::min(seen.size(), from + 1000);
        CZymRet reply;
        ASSERT_TRUE(DeleteObjects(LiveCall(), bucket_,
                                  std::vector<std::string>(seen.begin() + static_cast<long>(from),
                                                           seen.begin() + static_cast<long>(to)),
                                  true, reply))
            << reply.Code << " " << reply.Message;
        CZymListObjectRet rest;
        ASSERT_TRUE(ListObjects(LiveCall(), bucket_, rest, "", "", "", "1000"));
        EXPECT_EQ(rest.Entries.size(), std::min<size_t>(1000, seen.size() - to));
    }
}
