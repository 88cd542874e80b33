#include "widgets/TSystemTreeView.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QUrl>
#include <algorithm>
#include <set>

#include "platform/Directories.h"
#include "platform/DirectoryHandle.h"
#include "platform/Failure.h"
#include "platform/FileSystem.h"
#include "platform/MountWatcher.h"
#include "platform/NativeNames.h"
#include "platform/SystemError.h"
#include "platform/UserFolders.h"
#include "shared/FileDescriptor.h"

namespace {

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kKindRole = Qt::UserRole + 2;
constexpr int kListedRole = Qt::UserRole + 3;

const QString kDesktopCaption = QStringLiteral("Bureau");
const QString kComputerCaption = QStringLiteral("Poste de travail");
const QString kHomeCaption = QStringLiteral("Dossier personnel");
const QString kNewFolder = QStringLiteral("Nouveau dossier");

using NodeKind = TSystemTreeView::NodeKind;

QString FileName(const QString& path) {
    return path == QLatin1String("/") ? path : path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString ParentPath(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

bool IsFolderKind(NodeKind kind) {
    return kind != NodeKind::File && kind != NodeKind::Computer;
}

// Folders and files are listed from the disk; the other nodes are the namespace's own.
bool IsListedKind(const QTreeWidgetItem* node) {
    const auto kind = TSystemTreeView::KindOf(node);
    return kind == NodeKind::Folder || kind == NodeKind::File;
}

// A desktop without a folder of its own (the home folder stands for it, as for root) shows the
// home's folders once, under the home node: it lists nothing itself and takes no new folder.
bool ListsItsFolder(const QTreeWidgetItem* node) {
    return TSystemTreeView::KindOf(node) != NodeKind::Desktop ||
           TSystemTreeView::PathOf(node) != UserFolders::Home();
}

// What a node is known by across rebuilds: its path, or its kind for one without.
QString Key(const QTreeWidgetItem* node) {
    const QString path = TSystemTreeView::PathOf(node);
    return path.isEmpty() ? QStringLiteral("\x01") + node->data(0, kKindRole).toString() : path;
}

bool Writable(const QString& folder) {
    return ::access(FileSystem::NativePath(folder).constData(), W_OK | X_OK) == 0;
}

// A watch needs the right to read the folder; asking for one without it only earns a warning.
bool Readable(const QString& folder) {
    return static_cast<bool>(FileDescriptor(
        ::open(FileSystem::NativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)));
}

bool IsMountPoint(const QString& path) {
    struct stat self {};
    struct stat parent {};
    return ::stat(FileSystem::NativePath(path).constData(), &self) != 0 ||
           ::stat(FileSystem::NativePath(ParentPath(path)).constData(), &parent) != 0 ||
           self.st_dev != parent.st_dev;
}

void Repath(QTreeWidgetItem* node, const QString& from, const QString& to) {
    const QString path = TSystemTreeView::PathOf(node);
    if (path == from || path.startsWith(from + QLatin1Char('/'))) {
        node->setData(0, kPathRole, to + path.mid(from.size()));
    }
    for (int i = 0; i < node->childCount(); ++i) {
        Repath(node->child(i), from, to);
    }
}

// Renames without ever replacing what already stands at the new name.
int RenameNoReplace(const DirectoryHandle& folder, const QByteArray& from, const QByteArray& to) {
    if (::renameat2(folder.get(), from.constData(), folder.get(), to.constData(),
                    RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    if (folder.Find(to) != DirectoryHandle::Entry::Missing) {
        return EEXIST;
    }
    return ::renameat(folder.get(), from.constData(), folder.get(), to.constData()) == 0 ? 0
                                                                                         : errno;
}

}  // namespace

TSystemTreeView::TSystemTreeView(QWidget* parent)
    : TCustomSystemTreeView(parent),
      mounts_(new MountWatcher(this)),
      folderWatcher_(new QFileSystemWatcher(this)),
      parentWatcher_(new QFileSystemWatcher(this)) {
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    connect(this, &QTreeWidget::itemExpanded, this, &TSystemTreeView::NodeExpanded);
    connect(this, &TCustomSystemTreeView::delayedSelectionChange, this, &TSystemTreeView::Rearm);
    connect(folderWatcher_, &QFileSystemWatcher::directoryChanged, this,
            &TSystemTreeView::WatchedFolderChanged);
    connect(parentWatcher_, &QFileSystemWatcher::directoryChanged, this,
            &TSystemTreeView::ParentFolderChanged);
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* node, int column) {
        if (checkboxes_ && column == 0) {
            if (node->checkState(0) == Qt::Checked) {
                ticked_.insert(Key(node));
            } else {
                ticked_.remove(Key(node));
            }
        }
    });
    connect(mounts_, &MountWatcher::drivesChanged, this, [this] {
        if (built_) {
            Rebuild();
        }
    });
}

TSystemTreeView::~TSystemTreeView() {
    blockSignals(true);
    built_ = false;
    pendingSelection_.reset();
}

// ---------------------------------------------------------------------------------------------
// Properties

QString TSystemTreeView::selection() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return built_ && !selected.isEmpty() ? PathOf(selected.first()) : QString();
}

void TSystemTreeView::setSelection(const QString& path) {
    if (!built_) {
        pendingSelection_ = path;
    } else {
        SelectPath(path, true);
    }
}

void TSystemTreeView::setRootFolder(TRootFolder root) {
    if (root != rootFolder_) {
        rootFolder_ = root;
        if (built_) {
            Rebuild();
        }
    }
}

void TSystemTreeView::setCustomDir(const QString& path) {
    if (path != customDir_) {
        customDir_ = path;
        if (built_) {
            Rebuild();
        }
    }
}

void TSystemTreeView::setCustomDirCaption(const QString& caption) {
    customDirCaption_ = caption;
    if (rootFolder_ == rfCustom && topLevelItemCount() > 0) {
        QTreeWidgetItem* root = topLevelItem(0);
        root->setText(0, caption.isEmpty() ? FileName(PathOf(root)) : caption);
    }
}

void TSystemTreeView::setShowFiles(bool show) {
    if (show != showFiles_) {
        showFiles_ = show;
        if (built_) {
            Rebuild();
        }
    }
}

void TSystemTreeView::setShowHiddenDirs(bool show) {
    if (show != showHiddenDirs_) {
        showHiddenDirs_ = show;
        if (built_) {
            Rebuild();
        }
    }
}

void TSystemTreeView::setCheckboxes(bool checkboxes) {
    if (checkboxes != checkboxes_) {
        checkboxes_ = checkboxes;
        ticked_.clear();
        if (built_) {
            Rebuild();
        }
    }
}

void TSystemTreeView::setAutoscroll(bool autoscroll) {
    autoscroll_ = autoscroll;
    setMouseTracking(autoscroll);
    viewport()->setMouseTracking(autoscroll);
}

void TSystemTreeView::setFileMask(const QString& mask) {
    if (mask != fileMask_) {
        fileMask_ = mask;
        mask_ = FileMask(mask);
        if (built_) {
            Rebuild();
        }
    }
}

QString TSystemTreeView::PathOf(const QTreeWidgetItem* node) {
    return node ? node->data(0, kPathRole).toString() : QString();
}

std::optional<TSystemTreeView::NodeKind> TSystemTreeView::KindOf(const QTreeWidgetItem* node) {
    const QVariant kind = node ? node->data(0, kKindRole) : QVariant();
    if (!kind.isValid()) {
        return std::nullopt;
    }
    return static_cast<NodeKind>(kind.toInt());
}

// ---------------------------------------------------------------------------------------------
// Building and listing

void TSystemTreeView::Rebuild() {
    built_ = true;
    QStringList route;
    bool wasOpen = false;
    if (QTreeWidgetItem* selected = selectedItems().value(0)) {
        wasOpen = selected->isExpanded();
        for (const QTreeWidgetItem* node = selected; node; node = node->parent()) {
            route.prepend(Key(node));
        }
    }
    SetSuppressed(true);
    {
        BulkUpdate bulk(this);
        clear();
        if (QTreeWidgetItem* root = MakeRoot()) {
            if (expandRoot_) {
                Open(root);
            }
            if (pendingSelection_) {
                SelectPath(*pendingSelection_, true);
            } else {
                RestoreSelection(route, wasOpen);
            }
        }
        pendingSelection_.reset();
    }
    SetSuppressed(false);
    Rearm();
}

QTreeWidgetItem* TSystemTreeView::MakeRoot() {
    if (rootFolder_ == rfDesktop) {
        return AddNode(nullptr, NodeKind::Desktop, UserFolders::Desktop(), kDesktopCaption);
    }
    if (rootFolder_ == rfDrives || rootFolder_ == rfFileSystem) {
        return AddNode(nullptr, NodeKind::Computer, QString(), kComputerCaption);
    }
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QString path;
    switch (rootFolder_) {
        case rfRecycleBin:
            path = UserFolders::TrashFiles();
            break;
        case rfDesktopDir:
            path = UserFolders::Desktop();
            break;
        case rfDocumentDir:
            path = UserFolders::Existing(QStandardPaths::DocumentsLocation);
            break;
        case rfTemplates:
            path = UserFolders::Existing(QStandardPaths::TemplatesLocation);
            break;
        case rfFonts:
            path = data + QStringLiteral("/fonts");
            break;
        case rfPrograms:
            path = QStringLiteral("/usr/share/applications");
            break;
        case rfStartMenu:
            path = data + QStringLiteral("/applications");
            break;
        case rfStartup:
            path = config + QStringLiteral("/autostart");
            break;
        case rfCustom:
            path = customDir_;
            break;
        default:
            break;  // Nothing on this system stands for them.
    }
    if (path.isEmpty() || !QFileInfo(path).isDir()) {
        return nullptr;
    }
    path = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString caption = rootFolder_ == rfCustom && !customDirCaption_.isEmpty()
                                ? customDirCaption_
                                : FileName(path);
    return AddNode(nullptr, NodeKind::Folder, path, caption);
}

QTreeWidgetItem* TSystemTreeView::AddNode(QTreeWidgetItem* parent, NodeKind kind,
                                          const QString& path, const QString& text) {
    auto* node = new QTreeWidgetItem(QStringList{text});
    node->setData(0, kPathRole, path);
    node->setData(0, kKindRole, static_cast<int>(kind));
    static const NodeIcon icons[] = {NodeIcon::Desktop, NodeIcon::Computer, NodeIcon::Drive,
                                     NodeIcon::Home,    NodeIcon::Folder,   NodeIcon::File};
    node->setIcon(0, Icon(icons[static_cast<int>(kind)]));
    node->setChildIndicatorPolicy(kind == NodeKind::File ? QTreeWidgetItem::DontShowIndicator
                                                         : QTreeWidgetItem::ShowIndicator);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (kind == NodeKind::Folder || kind == NodeKind::File) {
        flags |= Qt::ItemIsEditable;
    }
    if (checkboxes_) {
        flags |= Qt::ItemIsUserCheckable;
        node->setCheckState(0, ticked_.contains(Key(node)) ? Qt::Checked : Qt::Unchecked);
    }
    node->setFlags(flags);
    if (parent) {
        parent->addChild(node);
    } else {
        addTopLevelItem(node);
    }
    return node;
}

std::vector<FolderEntry> TSystemTreeView::Listing(const QString& path) const {
    std::vector<FolderEntry> entries = ListFolder(path, showFiles_, showHiddenDirs_);
    if (!mask_.IsEmpty()) {
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [this](const FolderEntry& entry) {
                                         return !entry.folder && !mask_.Matches(entry.name);
                                     }),
                      entries.end());
    }
    return entries;
}

