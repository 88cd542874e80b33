#pragma once

#include <QStringList>
#include <QWidget>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "backup/BackupEngine.h"
#include "backup/BackupJob.h"
#include "config/Settings.h"
#include "controller/ControllerHost.h"
#include "controller/RunController.h"
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

// The main window of Kestrix: a fixed-size wizard whose pages are its own controls, shown by
// the step number Etape and laid out again by TimerEtapes. It hosts the run's controller (the
// report, the settings, the engine), holds the settings in its controls while it is open, and
// builds each backup's job from its pages. Every control carries its name as its object name.
class TFormKestrix : public QWidget, public ControllerHost {
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

    // The controller's exit status. (2, a program that could not start, is decided before any
    // window exists.)
    int ExitStatus() const { return controller_.ExitStatus(); }

    WizardStep Etape() const { return etape_; }
    const Reporter& GetReporter() const { return controller_.GetReporter(); }

    // Replaces the person who answers the message boxes (an empty hook shows the real box).
    void SetMessageHook(WizardHooks::MessageHook hook);

    // ControllerHost: the one message-box function of the window, the settings in its
    // controls, the close sequence, the unattended run's page and the progress of a backup.
    MessageAnswer ShowMessage(MessageIcon icon, MessageButtons buttons,
                              const QString& text) override;
    void ShowSettings(const Settings& settings) override;
    void TakeSettings(Settings& settings) override;
    bool CloseWindow() override;
    void UnattendedRunStarts() override;
    void UnattendedBackupStarts() override;
    void UnattendedBackupEnded() override;
    void SetStatusText(const QString& text) override;
    void SetFileText(const QString& text) override;
    void SetFileAmount(qint64 copied, qint64 size) override;
    void SetPosition(int position) override;
    void SetFileShown(bool shown) override;
    void Pump() override;

    // The controls that hold the settings.
    bool TextureShown() const;
    void SetTextureShown(bool shown);
    int TrackBarPosition() const;
    // A position outside 0 to 6 is brought to the nearer end.
    void SetTrackBarPosition(int position);
    void UpdateBlockSizeText();
    TColor ComboColour(ColourBox box) const;
    void SetComboColour(ColourBox box, TColor colour);
    void SetWindowColour(TColor colour);
    // GradProgressFile's start and end colours.
    void SetProgressColours(TColor start, TColor end);
    // Paints every wizard button with the two button combo boxes' colours.
    void ApplyButtonColours();
    bool SaveFlagChecked(SaveFlag flag) const;
    void SetSaveFlagChecked(SaveFlag flag, bool checked);
    bool AutoexecChecked() const;
    void SetAutoexecChecked(bool checked);
    QString EditChemin() const;
    void SetEditChemin(const QString& text);

    // CheckListBoxFiles: its lines with their ticks as the user left them.
    int FileCount() const;
    JobLine FileEntry(int index) const;
    void SetFileEntries(const std::vector<JobLine>& lines);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void CreateFrame();
    void CreateBackupPages();
    void CreateOptionsPages();
    void CreateButtons();
    void ConnectHandlers();
    void NameControlsByTheirLabels();
    void SetTabOrder();

    void FormCreate();

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
    // The backup the pages describe.
    BackupJob JobFromPages() const;

    WizardHooks hooks_;
    QStringList arguments_;
    RunController controller_;
    Reporter& reporter_;
    BackupEngine& engine_;
    // The files each line of CheckListBoxFiles stands for.
    std::vector<JobLine> lines_;
    // The job of the window's backup in progress.
    BackupJob job_;
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
