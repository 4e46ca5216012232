#include "shell/app/allocator_settings.h"

#include <malloc.h>

namespace zym::shell {

void LimitAllocatorRetention()
{
    constexpr int kLargeBlock = 128 * 1024; // the allocator's own default, but fixed
    ::mallopt(M_MMAP_THRESHOLD, kLargeBlock);
    ::mallopt(M_TRIM_THRESHOLD, kLargeBlock);
    ::mallopt(M_ARENA_MAX, 2);
}

} // namespace zym::shell
