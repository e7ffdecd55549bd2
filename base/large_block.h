#pragma once
// Memory for a large block that is filled at once, such as a whole file read
// into memory. Where the platform offers it (Linux's transparent huge pages)
// the block is asked to be backed by large pages, so that filling tens of
// megabytes does not stop at every 4 KiB page to have it mapped and cleared.
// One file per platform, chosen by the build (large_block_posix.cpp,
// large_block_win32.cpp).

#include <cstddef>
#include <memory>

struct LargeBlockFree {
    void operator()(char *p) const;
};
using LargeBlock = std::unique_ptr<char[], LargeBlockFree>;

// A block of at least nSize bytes, not cleared; empty when memory is short.
LargeBlock pNewLargeBlock(size_t nSize);
