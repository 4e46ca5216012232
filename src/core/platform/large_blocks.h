#pragma once
// Large memory blocks go back to the system when freed.

namespace zym {

// From now on every block of 128 KiB or more is mapped on its own and unmapped when freed, and
// free memory at the top of a heap is given back past 128 KiB. Each connection of a running
// transfer holds buffers of a few hundred KiB, and up to 50 connections come and go with the
// transfers; left to itself the allocator raises its threshold when the first such buffer is
// freed and keeps the later ones in per-thread heaps, so after a burst of transfers the program
// would go on holding a hundred MiB it no longer uses. Safe to call more than once; the engine
// calls it when it starts, the program once more at the very start of main.
void ReturnLargeBlocksToSystem();

} // namespace zym
