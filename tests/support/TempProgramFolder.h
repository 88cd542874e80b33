#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

// A fresh program folder (Data, Rapports) in a temporary directory that becomes the working
// directory for the life of the object, as Kestrix expects to be started from its own folder.
class TempProgramFolder {
public:
    enum class Contents { Empty, Folders, Shipped };

    explicit TempProgramFolder(Contents contents = Contents::Folders);
    ~TempProgramFolder();
    TempProgramFolder(const TempProgramFolder&) = delete;
    TempProgramFolder& operator=(const TempProgramFolder&) = delete;

    QString path() const { return dir_.path(); }
    QString file(const QString& relative) const { return dir_.filePath(relative); }

private:
    QTemporaryDir dir_;
    QString previous_;
};
