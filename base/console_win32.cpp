#include "base/console.h"

#include <conio.h>
#include <io.h>
#include <windows.h>

void vReadConsoleKey() {
    DWORD lMode = 0;
    if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &lMode)) {
        // A function or arrow key arrives as two codes; both belong to the one press.
        int iKey = _getch();
        if (iKey == 0 || iKey == 0xE0) {
            static_cast<void>(_getch());
        }
        return;
    }
    unsigned char bKey = 0;
    static_cast<void>(_read(0, &bKey, 1));
}

int iConsoleIsInteractive() {
    // GetConsoleMode, not _isatty: the C runtime counts NUL and serial ports
    // as terminals too.
    DWORD lMode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &lMode) &&
                   GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &lMode)
               ? 1
               : 0;
}
