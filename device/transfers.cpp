#include "device/transfers.h"

#include "app/report.h"

// Placeholder until the transfers land.
namespace {
int iUnavailable(const char *pszWhat) {
    vReportError("%s: not available in this build", pszWhat);
    return 0;
}
} // namespace

int iDownloadWaypoints(Workspace *, DeviceLink *, int fProximity) {
    return iUnavailable(fProximity ? "proximity waypoint download" : "waypoint download");
}
int iUploadWaypoints(Workspace *, DeviceLink *, int fProximity) {
    return iUnavailable(fProximity ? "proximity waypoint upload" : "waypoint upload");
}
int iDownloadRoutes(Workspace *, DeviceLink *) {
    return iUnavailable("route download");
}
int iUploadRoutes(Workspace *, DeviceLink *) {
    return iUnavailable("route upload");
}
int iDownloadTracks(Workspace *, int, DeviceLink *) {
    return iUnavailable("track download");
}
int iUploadTracks(Workspace *, DeviceLink *) {
    return iUnavailable("track upload");
}
