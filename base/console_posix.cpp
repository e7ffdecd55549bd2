#include "base/console.h"

#include <termios.h>
#include <unistd.h>

void vReadConsoleKey() {
    unsigned char bKey = 0;
    if (isatty(STDIN_FILENO)) {
        termios oSaved{};
        if (tcgetattr(STDIN_FILENO, &oSaved) == 0) {
            termios oRaw = oSaved;
            oRaw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
            oRaw.c_cc[VMIN] = 1;
            oRaw.c_cc[VTIME] = 0;
            tcsetattr(STDIN_FILENO, TCSANOW, &oRaw);
            static_cast<void>(read(STDIN_FILENO, &bKey, 1));
            tcsetattr(STDIN_FILENO, TCSANOW, &oSaved);
            return;
        }
    }
    static_cast<void>(read(STDIN_FILENO, &bKey, 1));
}

int iConsoleIsInteractive() {
    return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO) ? 1 : 0;
}