void TSystemTreeView::AddEntries(QTreeWidgetItem* parent, std::vector<FolderEntry> entries) {
    order_.Sort(entries);
    const QString base = PathOf(parent);
    QList<QTreeWidgetItem*> nodes;
    nodes.reserve(static_cast<qsizetype>(entries.size()));
    for (const FolderEntry& entry : entries) {
        const NodeKind kind = entry.folder ? NodeKind::Folder : NodeKind::File;
        auto* node = new QTreeWidgetItem(QStringList{entry.name});
        node->setData(0, kPathRole, Directories::Join(base, entry.name));
        node->setData(0, kKindRole, static_cast<int>(kind));
        node->setIcon(0, Icon(entry.folder ? NodeIcon::Folder : NodeIcon::File));
        node->setChildIndicatorPolicy(entry.folder ? QTreeWidgetItem::ShowIndicator
                                                   : QTreeWidgetItem::DontShowIndicator);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
        if (checkboxes_) {
            flags |= Qt::ItemIsUserCheckable;
            node->setCheckState(0, ticked_.contains(Key(node)) ? Qt::Checked : Qt::Unchecked);
        }
        node->setFlags(flags);
        nodes.append(node);
    }
    parent->addChildren(nodes);
}

bool TSystemTreeView::Populate(QTreeWidgetItem* node) {
    const std::optional<NodeKind> kind = KindOf(node);
    if (!kind) {
        ShowError(QLatin1String(kNoFolderData));
        return false;
    }
    if (!node->data(0, kListedRole).toBool()) {
        BulkUpdate bulk(this);
        node->setData(0, kListedRole, true);
        if (*kind == NodeKind::Desktop) {
            AddNode(node, NodeKind::Computer, QString(), kComputerCaption);
            AddNode(node, NodeKind::Home, UserFolders::Home(), kHomeCaption);
            if (ListsItsFolder(node)) {
                AddEntries(node, Listing(PathOf(node)));
            }
        } else if (*kind == NodeKind::Computer) {
            for (const MountTable::Drive& drive : mounts_->Drives()) {
                QTreeWidgetItem* added = AddNode(node, NodeKind::Drive, drive.path, drive.caption);
                // A label or a last folder name alone does not say where the drive is mounted.
                added->setToolTip(0, drive.path);
                if (drive.removable) {
                    added->setIcon(0, Icon(NodeIcon::RemovableDrive));
                }
            }
        } else if (*kind != NodeKind::File) {
            AddEntries(node, Listing(PathOf(node)));
        }
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    }
    return node->childCount() > 0;
}

