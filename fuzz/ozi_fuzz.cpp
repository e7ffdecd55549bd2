// The OziExplorer waypoint and track readers; the first byte chooses the reader.
// Run: build-fuzz/fuzz/ozi_fuzz -max_total_time=180 -rss_limit_mb=2048 -timeout=5
//      -close_fd_mask=3 fuzz/corpus/ozi   (see fuzz/README.md)
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/ozi.h"
#include "store/workspace.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize) {
    if (nSize < 1) {
        return 0;
    }
    Workspace oWorkspace;
    std::string_view svText(reinterpret_cast<const char *>(pData + 1), nSize - 1);
    if (pData[0] & 1) {
        iImportOziTrackFromBuffer(&oWorkspace, svText, "fuzz.plt");
    } else {
        iImportOziWaypointsFromBuffer(&oWorkspace, svText, "fuzz.wpt");
    }
    return 0;
}
