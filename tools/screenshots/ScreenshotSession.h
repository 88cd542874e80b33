#pragma once

#include <QPixmap>
#include <QString>
#include <memory>

class TFormKestrix;

// Walks the wizard the way a person would, in the current working directory (a program
// folder), and renders its pages: the welcome page, the file page after the destination was
// prepared and the list loaded, the backup page while the bar is part-filled, the end page, the
// three options pages and the about window. Every message box is answered with its default button
// and printed on stderr; a run that showed one is a failed run, since its pictures would not show
// the normal road.
class ScreenshotSession {
public:
    // browseFolder is the folder selected in the folder tree's picture.
    ScreenshotSession(const QString& outputFolder, const QString& destination,
                      const QString& browseFolder);
    ~ScreenshotSession();

    // Writes welcome.png, browse.png, files.png, backup.png, end.png, options_general.png,
    // options_display.png, options_saving.png and about.png; false, with the reason on stderr,
    // when a page could not be reached or a picture not written.
    bool Run();

private:
    bool Click(const char* name);
    bool ShowBrowseFolder();
    void Settle();
    bool Save(const QPixmap& picture, const char* name);
    void WatchBackupPage();

    QString outputFolder_;
    QString destination_;
    QString browseFolder_;
    std::unique_ptr<TFormKestrix> window_;
    int messages_ = 0;
    int lastPosition_ = -1;
    bool partFilled_ = false;
    QPixmap backupPicture_;
};
