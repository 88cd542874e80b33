#pragma once

#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

// A local account made for one test and removed after it, as root: the other user of a staged
// attack. Not made when useradd cannot make it.
class ThrowAwayAccount {
public:
    ThrowAwayAccount() : name_("kx" + std::to_string(::getpid())) {
        const bool added = ::geteuid() == 0 &&
                           std::system(("useradd -M -N " + name_ + " 2>/dev/null").c_str()) == 0;
        const struct passwd* entry = added ? ::getpwnam(name_.c_str()) : nullptr;
        uid_ = entry != nullptr ? entry->pw_uid : 0;
        gid_ = entry != nullptr ? entry->pw_gid : 0;
    }
    ~ThrowAwayAccount() {
        Stop();
        if (Made()) {
            std::system(("userdel " + name_).c_str());
        }
    }
    ThrowAwayAccount(const ThrowAwayAccount&) = delete;
    ThrowAwayAccount& operator=(const ThrowAwayAccount&) = delete;

    bool Made() const { return uid_ != 0; }

    // Holds a lock on the folder `path`, open for reading as any reader may, until Stop(); true
    // once it is held.
    bool LockFolder(const std::string& path) {
        Start(path, "exec 9<. && flock -x 9 && exec sleep 600");
        for (int tries = 0; tries < 500; ++tries) {
            const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            const bool held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
            if (fd >= 0) {
                ::close(fd);
            }
            if (held) {
                return true;
            }
            ::usleep(10000);
        }
        return false;
    }
    uid_t Uid() const { return uid_; }
    gid_t Gid() const { return gid_; }

    // A shell command run in `folder` as this account; its exit status, -1 when it did not end.
    int Run(const std::string& folder, const std::string& command) const {
        const pid_t child = Spawn(folder, command);
        int status = 0;
        return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)
                   ? WEXITSTATUS(status)
                   : -1;
    }

    // Starts a shell command in `folder` as this account, left running until Stop() or the end
    // of the account: an attacker holding something.
    void Start(const std::string& folder, const std::string& command) {
        Stop();
        started_ = Spawn(folder, command);
    }
    void Stop() {
        if (started_ > 0) {
            ::kill(started_, SIGKILL);
            ::waitpid(started_, nullptr, 0);
        }
        started_ = -1;
    }

private:
    pid_t Spawn(const std::string& folder, const std::string& command) const {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::chdir(folder.c_str()) == 0 && ::setgid(gid_) == 0 && ::setuid(uid_) == 0) {
                ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            }
            ::_exit(127);
        }
        return child;
    }

    pid_t started_ = -1;
    std::string name_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
};
