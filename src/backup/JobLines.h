#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "backup/BackupJob.h"

// The list's lines for the paths read from Kestrix.dat, with what the run has to say of them.
struct JobListing {
    std::vector<JobLine> lines;
    QStringList missing;
    // The report's lines on files found under a folder and left out (a name that holds a line
    // end, a link on the way to the folder that is not followed), and how many files they are.
    QStringList leftOutLines;
    int leftOut = 0;
};

// One line per path, in order (ListExpansion says what a path stands for): a file that exists,
// or a folder or pattern that stands for files, is ticked; a line that stands for no file
// becomes the missing marker, unticked and disabled. A folder or pattern shows the count of its
// files. Each file gets the copy name CopyNames gives it among all the files of the list (a
// file listed twice is one source with one name); the run gives the final names, which also
// avoid the names standing in the destination.
JobListing JobLines(const QStringList& paths);
