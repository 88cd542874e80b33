#pragma once

#include <csignal>

// While it lives, SIGINT, SIGTERM and SIGHUP no longer end the program: they are noted, the
// running child is asked to stop, and the repair ends its own way, undoing its mounts. The
// previous handlers come back when it goes.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that arrived, 0 when none did.
    static int Received();

private:
    struct sigaction old_[3]{};
};
