// The .VKD reader over arbitrary bytes.
// Run: build-fuzz/fuzz/native_file_fuzz -max_total_time=180 -rss_limit_mb=2048 -timeout=5
//      -close_fd_mask=3 fuzz/corpus/native_file   (see fuzz/README.md)
#include <cstddef>
#include <cstdint>
#include <span>

#include "files/native_file.h"
#include "store/workspace.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize) {
    Workspace oWorkspace;
    iReadNativeBuffer(&oWorkspace, std::span<const uint8_t>(pData, nSize), "fuzz.vkd");
    return 0;
}
