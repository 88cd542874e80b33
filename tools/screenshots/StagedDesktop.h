#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// What the folder tree's picture shows, staged so that it shows none of this machine's folders:
// a home folder with a desktop and French user folders (HOME points at it) and, where the tool has
// a mount table of its own, a USB key mounted at /media/CLE-USB in place of the machine's other
// drives. What could not be staged is said on stderr; the picture then shows it as it is.
class StagedDesktop {
public:
    // Gives the process a private mount namespace, so that what is mounted here is seen by this
    // process alone and goes with it. Called before any thread starts; false, with the reason on
    // stderr, where the process may not (it is not root).
    static bool EnterPrivateMounts();

    // With privateMounts, the drives that hold none of `needed` are detached and the key mounted.
    StagedDesktop(bool privateMounts, const QStringList& needed);
    ~StagedDesktop();

    StagedDesktop(const StagedDesktop&) = delete;
    StagedDesktop& operator=(const StagedDesktop&) = delete;

    // False, with the reason in error(), when the home folder could not be laid out.
    bool isValid() const { return error_.isEmpty(); }
    QString error() const { return error_; }

    // The folder the picture selects: on the key when it is mounted, else in the home folder.
    QString selection() const;

private:
    bool LayOutHome();
    void DetachDrives(const QStringList& needed);
    void MountKey(const QStringList& needed);
    bool MakeFolders(const QString& parent, const QStringList& names);

    QTemporaryDir root_;
    QString home_;
    bool keyMounted_ = false;
    bool mediaBound_ = false;
    QString error_;
};
