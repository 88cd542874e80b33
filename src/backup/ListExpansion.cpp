#include "backup/ListExpansion.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <algorithm>
#include <string>
#include <system_error>

#include "platform/FileSystem.h"
#include "platform/NativeNames.h"
#include "shared/FileDescriptor.h"
#include "shared/GenerationSwitch.h"
#include "shared/LinkWalk.h"

namespace {

const QString kTreeSuffix = QStringLiteral("/**");

bool HasWildcard(const QByteArray& text) {
    return text.contains('*') || text.contains('?') || text.contains('[');
}

// How deep a tree is walked below its line's folder: each level holds a folder open.
constexpr int kMaxDepth = 64;

// The names of a folder, sorted by their bytes; none, and false, when it cannot be listed.
bool NamesIn(const FileDescriptor& folder, std::vector<QByteArray>& names) {
    names.clear();
    try {
        for (const std::string& name : GenerationSwitch::Names(folder)) {
            names.emplace_back(name.data(), static_cast<qsizetype>(name.size()));
        }
    } catch (const std::system_error&) {
        names.clear();
        return false;
    }
    std::sort(names.begin(), names.end());
    return true;
}

enum class Entry { File, Folder, Other };

// A regular file, or a link to one, is a file; a folder is one only when it is not a link.
Entry EntryOf(const FileDescriptor& folder, const QByteArray& name) {
    struct stat st {};
    if (::fstatat(folder.Get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return Entry::Other;
    }
    if (S_ISDIR(st.st_mode)) {
        return Entry::Folder;
    }
    if (S_ISLNK(st.st_mode) && ::fstatat(folder.Get(), name.constData(), &st, 0) != 0) {
        return Entry::Other;
    }
    return S_ISREG(st.st_mode) ? Entry::File : Entry::Other;
}

FileDescriptor OpenFolderIn(const FileDescriptor& folder, const QByteArray& name) {
    return FileDescriptor(::openat(folder.Get(), name.constData(),
                                   O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

class Walker {
public:
    explicit Walker(ListExpansion::Result& result) : result_(result) {}

    // The files of `folder` (shown as `path`, `depth` folders below the line's), and those of
    // its folders when `tree`.
    void Files(const FileDescriptor& folder, const QByteArray& path, bool tree, int depth = 0) {
        for (const QByteArray& name : Names(folder, path)) {
            const Entry entry = EntryOf(folder, name);
            if (entry == Entry::File) {
                Add(path, name);
            } else if (entry == Entry::Folder && tree) {
                const FileDescriptor inner =
                    depth < kMaxDepth ? OpenFolderIn(folder, name) : FileDescriptor();
                if (inner) {
                    Files(inner, Join(path, name), true, depth + 1);
                } else {
                    Unreadable(Join(path, name));
                }
            }
        }
    }

    // The files that match `patterns` from `folder` on: each pattern one name of the path.
    void Matches(const FileDescriptor& folder, const QByteArray& path,
                 const std::vector<QByteArray>& patterns, std::size_t index) {
        const bool last = index + 1 == patterns.size();
        for (const QByteArray& name : Names(folder, path)) {
            // As a shell matches: a leading dot only by a leading dot.
            if (::fnmatch(patterns[index].constData(), name.constData(), FNM_PERIOD) != 0) {
                continue;
            }
            const Entry entry = EntryOf(folder, name);
            if (last && entry == Entry::File) {
                Add(path, name);
            } else if (!last && entry == Entry::Folder) {
                const FileDescriptor inner = OpenFolderIn(folder, name);
                if (inner) {
                    Matches(inner, Join(path, name), patterns, index + 1);
                } else {
                    Unreadable(Join(path, name));
                }
            }
        }
    }

    static QByteArray Join(const QByteArray& path, const QByteArray& name) {
        return path.isEmpty() ? name : path.endsWith('/') ? path + name : path + '/' + name;
    }

private:
    std::vector<QByteArray> Names(const FileDescriptor& folder, const QByteArray& path) {
        std::vector<QByteArray> names;
        if (!NamesIn(folder, names)) {
            Unreadable(path);
        }
        return names;
    }

    void Unreadable(const QByteArray& path) {
        result_.unreadable << NativeNames::Decode(path.isEmpty() ? QByteArray(".") : path);
    }

    void Add(const QByteArray& path, const QByteArray& name) {
        const QString file = NativeNames::Decode(Join(path, name));
        if (name.contains('\n') || name.contains('\r')) {
            result_.unrecordable << file;
        } else {
            result_.files.push_back(file);
        }
    }

    ListExpansion::Result& result_;
};

// The folder `path`, walked as a source is; the refusal told in `result`.
FileDescriptor OpenFolder(const QByteArray& path, ListExpansion::Result& result) {
    LinkWalk::Refusal refusal;
    FileDescriptor folder = LinkWalk::Open(path.toStdString(), LinkWalk::Last::Place, refusal);
    if (!refusal.link.empty()) {
        result.refusedLink = NativeNames::Decode(QByteArray::fromStdString(refusal.link));
        result.refusedWhy = QString::fromStdString(LinkWalk::Why(refusal));
        return FileDescriptor();
    }
    struct stat st {};
    if (!folder || ::fstat(folder.Get(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return FileDescriptor();
    }
    return folder;
}

// The folder `path` names, without its trailing separators: "/" for the root, empty for the
// working folder.
QByteArray FolderPath(QByteArray path, bool absolute) {
    while (path.size() > 1 && path.endsWith('/')) {
        path.chop(1);
    }
    return path.isEmpty() && absolute ? QByteArray("/") : path;
}

}  // namespace

ListExpansion::Kind ListExpansion::KindOf(const QString& line) {
    if (line.endsWith(kTreeSuffix)) {
        return Kind::Tree;
    }
    if (FileSystem::FileExists(line)) {
        return Kind::File;
    }
    if (line.endsWith(QLatin1Char('/')) || FileSystem::DirectoryExists(line)) {
        return Kind::Folder;
    }
    return HasWildcard(NativeNames::Encode(line)) ? Kind::Pattern : Kind::File;
}

ListExpansion::Result ListExpansion::Expand(const QString& line) {
    Result result;
    // A list of files looks at each of them once.
    const bool file = !line.endsWith(kTreeSuffix) && FileSystem::FileExists(line);
    result.kind = file ? Kind::File : KindOf(line);
    const QByteArray path = NativeNames::Encode(line);
    switch (result.kind) {
        case Kind::File:
            if (file) {
                result.files.push_back(line);
            }
            return result;
        case Kind::Folder:
        case Kind::Tree: {
            const QByteArray folderPath = FolderPath(
                result.kind == Kind::Tree ? path.left(path.size() - kTreeSuffix.size()) : path,
                path.startsWith('/'));
            const FileDescriptor folder =
                OpenFolder(folderPath.isEmpty() ? QByteArray(".") : folderPath, result);
            if (folder) {
                Walker(result).Files(folder, folderPath, result.kind == Kind::Tree);
            }
            break;
        }
        case Kind::Pattern: {
            // The names before the first that holds a wildcard make the folder to search.
            const QList<QByteArray> names = path.split('/');
            QByteArray fixed;
            std::vector<QByteArray> patterns;
            for (const QByteArray& name : names) {
                if (!patterns.empty() || HasWildcard(name)) {
                    if (!name.isEmpty()) {
                        patterns.push_back(name);
                    }
                } else {
                    fixed += name + '/';
                }
            }
            const QByteArray folderPath = FolderPath(fixed, path.startsWith('/'));
            const FileDescriptor folder =
                OpenFolder(folderPath.isEmpty() ? QByteArray(".") : folderPath, result);
            if (folder && !patterns.empty()) {
                Walker(result).Matches(folder, folderPath, patterns, 0);
            }
            break;
        }
    }
    std::sort(result.files.begin(), result.files.end(), [](const QString& a, const QString& b) {
        return NativeNames::Encode(a) < NativeNames::Encode(b);
    });
    return result;
}
