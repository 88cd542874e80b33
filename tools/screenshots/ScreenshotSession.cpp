#include "ScreenshotSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeWidgetItemIterator>
#include <cstdio>

#include "widgets/TGradProgress.h"
#include "widgets/TSystemTreeView.h"
#include "widgets/TZederuGradientButton.h"
#include "wizard/TFormKestrix.h"
#include "wizard/WizardHooks.h"

namespace {

// The bar is caught past the middle of a file: plainly neither empty nor full, and the
// percentage, drawn in white at the centre, stands on the gradient.
constexpr int kLowestWanted = 55;
constexpr int kHighestWanted = 85;

void Fail(const QString& text) {
    std::fprintf(stderr, "kestrix_screenshots: %s\n", text.toLocal8Bit().constData());
}

}  // namespace

ScreenshotSession::ScreenshotSession(const QString& outputFolder, const QString& destination,
                                     const QString& browseFolder)
    : outputFolder_(outputFolder), destination_(destination), browseFolder_(browseFolder) {}

ScreenshotSession::~ScreenshotSession() = default;

bool ScreenshotSession::Run() {
    if (!QDir().mkpath(outputFolder_)) {
        Fail(QStringLiteral("cannot create ") + outputFolder_);
        return false;
    }
    WizardHooks hooks;
    hooks.answerMessage = [this](MessageIcon icon, MessageButtons buttons, const QString& text) {
        ++messages_;
        Fail((icon == MessageIcon::Error ? QStringLiteral("Erreur : ")
                                         : QStringLiteral("Avertissement : ")) +
             text);
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    };
    // The pictures show the normal layout, whatever the DPI of the offscreen screen.
    hooks.screenDpi = [] { return 96; };
    hooks.openUrl = [](const QUrl&) { return true; };
    window_ = std::make_unique<TFormKestrix>(QStringList{QStringLiteral("kestrix")}, hooks);
    window_->ShowAtLoopStart();
    Settle();
    if (!Save(window_->grab(), "welcome.png")) {
        return false;
    }

    // The browse page on the staged folder; Valider puts it into the destination, so the
    // destination is set again after it.
    if (!Click("BtnSuivant") || (Settle(), !Click("BtnParcourir"))) {
        return false;
    }
    Settle();
    if (!ShowBrowseFolder()) {
        return false;
    }
    Settle();
    if (!Save(window_->grab(), "browse.png") || !Click("BtnValider")) {
        return false;
    }
    Settle();
    window_->SetEditChemin(destination_);
    if (!Click("BtnSuivant")) {
        return false;
    }
    Settle();
    if (window_->Etape() != WizardStep::Files || window_->FileCount() == 0) {
        Fail(QStringLiteral("the file page shows no file"));
        return false;
    }
    if (!Save(window_->grab(), "files.png") || !Click("BtnSuivant")) {
        return false;
    }
    Settle();

    // The smallest blocks: the bar moves in many small steps.
    window_->SetTrackBarPosition(0);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [this] { WatchBackupPage(); });
    watch.start(0);
    if (!Click("BtnDemarrer")) {
        return false;
    }
    watch.stop();
    if (backupPicture_.isNull()) {
        Fail(QStringLiteral("the backup page was never drawn"));
        return false;
    }
    if (!partFilled_) {
        Fail(QStringLiteral("no file was seen half copied; the backup picture shows the bar at ") +
             QString::number(lastPosition_) + QStringLiteral(" %"));
    }
    if (!Save(backupPicture_, "backup.png")) {
        return false;
    }
    Settle();
    if (window_->Etape() != WizardStep::End || !Save(window_->grab(), "end.png")) {
        return false;
    }
    // Back to the welcome page, then the three options pages, with the usual block size, and
    // the about window.
    window_->SetTrackBarPosition(3);
    if (!Click("BtnPrecedent") || (Settle(), !Click("BtnOptions"))) {
        return false;
    }
    const struct {
        const char* tab;
        const char* picture;
    } kOptionsPages[] = {{"BtnOptionsGen", "options_general.png"},
                         {"BtnOptionsAff", "options_display.png"},
                         {"BtnOptionsEnreg", "options_saving.png"}};
    for (const auto& page : kOptionsPages) {
        Settle();
        if (!Click(page.tab)) {
            return false;
        }
        Settle();
        if (!Save(window_->grab(), page.picture)) {
            return false;
        }
    }
    if (!Click("BtnAide")) {
        return false;
    }
    Settle();
    auto* about = window_->findChild<QWidget*>(QStringLiteral("FormKestrixAide"));
    if (about == nullptr || !about->isVisible() || !Save(about->grab(), "about.png")) {
        Fail(QStringLiteral("the about window was not shown"));
        return false;
    }
    if (messages_ > 0) {
        Fail(QString::number(messages_) + QStringLiteral(" message box(es) shown during the run"));
        return false;
    }
    return true;
}

