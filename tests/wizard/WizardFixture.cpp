#include "WizardFixture.h"

#include <QCoreApplication>
#include <QTest>
#include "widgets/TZederuGradientButton.h"

#include "FileBytes.h"
#include "platform/AppControl.h"

void WizardFixture::SetUp() {
    AppControl::Reset();
    folder_ = std::make_unique<TempProgramFolder>(TempProgramFolder::Contents::Shipped);
    QDir(folder_->path()).mkpath(QStringLiteral("src"));
    writeBytes(Source(QStringLiteral("a.txt")), "alpha\n");
    writeBytes(Source(QStringLiteral("b.txt")), QByteArray(3000, 'b'));
    writeBytes(File(QStringLiteral("Data/Kestrix.dat")),
               (Source(QStringLiteral("a.txt")) + QStringLiteral("\r\n") +
                Source(QStringLiteral("b.txt")) + QStringLiteral("\r\n") +
                Source(QStringLiteral("missing.txt")) + QStringLiteral("\r\n"))
                   .toUtf8());
    writeBytes(File(QStringLiteral("Data/Kestrix.res")), "RESTORE");
}

void WizardFixture::TearDown() {
    window_.reset();
    AppControl::Reset();
}

void WizardFixture::Start(const QStringList& arguments) {
    WizardHooks hooks;
    hooks.answerMessage = [this](MessageIcon icon, MessageButtons buttons, const QString& text) {
        messages_.push_back({icon, buttons, text});
        if (onMessage_) {
            onMessage_(text);
        }
        if (!answers_.empty()) {
            const MessageAnswer answer = answers_.front();
            answers_.pop_front();
            return answer;
        }
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    };
    hooks.screenDpi = [this] { return dpi_; };
    hooks.clock = [this] { return now_; };
    hooks.freeSpace = [this](const QString&) { return freeSpace_; };
    hooks.openUrl = [this](const QUrl& url) {
        opened_ << url;
        return openSucceeds_;
    };
    window_ =
        std::make_unique<TFormKestrix>(QStringList{QStringLiteral("kestrix")} + arguments, hooks);
    window_->ShowAtLoopStart();
    Tick();
}

TZederuGradientButton* WizardFixture::Button(const char* name) {
    auto* button = window_->findChild<TZederuGradientButton*>(QLatin1String(name));
    EXPECT_NE(button, nullptr) << name;
    return button;
}

void WizardFixture::Click(const char* name) {
    TZederuGradientButton* button = Button(name);
    ASSERT_TRUE(button->isVisibleTo(window_.get())) << name << " clicked while hidden";
    ClickThroughWindow(button);
}

void WizardFixture::ClickThroughWindow(QWidget* control) {
    // The press goes to the window at the control's centre: whatever lies on top there gets it.
    QWidget* top = control->window();
    ASSERT_NE(top->windowHandle(), nullptr) << "the window was never shown";
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      control->mapTo(top, control->rect().center()));
}

void WizardFixture::StartOnAutoexecPage() {
    Start();
    Click("BtnSuivant");
    Tick();
    Window().SetEditChemin(Dest());
    Click("BtnSuivant");
    Tick();
    Click("BtnSuivant");
    Tick();
}

void WizardFixture::Tick() {
    // The step timer always runs: each wait ends with at least one of its ticks.
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

QStringList WizardFixture::VisibleControls() {
    QStringList names;
    for (QWidget* child : window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow() && !child->objectName().isEmpty() &&
            child->isVisibleTo(window_.get())) {
            names << child->objectName();
        }
    }
    names.sort();
    return names;
}

QStringList WizardFixture::Frame() {
    return {QStringLiteral("BevelBas"),       QStringLiteral("BevelHaut"),
            QStringLiteral("BevelImage"),     QStringLiteral("BtnQuitter"),
            QStringLiteral("ImageLogo"),      QStringLiteral("LabelTitre"),
            QStringLiteral("ZederuWallpaper")};
}

QStringList WizardFixture::Messages() const {
    QStringList texts;
    for (const Message& message : messages_) {
        texts << message.text;
    }
    return texts;
}

QString WizardFixture::ReportPath(const QString& number) const {
    return File(QStringLiteral("Rapports/Rapport ") + number +
                QStringLiteral(" - Lundi 07 Décembre 2026.txt"));
}

QStringList Section(const QString& title) {
    const QString titleLine = QStringLiteral(" # ") + title;
    return {QString(),
            QString(62, QLatin1Char('~')),
            QString(),
            titleLine,
            QLatin1Char(' ') + QString(titleLine.size() - 1, QLatin1Char('-')),
            QString()};
}
