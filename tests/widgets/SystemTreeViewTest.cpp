#include "widgets/TSystemTreeView.h"

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include <gtest/gtest.h>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <ostream>

#include "Mounts.h"
#include "WidgetTestSupport.h"
#include "platform/NativeNames.h"

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '[' << texts.join(QStringLiteral("|")).toStdString() << ']';
}

namespace {

using Kind = TSystemTreeView::NodeKind;

QTreeWidgetItem* FindNode(QTreeWidgetItem* node, const std::function<bool(QTreeWidgetItem*)>& is) {
    if (is(node)) {
        return node;
    }
    for (int i = 0; i < node->childCount(); ++i) {
        if (QTreeWidgetItem* found = FindNode(node->child(i), is)) {
            return found;
        }
    }
    return nullptr;
}

QStringList Texts(const QTreeWidgetItem* node) {
    QStringList texts;
    for (int i = 0; node && i < node->childCount(); ++i) {
        texts << node->child(i)->text(0);
    }
    return texts;
}

// A tree over a home folder of its own, shown, telling its selection changes at once.
class SystemTreeViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        qputenv("HOME", QFile::encodeName(Path("home")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(Path("home/.config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(Path("home/.local/share")));
    }

    // Made at first use, so that a test may enter a mount namespace before.
    TSystemTreeView& Tree() {
        if (!tree_) {
            tree_ = std::make_unique<TSystemTreeView>();
        }
        return *tree_;
    }
    QString Path(const QString& relative) const { return dir_.filePath(relative); }
    QString Make(const QString& relative) const {
        QDir().mkpath(Path(relative));
        return Path(relative);
    }
    void Touch(const QString& relative) const {
        QFile file(Path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    TSystemTreeView& Show() {
        Tree().setReadDelay(0);
        Tree().setErrorHandler([this](const QString& text) { errors_ << text; });
        Tree().resize(300, 500);
        Tree().show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&Tree()));
        return Tree();
    }

    QTreeWidgetItem* Node(const std::function<bool(QTreeWidgetItem*)>& is) {
        return Tree().topLevelItemCount() > 0 ? FindNode(Tree().topLevelItem(0), is) : nullptr;
    }
    QTreeWidgetItem* NodeAt(const QString& path) {
        return Node([&](QTreeWidgetItem* n) {
            return TSystemTreeView::PathOf(n) == path && TSystemTreeView::KindOf(n) != Kind::Drive;
        });
    }
    QTreeWidgetItem* Computer() {
        return Node(
            [](QTreeWidgetItem* n) { return TSystemTreeView::KindOf(n) == Kind::Computer; });
    }
    QTreeWidgetItem* Selected() { return Tree().selectedItems().value(0); }

    // Right-clicks the node and picks `entry` in the menu, after `whileOpen`; returns the enabled
    // entries.
    QStringList Choose(QTreeWidgetItem* node, const QString& entry,
                       const std::function<void()>& whileOpen = {}) {
        QStringList enabled;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            if (whileOpen) {
                whileOpen();
            }
            QAction* pick = nullptr;
            for (QAction* action : menu->actions()) {
                if (action->isEnabled()) {
                    enabled << action->text();
                }
                if (action->text() == entry && action->isEnabled()) {
                    pick = action;
                }
            }
            if (!pick) {
                menu->close();
                return;
            }
            menu->setActiveAction(pick);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        const QPoint at = Tree().visualItemRect(node).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, Tree().viewport()->mapToGlobal(at));
        QApplication::sendEvent(Tree().viewport(), &event);
        return enabled;
    }
    // Return in the editor; the view commits once the editor is done with the key.
    void Enter() {
        QTest::keyClick(Editor(), Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    // The open editor (one just closed may not be deleted yet).
    QLineEdit* Editor() {
        for (QLineEdit* editor : Tree().viewport()->findChildren<QLineEdit*>()) {
            if (editor->isVisible()) {
                return editor;
            }
        }
        return nullptr;
    }

    QTemporaryDir dir_;
    std::unique_ptr<TSystemTreeView> tree_;
    QStringList errors_;
};

TEST_F(SystemTreeViewTest, FirstBuildSelectsTheRootDriveOpenUnderPosteDeTravail) {
    Make("home/Desktop/projets");
    Make("home/Desktop/Notes");
    Tree().setSelection(QStringLiteral("/"));
    EXPECT_EQ(Tree().selection(), QString()) << "nothing before the first build";
    Show();
    EXPECT_EQ(Tree().version(), QStringLiteral("TSystemTreeView v1.0"));
    QTreeWidgetItem* root = Tree().topLevelItem(0);
    EXPECT_EQ(root->text(0), QStringLiteral("Bureau"));
    EXPECT_EQ(TSystemTreeView::PathOf(root), Path("home/Desktop"));
    EXPECT_EQ(Texts(root),
              (QStringList{"Poste de travail", "Dossier personnel", "Notes", "projets"}));
    EXPECT_EQ(TSystemTreeView::PathOf(root->child(1)), Path("home"));
    EXPECT_EQ(Tree().selection(), QStringLiteral("/"));
    EXPECT_EQ(Selected()->parent(), Computer());
    EXPECT_EQ(Computer()->child(0), Selected()) << "/ is the first drive";
    EXPECT_TRUE(Selected()->isExpanded());

    Tree().setCurrentItem(Computer());
    EXPECT_EQ(Tree().selection(), QString());
    Tree().setSelection(QString());
    EXPECT_EQ(Selected(), root);
    EXPECT_EQ(Tree().selection(), Path("home/Desktop"));
}

TEST_F(SystemTreeViewTest, WithoutADesktopFolderTheRootIsTheHomeFolder) {
    Make("home/documents");
    Show();
    QTreeWidgetItem* root = Tree().topLevelItem(0);
    EXPECT_EQ(TSystemTreeView::PathOf(root), Path("home"));
    // The home's folders once, under their own node, not a second time beside it.
    EXPECT_EQ(Texts(root), (QStringList{"Poste de travail", "Dossier personnel"}));
    EXPECT_EQ(TSystemTreeView::KindOf(root->child(1)), Kind::Home);
    EXPECT_EQ(TSystemTreeView::PathOf(root->child(1)), Path("home"));
    root->child(1)->setExpanded(true);
    EXPECT_EQ(Texts(root->child(1)), QStringList{"documents"});
}

TEST_F(SystemTreeViewTest, WithoutADesktopFolderAFolderMadeAtHomeShowsOnlyUnderTheHomeNode) {
    Make("home/documents");
    Show();
    QTreeWidgetItem* root = Tree().topLevelItem(0);
    QTreeWidgetItem* home = root->child(1);
    Tree().setCurrentItem(home);  // Both watchers, the folder's and its parent's, are on home.
    home->setExpanded(true);
    Make("home/photos");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return Texts(home) == (QStringList{"documents", "photos"});
        },
        2000))
        << Texts(home).join(',').toStdString();
    QTest::qWait(100);  // The parent's watcher has told too.
    EXPECT_EQ(Texts(root), (QStringList{"Poste de travail", "Dossier personnel"}));
    EXPECT_EQ(Choose(root, QString()), QStringList{"Ouvrir dans le gestionnaire de fichiers"})
        << "a new folder is made in the home node";
    EXPECT_EQ(Choose(home, QString()),
              (QStringList{"Ouvrir dans le gestionnaire de fichiers", "Nouveau dossier"}));
}

TEST_F(SystemTreeViewTest, AWalkSelectsTheDeepestNodeAndAPathOfNothingLeavesTheSelection) {
    Make("a/b");
    Show();
    Tree().setSelection(Path("a/b"));
    EXPECT_EQ(Tree().selection(), Path("a/b"));
    for (const QString& bad : {Path("a/none"), QStringLiteral("relative/a"), Path("a//../zz")}) {
        Tree().setSelection(bad);
        EXPECT_EQ(Tree().selection(), Path("a/b")) << bad.toStdString();
    }
    Tree().setShowHiddenDirs(false);
    Make("a/.hidden/deep");
    Tree().setSelection(Path("a/.hidden/deep"));
    EXPECT_EQ(Tree().selection(), Path("a")) << "the hidden folder has no node";
}

TEST_F(SystemTreeViewTest, AFolderWithoutSubfoldersLosesItsButtonOnOpening) {
    Make("top/empty");
    Touch("top/empty/file.txt");
    Show();
    Tree().setSelection(Path("top"));
    int populated = 0;
    QObject::connect(&Tree(), &TSystemTreeView::populated, [&] { ++populated; });
    QTreeWidgetItem* empty = NodeAt(Path("top/empty"));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    empty->setExpanded(true);
    EXPECT_FALSE(empty->isExpanded());
    EXPECT_EQ(empty->childCount(), 0);
    EXPECT_NE(empty->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_EQ(populated, 0);
    NodeAt(Path("top"))->setExpanded(false);
    NodeAt(Path("top"))->setExpanded(true);
    EXPECT_EQ(populated, 1) << "OnPopulated at every opening of a node with children";
}

struct ListingCase {
    const char* name;
    bool hidden;
    bool files;
    const char* mask;
    QStringList expected;
};

void PrintTo(const ListingCase& c, std::ostream* out) {
    *out << c.name;
}

class ListingTest : public SystemTreeViewTest, public ::testing::WithParamInterface<ListingCase> {};

TEST_P(ListingTest, ChildrenOfAFolder) {
    for (const char* folder : {"f/b", "f/A", "f/a10", "f/a9", "f/.cache"}) {
        Make(QLatin1String(folder));
    }
    for (const char* file : {"f/x.conf", "f/Y.TXT", "f/z.log", "f/.env.txt", "f/0.conf.bak"}) {
        Touch(QLatin1String(file));
    }
    Tree().setShowHiddenDirs(GetParam().hidden);
    Tree().setShowFiles(GetParam().files);
    Tree().setFileMask(QLatin1String(GetParam().mask));
    Show();
    Tree().setSelection(Path("f"));
    EXPECT_EQ(Texts(Selected()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListingTest,
    ::testing::Values(
        ListingCase{
            "FoldersByNaturalCaseBlindOrder", true, false, "", {".cache", "A", "a9", "a10", "b"}},
        ListingCase{"WithoutHidden", false, false, "", {"A", "a9", "a10", "b"}},
        ListingCase{"FilesAfterFolders",
                    false,
                    true,
                    "",
                    {"A", "a9", "a10", "b", "0.conf.bak", "x.conf", "Y.TXT", "z.log"}},
        ListingCase{"MaskOnFilesOnly",
                    true,
                    true,
                    "*.conf;*.txt",
                    {".cache", "A", "a9", "a10", "b", ".env.txt", "x.conf", "Y.TXT"}},
        ListingCase{"MaskWithoutFilesShowsFolders",
                    true,
                    false,
                    "*.conf",
                    {".cache", "A", "a9", "a10", "b"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SystemTreeViewTest, FoldersMadeAndRemovedOutsideAppearAndGo) {
    Make("w/old");
    Show();
    Tree().setSelection(Path("w"));
    ASSERT_EQ(Texts(Selected()), QStringList{"old"});
    Make("w/new");
    QDir(Path("w/old")).removeRecursively();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Texts(Selected()) == QStringList{"new"}; }, 2000))
        << Texts(Selected()).join(',').toStdString();
    EXPECT_EQ(Tree().selection(), Path("w"));
}

TEST_F(SystemTreeViewTest, TheSelectedFolderRemovedOrRenamedOutsideMovesTheSelectionUp) {
    for (const bool rename : {false, true}) {
        Make("p/gone");
        if (!Tree().isVisible()) {
            Show();
        }
        Tree().setSelection(Path("p/gone"));
        ASSERT_EQ(Tree().selection(), Path("p/gone"));
        if (rename) {
            ASSERT_TRUE(QDir().rename(Path("p/gone"), Path("p/moved")));
        } else {
            ASSERT_TRUE(QDir(Path("p/gone")).removeRecursively());
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return Tree().selection() == Path("p"); }, 2000))
            << Tree().selection().toStdString();
        EXPECT_FALSE(Texts(Selected()).contains("gone"));
        QDir(Path("p/moved")).removeRecursively();
    }
}

TEST_F(SystemTreeViewTest, ATmpfsMountedBelowAppearsAsADriveAndGoesKeepingTheSelection) {
    const std::string why = Mounts::EnterPrivateNamespace();
    if (!why.empty()) {
        GTEST_SKIP() << why;
    }
    const QString stick = Make("m/stick");
    TSystemTreeView& tree = Show();  // After entering the namespace: its mount table is followed.
    tree.setSelection(Path("m"));
    const auto drives = [&] { return Texts(Computer()); };
    ASSERT_FALSE(drives().contains("stick"));
    {
        const Mounts::Mount mount = Mounts::Mount::Tmpfs(stick, 1 << 20);
        ASSERT_TRUE(mount.ok());
        EXPECT_TRUE(QTest::qWaitFor([&] { return drives().contains("stick"); }, 1000));
        EXPECT_EQ(tree.selection(), Path("m"));
        QTreeWidgetItem* drive = Selected();
        while (TSystemTreeView::KindOf(drive) != Kind::Drive) {
            drive = drive->parent();
        }
        EXPECT_EQ(drive->text(0), QStringLiteral("/")) << "still reached through /";
        tree.setSelection(stick);
        EXPECT_EQ(TSystemTreeView::KindOf(Selected()), Kind::Drive);
        // Its caption is the last folder name; its hint says where it is mounted.
        EXPECT_EQ(Selected()->text(0), QStringLiteral("stick"));
        EXPECT_EQ(Selected()->toolTip(0), stick);
        EXPECT_EQ(drive->toolTip(0), QStringLiteral("/"));
        Make("m/stick/inside");
        tree.setSelection(Path("m/stick/inside"));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !drives().contains("stick"); }, 1000));
    EXPECT_EQ(tree.selection(), stick) << "the nearest parent that is left";
}

