#include "files/listings.h"

#include "app/report.h"

// Placeholder until the listings land.
int iListWaypoints(Workspace *, const char *pszFileName) {
    vReportError("cannot write '%s': listings are not available in this build", pszFileName);
    return 0;
}

int iListTrackPoints(Workspace *, const char *pszFileName) {
    vReportError("cannot write '%s': listings are not available in this build", pszFileName);
    return 0;
}
