// The GPX reader over bytes, with the store it fills, and its two parsers held
// to one another: each input is read by the scanner and by expat into stores
// of their own. A scanner that gave up must have stored nothing; one that did
// not must give expat's result and expat's store, else the target aborts.
// Run: build-fuzz/fuzz/gpx_fuzz -max_total_time=180 -rss_limit_mb=2048 -timeout=5
//      -close_fd_mask=3 CORPUS_DIR ../shared/peer-data   (see fuzz/README.md)
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "formats/gpx.h"
#include "store/workspace.h"
#include "tests/formats/gpx_store_compare.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize) {
    std::string_view svText(reinterpret_cast<const char *>(pData), nSize);
    Workspace oScanned;
    int iScanner = iImportGpxBufferWith(&oScanned, svText, "fuzz.gpx", GpxParser::kScanner);
    Workspace oExpat;
    int iExpat = iImportGpxBufferWith(&oExpat, svText, "fuzz.gpx", GpxParser::kExpat);
    if (iScanner == -1) {
        if (!gpx_compare::fStoreEmpty(*oScanned.pStore)) {
            std::fprintf(stderr, "gpx_fuzz: the scanner gave up but stored records\n");
            std::abort();
        }
        return 0;
    }
    if (iScanner != iExpat) {
        std::fprintf(stderr, "gpx_fuzz: the scanner returned %d, expat %d\n", iScanner, iExpat);
        std::abort();
    }
    std::string sDifference = gpx_compare::sStoreDifference(*oScanned.pStore, *oExpat.pStore);
    if (!sDifference.empty()) {
        std::fprintf(stderr, "gpx_fuzz: the scanner's store and expat's differ: %s\n",
                     sDifference.c_str());
        std::abort();
    }
    return 0;
}
