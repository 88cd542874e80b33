#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "backup/BackupJob.h"

// The list's lines for the paths read from Kestrix.dat, with what the run has to say of them.
struct JobListing {
    // A later source whose copy would take the name of an earlier one's: it is left out.
    struct LeftOut {
        QString path;
        QString first;
    };

    std::vector<JobLine> lines;
    QStringList missing;
    std::vector<LeftOut> leftOut;
};

// One line per path, in order: a file that exists is ticked and stands for itself, copied under
// its file name; a missing one becomes its marker, unticked and disabled. Every copy is
// Kestrix/<name> and a FAT medium ignores the case of names, so a later source of the same name
// would silently replace the earlier one's copy: the first keeps it, the later one is left out
// under its own marker. A missing file has no copy and claims no name.
JobListing JobLines(const QStringList& paths);
