#include "base/large_block.h"

#include <cstdlib>

// Large pages on Windows need a privilege ordinary users lack; small ones serve.
void LargeBlockFree::operator()(char *p) const {
    std::free(p);
}

LargeBlock pNewLargeBlock(size_t nSize) {
    return LargeBlock(static_cast<char *>(std::malloc(nSize != 0 ? nSize : 1)));
}
