#include "restore/AccountTable.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr int kReadFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

bool ReadSmallFile(const FileDescriptor& fd, bool force, std::string& bytes) {
    struct stat st {};
    if (!fd || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size > AccountTable::kMaxFile || (!force && (st.st_mode & (S_IWGRP | S_IWOTH)))) {
        return false;
    }
    char buffer[65536];
    for (;;) {
        const long n = fd.Read(buffer, sizeof buffer);
        if (n <= 0 || bytes.size() + static_cast<std::size_t>(n) > AccountTable::kMaxFile) {
            return n == 0;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

AccountTable AccountTable::Parse(const std::string& bytes) {
    AccountTable table;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        // The next ':' of this line, or `end`: searching further would cost the whole file
        // for every line.
        const auto colon = [&bytes, end](std::size_t from) {
            const void* found = std::memchr(bytes.data() + from, ':', end - from);
            return found == nullptr ? end : static_cast<const char*>(found) - bytes.data();
        };
        const std::size_t nameEnd = colon(start);
        const std::size_t numberStart = nameEnd < end ? colon(nameEnd + 1) + 1 : end;
        const std::size_t numberEnd = numberStart < end ? colon(numberStart) : end;
        bool valid = end - start <= kMaxLine && nameEnd > start && nameEnd - start <= kMaxName &&
                     numberEnd > numberStart && numberEnd - numberStart <= 10;
        std::uint64_t id = 0;
        for (std::size_t i = numberStart; valid && i < numberEnd; ++i) {
            valid = bytes[i] >= '0' && bytes[i] <= '9';
            id = id * 10 + static_cast<unsigned>(bytes[i] - '0');
        }
        // Ids of -1 mean "no change" to chown. As the system's own lookup, the first line of a
        // name holds.
        if (valid && id < std::numeric_limits<std::uint32_t>::max()) {
            table.ids_.emplace(bytes.substr(start, nameEnd - start), static_cast<unsigned>(id));
        }
        start = end + 1;
    }
    return table;
}

AccountTable AccountTable::Read(const std::string& root, const char* file, bool force) {
    const FileDescriptor top(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!top) {
        return {};
    }
    const FileDescriptor etc(
        ::openat(top.Get(), "etc", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!etc) {
        return {};
    }
    const FileDescriptor fd(::openat(etc.Get(), file, kReadFlags));
    std::string bytes;
    return ReadSmallFile(fd, force, bytes) ? Parse(bytes) : AccountTable();
}

bool AccountTable::Find(const std::string& name, unsigned& id) const {
    const auto found = ids_.find(name);
    if (found == ids_.end()) {
        return false;
    }
    id = found->second;
    return true;
}

bool AccountTable::NameOf(unsigned id, std::string& name) const {
    for (const auto& [candidate, number] : ids_) {
        if (number == id) {
            name = candidate;
            return true;
        }
    }
    return false;
}
