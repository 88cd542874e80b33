#pragma once

#include <pwd.h>
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
        if (Made()) {
            std::system(("userdel " + name_).c_str());
        }
    }
    ThrowAwayAccount(const ThrowAwayAccount&) = delete;
    ThrowAwayAccount& operator=(const ThrowAwayAccount&) = delete;

    bool Made() const { return uid_ != 0; }
    uid_t Uid() const { return uid_; }
    gid_t Gid() const { return gid_; }

    // A shell command run in `folder` as this account; its exit status, -1 when it did not end.
    int Run(const std::string& folder, const std::string& command) const {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::chdir(folder.c_str()) == 0 && ::setgid(gid_) == 0 && ::setuid(uid_) == 0) {
                ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            }
            ::_exit(127);
        }
        int status = 0;
        return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)
                   ? WEXITSTATUS(status)
                   : -1;
    }

private:
    std::string name_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
};