TEST_F(SystemTreeViewTest, NewFolderAndRenameThroughTheContextMenu) {
    Make("c/taken");
    Show();
    Tree().setSelection(Path("c"));
    QTreeWidgetItem* folder = Selected();
    EXPECT_EQ(
        Choose(folder, QStringLiteral("Nouveau dossier")),
        (QStringList{"Ouvrir dans le gestionnaire de fichiers", "Nouveau dossier", "Renommer"}));
    ASSERT_NE(Editor(), nullptr) << "the new folder's name is being edited";
    QTest::keyClick(Editor(), Qt::Key_Escape);
    Choose(NodeAt(Path("c")), QStringLiteral("Nouveau dossier"));
    EXPECT_TRUE(QFileInfo(Path("c/Nouveau dossier")).isDir());
    EXPECT_TRUE(QFileInfo(Path("c/Nouveau dossier (2)")).isDir());
    EXPECT_EQ(Tree().selection(), Path("c/Nouveau dossier (2)"));
    ASSERT_NE(Editor(), nullptr);
    Editor()->selectAll();
    QTest::keyClicks(Editor(), QStringLiteral("Photos"));
    Enter();
    EXPECT_TRUE(QFileInfo(Path("c/Photos")).isDir());
    EXPECT_EQ(Tree().selection(), Path("c/Photos"));
    EXPECT_EQ(Texts(NodeAt(Path("c"))), (QStringList{"Nouveau dossier", "Photos", "taken"}));

    // A name already taken is never replaced: the old name stays, with a message.
    Choose(NodeAt(Path("c/Photos")), QStringLiteral("Renommer"));
    ASSERT_NE(Editor(), nullptr);
    Editor()->setText(QStringLiteral("taken"));
    Enter();
    EXPECT_TRUE(QFileInfo(Path("c/Photos")).isDir());
    EXPECT_EQ(NodeAt(Path("c/Photos"))->text(0), QStringLiteral("Photos"));
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_TRUE(errors_[0].startsWith(
        QString::fromUtf8("Impossible de renommer « Photos » en « taken » : ")))
        << errors_[0].toStdString();
}

