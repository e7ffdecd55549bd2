#include "formats/overlay.h"

#include "app/report.h"

// Placeholder until this format lands.
int iImportOverlay(Workspace *, const char *pszFileName) {
    vReportError("cannot read '%s': this file type is not available in this build", pszFileName);
    return 0;
}
