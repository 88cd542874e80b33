#include "wizard/TFormKestrix.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <ctime>

#include "config/BlockSize.h"
#include "config/Settings.h"
#include "platform/AppControl.h"
#include "platform/FileSystem.h"
#include "widgets/Screen.h"
#include "widgets/SystemColours.h"
#include "widgets/TGradProgress.h"
#include "widgets/TSystemTreeView.h"
#include "widgets/TTintoColorComboBox.h"
#include "widgets/TZederuGradientButton.h"
#include "widgets/TZederuWallpaper.h"
#include "wizard/ColourPresets.h"
#include "wizard/TFormKestrixAide.h"
#include "wizard/WizardPages.h"

using namespace WizardPages;

namespace {

// The period of TimerEtapes. Re-laying out the same page changes and repaints nothing, but
// waking the event loop a thousand times a second costs about 3 % of one core on its own
// (bench/idle); at 10 ms, the shortest period the timer of the original platform really gave,
// an idle wizard stays near 1 %.
constexpr int kTimerEtapesInterval = 10;

const QString kSuccessText = QStringLiteral("Votre sauvegarde a été créée avec succès !");
const QString kFailureText =
    QStringLiteral("La sauvegarde n'a pas pu être terminée correctement. Consultez le rapport.");

// Changes a control only when its visibility really changes, so that a page laid out again
// costs no repaint.
void SetShown(QWidget* widget, bool shown) {
    if (widget->isHidden() == shown) {
        widget->setVisible(shown);
    }
}

void ShowGroups(const std::vector<QWidget*>* groups, int count, unsigned flags) {
    for (int i = 0; i < count; ++i) {
        const bool shown = (flags & (1u << i)) != 0;
        for (QWidget* widget : groups[i]) {
            SetShown(widget, shown);
        }
    }
}

// The pump asks the time twice per block, a million times a GiB at 2 Ko. The coarse clock is
// read from memory, without the time-stamp counter; its few milliseconds of resolution are
// plenty against the periods of 10 and 40 ms it measures.
qint64 CoarseNowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<qint64>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace

TFormKestrix::TFormKestrix(const QStringList& arguments, QWidget* parent)
    : TFormKestrix(arguments, WizardHooks(), parent) {}

TFormKestrix::TFormKestrix(const QStringList& arguments, const WizardHooks& hooks, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      hooks_(hooks),
      arguments_(arguments),
      controller_(*this),
      reporter_(controller_.GetReporter()),
      engine_(controller_.Engine()) {
    if (hooks_.clock) {
        reporter_.SetClock(hooks_.clock);
    }
    if (hooks_.freeSpace) {
        engine_.SetFreeSpaceQuery(hooks_.freeSpace);
    }
    CreateControls();

    // The timer runs from the creation of the window to its end.
    TimerEtapes = new QTimer(this);
    TimerEtapes->setObjectName(QStringLiteral("TimerEtapes"));
    TimerEtapes->setInterval(kTimerEtapesInterval);
    connect(TimerEtapes, &QTimer::timeout, this, [this] { TimerEtapesTimer(); });
    TimerEtapes->start();

    // "Aide" may be pressed during an unattended run, which happens inside FormCreate.
    FormKestrixAide = new TFormKestrixAide(this, [this](const QUrl& url) { return OpenUrl(url); });
    FormCreate();
}

TFormKestrix::~TFormKestrix() = default;

// ---------------------------------------------------------------------------------------------
// Start-up and shutdown

void TFormKestrix::FormCreate() {
    const int dpi = hooks_.screenDpi ? hooks_.screenDpi() : ScreenLogicalDpiX();
    if (dpi == 120 &&
        ShowMessage(
            MessageIcon::Warning, MessageButtons::YesNo,
            QStringLiteral(
                "Vous utilisez actuellement le mode Grandes Polices de Windows. Kestrix "
                "est optimisé pour fonctionner en Petites Polices et apparaîtra fortement "
                "disproportionné si vous le lancez avec le mode Grandes Polices. Voulez-vous "
                "continuer malgré tout ?")) == MessageAnswer::No) {
        controller_.RequestEnd();
    }

    ApplyPage(WizardStep::Welcome);
    controller_.Start(arguments_);
}

void TFormKestrix::closeEvent(QCloseEvent* event) {
    controller_.Shutdown();
    event->accept();
    // The main window: closing it ends the application.
    controller_.RequestEnd();
}

bool TFormKestrix::CloseWindow() {
    close();
    return true;
}

void TFormKestrix::UnattendedRunStarts() {
    // Without a display nobody can see the window: left hidden, the run lays out and paints
    // nothing, and its labels still hold the texts of a shown run.
    if (!AppControl::Headless()) {
        setWindowState(windowState() | Qt::WindowMinimized);
        setVisible(true);
    }
}

void TFormKestrix::UnattendedBackupStarts() {
    EnterBackupPage();
}

void TFormKestrix::UnattendedBackupEnded() {
    ShowPendingPosition();
    ShowPendingFileSize();
}

void TFormKestrix::ShowAtLoopStart() {
    if (AppControl::EndRequested()) {
        return;
    }
    if (isMinimized()) {
        showMinimized();
    } else {
        show();
    }
}

// ---------------------------------------------------------------------------------------------
// Pages

void TFormKestrix::ShowPageControls(unsigned groups) {
    ShowGroups(controlGroups_, kControlGroupCount, groups);
}

void TFormKestrix::ShowPageCheckBoxes(unsigned groups) {
    ShowGroups(checkBoxGroups_, kCheckBoxGroupCount, groups);
}

void TFormKestrix::ShowPageButtons(unsigned groups) {
    ShowGroups(buttonGroups_, kButtonGroupCount, groups);
}

void TFormKestrix::ShowPageTexts(const QString& title, unsigned groups) {
    if (LabelTitre->text() != title) {
        LabelTitre->setText(title);
        LabelTitre->adjustSize();
    }
    ShowGroups(textGroups_, kTextGroupCount, groups);
}

void TFormKestrix::ApplyPage(WizardStep etape) {
    const PageLayout& page = WizardPages::Find(etape);
    ShowPageControls(page.controls);
    ShowPageCheckBoxes(page.checkBoxes);
    ShowPageButtons(page.buttons);
    ShowPageTexts(QString::fromUtf16(page.title), page.texts);
}

void TFormKestrix::EnterBackupPage() {
    BtnQuitter->setGeometry(148, 310, 296, 25);
    LabelStatus->resize(266, LabelStatus->height());
    ApplyPage(WizardStep::Backup);
    etape_ = WizardStep::Backup;
}

void TFormKestrix::SetEndPageOutcome(bool succeeded) {
    if (succeeded) {
        LabelStep6Num1->setText(kSuccessText);
        LabelStep6Num1->setGeometry(152, 76, 211, 13);
    } else {
        LabelStep6Num1->setText(kFailureText);
        LabelStep6Num1->setGeometry(152, 76, 284, 26);
    }
}

void TFormKestrix::TimerEtapesTimer() {
    UpdateBlockSizeText();
    if (!LaidOutByTimer(etape_)) {
        return;
    }
    if (etape_ == WizardStep::GeneralOptions) {
        if (LabelOptions1Desc->text() != blockSizeText_) {
            LabelOptions1Desc->setText(blockSizeText_);
        }
        if (LabelOptions1Desc->width() != 110) {
            LabelOptions1Desc->resize(110, LabelOptions1Desc->height());
        }
    }
    ApplyPage(etape_);
}

// ---------------------------------------------------------------------------------------------
// Buttons

// "Suivant" shows on the first three pages of the backup path and goes to the next one.
void TFormKestrix::BtnSuivantClick() {
    switch (etape_) {
        case WizardStep::Welcome:
            etape_ = WizardStep::Destination;
            break;
        case WizardStep::Destination: {
            SetEditChemin(engine_.PrepareDestination(EditChemin()));
            // A list that could not be read leaves the one shown before.
            const std::optional<std::vector<JobLine>> lines = engine_.LoadFileList();
            if (lines) {
                SetFileEntries(*lines);
            }
            etape_ = WizardStep::Files;
            break;
        }
        case WizardStep::Files:
            etape_ = WizardStep::BootFile;
            break;
        default:
            break;
    }
}

// "Précédent" goes to the previous page of the backup path; the end page goes back to the welcome
// page with a new report.
void TFormKestrix::BtnPrecedentClick() {
    switch (etape_) {
        case WizardStep::Destination:
            etape_ = WizardStep::Welcome;
            break;
        case WizardStep::Files:
            etape_ = WizardStep::Destination;
            break;
        case WizardStep::BootFile:
            etape_ = WizardStep::Files;
            break;
        case WizardStep::End:
            reporter_.RestartReport();
            etape_ = WizardStep::Welcome;
            break;
        default:
            break;
    }
}

void TFormKestrix::BtnParcourirClick() {
    ApplyPage(WizardStep::FolderBrowse);
    etape_ = WizardStep::FolderBrowse;
}

void TFormKestrix::BtnValiderClick() {
    if (etape_ == WizardStep::FolderBrowse) {
        const QString folder = SelectedFolder();
        if (folder.isEmpty()) {
            ShowMessage(
                MessageIcon::Warning, MessageButtons::Ok,
                QStringLiteral("Vous devez sélectionner un répertoire sur un de vos lecteurs !"));
        } else {
            etape_ = WizardStep::Destination;
            SetEditChemin(folder);
        }
    }
    if (etape_ == WizardStep::GeneralOptions || etape_ == WizardStep::DisplayOptions ||
        etape_ == WizardStep::SavingOptions) {
        etape_ = WizardStep::Welcome;
    }
}

void TFormKestrix::BtnDemarrerClick() {
    EnterBackupPage();
    RunEngineBackup();
    BtnQuitter->setGeometry(350, 310, 90, 25);
    SetEndPageOutcome(engine_.LastRunSucceeded());
    etape_ = WizardStep::End;
}

void TFormKestrix::BtnRapportClick() {
    // The current run's report: saved under the current number first, then opened.
    reporter_.SaveReport();
    if (!FileSystem::FileExists(reporter_.ReportFileName())) {
        return;
    }
    if (!OpenUrl(QUrl::fromLocalFile(QFileInfo(reporter_.ReportFileName()).absoluteFilePath()))) {
        ShowMessage(MessageIcon::Error, MessageButtons::Ok,
                    QStringLiteral("Impossible de lancer le Bloc-Notes avec le rapport ! Vérifiez "
                                   "que le fichier \"Notepad.exe\" se trouve bien dans votre "
                                   "répertoire Windows."));
    }
}

void TFormKestrix::BtnOptionsClick() {
    etape_ = WizardStep::GeneralOptions;
}

void TFormKestrix::BtnOptionsGenClick() {
    etape_ = WizardStep::GeneralOptions;
}

void TFormKestrix::BtnOptionsAffClick() {
    etape_ = WizardStep::DisplayOptions;
}

void TFormKestrix::BtnOptionsEnregClick() {
    etape_ = WizardStep::SavingOptions;
}

void TFormKestrix::BtnAideClick() {
    FormKestrixAide->ShowFromMain({TextureShown(), TColorToQColor(windowColour_),
                                   BtnQuitter->lightColor(), BtnQuitter->shadowColor()});
}

void TFormKestrix::BtnQuitterClick() {
    close();
}

void TFormKestrix::CheckBoxOptions2TextureClick() {
    ZederuWallpaper->setHidden(!CheckBoxOptions2Texture->isChecked());
}

void TFormKestrix::TintoColorComboBoxFondChange() {
    SetWindowColour(ComboColour(ColourBox::Fond));
}

void TFormKestrix::TintoColorComboBoxButtonHautChange() {
    ApplyButtonColours();
}

void TFormKestrix::TintoColorComboBoxButtonBasChange() {
    ApplyButtonColours();
}

void TFormKestrix::TintoColorComboBoxBarDebutChange() {
    GradProgressFile->setStartColor(ComboColour(ColourBox::BarDebut));
}

void TFormKestrix::TintoColorComboBoxBarFinChange() {
    GradProgressFile->setEndColor(ComboColour(ColourBox::BarFin));
}

void TFormKestrix::ApplyColourPreset(int index) {
    const ColourPreset& preset = ColourPresets::At(index);
    // Set from code, the boxes run none of their change handlers.
    SetComboColour(ColourBox::Fond, preset.window);
    SetComboColour(ColourBox::ButtonHaut, preset.buttonTop);
    SetComboColour(ColourBox::ButtonBas, preset.buttonBottom);
    SetComboColour(ColourBox::BarDebut, preset.barStart);
    SetComboColour(ColourBox::BarFin, preset.barEnd);
    ApplyButtonColours();
    SetWindowColour(ComboColour(ColourBox::Fond));
    SetProgressColours(ComboColour(ColourBox::BarDebut), ComboColour(ColourBox::BarFin));
}

QString TFormKestrix::SelectedFolder() const {
    return SystemTreeViewParcourir->selection();
}

bool TFormKestrix::OpenUrl(const QUrl& url) const {
    return hooks_.openUrl ? hooks_.openUrl(url) : QDesktopServices::openUrl(url);
}

// ---------------------------------------------------------------------------------------------
// The window's services to the engine

void TFormKestrix::SetMessageHook(WizardHooks::MessageHook hook) {
    hooks_.answerMessage = std::move(hook);
}

MessageAnswer TFormKestrix::ShowMessage(MessageIcon icon, MessageButtons buttons,
                                        const QString& text) {
    ShowPendingPosition();
    ShowPendingFileSize();
    if (hooks_.answerMessage) {
        return hooks_.answerMessage(icon, buttons, text);
    }
    if (AppControl::Headless()) {
        return AnswerOnStderr(icon, buttons, text);
    }
    const QString title =
        icon == MessageIcon::Error ? QStringLiteral("Erreur") : QStringLiteral("Avertissement");
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Warning,
                    title, text, QMessageBox::NoButton, this);
    if (buttons == MessageButtons::YesNo) {
        QPushButton* yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.exec();
        return box.clickedButton() == no ? MessageAnswer::No : MessageAnswer::Yes;
    }
    box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
    box.exec();
    return MessageAnswer::Ok;
}

void TFormKestrix::ShowSettings(const Settings& settings) {
    SetTextureShown(settings.textureShown);
    SetTrackBarPosition(settings.trackBarPosition);
    for (const auto& [box, colour] : settings.colours) {
        SetComboColour(box, colour);
    }
    SetWindowColour(settings.colours.at(ColourBox::Fond));
    SetProgressColours(settings.colours.at(ColourBox::BarDebut),
                       settings.colours.at(ColourBox::BarFin));
    ApplyButtonColours();
    for (const auto& [flag, checked] : settings.saveFlags) {
        SetSaveFlagChecked(flag, checked);
    }
    SetAutoexecChecked(settings.autoexec);
    SetEditChemin(settings.chemin);
}

void TFormKestrix::TakeSettings(Settings& settings) {
    settings.textureShown = TextureShown();
    settings.trackBarPosition = TrackBarPosition();
    for (auto& [box, colour] : settings.colours) {
        colour = ComboColour(box);
    }
    for (auto& [flag, checked] : settings.saveFlags) {
        checked = SaveFlagChecked(flag);
    }
    settings.autoexec = AutoexecChecked();
    settings.chemin = EditChemin();
}

bool TFormKestrix::TextureShown() const {
    return !ZederuWallpaper->isHidden();
}

void TFormKestrix::SetTextureShown(bool shown) {
    ZederuWallpaper->setHidden(!shown);
    CheckBoxOptions2Texture->setChecked(shown);
}

int TFormKestrix::TrackBarPosition() const {
    return TrackBarVitesse->value();
}

void TFormKestrix::SetTrackBarPosition(int position) {
    TrackBarVitesse->setValue(BlockSize::Clamp(position));
}

void TFormKestrix::UpdateBlockSizeText() {
    const QString text = BlockSize::Text(TrackBarVitesse->value());
    if (!text.isEmpty()) {
        blockSizeText_ = text;
    }
}

TColor TFormKestrix::ComboColour(ColourBox box) const {
    return colourBoxes_.at(box)->colorValue();
}

void TFormKestrix::SetComboColour(ColourBox box, TColor colour) {
    colourBoxes_.at(box)->setColorValue(colour);
}

void TFormKestrix::SetWindowColour(TColor colour) {
    windowColour_ = colour;
    QPalette colours = palette();
    colours.setColor(QPalette::Window, TColorToQColor(colour));
    setPalette(colours);
}

void TFormKestrix::SetProgressColours(TColor start, TColor end) {
    GradProgressFile->setStartColor(start);
    GradProgressFile->setEndColor(end);
}

void TFormKestrix::ApplyButtonColours() {
    const TColor light = ComboColour(ColourBox::ButtonHaut);
    const TColor shadow = ComboColour(ColourBox::ButtonBas);
    TZederuGradientButton* const order[] = {
        BtnAide,           BtnDemarrer,     BtnOptions,   BtnOptionsAff, BtnOptionsGen,
        BtnOptionsDefault, BtnOptionsEnreg, BtnParcourir, BtnPrecedent,  BtnSuivant,
        BtnValider,        BtnRapport,      BtnQuitter};
    for (TZederuGradientButton* button : order) {
        button->setLightColor(light);
    }
    for (TZederuGradientButton* button : order) {
        button->setShadowColor(shadow);
    }
}

bool TFormKestrix::SaveFlagChecked(SaveFlag flag) const {
    return saveBoxes_.at(flag)->isChecked();
}

void TFormKestrix::SetSaveFlagChecked(SaveFlag flag, bool checked) {
    saveBoxes_.at(flag)->setChecked(checked);
}

bool TFormKestrix::AutoexecChecked() const {
    return CheckBoxAutoexec->isChecked();
}

void TFormKestrix::SetAutoexecChecked(bool checked) {
    CheckBoxAutoexec->setChecked(checked);
}

QString TFormKestrix::EditChemin() const {
    return EditChemin_->text();
}

void TFormKestrix::SetEditChemin(const QString& text) {
    EditChemin_->setText(text);
}

int TFormKestrix::FileCount() const {
    return CheckListBoxFiles->count();
}

JobLine TFormKestrix::FileEntry(int index) const {
    JobLine line = lines_.at(static_cast<std::size_t>(index));
    line.ticked = CheckListBoxFiles->item(index)->checkState() == Qt::Checked;
    return line;
}

BackupJob TFormKestrix::JobFromPages() const {
    BackupJob job{EditChemin(), {}, AutoexecChecked(), TrackBarPosition()};
    for (int index = 0; index < FileCount(); ++index) {
        job.lines.push_back(FileEntry(index));
    }
    return job;
}

void TFormKestrix::SetFileEntries(const std::vector<JobLine>& lines) {
    lines_ = lines;
    CheckListBoxFiles->clear();
    for (const JobLine& entry : lines) {
        auto* item = new QListWidgetItem(entry.text, CheckListBoxFiles);
        Qt::ItemFlags flags = Qt::ItemIsUserCheckable | Qt::ItemIsSelectable;
        if (entry.enabled) {
            flags |= Qt::ItemIsEnabled;
        }
        item->setFlags(flags);
        item->setCheckState(entry.ticked ? Qt::Checked : Qt::Unchecked);
        item->setSizeHint(QSize(0, 19));
    }
}

void TFormKestrix::SetStatusText(const QString& text) {
    LabelStatus->setText(text);
}

void TFormKestrix::SetFileText(const QString& text) {
    LabelCopyFile->setText(text);
    LabelCopyFile->setGeometry(152, 228, 169, 17);
}

void TFormKestrix::SetFileAmount(qint64 copied, qint64 size) {
    // The amount changes with almost every block: it is formatted and shown with a pass of the
    // pump, which the screen can follow, not with each block.
    pendingFileSize_ = std::make_pair(copied, size);
}

void TFormKestrix::ShowPendingFileSize() {
    if (pendingFileSize_) {
        LabelFileSize->setText(
            BackupProgress::FileAmountText(pendingFileSize_->first, pendingFileSize_->second));
        LabelFileSize->setGeometry(304, 228, 136, 13);
        pendingFileSize_.reset();
        lastFileSizeShown_ = CoarseNowNs();
    }
}

void TFormKestrix::RunEngineBackup() {
    job_ = JobFromPages();
    engine_.RunBackup(job_);
    ShowPendingPosition();
    ShowPendingFileSize();
}

void TFormKestrix::SetPosition(int position) {
    // Each step is drawn at once with the next pass of the pump: a small file runs through its
    // hundred steps faster than a screen shows one.
    pendingPosition_ = position;
}

void TFormKestrix::ShowPendingPosition() {
    if (pendingPosition_) {
        GradProgressFile->setPosition(*pendingPosition_);
        pendingPosition_.reset();
    }
}

void TFormKestrix::SetFileShown(bool visible) {
    SetShown(LabelCopyFile, visible);
    SetShown(LabelFileSize, visible);
    SetShown(GradProgressFile, visible);
}

void TFormKestrix::Pump() {
    // The run pumps twice per block, hundreds of thousands of times a second with small blocks.
    // Within 10 ms of the last pass (the step timer's period) nothing a person or the screen
    // could notice has arrived, so such a pass is left out.
    const qint64 now = CoarseNowNs();
    if (now - lastPump_ < kPumpIntervalNs) {
        return;
    }
    ShowPendingPosition();
    // The amount is text drawn anew at each change; 25 times a second reads as continuous.
    if (now - lastFileSizeShown_ >= kFileSizeIntervalNs) {
        ShowPendingFileSize();
    }
    QCoreApplication::processEvents();
    lastPump_ = CoarseNowNs();
}
