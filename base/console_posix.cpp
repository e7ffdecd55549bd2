#include "base/console.h"

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
