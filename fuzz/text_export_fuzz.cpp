// The vke text reader over arbitrary text.
// Run: build-fuzz/fuzz/text_export_fuzz -max_total_time=180 -rss_limit_mb=2048 -timeout=5
//      -close_fd_mask=3 fuzz/corpus/text_export   (see fuzz/README.md)
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/text_export.h"
#include "store/workspace.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize) {
    Workspace oWorkspace;
    iImportTextExportBuffer(
        &oWorkspace, std::string_view(reinterpret_cast<const char *>(pData), nSize), "fuzz.vke");
    return 0;
}