void TSystemTreeView::NodeExpanded(QTreeWidgetItem* node) {
    if (!Populate(node)) {
        node->setExpanded(false);
        return;
    }
    SortChildren(node);
    emit populated(node);
}

void TSystemTreeView::Open(QTreeWidgetItem* node) {
    if (node->isExpanded()) {
        return;
    }
    node->setExpanded(true);
}

void TSystemTreeView::SortChildren(QTreeWidgetItem* node) {
    // The namespace's own nodes stay first, in their order; folders and files follow, sorted.
    int first = 0;
    while (first < node->childCount() && !IsListedKind(node->child(first))) {
        ++first;
    }
    const auto before = [this](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return order_.Before(KindOf(a) == NodeKind::Folder, a->text(0),
                             KindOf(b) == NodeKind::Folder, b->text(0));
    };
    bool sorted = true;
    for (int i = first + 1; i < node->childCount() && sorted; ++i) {
        sorted = !before(node->child(i), node->child(i - 1));
    }
    if (sorted) {
        return;
    }
    BulkUpdate bulk(this);
    QTreeWidgetItem* current = currentItem();
    QList<QTreeWidgetItem*> children;
    while (node->childCount() > first) {
        children.append(node->takeChild(first));
    }
    std::stable_sort(children.begin(), children.end(), before);
    node->addChildren(children);
    if (current && current->treeWidget() == this) {
        SelectNode(current);
    }
}

