#pragma once

#include <sys/types.h>

#include <string>

#include "shared/FileDescriptor.h"

// Opens a path one name at a time without letting the system follow a link: each link on the
// way (any name, the last one included) is read and walked here, and followed only when root
// or the owner of what it points to owns it. Someone else's link could point a program run as
// root at any file or folder; root's links (/etc holds some) and a user's links to their own
// files are what a system is made of.
class LinkWalk {
public:
    // A link that was not followed: its path as walked, and its owner.
    struct Refusal {
        std::string link;
        uid_t owner = 0;
    };

    // How the last name is opened: for reading, without blocking (a FIFO cannot hold the
    // caller), or as a place (O_PATH) to be checked or read through.
    enum class Last { Read, Place };

    // `path` from the working folder when relative. Closed with errno set, or with `refusal`
    // filled when a link was not followed.
    static FileDescriptor Open(const std::string& path, Last last, Refusal& refusal);

    // The path the system gives back for an open file or folder, links resolved; false with
    // errno.
    static bool PathOf(const FileDescriptor& fd, std::string& path);
};
