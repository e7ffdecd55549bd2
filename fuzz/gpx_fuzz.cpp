// The GPX reader over bytes, with the store it fills.
// Run: build-fuzz/fuzz/gpx_fuzz -max_total_time=180 -rss_limit_mb=2048 -timeout=5
//      -close_fd_mask=3 CORPUS_DIR ../shared/peer-data   (see fuzz/README.md)
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/gpx.h"
#include "store/workspace.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize) {
    Workspace w;
    iImportGpxBuffer(&w, std::string_view(reinterpret_cast<const char *>(pData), nSize),
                     "fuzz.gpx");
    return 0;
}