TEST_F(SystemTreeViewTest, MenuEntriesThatCannotApplyAreDisabled) {
    Show();
    EXPECT_EQ(Choose(Computer(), QString()), QStringList{}) << "no path";
    EXPECT_FALSE(Choose(Selected(), QString()).contains("Renommer")) << "a drive";
}

TEST_F(SystemTreeViewTest, CustomRootWithItsCaption) {
    Make("custom/sub/deeper");
    Tree().setRootFolder(TSystemTreeView::rfCustom);
    Tree().setCustomDir(Path("custom"));
    Tree().setCustomDirCaption(QStringLiteral("Mes sauvegardes"));
    Show();
    QTreeWidgetItem* root = Tree().topLevelItem(0);
    EXPECT_EQ(root->text(0), QStringLiteral("Mes sauvegardes"));
    EXPECT_EQ(Texts(root), QStringList{"sub"});
    Tree().setSelection(QStringLiteral("Mes sauvegardes/sub/deeper"));
    EXPECT_EQ(Tree().selection(), Path("custom/sub/deeper"));
    Tree().setSelection(QStringLiteral("/"));
    EXPECT_EQ(Selected(), root) << "a path outside the root reaches only the root";

    Tree().setCustomDir(Path("missing"));
    EXPECT_EQ(Tree().topLevelItemCount(), 0);
    EXPECT_EQ(Tree().selection(), QString());
}

