#pragma once

#include <QDate>
#include <QString>
#include <QTime>

#include "platform/UniqueFd.h"
#include "platform/UserLocale.h"

// The catalogue Kestrix.dat in the destination: the date line, then one record per copied file
// ("name,directory"), every line ended by CR LF in the locale's encoding. It stays open for the
// whole backup run; each line is written at once, so a record that cannot be written fails by
// itself.
class DestinationCatalogue {
public:
    // Deletes an existing catalogue at `path`, creates it anew and writes the date line.
    // Throws Failure.
    void Create(const QString& path, const QDate& date, const QTime& time);

    bool IsOpen() const { return static_cast<bool>(fd_); }

    // Writes the record of a copied list entry. Throws Failure, also when the catalogue is not
    // open.
    void AppendRecord(const QString& entryPath);

    // Closes the catalogue; throws Failure when the close reports a lost write.
    void Close();

    // "07/12/2026,11:15:45" in the user's locale.
    static QString DateLine(const QDate& date, const QTime& time,
                            const QLocale& locale = UserLocale::Locale());

    // "fstab,/etc" for /etc/fstab, "vmlinuz,/" for /vmlinuz, "fstab," for fstab.
    static QString Record(const QString& entryPath);

    // The part of an entry's path after its last separator: the name of its copy.
    static QString FileName(const QString& entryPath);

private:
    void WriteLine(const QString& line);

    UniqueFd fd_;
};
