#pragma once

#include <sys/types.h>

#include <cstdlib>
#include <string>

// The administrator who called the restore program through sudo, for as long as this lives: a
// stick the desktop mounted for them holds their files.
class SudoCaller {
public:
    explicit SudoCaller(uid_t uid) { ::setenv("SUDO_UID", std::to_string(uid).c_str(), 1); }
    ~SudoCaller() { ::unsetenv("SUDO_UID"); }
    SudoCaller(const SudoCaller&) = delete;
    SudoCaller& operator=(const SudoCaller&) = delete;
};
