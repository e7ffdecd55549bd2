#include "base/console.h"

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {

// Waits for one byte; end of input or a read error ends the wait as well.
void vWaitForByte() {
    unsigned char bKey = 0;
    [[maybe_unused]] ssize_t nRead = read(STDIN_FILENO, &bKey, 1);
}

} // namespace

void vReadConsoleKey() {
    if (isatty(STDIN_FILENO)) {
        termios oSaved{};
        if (tcgetattr(STDIN_FILENO, &oSaved) == 0) {
            termios oRaw = oSaved;
            oRaw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
            oRaw.c_cc[VMIN] = 1;
            oRaw.c_cc[VTIME] = 0;
            tcsetattr(STDIN_FILENO, TCSANOW, &oRaw);
            vWaitForByte();
            tcsetattr(STDIN_FILENO, TCSANOW, &oSaved);
            return;
        }
    }
    vWaitForByte();
}

int iConsoleIsInteractive() {
    return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO) ? 1 : 0;
}

std::FILE *pTakeStandardOutputForData() {
    std::fflush(stdout);
    const int iData = dup(STDOUT_FILENO);
    if (iData < 0) {
        return nullptr;
    }
    std::FILE *pData = fdopen(iData, "w");
    if (pData == nullptr || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        if (pData != nullptr) {
            std::fclose(pData);
        } else {
            close(iData);
        }
        return nullptr;
    }
    std::setvbuf(pData, nullptr, _IOLBF, 0);
    return pData;
}