void TSystemTreeView::Refresh(QTreeWidgetItem* node) {
    if (!node->data(0, kListedRole).toBool()) {
        node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        return;
    }
    const std::optional<NodeKind> kind = KindOf(node);
    if (!kind || *kind == NodeKind::Computer || *kind == NodeKind::File || !ListsItsFolder(node)) {
        return;
    }
    BulkUpdate bulk(this);
    std::vector<FolderEntry> entries = Listing(PathOf(node));
    std::set<QString> onDisk;
    for (const FolderEntry& entry : entries) {
        onDisk.insert(entry.name);
    }
    std::set<QString> shown;
    for (int i = node->childCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* child = node->child(i);
        if (!IsListedKind(child)) {
            continue;
        }
        const QString name = FileName(PathOf(child));
        if (onDisk.count(name) == 0) {
            delete child;
        } else {
            shown.insert(name);
        }
    }
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const FolderEntry& e) { return shown.count(e.name) > 0; }),
                  entries.end());
    AddEntries(node, std::move(entries));
    SortChildren(node);
    if (node->childCount() == 0) {
        node->setExpanded(false);
    }
}

// ---------------------------------------------------------------------------------------------
// Selecting

QTreeWidgetItem* TSystemTreeView::Child(QTreeWidgetItem* node, const QString& path) {
    Populate(node);
    // A folder made since the listing, before its watcher told, is listed now.
    for (const bool again : {false, true}) {
        if (again) {
            Refresh(node);
        }
        for (int i = 0; i < node->childCount(); ++i) {
            if (PathOf(node->child(i)) == path) {
                return node->child(i);
            }
        }
        if (!QFileInfo::exists(path)) {
            break;
        }
    }
    return nullptr;
}

