#include "base/large_block.h"

#include <cstdint>
#include <cstdlib>

#include <sys/mman.h>

namespace {
// The size of a large page on the platforms that have them (x86-64, arm64).
constexpr size_t kLargePage = size_t{2} << 20;
} // namespace

void LargeBlockFree::operator()(char *p) const {
    std::free(p);
}

LargeBlock pNewLargeBlock(size_t nSize) {
    if (nSize < kLargePage || nSize > SIZE_MAX - kLargePage) {
        return LargeBlock(static_cast<char *>(std::malloc(nSize != 0 ? nSize : 1)));
    }
    // Whole large pages, aligned to one, so that every page of the block can be one.
    const size_t nRounded = (nSize + kLargePage - 1) / kLargePage * kLargePage;
    auto *p = static_cast<char *>(std::aligned_alloc(kLargePage, nRounded));
#ifdef MADV_HUGEPAGE
    if (p != nullptr) {
        // Only advice: where the kernel has no large pages to give, small ones serve.
        madvise(p, nRounded, MADV_HUGEPAGE);
    }
#endif
    return LargeBlock(p);
}
