#pragma once

#include <string>
#include <vector>

// The restore program's command line:
//   Restore.exe [--liste | --comparer | --verifier | --disques] [--oui] [--force]
//               [--racine RACINE] [DOSSIER [FICHIER...]]
struct CommandLine {
    enum class Mode { Restore, List, Compare, Verify, Disks };

    Mode mode = Mode::Restore;
    bool yes = false;
    bool force = false;  // trust files and folders that others may write
    bool help = false;
    bool hasRoot = false;
    std::string root;
    bool hasFolder = false;
    std::string folder;
    std::vector<std::string> files;  // the only ones to handle, when any is named
    std::string error;  // in French; empty when the line is valid

    // `arguments` without the program name.
    static CommandLine Parse(const std::vector<std::string>& arguments);
};
