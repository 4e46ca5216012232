#include "shell/app/allocator_settings.h"

#include "platform/large_blocks.h"

#include <malloc.h>

namespace zym::shell {

void LimitAllocatorRetention()
{
    ReturnLargeBlocksToSystem();
    ::mallopt(M_ARENA_MAX, 2);
}

} // namespace zym::shell