void ScreenshotSession::WatchBackupPage() {
    if (partFilled_ || window_->Etape() != WizardStep::Backup) {
        return;
    }
    const auto* bar = window_->findChild<TGradProgress*>(QStringLiteral("GradProgressFile"));
    if (bar == nullptr || bar->position() == lastPosition_) {
        return;
    }
    lastPosition_ = bar->position();
    backupPicture_ = window_->grab();
    partFilled_ = lastPosition_ >= kLowestWanted && lastPosition_ <= kHighestWanted;
}

bool ScreenshotSession::ShowBrowseFolder() {
    auto* tree = window_->findChild<TSystemTreeView*>(QStringLiteral("SystemTreeViewParcourir"));
    if (tree == nullptr || !tree->isVisible()) {
        Fail(QStringLiteral("the folder tree is not shown"));
        return false;
    }
    // "/" opens on this machine's own folders: closed in the picture.
    QTreeWidgetItem* home = nullptr;
    for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it) {
        const auto kind = TSystemTreeView::KindOf(*it);
        if (kind == TSystemTreeView::NodeKind::Drive &&
            TSystemTreeView::PathOf(*it) == QLatin1String("/")) {
            tree->collapseItem(*it);
        } else if (kind == TSystemTreeView::NodeKind::Home) {
            home = *it;
        }
    }
    if (home != nullptr &&
        browseFolder_.startsWith(TSystemTreeView::PathOf(home) + QLatin1Char('/'))) {
        // Selecting the path would go down from "/": the folder is reached from the home node.
        tree->expandItem(home);
        for (int i = 0; i < home->childCount(); ++i) {
            if (TSystemTreeView::PathOf(home->child(i)) == browseFolder_) {
                tree->setCurrentItem(home->child(i));
            }
        }
    } else {
        tree->setSelection(browseFolder_);
    }
    if (tree->selection() != browseFolder_) {
        Fail(QStringLiteral("the folder tree does not show ") + browseFolder_);
        return false;
    }
    return true;
}

bool ScreenshotSession::Click(const char* name) {
    auto* button = window_->findChild<TZederuGradientButton*>(QLatin1String(name));
    if (button == nullptr || !button->isVisible()) {
        Fail(QLatin1String(name) + QStringLiteral(" is not shown on page ") +
             QString::number(static_cast<int>(window_->Etape())));
        return false;
    }
    const QPointF at = QRectF(button->rect()).center();
    const QPointF global = button->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(button, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(button, &release);
    return true;
}

void ScreenshotSession::Settle() {
    // Several periods of the step timer: the page of the current step is laid out.
    QEventLoop loop;
    QTimer::singleShot(100, &loop, &QEventLoop::quit);
    loop.exec();
}

bool ScreenshotSession::Save(const QPixmap& picture, const char* name) {
    const QString path = QDir(outputFolder_).filePath(QLatin1String(name));
    if (!picture.save(path, "PNG")) {
        Fail(QStringLiteral("cannot write ") + path);
        return false;
    }
    std::printf("%s\n", path.toLocal8Bit().constData());
    return true;
}
