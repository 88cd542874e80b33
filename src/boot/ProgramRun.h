#pragma once

#include <string>
#include <vector>

// Runs a program by its argument vector, without a shell, its output on this program's own
// standard output and error, its input /dev/null; inside `root` (chroot) when it is not empty,
// with a plain environment, in a process group of its own. A signal that StopSignals notes while
// it runs is passed on to that group.
namespace ProgramRun {

struct Result {
    bool started = false;
    int error = 0;    // errno when it could not be started
    int status = -1;  // its exit status, -1 when a signal ended it
    int signal = 0;   // the signal that ended it
};

Result Run(const std::vector<std::string>& arguments, const std::string& root);

}  // namespace ProgramRun
