#pragma once

#include <QStringList>
#include <QWidget>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "backup/BackupControls.h"
#include "backup/BackupEngine.h"
#include "config/SettingsControls.h"
#include "report/Reporter.h"
#include "report/UserInterface.h"
#include "wizard/WizardHooks.h"
#include "wizard/WizardStep.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QSlider;
class QTimer;
class TFormKestrixAide;
class TGradProgress;
class TSystemTreeView;
class TTintoColorComboBox;
class TZederuGradientButton;
class TZederuWallpaper;
class WizardCommandLine;

// The main window of Kestrix: a fixed-size wizard whose pages are its own controls, shown by
// the step number Etape and laid out again by TimerEtapes. It owns the program's state for the
// whole run: the report, the backup engine and the controls that hold the settings. Every
// control carries its name as its object name.
class TFormKestrix : public QWidget,
                     public UserInterface,
                     public SettingsControls,
                     public BackupControls {
    Q_OBJECT
public:
    // Creates the window and runs its start-up sequence FormCreate (with "/auto" among the
    // arguments, the whole unattended backup).
    explicit TFormKestrix(const QStringList& arguments, QWidget* parent = nullptr);
    TFormKestrix(const QStringList& arguments, const WizardHooks& hooks, QWidget* parent = nullptr);
    ~TFormKestrix() override;

    // At the start of the event loop: shows the window, minimised if it was left minimised;
    // nothing when the end of the application is already requested.
    void ShowAtLoopStart();

    // 0 when the run reported no error and every ticked file of every backup was copied; 1
    // when an error was reported, a ticked file was not copied, or a run as root wrote where the
    // restore program will not trust the backup. (2, a program that could not start, is decided
    // before any window exists.)
    int ExitStatus() const;

    WizardStep Etape() const { return etape_; }
    const Reporter& GetReporter() const { return reporter_; }

    // Replaces the person who answers the message boxes (an empty hook shows the real box).
    void SetMessageHook(WizardHooks::MessageHook hook);

    // UserInterface and BackupControls: the one message-box function of the window.
    MessageAnswer ShowMessage(MessageIcon icon, MessageButtons buttons,
                              const QString& text) override;
    void RequestEnd() override;
    // Closes the window, whose close sequence is the shutdown stage.
    void RunShutdownStage() override;

    // SettingsControls.
    bool TextureShown() const override;
    void SetTextureShown(bool shown) override;
    int TrackBarPosition() const override;
    void SetTrackBarPosition(int position) override;
    void UpdateBlockSizeText() override;
    QString BlockSizeText() const override { return blockSizeText_; }
    TColor ComboColour(ColourBox box) const override;
    void SetComboColour(ColourBox box, TColor colour) override;
    void SetWindowColour(TColor colour) override;
    void SetProgressColours(TColor start, TColor end) override;
    void ApplyButtonColours() override;
    bool SaveFlagChecked(SaveFlag flag) const override;
    void SetSaveFlagChecked(SaveFlag flag, bool checked) override;
    bool AutoexecChecked() const override;
    void SetAutoexecChecked(bool checked) override;
    QString EditChemin() const override;
    void SetEditChemin(const QString& text) override;

    // BackupControls.
    int FileCount() const override;
    ListEntry FileEntry(int index) const override;
    void SetFileEntries(const std::vector<ListEntry>& entries) override;
    void SetStatusText(const QString& text) override;
    void SetCopyFileText(const QString& text) override;
    void SetFileAmount(qint64 copied, qint64 size) override;
    void SetProgressPosition(int position) override;
    void SetCopyControlsVisible(bool visible) override;
    void PumpMessages() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class WizardCommandLine;

    void CreateControls();
    void CreateFrame();
    void CreateBackupPages();
    void CreateOptionsPages();
    void CreateButtons();
    void ConnectHandlers();
    void NameControlsByTheirLabels();
    void SetTabOrder();

    void FormCreate();
    void FormClose();
    void RunUnattendedBackup();

    // The page operations: each sets the visibility of every control of each group to its flag.
    void ShowPageControls(unsigned groups);
    void ShowPageCheckBoxes(unsigned groups);
    void ShowPageButtons(unsigned groups);
    void ShowPageTexts(const QString& title, unsigned groups);
    void ApplyPage(WizardStep etape);
    void EnterBackupPage();
    void SetEndPageOutcome(bool succeeded);

    void TimerEtapesTimer();
    void BtnSuivantClick();
    void BtnPrecedentClick();
    void BtnParcourirClick();
    void BtnValiderClick();
    void BtnDemarrerClick();
    void BtnRapportClick();
    void BtnOptionsClick();
    void BtnOptionsGenClick();
    void BtnOptionsAffClick();
    void BtnOptionsEnregClick();
    void BtnAideClick();
    void BtnQuitterClick();
    void CheckBoxOptions2TextureClick();
    void TintoColorComboBoxFondChange();
    void TintoColorComboBoxButtonHautChange();
    void TintoColorComboBoxButtonBasChange();
    void TintoColorComboBoxBarDebutChange();
    void TintoColorComboBoxBarFinChange();
    // MenuItemKestrixClick, MenuItemWinDClick and MenuItemWinNClick: the preset of that row.
    void ApplyColourPreset(int index);

    QString SelectedFolder() const;
    void RunEngineBackup();
    // What the run set of the amount and the bar since they were last shown.
    void ShowPendingFileSize();
    void ShowPendingPosition();
    bool OpenUrl(const QUrl& url) const;

    WizardHooks hooks_;
    QStringList arguments_;
    Reporter reporter_;
    BackupEngine engine_;
    std::unique_ptr<WizardCommandLine> commandLine_;
    WizardStep etape_ = WizardStep::Welcome;
    // Instants on the coarse monotonic clock, in nanoseconds.
    static constexpr qint64 kLongAgo = std::numeric_limits<qint64>::min() / 2;
    qint64 lastPump_ = kLongAgo;
    qint64 lastFileSizeShown_ = kLongAgo;
    std::optional<std::pair<qint64, qint64>> pendingFileSize_;  // copied, size
    std::optional<int> pendingPosition_;
    static constexpr qint64 kPumpIntervalNs = 10'000'000;
    static constexpr qint64 kFileSizeIntervalNs = 40'000'000;
    QString blockSizeText_;
    TColor windowColour_ = clBtnFace;

    std::vector<QWidget*> controlGroups_[9];
    std::vector<QWidget*> checkBoxGroups_[3];
    std::vector<QWidget*> buttonGroups_[10];
    std::vector<QWidget*> textGroups_[10];
    std::map<SaveFlag, QCheckBox*> saveBoxes_;
    std::map<ColourBox, TTintoColorComboBox*> colourBoxes_;

    QTimer* TimerEtapes;
    TFormKestrixAide* FormKestrixAide = nullptr;

    // The frame.
    TZederuWallpaper* ZederuWallpaper;
    QLabel* ImageLogo;
    QFrame* BevelImage;
    QLabel* LabelTitre;
    QFrame* BevelHaut;
    QFrame* BevelBas;

    // The buttons.
    TZederuGradientButton* BtnAide;
    TZederuGradientButton* BtnSuivant;
    TZederuGradientButton* BtnPrecedent;
    TZederuGradientButton* BtnOptions;
    TZederuGradientButton* BtnParcourir;
    TZederuGradientButton* BtnValider;
    TZederuGradientButton* BtnDemarrer;
    TZederuGradientButton* BtnRapport;
    TZederuGradientButton* BtnQuitter;
    TZederuGradientButton* BtnOptionsGen;
    TZederuGradientButton* BtnOptionsAff;
    TZederuGradientButton* BtnOptionsEnreg;
    TZederuGradientButton* BtnOptionsDefault;

    // The pages of the backup path.
    QLineEdit* EditChemin_;
    TSystemTreeView* SystemTreeViewParcourir;
    QListWidget* CheckListBoxFiles;
    QCheckBox* CheckBoxAutoexec;
    QLabel* LabelStatus;
    QLabel* LabelCopyFile;
    QLabel* LabelFileSize;
    QLabel* LabelStep6Num1;
    TGradProgress* GradProgressFile;

    // The options pages.
    QSlider* TrackBarVitesse;
    QLabel* LabelOptions1Desc;
    QCheckBox* CheckBoxOptions2Texture;
    QMenu* MenuOptionsAffichage;
};
