#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

// A Windows-style INI file with the private-profile behaviour: "[Section]" lines open sections,
// "Key=Value" lines hold values, names match without regard to case, and the first matching
// section and key win. Every call goes to the file on disk, as the platform functions do.
// Text is Windows-1252; lines written get CR LF, all other bytes of the file stay as they were.
// A UTF-8 byte-order mark at the start is no part of the first line and is kept.
class IniFile {
public:
    // Values are read up to this many characters.
    static constexpr int kMaxValueLength = 2047;

    explicit IniFile(QString path) : path_(std::move(path)) {}

    const QString& Path() const { return path_; }

    // The value, or `fallback` when the file (or reading it), the section or the key is missing.
    QString ReadString(const QString& section, const QString& key, const QString& fallback) const;

    // The whole file as it is now, for many lookups with one reading; empty when the file is
    // missing or cannot be read (every key then takes its fallback, as with ReadString).
    QByteArray ReadAll() const;

    struct Entry {
        QString section;
        QString key;
        QString value;
    };

    // Sets the key on disk at once, creating the file, section and key as needed. Throws Failure
    // (with errno) when the file cannot be read or replaced, or when WithValue refuses the entry;
    // the file is then left as it was.
    void WriteString(const QString& section, const QString& key, const QString& value);

    // Sets the keys in their order with one replacement of the file, so that a run's settings
    // cost one flush rather than one per key. All or nothing, as WriteString.
    void WriteStrings(const std::vector<Entry>& entries);

    // The value of a key in INI content; nothing when the section or key is absent.
    static std::optional<QString> Lookup(const QByteArray& content, const QString& section,
                                         const QString& key);

    // The content with the key set: an existing key line is replaced, a new key goes after the
    // last entry of its section, a new section at the end of the content. An entry that Lookup
    // would not give back exactly (line ends, NUL, characters outside Windows-1252, blanks around
    // the value, enclosing quotes, a value past kMaxValueLength) throws Failure with EINVAL.
    static QByteArray WithValue(const QByteArray& content, const QString& section,
                                const QString& key, const QString& value);

private:
    QString path_;
};