void TSystemTreeView::SelectNode(QTreeWidgetItem* node) {
    setCurrentItem(node);
    scrollToItem(node);
}

void TSystemTreeView::SelectPath(const QString& path, bool openLast) {
    if (topLevelItemCount() == 0) {
        return;
    }
    BulkUpdate bulk(this);
    QTreeWidgetItem* root = topLevelItem(0);
    Open(root);
    if (path.isEmpty()) {
        SelectNode(root);
        return;
    }
    const bool throughDrives =
        rootFolder_ == rfDesktop || rootFolder_ == rfDrives || rootFolder_ == rfFileSystem;
    QString target = path;
    const QString caption = root->text(0) + QLatin1Char('/');
    if (!throughDrives && target.startsWith(caption, Qt::CaseInsensitive)) {
        target = PathOf(root) + QLatin1Char('/') + target.mid(caption.size());
    }
    if (!target.startsWith(QLatin1Char('/')) || !QFileInfo::exists(target)) {
        return;
    }
    target = QDir::cleanPath(target);

    QTreeWidgetItem* node = root;
    if (throughDrives) {
        QTreeWidgetItem* computer = root;
        if (KindOf(root) == NodeKind::Desktop) {
            computer = Populate(root) ? root->child(0) : nullptr;
        }
        if (computer && KindOf(computer) == NodeKind::Computer && Populate(computer)) {
            node = computer;
            QTreeWidgetItem* drive = nullptr;
            for (int i = 0; i < computer->childCount(); ++i) {
                const QString mount = PathOf(computer->child(i));
                const bool holds = mount == QLatin1String("/") || target == mount ||
                                   target.startsWith(mount + QLatin1Char('/'));
                if (holds && (!drive || mount.size() > PathOf(drive).size())) {
                    drive = computer->child(i);
                }
            }
            if (drive) {
                Open(computer);
                node = drive;
            }
        }
    } else if (target != PathOf(root) && !target.startsWith(PathOf(root) + QLatin1Char('/'))) {
        SelectNode(root);
        return;
    }
    const QString base = PathOf(node);
    if (!base.isEmpty()) {
        QString walked = base;
        for (const QString& part :
             target.mid(base.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            walked = Directories::Join(walked, part);
            QTreeWidgetItem* child = Child(node, walked);
            if (!child) {
                break;
            }
            Open(node);
            node = child;
        }
    }
    if (openLast) {
        Open(node);
    }
    SelectNode(node);
}

void TSystemTreeView::RestoreSelection(const QStringList& route, bool wasOpen) {
    QTreeWidgetItem* node = topLevelItem(0);
    if (route.isEmpty() || !node) {
        return;
    }
    int reached = Key(node) == route.first() ? 1 : 0;
    for (; reached > 0 && reached < route.size(); ++reached) {
        QTreeWidgetItem* child = nullptr;
        if (Populate(node)) {
            for (int i = 0; i < node->childCount() && !child; ++i) {
                if (Key(node->child(i)) == route.at(reached)) {
                    child = node->child(i);
                }
            }
        }
        if (!child) {
            break;
        }
        Open(node);
        node = child;
    }
    if (reached == route.size()) {
        SelectNode(node);
        if (wasOpen) {
            Open(node);
        }
        return;
    }
    // The node went (an unmounted drive, a removed folder): its nearest existing parent.
    QString path = route.last().startsWith(QLatin1Char('/')) ? route.last() : QString();
    while (!path.isEmpty() && path != QLatin1String("/") && !QFileInfo::exists(path)) {
        path = ParentPath(path);
    }
    if (path.isEmpty()) {
        SelectNode(node);
    } else {
        SelectPath(path, false);
    }
}

// ---------------------------------------------------------------------------------------------
// Following the disk

void TSystemTreeView::Rearm() {
    for (QFileSystemWatcher* watcher : {folderWatcher_, parentWatcher_}) {
        if (!watcher->directories().isEmpty()) {
            watcher->removePaths(watcher->directories());
        }
    }
    QTreeWidgetItem* watched = selectedItems().value(0);
    if (watched && KindOf(watched) == NodeKind::File) {
        watched = watched->parent();
    }
    if (!watched) {
        return;
    }
    // A folder that cannot be watched is simply not followed.
    if (!PathOf(watched).isEmpty() && Readable(PathOf(watched))) {
        folderWatcher_->addPath(PathOf(watched));
    }
    if (watched->parent() && !PathOf(watched->parent()).isEmpty() &&
        Readable(PathOf(watched->parent()))) {
        parentWatcher_->addPath(PathOf(watched->parent()));
    }
}

void TSystemTreeView::WatchedFolderChanged() {
    QTreeWidgetItem* watched = selectedItems().value(0);
    if (watched && KindOf(watched) == NodeKind::File) {
        watched = watched->parent();
    }
    if (!watched || PathOf(watched).isEmpty()) {
        return;
    }
    if (QFileInfo(PathOf(watched)).isDir()) {
        Refresh(watched);
    } else {
        MoveSelectionUp(watched);
    }
}

void TSystemTreeView::ParentFolderChanged() {
    QTreeWidgetItem* watched = selectedItems().value(0);
    if (watched && KindOf(watched) == NodeKind::File) {
        watched = watched->parent();
    }
    if (!watched || !watched->parent()) {
        return;
    }
    if (!PathOf(watched).isEmpty() && !QFileInfo(PathOf(watched)).isDir()) {
        MoveSelectionUp(watched);
    } else {
        Refresh(watched->parent());
    }
}

void TSystemTreeView::MoveSelectionUp(QTreeWidgetItem* gone) {
    QTreeWidgetItem* parent = gone->parent();
    if (!parent) {
        return;
    }
    SelectNode(parent);
    Refresh(parent);
}

// ---------------------------------------------------------------------------------------------
// Input

void TSystemTreeView::showEvent(QShowEvent* event) {
    if (!built_) {
        Rebuild();
    }
    TCustomSystemTreeView::showEvent(event);
}

void TSystemTreeView::mouseMoveEvent(QMouseEvent* event) {
    if (autoscroll_) {
        const QPoint at = event->position().toPoint();
        const int margin = fontMetrics().height();
        const QRect area = viewport()->rect();
        if (at.y() < margin) {
            verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        } else if (at.y() >= area.height() - margin) {
            verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        }
        if (at.x() < margin) {
            horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        } else if (at.x() >= area.width() - margin) {
            horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        }
    }
    TCustomSystemTreeView::mouseMoveEvent(event);
}

void TSystemTreeView::contextMenuEvent(QContextMenuEvent* event) {
    const bool context = popupMenuMethod_ == pmmContext || popupMenuMethod_ == pmmContextUser;
    const bool user = popupMenuMethod_ == pmmUser || popupMenuMethod_ == pmmContextUser;
    event->accept();
    QTreeWidgetItem* node = itemAt(event->pos());
    if (context && node && RunContextMenu(node, event->globalPos())) {
        return;
    }
    if (user && popupMenu_) {
        popupMenu_->exec(event->globalPos());
    } else if (user) {
        event->ignore();  // Without a menu of its own, the owner's parent may show one.
    }
}

bool TSystemTreeView::RunContextMenu(QTreeWidgetItem* node, const QPoint& at) {
    SelectNode(node);
    // The tree may be rebuilt or refreshed while the menu is open: the node may not outlive it.
    const QPersistentModelIndex held = indexFromItem(node);
    QMenu menu(this);
    QAction* open = menu.addAction(QStringLiteral("Ouvrir dans le gestionnaire de fichiers"));
    QAction* create = menu.addAction(kNewFolder);
    QAction* rename = menu.addAction(QStringLiteral("Renommer"));
    open->setEnabled(!PathOf(node).isEmpty());
    create->setEnabled(CanCreateIn(node));
    rename->setEnabled(CanRename(node));
    QAction* chosen = menu.exec(at);
    node = itemFromIndex(held);
    if (!node) {
        return chosen != nullptr;
    }
    if (chosen == open) {
        OpenInFileManager(node);
    } else if (chosen == create) {
        CreateFolderIn(node);
    } else if (chosen == rename) {
        editItem(node);
    }
    return chosen != nullptr;
}

bool TSystemTreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (trigger == QAbstractItemView::AllEditTriggers || (editTriggers() & trigger)) {
        if (!CanRename(itemFromIndex(index))) {
            return false;
        }
        editing_ = index;
    }
    return TCustomSystemTreeView::edit(index, trigger, event);
}

