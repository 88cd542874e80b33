#pragma once

#include <sys/types.h>

#include <string>

#include "shared/FileDescriptor.h"

// Opens a path one name at a time without letting the system follow a link: each link on the
// way (any name, the last one included) is read and walked here, and followed only when root
// or the owner of what it points to owns it, and nobody else may write the folder it sits in.
// Someone else's link could point a program run as root at any file or folder, and so could
// root's own link once a user has moved it into a folder of theirs; root's links (/etc holds
// some) and a user's links to their own files are what a system is made of.
class LinkWalk {
public:
    // A link that was not followed: its path as walked, its owner, and, when its owner was
    // trusted, the owner and mode of the folder it sits in, which someone else may write.
    struct Refusal {
        std::string link;
        uid_t owner = 0;
        bool byFolder = false;
        uid_t folderOwner = 0;
        mode_t folderMode = 0;
    };

    // Why the link of `refusal` was not followed, in French, as both programs word it after
    // the link's name: "appartient à l'utilisateur 1001, ni root ni le propriétaire de ce vers
    // quoi il mène".
    static std::string Why(const Refusal& refusal);

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
