#include "restore/TrustedOwners.h"

#include "restore/AccountTable.h"

std::string DescribeOwner(uid_t owner) {
    // Read by hand: the program is linked statically, without the system's user lookup.
    std::string name;
    const bool named = AccountTable::Read("/", "passwd", true).NameOf(owner, name);
    return std::to_string(owner) + (named ? " (" + name + ")" : std::string());
}