void TSystemTreeView::commitData(QWidget* editor) {
    // The node takes the new name only once the disk has it.
    auto* line = qobject_cast<QLineEdit*>(editor);
    QTreeWidgetItem* node = editing_.isValid() ? itemFromIndex(editing_) : nullptr;
    editing_ = QPersistentModelIndex();
    if (line && node) {
        Rename(node, line->text());
    }
}

// ---------------------------------------------------------------------------------------------
// The context menu's commands

bool TSystemTreeView::CanCreateIn(const QTreeWidgetItem* node) const {
    const std::optional<NodeKind> kind = KindOf(node);
    const QString path = PathOf(node);
    return kind && IsFolderKind(*kind) && ListsItsFolder(node) && !path.isEmpty() &&
           QFileInfo(path).isDir() && Writable(path);
}

bool TSystemTreeView::CanRename(const QTreeWidgetItem* node) const {
    const QString path = PathOf(node);
    return node && IsListedKind(node) && node->parent() && !PathOf(node->parent()).isEmpty() &&
           !IsMountPoint(path) && Writable(ParentPath(path));
}

void TSystemTreeView::OpenInFileManager(const QTreeWidgetItem* node) {
    const QString path = PathOf(node);
    const QString folder = KindOf(node) == NodeKind::File ? ParentPath(path) : path;
    // The address carries the name's very bytes, also those that are not UTF-8.
    QDesktopServices::openUrl(QUrl::fromEncoded(
        "file://" + FileSystem::NativePath(folder).toPercentEncoding("/"), QUrl::StrictMode));
}

