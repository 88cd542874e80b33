#pragma once

#include <sys/types.h>

#include <cstddef>
#include <map>
#include <string>

#include "shared/FileDescriptor.h"

// The names of users or groups of the system restored into, read by hand from its etc/passwd or
// etc/group: under --racine the running system's own lookup would answer for the wrong system.
// Both files give the number in the third field of "name:password:number:...".
class AccountTable {
public:
    static constexpr std::size_t kMaxLine = 65536;
    static constexpr std::size_t kMaxName = 255;
    static constexpr off_t kMaxFile = 16 << 20;

    // Lines that are too long, malformed or of a name already seen are passed over.
    static AccountTable Parse(const std::string& bytes);

    // etc/<file> under `root` ("/" for the running system), reached without following a link.
    // A file that cannot be read, is too large, or that others than its owner may write (unless
    // `force`) gives an empty table: the numbers of the manifest are used then.
    static AccountTable Read(const std::string& root, const char* file, bool force);

    // False when the name is not in the table.
    bool Find(const std::string& name, unsigned& id) const;
    // The first name of `id` in byte order; false when none has it.
    bool NameOf(unsigned id, std::string& name) const;

private:
    std::map<std::string, unsigned> ids_;
};
