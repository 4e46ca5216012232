#include "platform/large_blocks.h"

#include <malloc.h>

namespace zym {

void ReturnLargeBlocksToSystem()
{
    // The allocator's own default, but fixed: a fixed value also turns off its raising.
    constexpr int kLargeBlock = 128 * 1024;
    ::mallopt(M_MMAP_THRESHOLD, kLargeBlock);
    ::mallopt(M_TRIM_THRESHOLD, kLargeBlock);
}

} // namespace zym
