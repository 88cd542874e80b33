#pragma once

#include <QFileSystemWatcher>
#include <QMenu>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "platform/FileMask.h"
#include "platform/FolderListing.h"
#include "widgets/FolderOrder.h"
#include "widgets/TCustomSystemTreeView.h"

class MountWatcher;

// The folders of this machine as a tree: "Bureau" (the desktop folder) at the root, below it
// "Poste de travail" with the mounted file systems as drives, the home folder and the desktop's
// own folders; below each drive and folder its folders, listed the first time the node opens.
// Selection is the path of the selected node (empty for "Poste de travail"). The tree follows the
// selected folder and its parent on the disk, and the mount table. Its context menu opens a
// folder in the file manager, makes a new folder and renames one.
class TSystemTreeView : public TCustomSystemTreeView {
    Q_OBJECT
    Q_PROPERTY(QString Version READ version STORED false)
    Q_PROPERTY(QString Selection READ selection WRITE setSelection)
    Q_PROPERTY(QString Directory READ selection WRITE setSelection STORED false)
    Q_PROPERTY(TRootFolder RootFolder READ rootFolder WRITE setRootFolder)
    Q_PROPERTY(QString CustomDir READ customDir WRITE setCustomDir)
    Q_PROPERTY(QString CustomDirCaption READ customDirCaption WRITE setCustomDirCaption)
    Q_PROPERTY(bool ShowFiles READ showFiles WRITE setShowFiles)
    Q_PROPERTY(bool ShowHiddenDirs READ showHiddenDirs WRITE setShowHiddenDirs)
    Q_PROPERTY(bool ExpandRoot READ expandRoot WRITE setExpandRoot)
    Q_PROPERTY(bool Checkboxes READ checkboxes WRITE setCheckboxes)
    Q_PROPERTY(bool Autoscroll READ autoscroll WRITE setAutoscroll)
    Q_PROPERTY(QString FileMask READ fileMask WRITE setFileMask)
    Q_PROPERTY(TPopupMenuMethod PopupMenuMethod READ popupMenuMethod WRITE setPopupMenuMethod)
    Q_PROPERTY(QMenu* PopupMenu READ popupMenu WRITE setPopupMenu)

public:
    enum TRootFolder {
        rfDesktop,
        rfRecycleBin,
        rfControlPanel,
        rfDesktopDir,
        rfDrives,
        rfFavoriteURLs,
        rfFonts,
        rfNetHood,
        rfNetHoodDir,
        rfDocumentDir,
        rfPrinters,
        rfPrograms,
        rfRecentDir,
        rfSendTo,
        rfStartMenu,
        rfStartup,
        rfTemplates,
        rfFileSystem,
        rfCustom
    };
    Q_ENUM(TRootFolder)
    enum TPopupMenuMethod { pmmNone, pmmContext, pmmUser, pmmContextUser };
    Q_ENUM(TPopupMenuMethod)
    enum class NodeKind { Desktop, Computer, Drive, Home, Folder, File };

    static constexpr const char* kVersion = "TSystemTreeView v1.0";
    static constexpr const char* kNoFolderData = "Could not get folder data.";

    explicit TSystemTreeView(QWidget* parent = nullptr);
    ~TSystemTreeView() override;

    QString version() const { return QLatin1String(kVersion); }
    // Empty before the first build, without a selected node, or for a node without a path.
    QString selection() const;
    // Before the first build the path waits for it; then the deepest node along the path is
    // selected, opened and made visible. A path that names no folder leaves the selection.
    void setSelection(const QString& path);

    TRootFolder rootFolder() const { return rootFolder_; }
    void setRootFolder(TRootFolder root);
    QString customDir() const { return customDir_; }
    void setCustomDir(const QString& path);
    QString customDirCaption() const { return customDirCaption_; }
    void setCustomDirCaption(const QString& caption);
    bool showFiles() const { return showFiles_; }
    void setShowFiles(bool show);
    bool showHiddenDirs() const { return showHiddenDirs_; }
    void setShowHiddenDirs(bool show);
    bool expandRoot() const { return expandRoot_; }
    void setExpandRoot(bool expand) { expandRoot_ = expand; }
    bool checkboxes() const { return checkboxes_; }
    void setCheckboxes(bool checkboxes);
    bool autoscroll() const { return autoscroll_; }
    void setAutoscroll(bool autoscroll);
    QString fileMask() const { return fileMask_; }
    void setFileMask(const QString& mask);
    TPopupMenuMethod popupMenuMethod() const { return popupMenuMethod_; }
    void setPopupMenuMethod(TPopupMenuMethod method) { popupMenuMethod_ = method; }
    // The owner's own menu, shown on a right click with pmmUser and pmmContextUser (after our
    // menu over a node, when that ran no command). Not owned.
    QMenu* popupMenu() const { return popupMenu_; }
    void setPopupMenu(QMenu* menu) { popupMenu_ = menu; }

    // Builds the tree again, keeping the selection (or moving it to its nearest existing
    // parent). The first build happens when the view is first shown.
    void Rebuild();

    static QString PathOf(const QTreeWidgetItem* node);
    static std::optional<NodeKind> KindOf(const QTreeWidgetItem* node);

signals:
    // A node's children were listed (OnPopulated).
    void populated(QTreeWidgetItem* node);

protected:
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void commitData(QWidget* editor) override;

private:
    QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, NodeKind kind, const QString& path,
                             const QString& text);
    void AddEntries(QTreeWidgetItem* parent, std::vector<FolderEntry> entries);
    std::vector<FolderEntry> Listing(const QString& path) const;
    bool Populate(QTreeWidgetItem* node);
    void NodeExpanded(QTreeWidgetItem* node);
    void SortChildren(QTreeWidgetItem* node);
    void Open(QTreeWidgetItem* node);
    void Refresh(QTreeWidgetItem* node);
    QTreeWidgetItem* MakeRoot();
    QTreeWidgetItem* Child(QTreeWidgetItem* node, const QString& path);
    void SelectPath(const QString& path, bool openLast);
    void SelectNode(QTreeWidgetItem* node);
    void RestoreSelection(const QStringList& route, bool wasOpen);

    void Rearm();
    void WatchedFolderChanged();
    void ParentFolderChanged();
    void MoveSelectionUp(QTreeWidgetItem* gone);

    // Our menu for the node; true when one of its commands ran.
    bool RunContextMenu(QTreeWidgetItem* node, const QPoint& at);
    bool CanCreateIn(const QTreeWidgetItem* node) const;
    bool CanRename(const QTreeWidgetItem* node) const;
    void OpenInFileManager(const QTreeWidgetItem* node);
    void CreateFolderIn(QTreeWidgetItem* node);
    void Rename(QTreeWidgetItem* node, const QString& name);

    TRootFolder rootFolder_ = rfDesktop;
    QString customDir_;
    QString customDirCaption_;
    bool showFiles_ = false;
    bool showHiddenDirs_ = true;
    bool expandRoot_ = true;
    bool checkboxes_ = false;
    // The keys of the ticked nodes, so that a rebuild (a mount, a setter) keeps the ticks.
    QSet<QString> ticked_;
    bool autoscroll_ = false;
    QString fileMask_;
    FileMask mask_;
    TPopupMenuMethod popupMenuMethod_ = pmmContext;
    QPointer<QMenu> popupMenu_;

    bool built_ = false;
    std::optional<QString> pendingSelection_;
    FolderOrder order_;
    MountWatcher* mounts_;
    QFileSystemWatcher* folderWatcher_;
    QFileSystemWatcher* parentWatcher_;
    QPersistentModelIndex editing_;
};