TEST_F(SystemTreeViewTest, ANodeWithoutFolderDataShowsTheComponentsBox) {
    Show();
    auto* bare = new QTreeWidgetItem(QStringList{QStringLiteral("bare")});
    bare->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    Tree().topLevelItem(0)->addChild(bare);
    bare->setExpanded(true);
    EXPECT_EQ(errors_, QStringList{"Could not get folder data."});
    EXPECT_FALSE(bare->isExpanded());
}

// ---------------------------------------------------------------------------------------------
// Which menu a right click shows

struct PopupCase {
    const char* name;
    TSystemTreeView::TPopupMenuMethod method;
    bool overNode;
    QStringList shown;  // "ours" and "owner", in the order they appear
    bool selects;
};

void PrintTo(const PopupCase& c, std::ostream* out) {
    *out << c.name;
}

class PopupMenuTest : public SystemTreeViewTest, public ::testing::WithParamInterface<PopupCase> {
protected:
    // Right-clicks at `at` (viewport coordinates); closes each menu that opens and tells whose
    // it was.
    QStringList RightClick(const QPoint& at, const QMenu* owner) {
        QStringList shown;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                shown << (menu == owner ? "owner" : "ours");
                menu->close();
            }
        });
        watch.start();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, Tree().viewport()->mapToGlobal(at));
        QApplication::sendEvent(Tree().viewport(), &event);
        return shown;
    }
};

