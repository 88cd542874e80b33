// kestrix_disks: the disk record of a system staged under folders of its own, for trying the
// recorder and the comparison on states this machine cannot make (RAID, LVM, EFI).
//   kestrix_disks [--sys S] [--dev V] [--proc P] [--fichiers F] [--efivars E] --enregistrer D
//       writes D/Disques as a backup run does (D/Disques must not exist yet)
//   kestrix_disks [--sys S] [--dev V] [--proc P] [--fichiers F] [--efivars E] --comparer D
//       compares D/Disques with that system as Restore.exe --disques does
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <iostream>
#include <string>

#include "disks/DiskCheck.h"
#include "disks/StagedRecord.h"

int main(int argc, char** argv) {
    SystemRoots roots;
    std::string mode;
    std::string folder;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--sys") {
            roots.sys = value;
        } else if (option == "--dev") {
            roots.dev = value;
        } else if (option == "--proc") {
            roots.proc = value;
        } else if (option == "--fichiers") {
            roots.files = value;
        } else if (option == "--efivars") {
            roots.efivars = value;
        } else if (option == "--enregistrer" || option == "--comparer") {
            mode = option;
            folder = value;
        } else {
            std::cerr << "kestrix_disks : option inconnue " << option << "\n";
            return 2;
        }
    }
    if (mode == "--comparer") {
        const RecordReader::Trust trust{
            [](uid_t) { return true; }, [](uid_t owner) { return std::to_string(owner); },
            [](int error) { return std::string(std::strerror(error)); }, false};
        return DiskCheck(std::cout, std::cerr, roots).Run(folder, trust);
    }
    if (mode != "--enregistrer") {
        std::cerr << "kestrix_disks : --enregistrer D ou --comparer D\n";
        return 2;
    }
    const FileDescriptor target(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!target) {
        std::cerr << "kestrix_disks : " << folder << " n'est pas un dossier\n";
        return 2;
    }
    std::string problem;
    const bool written = StagedRecord::Write(target, problem, roots);
    if (!problem.empty()) {
        std::cerr << "kestrix_disks : " << problem << "\n";
    }
    return written ? 0 : 1;
}
