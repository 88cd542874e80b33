#pragma once

#include <QByteArray>
#include <QString>
#include <string>

// Real read-only and full file systems for the tests of write failures. The test process gets
// a mount namespace of its own, so nothing it mounts is seen outside it and all goes with it.
namespace Mounts {

// Empty when the process may mount; otherwise why not (the test then skips).
std::string EnterPrivateNamespace();

// Unmounts what it mounted when it goes.
class Mount {
public:
    // A tmpfs of `bytes` at `path`.
    static Mount Tmpfs(const QString& path, qint64 bytes);
    // `path` (a file or folder) bound onto itself.
    static Mount Bind(const QString& path);
    // A new FAT image `image` of `bytes` mounted at `path` (created) as a desktop mounts a
    // stick: every file owned by user and group 1000, mode 0755. The process first gets a mount
    // namespace of its own. The kernel's driver where it has one, else the FUSE one. Empty
    // `why` when mounted, else why not (the test then skips).
    static Mount Fat(const QString& image, const QString& path, qint64 bytes, std::string& why);
    // A new ext4 image `image` of `bytes` mounted at `path` (created) through a loop device, as
    // a backup disk is. Empty `why` when mounted, else why not (the test then skips).
    static Mount Ext4(const QString& image, const QString& path, qint64 bytes, std::string& why);

    Mount(Mount&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
    Mount& operator=(Mount&&) = delete;
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;
    ~Mount();

    bool ok() const { return !path_.isEmpty(); }
    // The mount point, as the system names it.
    const QByteArray& target() const { return path_; }

    // Remounts read-only; false when refused.
    bool MakeReadOnly(bool bind) const;

private:
    explicit Mount(QByteArray path) : path_(std::move(path)) {}
    QByteArray path_;
};

// Fills the file system that holds `folder` to the last byte.
void Fill(const QString& folder);

}  // namespace Mounts
