#pragma once

#include <QString>
#include <vector>

#include "config/BlockSize.h"

// One file that a line of the list stands for, and the name of its copy in the backup.
struct JobFile {
    QString source;
    QString copyName;

    bool operator==(const JobFile& other) const {
        return source == other.source && copyName == other.copyName;
    }
};

// One line of the list as the user sees it: its text (the path, or the marker of a missing or
// left-out file), its tick, whether it can be ticked, and the files it stands for.
struct JobLine {
    QString text;
    bool ticked = false;
    bool enabled = true;
    std::vector<JobFile> files;

    bool operator==(const JobLine& other) const {
        return text == other.text && ticked == other.ticked && enabled == other.enabled &&
               files == other.files;
    }
};

// What one backup run copies and where: built by the window from its pages, or by the command
// line and the settings without a window.
struct BackupJob {
    QString destination;
    std::vector<JobLine> lines;
    // Write Autoexec.bat with the backup.
    bool autoexec = false;
    // 0 to 6; read again at each block, so that a slider moved during the run takes effect.
    int trackBarPosition = BlockSize::kDefaultPosition;
};
