#pragma once
// Large memory blocks go back to the system when freed.

namespace zym {

// From now on every block of 256 KiB or more is mapped on its own and unmapped when freed. The
// transfers allocate such blocks per connection (receive, upload and hash buffers of 1-2 MiB);
// left to itself the allocator raises its threshold when the first one is freed and keeps the
// later ones in per-thread arenas, so after a burst of transfers the program would go on holding
// a hundred MiB it no longer uses. Safe to call more than once.
void ReturnLargeBlocksToSystem();

} // namespace zym
