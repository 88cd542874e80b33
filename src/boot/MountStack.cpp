#include "boot/MountStack.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>

#include "restore/FrenchTexts.h"

namespace {

// A mount still in use (a program the repair started that has not finished with it, udev)
// is tried again a few times before it is detached.
constexpr int kBusyTries = 10;
constexpr useconds_t kBusyWait = 200000;

}  // namespace

MountStack::~MountStack() {
    Undo();
}

FileDescriptor MountStack::OpenPoint(const std::string& inside) {
    FileDescriptor folder(::open(root_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    std::string walked = root_;
    std::size_t start = 1;
    while (folder && start < inside.size()) {
        std::size_t end = inside.find('/', start);
        end = end == std::string::npos ? inside.size() : end;
        const std::string name = inside.substr(start, end - start);
        start = end + 1;
        walked += "/" + name;
        if (name.empty() || name == "." || name == "..") {
            out_ << " <!> " << FrenchTexts::Printable(walked) << " n'est pas un point de montage "
                 << "possible\n";
            return {};
        }
        FileDescriptor next(
            ::openat(folder.Get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next && errno == ENOENT) {
            if (::mkdirat(folder.Get(), name.c_str(), 0755) == 0) {
                out_ << " * dossier créé : " << FrenchTexts::Printable(walked) << "\n";
            }
            next = FileDescriptor(::openat(folder.Get(), name.c_str(),
                                           O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        }
        if (!next) {
            const int error = errno;
            out_ << " <!> " << FrenchTexts::Printable(walked)
                 << (error == ENOTDIR || error == ELOOP
                         ? " est un lien ou n'est pas un dossier : rien n'y est monté"
                         : " est inaccessible : " + FrenchTexts::SystemError(error))
                 << "\n";
            return {};
        }
        folder = std::move(next);
    }
    return folder;
}

bool MountStack::Mount(const BootMount& mount) {
    const std::string target = root_ + mount.target;
    const FileDescriptor point = OpenPoint(mount.target);
    if (!point) {
        return false;
    }
    // The folder reached above, whatever its path names by now.
    const std::string place = "/proc/self/fd/" + std::to_string(point.Get());
    int result = -1;
    std::string shown;
    switch (mount.kind) {
        case BootMount::Kind::Bind:
            result = ::mount(mount.source.c_str(), place.c_str(), nullptr, MS_BIND, nullptr);
            shown = "mount --bind " + mount.source + " " + target;
            break;
        case BootMount::Kind::EfiVariables:
            result = ::mount("efivarfs", place.c_str(), "efivarfs",
                             MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr);
            shown = "mount -t efivarfs efivarfs " + target;
            break;
        case BootMount::Kind::EfiPartition:
            result = ::mount(mount.source.c_str(), place.c_str(), "vfat",
                             MS_NOSUID | MS_NODEV | MS_NOEXEC, "umask=0077");
            shown =
                "mount -t vfat -o nosuid,nodev,noexec,umask=0077 " + mount.source + " " + target;
            break;
    }
    if (result != 0) {
        out_ << " <!> " << FrenchTexts::Printable(shown) << " : impossible, "
             << FrenchTexts::SystemError(errno) << "\n";
        return false;
    }
    made_.push_back(target);
    out_ << " * " << FrenchTexts::Printable(shown) << "\n";
    return true;
}

bool MountStack::Undo() {
    bool whole = true;
    while (!made_.empty()) {
        const std::string target = made_.back();
        made_.pop_back();
        // The error of the last try, never the wait's: a stop signal interrupts the wait.
        int error = 0;
        for (int i = 0; i < kBusyTries; ++i) {
            error = ::umount2(target.c_str(), UMOUNT_NOFOLLOW) == 0 ? 0 : errno;
            if (error != EBUSY || i + 1 == kBusyTries) {
                break;
            }
            ::usleep(kBusyWait);
        }
        if (error == 0) {
            out_ << " * démonté : " << FrenchTexts::Printable(target) << "\n";
            continue;
        }
        whole = false;
        if (error == EBUSY && ::umount2(target.c_str(), MNT_DETACH | UMOUNT_NOFOLLOW) == 0) {
            out_ << " <!> " << FrenchTexts::Printable(target)
                 << " est encore utilisé : détaché, il sera démonté quand plus rien ne s'en "
                    "servira\n";
        } else {
            out_ << " <!> " << FrenchTexts::Printable(target)
                 << " n'a pas pu être démonté : " << FrenchTexts::SystemError(error)
                 << " ; démontez-le avec umount " << FrenchTexts::Printable(target) << "\n";
        }
    }
    out_.flush();
    return whole;
}
