#include "backup/CopyNames.h"

#include <QSet>

#include "backup/DestinationCatalogue.h"
#include "platform/NativeNames.h"

namespace {

constexpr int kMaxNameBytes = 255;

}  // namespace

QString CopyNames::Numbered(const QString& name, int number) {
    QString plain = name;
    plain.replace(QLatin1Char('\t'), QLatin1Char('_'));
    const int dot = plain.lastIndexOf(QLatin1Char('.'));
    QString stem = dot > 0 ? plain.left(dot) : plain;
    const QString tail =
        QLatin1Char('~') + QString::number(number) + (dot > 0 ? plain.mid(dot) : QString());
    while (!stem.isEmpty() && NativeNames::Encode(stem + tail).size() > kMaxNameBytes) {
        stem.chop(stem.size() >= 2 && stem.at(stem.size() - 1).isLowSurrogate() ? 2 : 1);
    }
    return stem + tail;
}

std::vector<QString> CopyNames::Allocate(const std::vector<QString>& sources,
                                         const QStringList& standing,
                                         const std::function<QString(const QString&)>& previous) {
    std::vector<QString> names(sources.size());
    QSet<QString> taken;
    std::vector<std::size_t> later;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        names[i] = DestinationCatalogue::FileName(sources[i]);
        const QString folded = names[i].toCaseFolded();
        if (taken.contains(folded)) {
            later.push_back(i);
        } else {
            taken.insert(folded);
        }
    }
    if (later.empty()) {
        return names;
    }
    QSet<QString> standingFolded;
    for (const QString& name : standing) {
        standingFolded.insert(name.toCaseFolded());
    }
    for (const std::size_t i : later) {
        // Kept from run to run, so that an unchanged list keeps its layout.
        const QString before = previous ? previous(sources[i]) : QString();
        if (!before.isEmpty() && before.toCaseFolded() != names[i].toCaseFolded() &&
            !before.contains(QLatin1Char('\t')) && !taken.contains(before.toCaseFolded())) {
            names[i] = before;
        } else {
            QString candidate;
            for (int number = 2;; ++number) {
                candidate = Numbered(names[i], number);
                const QString folded = candidate.toCaseFolded();
                if (!taken.contains(folded) && !standingFolded.contains(folded)) {
                    break;
                }
            }
            names[i] = candidate;
        }
        taken.insert(names[i].toCaseFolded());
    }
    return names;
}
