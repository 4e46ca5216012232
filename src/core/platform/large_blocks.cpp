#include "platform/large_blocks.h"

#include <malloc.h>

namespace zym {

void ReturnLargeBlocksToSystem()
{
    // A fixed threshold also turns off the allocator's own raising of it.
    constexpr int kThreshold = 256 * 1024;
    mallopt(M_MMAP_THRESHOLD, kThreshold);
}

} // namespace zym
