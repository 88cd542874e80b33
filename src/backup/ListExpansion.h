#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The files one line of the source list stands for. A line names a file (as it always could),
// a folder (its files, one level: "/etc/lvm/backup" or "/etc/lvm/backup/"), a whole tree
// ("/etc/ssh/**") or a shell pattern ("/etc/ssh/ssh_host_*", any name of the path may hold one).
// Folders are read through their handles, never through a link that the source rules would
// not follow, and only regular files are taken, or links to them (the copy then follows or
// refuses the link as for a listed file); folders met in a tree are entered only when they are
// folders themselves, never through a link. The files come sorted by their bytes.
class ListExpansion {
public:
    enum class Kind { File, Folder, Tree, Pattern };

    struct Result {
        Kind kind = Kind::File;
        std::vector<QString> files;
        // Names found that no catalogue line can hold (a line end in the name): left out.
        QStringList unrecordable;
        // Folders met on the way that could not be read, or lie deeper than a tree is walked:
        // their files are left out.
        QStringList unreadable;
        // A link on the way to the folder that was not followed, and why, in French.
        QString refusedLink;
        QString refusedWhy;
    };

    static Kind KindOf(const QString& line);
    static Result Expand(const QString& line);
};
