#include "base/console.h"

#include <conio.h>
#include <cstdio>
#include <fcntl.h>
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

std::FILE *pTakeStandardOutputForData() {
    std::fflush(stdout);
    const int iData = _dup(1);
    if (iData < 0) {
        return nullptr;
    }
    // Binary: the sentences carry their own CR LF.
    _setmode(iData, _O_BINARY);
    std::FILE *pData = _fdopen(iData, "wb");
    if (pData == nullptr || _dup2(2, 1) != 0) {
        if (pData != nullptr) {
            std::fclose(pData);
        } else {
            _close(iData);
        }
        return nullptr;
    }
    // Windows has no line buffering: each sentence pair is flushed by its writer.
    std::setvbuf(pData, nullptr, _IONBF, 0);
    return pData;
}
