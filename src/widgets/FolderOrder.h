#pragma once

#include <QCollator>
#include <QString>
#include <vector>

#include "platform/FolderListing.h"

// The order of a file manager: folders before files, then names without regard to case, the
// numbers in them by value ("a9" before "a10"), by French collation.
class FolderOrder {
public:
    FolderOrder();

    // Whether the first entry comes before the second.
    bool Before(bool folderA, const QString& a, bool folderB, const QString& b) const;
    void Sort(std::vector<FolderEntry>& entries) const;

private:
    QCollator collator_;
};
