#include "formats/ozi.h"

#include "app/report.h"

// Placeholder until this format lands.
int iImportOziWaypoints(Workspace *, const char *pszFileName) {
    vReportError("cannot read '%s': this file type is not available in this build", pszFileName);
    return 0;
}
int iImportOziTrack(Workspace *, const char *pszFileName) {
    vReportError("cannot read '%s': this file type is not available in this build", pszFileName);
    return 0;
}
