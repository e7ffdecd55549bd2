// The pcx text reader over arbitrary text.
// Run: build-fuzz/fuzz/pcx5_fuzz -max_total_time=180 -rss_limit_mb=2048 -timeout=5
//      -close_fd_mask=3 fuzz/corpus/pcx5   (see fuzz/README.md)
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/pcx5.h"
#include "store/workspace.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize) {
    Workspace oWorkspace;
    iImportPcx5Buffer(&oWorkspace, std::string_view(reinterpret_cast<const char *>(pData), nSize),
                      "fuzz.pcx");
    return 0;
}
