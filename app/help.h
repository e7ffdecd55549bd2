#pragma once
// The two pages of the help text with the key pause between them.

#include <cstdio>

void vPrintHelpPage1(std::FILE *pOut);
void vPrintHelpPage2(std::FILE *pOut);
// Waits for one key: on a terminal without echo and without Enter; otherwise
// one byte of standard input, or its end.
void vWaitForKey();
// Page 1, the pause (only when standard input and output are both terminals), page 2.
void vShowHelp();