TEST_P(PopupMenuTest, ARightClickShowsTheMenusOfItsMethod) {
    Make("r/sub");
    QMenu owner;
    owner.addAction(QStringLiteral("Propriétés"));
    Tree().setRootFolder(TSystemTreeView::rfCustom);
    Tree().setCustomDir(Path("r"));
    Tree().setPopupMenuMethod(GetParam().method);
    Tree().setPopupMenu(&owner);
    Show();
    QTreeWidgetItem* root = Tree().topLevelItem(0);
    Tree().setCurrentItem(root);
    const QRect sub = Tree().visualItemRect(NodeAt(Path("r/sub")));
    const QPoint at =
        GetParam().overNode ? sub.center() : QPoint(sub.center().x(), sub.bottom() + 60);
    ASSERT_EQ(Tree().itemAt(at) != nullptr, GetParam().overNode);
    EXPECT_EQ(RightClick(at, &owner), GetParam().shown);
    EXPECT_EQ(Tree().selection(), GetParam().selects ? Path("r/sub") : Path("r"));
}

INSTANTIATE_TEST_SUITE_P(
    Methods, PopupMenuTest,
    ::testing::Values(
        PopupCase{"NoneShowsNothing", TSystemTreeView::pmmNone, true, {}, false},
        PopupCase{"ContextOverANode", TSystemTreeView::pmmContext, true, {"ours"}, true},
        PopupCase{"ContextElsewhere", TSystemTreeView::pmmContext, false, {}, false},
        PopupCase{"UserOverANode", TSystemTreeView::pmmUser, true, {"owner"}, false},
        PopupCase{"UserElsewhere", TSystemTreeView::pmmUser, false, {"owner"}, false},
        PopupCase{"ContextUserOverANodeLeftWithoutACommand",
                  TSystemTreeView::pmmContextUser,
                  true,
                  {"ours", "owner"},
                  true},
        PopupCase{
            "ContextUserElsewhere", TSystemTreeView::pmmContextUser, false, {"owner"}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SystemTreeViewTest, ACommandOfOurMenuKeepsTheOwnersMenuClosed) {
    Make("r/sub");
    QMenu owner;
    owner.addAction(QStringLiteral("Propriétés"));
    Tree().setPopupMenuMethod(TSystemTreeView::pmmContextUser);
    Tree().setPopupMenu(&owner);
    Show();
    Tree().setSelection(Path("r"));
    bool ownerShown = false;
    QObject::connect(&owner, &QMenu::aboutToShow, [&] {
        ownerShown = true;
        QTimer::singleShot(0, &owner, &QMenu::close);
    });
    Choose(Selected(), QStringLiteral("Nouveau dossier"));
    EXPECT_TRUE(QFileInfo(Path("r/Nouveau dossier")).isDir());
    EXPECT_FALSE(ownerShown);
}

// ---------------------------------------------------------------------------------------------
// "Ouvrir dans le gestionnaire de fichiers"

struct OpenCase {
    const char* name;
    const char* node;  // a path below the test folder, or "@desktop", "@home", "@computer", "@/"
    QByteArray opens;  // the folder the file manager is asked for, below the test folder
                       // ("/" for the root, empty for nothing)
    bool rebuiltWhileOpen;
};

void PrintTo(const OpenCase& c, std::ostream* out) {
    *out << c.name;
}

class OpenInFileManagerTest : public SystemTreeViewTest,
                              public ::testing::WithParamInterface<OpenCase> {
protected:
    // The toolkit cannot remove a name that is not UTF-8.
    void TearDown() override { ::rmdir((QFile::encodeName(Path("c")) + "/caf\xe9").constData()); }
};

TEST_P(OpenInFileManagerTest, AsksTheDesktopForTheFolderAsAFileAddress) {
    const OpenCase& c = GetParam();
    Make("home/Desktop");
    const QByteArray base = QFile::encodeName(Make("c"));
    for (const char* name : {"/Mes documents #1 100%", "/caf\xe9"}) {
        ASSERT_EQ(::mkdir((base + name).constData(), 0755), 0) << name;
    }
    Touch("c/notes.txt");
    LinkRecorder files;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &files, "open");
    Tree().setShowFiles(true);
    Show();
    Tree().setSelection(Path("c"));
    const QString node = QString::fromLatin1(c.node);
    QTreeWidgetItem* item = nullptr;
    if (node == QLatin1String("@desktop")) {
        item = Tree().topLevelItem(0);
    } else if (node == QLatin1String("@home")) {
        item = Node([](QTreeWidgetItem* n) { return TSystemTreeView::KindOf(n) == Kind::Home; });
    } else if (node == QLatin1String("@computer")) {
        item = Computer();
    } else if (node == QLatin1String("@/")) {
        item = Computer()->child(0);
    } else {
        item = NodeAt(Path("c") + NativeNames::Decode(QByteArray(c.node)));
    }
    ASSERT_NE(item, nullptr);
    const QString entry = QStringLiteral("Ouvrir dans le gestionnaire de fichiers");
    const QStringList enabled = Choose(item, entry, [&] {
        if (c.rebuiltWhileOpen) {
            Tree().Rebuild();
        }
    });
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(enabled.contains(entry), node != QLatin1String("@computer"));
    if (c.opens.isEmpty()) {
        EXPECT_EQ(files.opened, QList<QUrl>{});
        return;
    }
    ASSERT_EQ(files.opened.size(), 1);
    const QUrl url = files.opened.first();
    EXPECT_EQ(url.scheme(), QStringLiteral("file"));
    EXPECT_EQ(url.host(), QString());
    const QByteArray expected =
        c.opens == "/" ? c.opens : QFile::encodeName(dir_.path()) + "/" + c.opens;
    EXPECT_EQ(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()), expected)
        << url.toEncoded().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Nodes, OpenInFileManagerTest,
    ::testing::Values(OpenCase{"AFolderWithSignsInItsName", "/Mes documents #1 100%",
                               "c/Mes documents #1 100%", false},
                      OpenCase{"AFolderNamedInLatin1", "/caf\xe9", "c/caf\xe9", false},
                      OpenCase{"AFileOpensItsFolder", "/notes.txt", "c", false},
                      OpenCase{"TheDesktop", "@desktop", "home/Desktop", false},
                      OpenCase{"TheHomeNode", "@home", "home", false},
                      OpenCase{"TheRootDrive", "@/", "/", false},
                      OpenCase{"PosteDeTravailHasNoFolder", "@computer", "", false},
                      OpenCase{"ANodeGoneWhileTheMenuWasOpen", "/Mes documents #1 100%", "", true}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Checkboxes and Autoscroll

// Every node of the tree, depth first.
void AllNodes(QTreeWidgetItem* node, QList<QTreeWidgetItem*>& into) {
    into << node;
    for (int i = 0; i < node->childCount(); ++i) {
        AllNodes(node->child(i), into);
    }
}

TEST_F(SystemTreeViewTest, CheckboxesOnEveryNodeTickedByMouseAndSpaceKeptByRefreshAndRebuild) {
    Make("k/one");
    Make("k/two");
    Tree().setCheckboxes(true);
    Show();
    Tree().setSelection(Path("k"));
    QList<QTreeWidgetItem*> nodes;
    AllNodes(Tree().topLevelItem(0), nodes);
    ASSERT_GT(nodes.size(), 6);
    for (QTreeWidgetItem* node : nodes) {
        EXPECT_TRUE(node->flags() & Qt::ItemIsUserCheckable) << node->text(0).toStdString();
        EXPECT_EQ(node->data(0, Qt::CheckStateRole), QVariant(Qt::Unchecked))
            << node->text(0).toStdString();
    }

    // A click on the box of "one" ticks it; Space on the current node unticks it again.
    QTreeWidgetItem* one = NodeAt(Path("k/one"));
    QStyleOptionViewItem option;
    option.initFrom(&Tree());
    option.rect = Tree().visualItemRect(one);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    const QRect box =
        Tree().style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &Tree());
    QTest::mouseClick(Tree().viewport(), Qt::LeftButton, {}, box.center());
    EXPECT_EQ(one->checkState(0), Qt::Checked);
    EXPECT_EQ(NodeAt(Path("k/two"))->checkState(0), Qt::Unchecked);
    Tree().setCurrentItem(NodeAt(Path("k/two")));
    QTest::keyClick(&Tree(), Qt::Key_Space);
    EXPECT_EQ(NodeAt(Path("k/two"))->checkState(0), Qt::Checked);

    // A folder that appears has its box; the ticks already given stay.
    Make("k/three");
    EXPECT_TRUE(QTest::qWaitFor([&] { return NodeAt(Path("k/three")) != nullptr; }, 2000));
    EXPECT_EQ(NodeAt(Path("k/three"))->data(0, Qt::CheckStateRole), QVariant(Qt::Unchecked));
    EXPECT_EQ(NodeAt(Path("k/one"))->checkState(0), Qt::Checked);
    EXPECT_EQ(NodeAt(Path("k/two"))->checkState(0), Qt::Checked);

    // A rebuild, as after a mount, makes every node again with the ticks it had.
    Tree().Rebuild();
    EXPECT_EQ(NodeAt(Path("k/one"))->checkState(0), Qt::Checked);
    EXPECT_EQ(NodeAt(Path("k/two"))->checkState(0), Qt::Checked);
    EXPECT_EQ(NodeAt(Path("k/three"))->checkState(0), Qt::Unchecked);

    Tree().setCheckboxes(false);
    nodes.clear();
    AllNodes(Tree().topLevelItem(0), nodes);
    for (QTreeWidgetItem* node : nodes) {
        EXPECT_FALSE(node->flags() & Qt::ItemIsUserCheckable) << node->text(0).toStdString();
        EXPECT_FALSE(node->data(0, Qt::CheckStateRole).isValid()) << node->text(0).toStdString();
    }
    EXPECT_EQ(Tree().selection(), Path("k/two")) << "the rebuild keeps the selection";
    // Boxes given again start unticked.
    Tree().setCheckboxes(true);
    EXPECT_EQ(NodeAt(Path("k/one"))->checkState(0), Qt::Unchecked);
}

struct ScrollCase {
    const char* name;
    bool autoscroll;
    char edge;  // 'T'op, 'B'ottom, 'L'eft, 'M'iddle
    int lines;  // how far the tree scrolls down
};

void PrintTo(const ScrollCase& c, std::ostream* out) {
    *out << c.name;
}

class AutoscrollTest : public SystemTreeViewTest,
                       public ::testing::WithParamInterface<ScrollCase> {};

TEST_P(AutoscrollTest, TheMouseNearAnEdgeScrollsOneLineTowardsIt) {
    for (int i = 0; i < 60; ++i) {
        Make(QStringLiteral("s/dossier %1").arg(i));
    }
    Tree().setRootFolder(TSystemTreeView::rfCustom);
    Tree().setCustomDir(Path("s"));
    Tree().setAutoscroll(GetParam().autoscroll);
    Show();
    Tree().resize(200, 160);
    Tree().move(0, 0);
    Settle();
    QScrollBar* bar = Tree().verticalScrollBar();
    ASSERT_GT(bar->maximum(), 20);
    bar->setValue(10);
    const QRect area = Tree().viewport()->rect();
    const QPoint at = GetParam().edge == 'T'   ? QPoint(area.center().x(), 2)
                      : GetParam().edge == 'B' ? QPoint(area.center().x(), area.bottom() - 2)
                      : GetParam().edge == 'L' ? QPoint(2, area.center().y())
                                               : area.center();
    QTest::mouseMove(Tree().viewport(), area.center());
    Settle();
    bar->setValue(10);
    QTest::mouseMove(Tree().viewport(), at);
    Settle();
    EXPECT_EQ(bar->value(), 10 + GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Edges, AutoscrollTest,
                         ::testing::Values(ScrollCase{"OffNothingMoves", false, 'B', 0},
                                           ScrollCase{"NearTheTop", true, 'T', -1},
                                           ScrollCase{"NearTheBottom", true, 'B', 1},
                                           ScrollCase{"NearTheLeftNoLineMoves", true, 'L', 0},
                                           ScrollCase{"InTheMiddle", true, 'M', 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// A folder that cannot be read

// This thread's file-system identity as another user and group: root's rights over files go
// with it (the kernel drops them while the fs uid is not 0), as on a share that squashes root.
class OtherFsUser {
public:
    explicit OtherFsUser(uid_t id)
        : previousGroup_(static_cast<gid_t>(::setfsgid(id))),
          previousUser_(static_cast<uid_t>(::setfsuid(id))) {
        active_ =
            static_cast<gid_t>(::setfsgid(id)) == id && static_cast<uid_t>(::setfsuid(id)) == id;
    }
    ~OtherFsUser() {
        ::setfsuid(previousUser_);
        ::setfsgid(previousGroup_);
    }
    OtherFsUser(const OtherFsUser&) = delete;
    OtherFsUser& operator=(const OtherFsUser&) = delete;
    bool active() const { return active_; }

private:
    gid_t previousGroup_;
    uid_t previousUser_;
    bool active_ = false;
};

struct UnreadableCase {
    const char* name;
    bool byWalk;  // reached by setSelection, else opened by its button
};

void PrintTo(const UnreadableCase& c, std::ostream* out) {
    *out << c.name;
}

class UnreadableFolderTest : public SystemTreeViewTest,
                             public ::testing::WithParamInterface<UnreadableCase> {};

TEST_P(UnreadableFolderTest, ListsNothingAndLosesItsButton) {
    Make("u/locked/inner");
    ASSERT_TRUE(QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                       QFile::ExeOwner | QFile::ReadOther |
                                                       QFile::ExeOther));
    ASSERT_EQ(::chmod(QFile::encodeName(Path("u/locked")).constData(), ::geteuid() == 0 ? 0700 : 0),
              0);
    Show();
    Tree().setSelection(Path("u"));
    QTreeWidgetItem* locked = NodeAt(Path("u/locked"));
    ASSERT_NE(locked, nullptr);
    ASSERT_EQ(locked->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    {
        std::unique_ptr<OtherFsUser> other;
        if (::geteuid() == 0) {
            other = std::make_unique<OtherFsUser>(65534);
            if (!other->active()) {
                GTEST_SKIP() << "this process may not change its file-system user (setfsuid)";
            }
        }
        const int fd = ::open(QFile::encodeName(Path("u/locked")).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
            GTEST_SKIP() << "the folder stays readable under another user";
        }
        ASSERT_EQ(errno, EACCES);
        static QStringList warnings;
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& text) { warnings << text; });
        if (GetParam().byWalk) {
            Tree().setSelection(Path("u/locked/inner"));
        } else {
            locked->setExpanded(true);
        }
        qInstallMessageHandler(previous);
        EXPECT_EQ(warnings, QStringList{}) << "a folder that cannot be watched is left silently";
    }
    EXPECT_EQ(Tree().selection(), GetParam().byWalk ? Path("u/locked") : Path("u"));
    EXPECT_EQ(locked->childCount(), 0);
    EXPECT_FALSE(locked->isExpanded());
    EXPECT_NE(locked->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_EQ(errors_, QStringList{});
}

INSTANTIATE_TEST_SUITE_P(Ways, UnreadableFolderTest,
                         ::testing::Values(UnreadableCase{"OpenedByItsButton", false},
                                           UnreadableCase{"ReachedByAWalk", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
