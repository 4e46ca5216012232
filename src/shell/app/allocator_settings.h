#pragma once
// How the C library's allocator keeps memory that the program has freed.

namespace zym::shell {

// Called first thing in main, before any thread starts: large blocks go back to the system when
// freed (ReturnLargeBlocksToSystem), and two heaps instead of one per thread (up to 8 per core)
// suffice for threads that spend their time on the network and the disk.
void LimitAllocatorRetention();

} // namespace zym::shell
