#pragma once
// Switch parsing: every switch into the Workspace and the run options.

#include "app/run_options.h"

struct Workspace;

// Parses argv[1..argc-1]. Returns 1 for a clean parse; 0 when an error was
// noted (its message, if any, already printed), in which case nothing may run.
int iParseCommandLine(int argc, char **argv, Workspace &oWorkspace, RunOptions &oOptions);

// Reads a switch's number: leading blanks, an optional sign, then digits to
// the end of the text. Returns 1 for such a whole number, 0 for any other text
// (iValue then holds the digits read before it, or 0). Values beyond the int
// range are clamped.
int iParseSwitchNumber(const char *pszText, int &iValue);

// Forms the name handed to iOpenComPort: the device path given to /c, or "COM<n>".
void vFormatPortName(const RunOptions &oOptions, char *pszName, size_t nSize);
