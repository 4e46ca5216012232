// A started engine makes the allocator hand large blocks (the connections' buffers) back to the
// system when they are freed, not keep them in its arenas once the transfers have ended.
#include "transfer/transfer_engine.h"

#include <cstring>
#include <gtest/gtest.h>
#include <malloc.h>
#include <thread>

// Sanitizer builds bring an allocator of their own, which the C library's settings do not reach.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ZYM_OWN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ZYM_OWN_ALLOCATOR 1
#endif
#endif

namespace zym {
namespace {

// Bytes the allocator holds as mapped blocks of their own.
std::size_t MappedBytes()
{
    return mallinfo2().hblkhd;
}

TEST(EngineMemoryTest, LargeBuffersFreedByTransferThreadsGoBackToTheSystem)
{
#ifdef ZYM_OWN_ALLOCATOR
    GTEST_SKIP() << "the sanitizer's allocator is not the C library's";
#endif
    CTransferEngine engine(TaskServices{}, nullptr);
    ASSERT_TRUE(engine.Start());
    constexpr std::size_t kBuffer = 2 * 1024 * 1024;
    // Each round is a connection's life on a thread of its own: its buffer is taken, used and
    // freed. Left alone the allocator would map only the first and keep the later ones.
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::size_t mappedWhileUsed = 0, mappedAfter = 0, before = 0;
        std::thread connection([&] {
            before = MappedBytes();
            char* buffer = static_cast<char*>(std::malloc(kBuffer));
            ASSERT_NE(buffer, nullptr);
            std::memset(buffer, round, kBuffer);
            mappedWhileUsed = MappedBytes();
            std::free(buffer);
            mappedAfter = MappedBytes();
        });
        connection.join();
        EXPECT_GE(mappedWhileUsed, before + kBuffer);
        EXPECT_EQ(mappedAfter, before);
    }
    engine.Stop();
}

} // namespace
} // namespace zym
