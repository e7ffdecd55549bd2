#pragma once
// The console of the platform: one file per platform, chosen by the build
// (console_posix.cpp, console_win32.cpp).

#include <cstdio>

// Waits for one key press on the console, read without echo and without
// waiting for Enter; when standard input is no console, reads one byte of it
// (nothing at its end). The key itself is not looked at.
void vReadConsoleKey();

// 1 when standard input and standard output are both the user's console (a
// terminal), so someone is there to see a pause and answer it; 0 when either
// is a file, a pipe or a device such as NUL.
int iConsoleIsInteractive();

// Hands standard output over to data (live NMEA sentences for a pipe): the
// stream returned writes to what standard output was, line buffered and in
// binary mode, and from then on everything else the program prints on
// standard output goes to standard error. nullptr when that fails.
std::FILE *pTakeStandardOutputForData();
