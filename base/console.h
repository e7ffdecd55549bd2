#pragma once
// The console of the platform: one file per platform, chosen by the build
// (console_posix.cpp, console_win32.cpp).

// Waits for one key press on the console, read without echo and without
// waiting for Enter; when standard input is no console, reads one byte of it
// (nothing at its end). The key itself is not looked at.
void vReadConsoleKey();

// 1 when both standard input and standard output are the console (a terminal):
// only then can someone see a pause and answer it.
int iConsoleIsInteractive();
