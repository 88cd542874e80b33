#include "shared/TrustedOwners.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

// The user number in the variable `name`, when it holds one.
bool UserOf(const char* name, uid_t& owner) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0' || std::string(value).size() > 10 ||
        std::string(value).find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const unsigned long number = std::strtoul(value, nullptr, 10);
    if (number >= static_cast<uid_t>(-1)) {
        return false;
    }
    owner = static_cast<uid_t>(number);
    return true;
}

}  // namespace

TrustedOwners TrustedOwners::OfProcess() {
    TrustedOwners trusted;
    trusted.everyone_ = ::geteuid() != 0;
    trusted.owners_ = {0, ::getuid()};
    for (const char* variable : {"SUDO_UID", "PKEXEC_UID"}) {
        uid_t caller = 0;
        if (UserOf(variable, caller)) {
            trusted.owners_.push_back(caller);
        }
    }
    return trusted;
}

bool TrustedOwners::Includes(uid_t owner) const {
    return everyone_ || std::find(owners_.begin(), owners_.end(), owner) != owners_.end();
}

bool TrustedOwners::OnlyOwnerChanges(const struct stat& folder) {
    const bool sticky = (folder.st_mode & S_ISVTX) != 0 && folder.st_uid == 0;
    return (folder.st_mode & (S_IWGRP | S_IWOTH)) == 0 || sticky;
}
