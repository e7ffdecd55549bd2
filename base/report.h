#pragma once
// One-line failure reports on standard error, prefixed "quillox: ".

#include "base/printf_format.h"

// Prints "quillox: " followed by the formatted text and a line feed on standard error.
void vReportError(const char *pszFormat, ...) QUILLOX_PRINTF_FORMAT(1, 2);
// The same line for what the user should know of a step that succeeded (data
// the step had to change); not counted as a report of a failure.
void vReportNotice(const char *pszFormat, ...) QUILLOX_PRINTF_FORMAT(1, 2);
// Number of reports printed so far; the run sequence uses it to tell whether a
// failed step has already said why.
int iReportedErrorCount();
