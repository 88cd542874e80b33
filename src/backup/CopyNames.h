#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// The names of a run's copies in D/Kestrix/. The first source of a name keeps it, so that a
// list without two sources of one name is laid out as it always was; a later one (names compared
// without regard to case, as a FAT medium compares them) gets "<stem>~N<extension>", N from 2,
// the first that no other copy of the run and no name standing in D/Kestrix/ takes, or again
// the name the previous backup gave that source when it is still free.
namespace CopyNames {

// The copy names of `sources` (paths, each once, in list order). `standing`: the names in
// D/Kestrix/ now; `previous`: the copy the previous backup gave a source, or empty.
std::vector<QString> Allocate(const std::vector<QString>& sources, const QStringList& standing,
                              const std::function<QString(const QString&)>& previous);

// `name` numbered `number`: "grub.cfg", 2 -> "grub~2.cfg"; ".bashrc", 3 -> ".bashrc~3". A tab,
// which would end the copy's field in Kestrix.noms, becomes '_'; the stem is shortened so that
// the name stays within 255 bytes.
QString Numbered(const QString& name, int number);

}  // namespace CopyNames
