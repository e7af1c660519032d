// How the memory of large requests goes back to the system. glibc keeps what a program frees in its
// arenas (one for each serving thread, as it happens) and gives back only the free top of a heap beyond
// a threshold; blocks above its mmap threshold are mapped on their own and unmapped when freed. Once
// such a block is freed, glibc raises both thresholds (up to 32 and 64 MiB): from then on what a request
// of megabytes parsed, logged and wrote stays resident after it, request after request on other threads.
#ifndef CUSTOR_SERVER_MEMORY_H_
#define CUSTOR_SERVER_MEMORY_H_

namespace corvane {

// At start, for the whole process: blocks of 1 MiB and more are always mapped on their own, and the
// free top of a heap beyond 128 KiB (glibc's default) is always given back, whatever was freed before.
void KeepLargeBlocksReturnable();

// Gives back every whole free page inside the heaps (malloc_trim), which the thresholds do not reach.
// Its cost, a walk over the arenas, is small beside that of a request of megabytes.
void ReleaseFreedMemory();

}  // namespace corvane

#endif  // CUSTOR_SERVER_MEMORY_H_
