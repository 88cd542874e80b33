#pragma once

#include <QString>
#include <QTemporaryDir>

// A throw-away place for one screenshot run: a destination folder and, unless the caller names
// a program folder of its own, a ready program folder (shipped settings, restore program and
// Rapports) whose source list names a small sample system laid out in a temporary folder, with
// one missing entry and one file large enough to be copied in many blocks. The sample program
// folder is /tmp/Kestrix, made for the run and removed after it, or a temporary one when
// /tmp/Kestrix already exists.
class SampleProgramFolder {
public:
    // An empty programFolder asks for the sample one.
    explicit SampleProgramFolder(const QString& programFolder);
    ~SampleProgramFolder();

    SampleProgramFolder(const SampleProgramFolder&) = delete;
    SampleProgramFolder& operator=(const SampleProgramFolder&) = delete;

    // False, with the reason in error(), when the folders could not be laid out.
    bool isValid() const { return error_.isEmpty(); }
    QString error() const { return error_; }

    QString programFolder() const { return programFolder_; }
    QString destination() const { return root_.filePath(QStringLiteral("Sauvegarde")); }

private:
    bool LayOutProgramFolder();
    bool LayOutSampleSystem(QStringList& listed);
    bool Write(const QString& path, const QByteArray& bytes);
    bool Copy(const QString& from, const QString& to);

    QTemporaryDir root_;
    QString programFolder_;
    bool ownsFixedFolder_ = false;
    QString error_;
};
