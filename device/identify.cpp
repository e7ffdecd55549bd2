#include "device/identify.h"

#include "app/report.h"

// Placeholder until identification lands.
int iIdentifyUnit(Workspace *, DeviceLink *) {
    vReportError("identify: not available in this build");
    return 0;
}

int iReadUnitTime(DeviceLink *) {
    vReportError("read unit time: not available in this build");
    return 0;
}
