#pragma once
// How the C library's allocator keeps memory that the program has freed.

namespace zym::shell {

// Called first thing in main, before any thread starts. Each connection of a running transfer
// holds buffers of a few hundred KiB, and up to 50 connections come and go with the transfers.
// By default the allocator raises its mmap threshold after such a buffer is freed, so later
// buffers come from the heaps and stay with the process after the transfers end, and it keeps
// one heap per thread (up to 8 per core). Fixed thresholds make every large buffer a mapping of
// its own that goes back to the system when freed, and two heaps suffice for threads that
// spend their time on the network and the disk.
void LimitAllocatorRetention();

} // namespace zym::shell
