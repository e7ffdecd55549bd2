#include "base/interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t fRequested = 0;
bool fInstalled = false;

void vOnSignal(int iSignal) {
    if (fRequested) {
        // Asked twice: the user wants out now.
        std::signal(iSignal, SIG_DFL);
        std::raise(iSignal);
        return;
    }
    fRequested = 1;
}

} // namespace

void vCatchInterrupts() {
    if (fInstalled) {
        return;
    }
    fInstalled = true;
    struct sigaction oAction {};
    oAction.sa_handler = vOnSignal;
    sigemptyset(&oAction.sa_mask);
    // No SA_RESTART: a wait in poll() or write() returns early, and every
    // wait of the link is bounded anyway.
    oAction.sa_flags = 0;
    sigaction(SIGINT, &oAction, nullptr);
    sigaction(SIGTERM, &oAction, nullptr);
}

int iInterruptRequested() {
    return fRequested ? 1 : 0;
}

void vResetInterrupt() {
    fRequested = 0;
}

void vRequestInterrupt() {
    fRequested = 1;
}