void TSystemTreeView::CreateFolderIn(QTreeWidgetItem* node) {
    const QString folder = PathOf(node);
    QString name = kNewFolder;
    try {
        const DirectoryHandle handle = DirectoryHandle::Open(folder);
        for (int n = 2; handle.Find(NativeNames::Encode(name)) != DirectoryHandle::Entry::Missing;
             ++n) {
            name = kNewFolder + QStringLiteral(" (%1)").arg(n);
        }
        handle.CreateSubdirectory(NativeNames::Encode(name));
    } catch (const Failure& failure) {
        ShowError(QStringLiteral("Impossible de créer le dossier « %1 » : %2")
                      .arg(name, SystemErrorMessage(failure.errorNumber())));
        return;
    }
    Refresh(node);
    Open(node);
    if (QTreeWidgetItem* created = Child(node, Directories::Join(folder, name))) {
        SelectNode(created);
        editItem(created);
    }
}

void TSystemTreeView::Rename(QTreeWidgetItem* node, const QString& name) {
    const QString path = PathOf(node);
    const QString old = FileName(path);
    if (name.isEmpty() || name == old) {
        return;
    }
    if (name.contains(QLatin1Char('/')) || name.contains(QChar(0)) || name == QLatin1String(".") ||
        name == QLatin1String("..")) {
        ShowError(QStringLiteral("« %1 » n'est pas un nom valide.").arg(name));
        return;
    }
    const QString parent = ParentPath(path);
    int error = 0;
    try {
        error = RenameNoReplace(DirectoryHandle::Open(parent), NativeNames::Encode(old),
                                NativeNames::Encode(name));
    } catch (const Failure& failure) {
        error = failure.errorNumber();
    }
    if (error != 0) {
        ShowError(QStringLiteral("Impossible de renommer « %1 » en « %2 » : %3")
                      .arg(old, name, SystemErrorMessage(error)));
        return;
    }
    Repath(node, path, Directories::Join(parent, name));
    node->setText(0, name);
    if (node->parent()) {
        SortChildren(node->parent());
    }
    SelectNode(node);
}
