#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// The run report: an ordered list of text lines, only ever appended to, saved as Windows-1252
// text with CR LF after every line.
class RunReport {
public:
    void Append(const QString& line) { lines_.append(line); }
    const QStringList& Lines() const { return lines_; }

    // Replaces the report by a new empty list.
    void Clear() { lines_.clear(); }

    // "", the "Rapport Kestrix 1.1 - Créé le ..." line, the line of equals signs.
    void WriteHeader(const QDateTime& now);

    // "", 62 tildes, "", " # " + title, its underline, "".
    void OpenSection(const QString& title);

    // "", "  <i> Aucune erreur ne semble s'être produite."
    void AppendNoErrorLines();

    // The file content: every line in Windows-1252 followed by CR LF.
    QByteArray ToBytes() const;

    static QString HeaderLine(const QDateTime& now);
    static QString TitleLine(const QString& title);
    static QString Underline(const QString& titleLine);

    static const QString kTildes;
    static const QString kEquals;
    static const QString kNoError;

private:
    QStringList lines_;
};
