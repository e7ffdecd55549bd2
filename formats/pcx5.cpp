#include "formats/pcx5.h"

#include "app/report.h"

// Placeholder until this format lands.
int iImportPcx5(Workspace *, const char *pszFileName) {
    vReportError("cannot read '%s': this file type is not available in this build", pszFileName);
    return 0;
}
