#include "backup/JobLines.h"

#include <QHash>
#include <QSet>

#include "backup/CopyNames.h"
#include "backup/ListExpansion.h"
#include "backup/SourceList.h"

namespace {

QString Quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

}  // namespace

JobListing JobLines(const QStringList& paths) {
    JobListing listing;
    listing.lines.reserve(static_cast<std::size_t>(paths.size()));
    std::vector<QString> sources;
    QSet<QString> seen;
    for (const QString& path : paths) {
        ListExpansion::Result found = ListExpansion::Expand(path);
        // Each line of the report about what the line cannot take is one file left out.
        const auto leaveOut = [&listing](const QString& line) {
            listing.leftOutLines << QStringLiteral(" <!> ") + line;
            ++listing.leftOut;
        };
        if (!found.refusedLink.isEmpty()) {
            leaveOut(path + QStringLiteral(" : le lien ") + Quoted(found.refusedLink) +
                     QLatin1Char(' ') + found.refusedWhy +
                     QStringLiteral(" : le dossier n'est pas lu."));
        }
        for (const QString& folder : found.unreadable) {
            leaveOut(
                QStringLiteral("Le dossier ") + Quoted(folder) +
                QStringLiteral(" n'a pas pu être lu : ses fichiers ne seront pas sauvegardés !"));
        }
        for (const QString& file : found.unrecordable) {
            leaveOut(QStringLiteral("Le nom du fichier ") + Quoted(file) +
                     QStringLiteral(" contient un retour à la ligne, que le catalogue ne peut pas "
                                    "garder : il ne sera pas sauvegardé !"));
        }
        if (found.files.empty()) {
            listing.lines.push_back(JobLine{SourceList::MissingMarker(path), false, false, {}});
            listing.missing << path;
            continue;
        }
        JobLine line{found.kind == ListExpansion::Kind::File
                         ? path
                         : SourceList::CountedText(path, static_cast<int>(found.files.size())),
                     true, true, {}};
        for (const QString& file : found.files) {
            line.files.push_back(JobFile{file, QString()});
            if (!seen.contains(file)) {
                seen.insert(file);
                sources.push_back(file);
            }
        }
        listing.lines.push_back(std::move(line));
    }
    const std::vector<QString> names = CopyNames::Allocate(sources, {}, {});
    QHash<QString, QString> nameOf;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        nameOf.insert(sources[i], names[i]);
    }
    for (JobLine& line : listing.lines) {
        for (JobFile& file : line.files) {
            file.copyName = nameOf.value(file.source);
        }
    }
    return listing;
}
