#include "base/interrupt.h"

#include <windows.h>

namespace {

volatile LONG lRequested = 0;
bool fInstalled = false;

// Runs on a thread of its own that the console starts for the event.
BOOL WINAPI fOnConsoleEvent(DWORD lEvent) {
    switch (lEvent) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        if (InterlockedExchange(&lRequested, 1) != 0) {
            return FALSE; // asked twice: the default handler ends the process
        }
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void vCatchInterrupts() {
    if (fInstalled) {
        return;
    }
    fInstalled = true;
    SetConsoleCtrlHandler(fOnConsoleEvent, TRUE);
}

int iInterruptRequested() {
    return InterlockedCompareExchange(&lRequested, 0, 0) != 0 ? 1 : 0;
}

void vResetInterrupt() {
    InterlockedExchange(&lRequested, 0);
}

void vRequestInterrupt() {
    InterlockedExchange(&lRequested, 1);
}
