#include "widgets/TSystemTreeView.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <ostream>

#include "Mounts.h"

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

    // Right-clicks the node and picks `entry` in the menu; returns the enabled entries.
    QStringList Choose(QTreeWidgetItem* node, const QString& entry) {
        QStringList enabled;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
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
    EXPECT_EQ(TSystemTreeView::PathOf(Tree().topLevelItem(0)), Path("home"));
    EXPECT_EQ(Texts(Tree().topLevelItem(0)), (QStringList{"Poste de travail", "documents"}));
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

}  // namespace
