#include "boot/StopSignals.h"

namespace {

const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t received = 0;

void Note(int signal) {
    received = signal;
}

}  // namespace

StopSignals::StopSignals() {
    received = 0;
    struct sigaction action {};
    action.sa_handler = Note;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: waitpid returns at once, so that the child is told.
    action.sa_flags = 0;
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kSignals[i], &action, &old_[i]);
    }
}

StopSignals::~StopSignals() {
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kSignals[i], &old_[i], nullptr);
    }
}

int StopSignals::Received() {
    return received;
}
