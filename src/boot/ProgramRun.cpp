#include "boot/ProgramRun.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "boot/StopSignals.h"
#include "shared/FileDescriptor.h"

namespace {

// What the tools need and nothing of the caller's: their messages in the caller's language.
std::vector<std::string> Environment() {
    std::vector<std::string> environment = {
        "PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin", "HOME=/root"};
    for (const char* name : {"LANG", "LC_ALL", "LANGUAGE", "TERM"}) {
        if (const char* value = std::getenv(name)) {
            environment.push_back(std::string(name) + "=" + value);
        }
    }
    return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
    std::vector<char*> pointers;
    for (std::string& word : words) {
        pointers.push_back(&word[0]);
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

namespace ProgramRun {

Result Run(const std::vector<std::string>& arguments, const std::string& root) {
    Result result;
    if (arguments.empty()) {
        result.error = EINVAL;
        return result;
    }
    // Everything the child needs is made before the fork: it only calls what is safe there.
    std::vector<std::string> words = arguments;
    std::vector<std::string> environment = Environment();
    const std::vector<char*> argv = Pointers(words);
    const std::vector<char*> envp = Pointers(environment);
    const FileDescriptor nothing(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    int report[2];
    if (!nothing || ::pipe2(report, O_CLOEXEC) != 0) {
        result.error = errno;
        return result;
    }
    const FileDescriptor readEnd(report[0]);
    FileDescriptor writeEnd(report[1]);
    const pid_t child = ::fork();
    if (child < 0) {
        result.error = errno;
        return result;
    }
    if (child == 0) {
        int error = 0;
        // A group of its own, so that a stop reaches every program a script started.
        if (::setpgid(0, 0) != 0 || ::dup2(nothing.Get(), STDIN_FILENO) < 0 ||
            (!root.empty() && ::chroot(root.c_str()) != 0) || ::chdir("/") != 0) {
            error = errno;
        } else {
            ::execve(argv[0], argv.data(), envp.data());
            error = errno;
        }
        // The parent learns why through the pipe, which closes unwritten on a good exec.
        (void)!::write(writeEnd.Get(), &error, sizeof error);
        ::_exit(127);
    }
    // Set on both sides: a signal may come before the child has run at all.
    ::setpgid(child, child);
    writeEnd.Close();
    int error = 0;
    long got = 0;
    do {
        got = ::read(readEnd.Get(), &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    bool told = false;
    int status = 0;
    for (;;) {
        if (StopSignals::Received() != 0 && !told) {
            ::kill(-child, SIGTERM);
            told = true;
        }
        if (::waitpid(child, &status, 0) >= 0) {
            break;
        }
        if (errno != EINTR) {
            result.error = errno;
            return result;
        }
    }
    if (got == static_cast<long>(sizeof error)) {
        result.error = error;
        return result;
    }
    result.started = true;
    if (WIFEXITED(status)) {
        result.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

}  // namespace ProgramRun
