#include "formats/export_driver.h"

#include "app/report.h"

// Placeholder until the export driver lands.
int iExportTextFile(Workspace *, const char *pszFileName, int, int iFileType) {
    vReportError("cannot write '%s': file type %d is not available in this build", pszFileName,
                 iFileType);
    return 0;
}
