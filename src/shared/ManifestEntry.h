#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

// What the manifest files say about one copy Kestrix/<name>: its hash from Kestrix.xxh128, and
// from Kestrix.droits the source's mode, owner and group (names and numbers) and size.
struct ManifestEntry {
    bool hasHash = false;
    std::string hash;  // 32 lower-case hex digits

    bool hasRights = false;
    mode_t mode = 0;
    std::string owner;
    std::string group;
    uid_t uid = 0;
    gid_t gid = 0;
    std::uint64_t size = 0;
};
