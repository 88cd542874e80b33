#include "backup/JobLines.h"

#include <QHash>

#include "backup/DestinationCatalogue.h"
#include "backup/SourceList.h"
#include "platform/FileSystem.h"

JobListing JobLines(const QStringList& paths) {
    JobListing listing;
    listing.lines.reserve(static_cast<std::size_t>(paths.size()));
    QHash<QString, QString> sourceOfName;
    for (const QString& path : paths) {
        if (!FileSystem::FileExists(path)) {
            listing.lines.push_back(JobLine{SourceList::MissingMarker(path), false, false, {}});
            listing.missing << path;
            continue;
        }
        const QString copyName = DestinationCatalogue::FileName(path);
        const QString name = copyName.toCaseFolded();
        const auto first = sourceOfName.constFind(name);
        if (first == sourceOfName.cend()) {
            sourceOfName.insert(name, path);
        } else if (*first != path) {
            listing.lines.push_back(JobLine{SourceList::ClashMarker(path), false, false, {}});
            listing.leftOut.push_back(JobListing::LeftOut{path, *first});
            continue;
        }
        listing.lines.push_back(JobLine{path, true, true, {JobFile{path, copyName}}});
    }
    return listing;
}
