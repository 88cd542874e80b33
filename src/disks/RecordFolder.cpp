#include "disks/RecordFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "disks/RecordSummary.h"
#include "disks/RecordText.h"
#include "shared/ContentHash.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

bool Private(const std::string& name) {
    const std::string suffix = ".secteurs";
    return name.compare(0, 4, "lvm-") == 0 ||
           (name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0);
}

void WriteFile(const FileDescriptor& folder, const std::string& name, const std::string& bytes) {
    FileDescriptor file(::openat(folder.Get(), name.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file) {
        Fail("cannot create " + name);
    }
    if ((!Private(name) && ::fchmod(file.Get(), 0644) != 0 && errno != EPERM) ||
        !file.WriteAll(bytes.data(), bytes.size()) || !file.FlushAndClose()) {
        Fail("cannot write " + name);
    }
}

}  // namespace

namespace RecordFolder {

void Write(const FileDescriptor& parent, const DiskRecord& record,
           const std::map<std::string, std::string>& files) {
    if (::mkdirat(parent.Get(), RecordText::kFolder, 0700) != 0) {
        Fail("cannot create the record's folder");
    }
    const FileDescriptor folder(::openat(parent.Get(), RecordText::kFolder,
                                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder) {
        Fail("cannot open the record's folder");
    }
    ::fchmod(folder.Get(), 0755);
    std::map<std::string, std::string> all = files;
    all[RecordText::kRecordFile] = RecordText::Serialize(record);
    all[RecordText::kSummaryFile] = RecordSummary::Text(record);
    std::string manifest;
    ContentHash hash;
    for (const auto& file : all) {
        WriteFile(folder, file.first, file.second);
        hash.Reset();
        hash.Update(file.second.data(), file.second.size());
        manifest += hash.Hex() + "  " + file.first + "\n";
    }
    WriteFile(folder, RecordText::kManifestFile, manifest);
    if (::fsync(folder.Get()) != 0) {
        Fail("cannot flush the record's folder");
    }
}

}  // namespace RecordFolder
