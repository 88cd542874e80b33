#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <string>

#include "platform/DirectoryHandle.h"
#include "platform/UserLocale.h"
#include "shared/FileDescriptor.h"

// Writes the catalogue Kestrix.dat in the destination (its format: shared/Catalogue.h): the
// date line in the user's locale, then one record per copied file. It stays open for the whole
// backup run; each line is written at once, so a record that cannot be written fails by itself.
class DestinationCatalogue {
public:
    // Replaces the catalogue in `directory` by a new one (mode 0644) holding the date line.
    // Throws Failure.
    void Create(const DirectoryHandle& directory, const QDate& date, const QTime& time);

    bool IsOpen() const { return static_cast<bool>(fd_); }

    // Writes the record of a copied list entry. Throws Failure, also when the catalogue is not
    // open.
    void AppendRecord(const QString& entryPath);
    // Writes a record of another backup's catalogue as it is (without its line end). Throws
    // Failure, also when the catalogue is not open.
    void AppendLine(const std::string& record);

    // Flushes and closes the catalogue; throws Failure when a write is lost.
    void Close();

    // "07/12/2026,11:15:45" in the user's locale.
    static QString DateLine(const QDate& date, const QTime& time,
                            const QLocale& locale = UserLocale::Locale());

    // The part of an entry's path after its last separator: the name of its copy.
    static QString FileName(const QString& entryPath);

private:
    FileDescriptor fd_;
};
