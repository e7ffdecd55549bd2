#pragma once
// Ctrl+C and its kin: the console's interrupt (SIGINT, the console Ctrl+C or
// Ctrl+Break on Windows) and a polite termination request (SIGTERM, a console
// close) end what the program is doing instead of the process, so that a
// receiver can be told to stop and be set back to its usual line speed. A
// second request while the first is still being handled ends the process at
// once, as the user plainly wants. One file per platform, chosen by the build
// (interrupt_posix.cpp, interrupt_win32.cpp).

// Installs the handlers; later calls do nothing.
void vCatchInterrupts();
// 1 once an interrupt or termination request arrived since the last reset.
int iInterruptRequested();
// Forgets an earlier request (tests, and before a second wait of one run).
void vResetInterrupt();
// Records a request as the handlers do; for tests.
void vRequestInterrupt();
