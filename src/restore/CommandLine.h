#pragma once

#include <string>
#include <vector>

// The restore program's command line:
//   Restore.exe [--liste | --comparer | --verifier | --disques] [--oui] [--force]
//               [--racine RACINE] [DOSSIER [FICHIER...]]
//   Restore.exe --amorcage --racine RACINE [--disque DISQUE] [--oui] [--force] [DOSSIER]
struct CommandLine {
    enum class Mode { Restore, List, Compare, Verify, Disks, Boot };

    Mode mode = Mode::Restore;
    bool yes = false;
    bool force = false;  // trust files and folders that others may write
    bool help = false;
    bool hasRoot = false;
    std::string root;
    std::string disk;  // where --amorcage installs the boot loader, when given
    bool hasFolder = false;
    std::string folder;
    std::vector<std::string> files;  // the only ones to handle, when any is named
    std::string error;  // in French; empty when the line is valid

    // `arguments` without the program name.
    static CommandLine Parse(const std::vector<std::string>& arguments);
};
