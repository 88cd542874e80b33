#include "disks/RecordReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "disks/RecordText.h"
#include "shared/CommitIntent.h"
#include "shared/ContentHash.h"
#include "shared/GenerationSwitch.h"

namespace {

std::string ModeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

bool IsHex(const std::string& text) {
    return text.size() == 32 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

}  // namespace

void RecordReader::Fail(State state, const std::string& problem) {
    if (state_ == State::Whole) {
        state_ = state;
        problem_ = problem;
    }
}

RecordReader RecordReader::Read(const std::string& backup, const Trust& trust) {
    RecordReader reader;
    const FileDescriptor top(::open(backup.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!top) {
        reader.state_ = State::Unreadable;
        reader.problem_ = "le dossier de la sauvegarde est illisible : " + trust.error(errno);
        return reader;
    }
    // While a switch is unfinished, the record is read where the finished switch will have it.
    FileDescriptor staging;
    try {
        CommitIntent intent;
        if (GenerationSwitch::ReadIntent(top, intent) && intent.HoldsFolder(RecordText::kFolder)) {
            staging = GenerationSwitch::OpenFolder(top.Get(), CommitIntent::kStagingName);
        }
    } catch (const std::system_error& failure) {
        reader.state_ = State::Unreadable;
        reader.problem_ = "la mise en place interrompue de la sauvegarde est illisible";
        return reader;
    }
    FileDescriptor folder;
    if (staging) {
        folder = FileDescriptor(::openat(staging.Get(), RecordText::kFolder,
                                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    if (!folder) {
        folder = FileDescriptor(::openat(top.Get(), RecordText::kFolder,
                                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    if (!folder) {
        if (errno != ENOENT) {
            reader.state_ = State::Unreadable;
            reader.problem_ = std::string("le dossier ") + RecordText::kFolder +
                              " n'est pas un dossier lisible : " + trust.error(errno);
        }
        return reader;
    }
    reader.state_ = State::Whole;
    reader.ReadFolder(folder, RecordText::kFolder, trust);
    return reader;
}

bool RecordReader::ReadOne(const FileDescriptor& folder, const std::string& name,
                           const std::string& shown, const Trust& trust, std::string& bytes) {
    const std::string what = "le fichier " + shown + "/" + name;
    const FileDescriptor file(::openat(folder.Get(), name.c_str(),
                                       O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (!file || ::fstat(file.Get(), &st) != 0) {
        Fail(State::Unreadable, what + " est illisible : " + trust.error(errno));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        Fail(State::Unreadable, what + " n'est pas un fichier ordinaire");
        return false;
    }
    if (!trust.force && !trust.owns(st.st_uid)) {
        Fail(State::Refused,
             what + " appartient à l'utilisateur " + trust.describe(st.st_uid) +
                 ", ni root ni vous : vérifiez la sauvegarde, puis ajoutez --force");
        return false;
    }
    if (!trust.force && (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        Fail(State::Refused,
             what + " peut être modifié par d'autres que son propriétaire (droits " +
                 ModeText(st.st_mode) + ") : vérifiez la sauvegarde, puis ajoutez --force");
        return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > RecordText::kMaxFile) {
        Fail(State::Unreadable, what + " est trop grand (" + std::to_string(st.st_size) +
                                    " octets) pour venir de Kestrix");
        return false;
    }
    bytes.clear();
    char buffer[65536];
    for (;;) {
        const long n = file.Read(buffer, sizeof buffer);
        if (n < 0) {
            Fail(State::Unreadable, what + " est illisible : " + trust.error(errno));
            return false;
        }
        if (n == 0) {
            return true;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > RecordText::kMaxFile) {
            Fail(State::Unreadable, what + " est trop grand pour venir de Kestrix");
            return false;
        }
    }
}

void RecordReader::ReadFolder(const FileDescriptor& folder, const std::string& shown,
                              const Trust& trust) {
    struct stat st {};
    if (::fstat(folder.Get(), &st) != 0) {
        Fail(State::Unreadable, "le dossier " + shown + " est illisible");
        return;
    }
    if (!trust.force && !trust.owns(st.st_uid)) {
        Fail(State::Refused,
             "le dossier " + shown + " appartient à l'utilisateur " + trust.describe(st.st_uid) +
                 ", ni root ni vous : vérifiez la sauvegarde, puis ajoutez --force");
        return;
    }
    if (!trust.force && (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        Fail(State::Refused, "le dossier " + shown +
                                 " peut être modifié par d'autres que son propriétaire (droits " +
                                 ModeText(st.st_mode) +
                                 ") : vérifiez la sauvegarde, puis ajoutez --force");
        return;
    }
    std::string manifest;
    if (!ReadOne(folder, RecordText::kManifestFile, shown, trust, manifest)) {
        return;
    }
    std::map<std::string, std::string> expected;
    std::size_t start = 0;
    while (start < manifest.size()) {
        const std::size_t end = manifest.find('\n', start);
        const std::string line =
            manifest.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? manifest.size() : end + 1;
        const std::string hash = line.substr(0, 32);
        const std::string name = line.size() > 34 ? line.substr(34) : std::string();
        if (end == std::string::npos || !IsHex(hash) || line.compare(32, 2, "  ") != 0 ||
            !CommitIntent::IsPlainName(name) || name == RecordText::kManifestFile ||
            expected.count(name) != 0 || expected.size() >= RecordText::kMaxItems) {
            Fail(State::Damaged, "le fichier de contrôle " + shown + "/" +
                                     RecordText::kManifestFile + " est abîmé");
            return;
        }
        expected[name] = hash;
    }
    std::vector<std::string> names;
    try {
        names = GenerationSwitch::Names(folder);
    } catch (const std::system_error&) {
        Fail(State::Unreadable, "le dossier " + shown + " est illisible");
        return;
    }
    for (const std::string& name : names) {
        if (name != RecordText::kManifestFile && expected.count(name) == 0) {
            checks_[name] = "absent du fichier de contrôle";
            Fail(State::Damaged,
                 "le fichier " + shown + "/" + name + " n'est pas dans son fichier de contrôle");
        }
    }
    ContentHash hash;
    for (const auto& entry : expected) {
        std::string bytes;
        if (!ReadOne(folder, entry.first, shown, trust, bytes)) {
            checks_[entry.first] = "absent, illisible ou refusé";
            continue;
        }
        hash.Reset();
        hash.Update(bytes.data(), bytes.size());
        if (hash.Hex() != entry.second) {
            checks_[entry.first] = "abîmé (empreinte XXH128 attendue " + entry.second +
                                   ", trouvée " + hash.Hex() + ")";
            Fail(State::Damaged, "le fichier " + shown + "/" + entry.first +
                                     " ne correspond pas à son fichier de contrôle");
            continue;
        }
        checks_[entry.first] = "conforme";
        files_[entry.first] = std::move(bytes);
    }
    if (files_.count(RecordText::kRecordFile) == 0) {
        Fail(State::Damaged,
             std::string("le fichier ") + shown + "/" + RecordText::kRecordFile + " manque");
    }
}
