// The reader of GarminDevice.xml, the description on a unit that is a USB drive.
// Run: build-fuzz/fuzz/garmin_device_fuzz -max_total_time=180 -rss_limit_mb=2048 -timeout=5
//      -close_fd_mask=3 fuzz/corpus/garmin_device   (see fuzz/README.md)
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "files/unit_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize) {
    UnitFolder oUnit;
    iReadGarminDeviceXml(std::string_view(reinterpret_cast<const char *>(pData), nSize),
                         "GarminDevice.xml", oUnit);
    static_cast<void>(sUnitVersionLine(oUnit));
    return 0;
}
