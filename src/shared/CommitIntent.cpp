#include "shared/CommitIntent.h"

#include <algorithm>

#include "shared/BackupNames.h"

namespace {

const char kHeader[] = "Kestrix validation 1";
const char kEnd[] = "fin";
const char* const kBackupFiles[] = {BackupNames::kCatalogue, BackupNames::kHashFile,
                                    BackupNames::kRightsFile, BackupNames::kCopyMap,
                                    BackupNames::kRestoreProgram, BackupNames::kAutoexec};
const char* const kBackupFolders[] = {BackupNames::kDiskRecord};

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

bool CommitIntent::HoldsCopy(const std::string& name) const {
    return Contains(staged, name) || Contains(kept, name);
}

bool CommitIntent::Stages(const std::string& name) const {
    return Contains(staged, name);
}

bool CommitIntent::HoldsFolder(const std::string& name) const {
    return Contains(folders, name);
}

bool CommitIntent::IsBackupFolder(const std::string& name) {
    return std::find(std::begin(kBackupFolders), std::end(kBackupFolders), name) !=
           std::end(kBackupFolders);
}

bool CommitIntent::IsPlainName(const std::string& name) {
    return !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
           name.find_first_of(std::string("/\n\r\0", 4)) == std::string::npos;
}

bool CommitIntent::IsEarlierName(const std::string& name) {
    static const char kForm[] = "9999-99-99_99-99-99";
    const std::size_t date = sizeof kForm - 1;
    if (name.size() != date && name.size() != date + 3) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char form = i < date ? kForm[i] : (i == date ? '-' : '9');
        const bool digit = name[i] >= '0' && name[i] <= '9';
        if (form == '9' ? !digit : name[i] != form) {
            return false;
        }
    }
    return true;
}

bool CommitIntent::IsBackupFile(const std::string& name) {
    return std::find(std::begin(kBackupFiles), std::end(kBackupFiles), name) !=
           std::end(kBackupFiles);
}

std::string CommitIntent::Serialize() const {
    std::string text = std::string(kHeader) + '\n';
    for (const std::string& name : staged) {
        text += "copie\t" + name + '\n';
    }
    for (const std::string& name : kept) {
        text += "garde\t" + name + '\n';
    }
    for (const std::string& name : files) {
        text += "fichier\t" + name + '\n';
    }
    for (const std::string& name : removed) {
        text += "ancienne\t" + name + '\n';
    }
    if (!history.empty()) {
        text += "historique\t" + history + '\n';
    }
    for (const std::string& name : dropped) {
        text += "efface\t" + name + '\n';
    }
    for (const std::string& name : folders) {
        text += "dossier\t" + name + '\n';
    }
    return text + kEnd + '\n';
}

bool CommitIntent::Parse(const std::string& bytes, CommitIntent& intent) {
    intent = CommitIntent();
    if (bytes.size() > kMaxSize) {
        return false;
    }
    std::size_t start = 0;
    bool header = false;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            return false;
        }
        const std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (!header) {
            if (line != kHeader) {
                return false;
            }
            header = true;
            continue;
        }
        if (line == kEnd) {
            return start == bytes.size();
        }
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            return false;
        }
        const std::string kind = line.substr(0, tab);
        std::string name = line.substr(tab + 1);
        if (!IsPlainName(name)) {
            return false;
        }
        if (kind == "copie") {
            intent.staged.push_back(std::move(name));
        } else if (kind == "garde") {
            intent.kept.push_back(std::move(name));
        } else if (kind == "fichier" && IsBackupFile(name)) {
            intent.files.push_back(std::move(name));
        } else if (kind == "ancienne") {
            intent.removed.push_back(std::move(name));
        } else if (kind == "historique" && intent.history.empty() && IsEarlierName(name)) {
            intent.history = std::move(name);
        } else if (kind == "efface" && IsEarlierName(name)) {
            intent.dropped.push_back(std::move(name));
        } else if (kind == "dossier" && IsBackupFolder(name)) {
            intent.folders.push_back(std::move(name));
        } else {
            return false;
        }
    }
    return false;
}
