#pragma once

#include <QString>
#include <vector>

struct FolderEntry {
    QString name;
    bool folder = false;
};

// What a folder holds, unsorted: its folders (a link to a folder counts as one), its other
// entries only with `files`, names starting with a dot only with `hidden`. A folder that cannot
// be read lists nothing. Names keep their exact bytes (NativeNames).
std::vector<FolderEntry> ListFolder(const QString& path, bool files, bool hidden);
