#include "config/Settings.h"

#include <climits>
#include <cstdio>
#include <exception>
#include <vector>

#include "config/IniFile.h"
#include "config/SettingsText.h"
#include "platform/Failure.h"

const QString kIniPath = QStringLiteral("./Data/Kestrix.ini");

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kEnregistrement = QStringLiteral("Enregistrement");
const QString kSauvegarde = QStringLiteral("Sauvegarde");
const QString kAutres = QStringLiteral("Autres");
const QString kCurrentRapportNo = QStringLiteral("CurrentRapportNo");
const QString kDefaultChemin = QStringLiteral("/var/backups/Save");

using SettingsText::kNon;
using SettingsText::kOui;

// The save flags after "Autoexec" as ReadSettings reads and echoes them.
struct FlagLine {
    SaveFlag flag;
    const char* key;
    const char16_t* line;
};

const FlagLine kReadFlags[] = {
    {SaveFlag::RepName, "Chemin", u" * Nom du répertoire utilisé : "},
    {SaveFlag::BtnColor, "BtnColors", u" * Couleurs des boutons      : "},
    {SaveFlag::BarColor, "BarColors", u" * Couleurs de la barre      : "},
    {SaveFlag::WinColor, "BackColor", u" * Couleur des fenêtres      : "},
    {SaveFlag::Vitesse, "Vitesse", u" * Taille des blocs fichier  : "},
    {SaveFlag::Texture, "Texture", u" * Utilisation de la texture : "},
};

// The seven flags as WriteSettings always writes them.
const FlagLine kWriteFlags[] = {
    {SaveFlag::Autoexec, "Autoexec", u" * Création d'Autoexec.bat   : "},
    {SaveFlag::RepName, "Chemin", u" * Nom du répertoire utilisé : "},
    {SaveFlag::BtnColor, "BtnColors", u" * Couleurs des boutons      : "},
    {SaveFlag::BarColor, "BarColors", u" * Couleurs de la barre      : "},
    {SaveFlag::WinColor, "BackColor", u" * Couleur de la fenêtre     : "},
    {SaveFlag::Texture, "Texture", u" * Utilisation de la texture : "},
    {SaveFlag::Vitesse, "Vitesse", u" * Taille des blocs fichier  : "},
};

// A value of the settings read once at start-up, or its fallback.
QString Value(const QByteArray& ini, const QString& section, const QString& key,
              const QString& fallback) {
    return IniFile::Lookup(ini, section, key).value_or(fallback);
}

QString Text(const char16_t* text) {
    return QString::fromUtf16(text);
}

// "CurrentRapportNo": the report of this run gets the stored number plus one. A text that is no
// number stays as the report number text and fails the reading. A number that cannot count on
// (below 0, or without a successor) and a text that would put the report in another folder
// would fail or misplace every run from now on: they give way to the default, named on stderr.
void ReadReportNumber(Reporter& reporter, const QByteArray& ini) {
    const QString kDefault = QStringLiteral("00");
    QString stored = Value(ini, kAutres, kCurrentRapportNo, kDefault);
    bool usable = !stored.contains(QLatin1Char('/')) && !stored.contains(QStringLiteral(".."));
    if (usable) {
        try {
            const int number = SettingsText::ToInteger(stored);
            usable = number >= 0 && number < INT_MAX;
        } catch (const Failure&) {
            // No number: failed below, as any unreadable value.
        }
    }
    if (!usable) {
        std::fprintf(stderr,
                     "Kestrix : \"Autres\"/\"CurrentRapportNo\" de Kestrix.ini vaut \"%s\", qui "
                     "ne peut pas numéroter les rapports (un nombre de 0 à %d) : %s est pris à "
                     "la place.\n",
                     stored.toLocal8Bit().constData(), INT_MAX - 1,
                     kDefault.toLocal8Bit().constData());
        stored = kDefault;
    }
    reporter.SetReportNumberText(stored);
    reporter.SetReportNumber(SettingsText::ToInteger(stored) + 1);
}

// Reads, echoes and applies everything up to the report number, in the order that decides how
// far the report and the window get when a value fails.
void ReadDisplayAndFlags(Reporter& reporter, Settings& settings, const QByteArray& ini) {
    const QString texture =
        SettingsText::NormalisedBool(Value(ini, kOptions, QStringLiteral("Texture"), kOui));
    reporter.Append(QStringLiteral(" - Paramètres généraux et d'affichage"));
    reporter.Append(QStringLiteral(" * Usage de la texture  : ") + texture);
    if (texture == kNon) {
        settings.textureShown = false;
    }

    const QString vitesse = Value(ini, kOptions, QStringLiteral("Vitesse"), QStringLiteral("3"));
    // The line tells the block size held before this reading.
    reporter.Append(QStringLiteral(" * Taille des blocs     : ") +
                    QString::number(settings.trackBarPosition) + QStringLiteral(" (") +
                    BlockSize::Text(settings.trackBarPosition) + QLatin1Char(')'));
    settings.trackBarPosition = BlockSize::Clamp(SettingsText::ToInteger(vitesse));

    const QString barDebut =
        Value(ini, kOptions, QStringLiteral("BarColorDebut"), QStringLiteral("$00004000"));
    const QString barFin =
        Value(ini, kOptions, QStringLiteral("BarColorFin"), QStringLiteral("$0080FF80"));
    reporter.Append(QStringLiteral(" * Couleurs de la barre : ") + barDebut + QStringLiteral(", ") +
                    barFin);
    settings.colours[ColourBox::BarDebut] = SettingsText::ToColour(barDebut);
    settings.colours[ColourBox::BarFin] = SettingsText::ToColour(barFin);

    const QString back =
        Value(ini, kOptions, QStringLiteral("BackColor"), QStringLiteral("clBtnFace"));
    settings.colours[ColourBox::Fond] = SettingsText::ToColour(back);
    reporter.Append(QStringLiteral(" * Couleur des fenêtres : ") + back);

    const QString haut =
        Value(ini, kOptions, QStringLiteral("ButtonColorHaut"), QStringLiteral("$00E0E0E0"));
    const QString bas =
        Value(ini, kOptions, QStringLiteral("ButtonColorBas"), QStringLiteral("clSilver"));
    reporter.Append(QStringLiteral(" * Couleurs des boutons : ") + haut + QStringLiteral(", ") +
                    bas);
    settings.colours[ColourBox::ButtonHaut] = SettingsText::ToColour(haut);
    settings.colours[ColourBox::ButtonBas] = SettingsText::ToColour(bas);

    const QString autoexecFlag =
        SettingsText::NormalisedBool(Value(ini, kEnregistrement, QStringLiteral("Autoexec"), kOui));
    reporter.Append(QString());
    reporter.Append(QStringLiteral(" - Paramètres à enregistrer à la fermeture du programme"));
    reporter.Append(QStringLiteral(" * Création d'Autoexec.bat   : ") + autoexecFlag);
    if (autoexecFlag == kNon) {
        settings.saveFlags[SaveFlag::Autoexec] = false;
    }
    for (const FlagLine& f : kReadFlags) {
        const QString value =
            SettingsText::NormalisedBool(Value(ini, kEnregistrement, QLatin1String(f.key), kOui));
        reporter.Append(Text(f.line) + value);
        if (value == kNon) {
            settings.saveFlags[f.flag] = false;
        }
    }

    const QString autoexec =
        SettingsText::NormalisedBool(Value(ini, kSauvegarde, QStringLiteral("Autoexec"), kNon));
    reporter.Append(QString());
    reporter.Append(QStringLiteral(" - Paramètres de la dernière sauvegarde"));
    reporter.Append(QStringLiteral(" * Créer un Autoexec.bat  : ") + autoexec);
    if (autoexec == kOui) {
        settings.autoexec = true;
    }
    settings.chemin = Value(ini, kSauvegarde, QStringLiteral("Chemin"), kDefaultChemin);
    reporter.Append(QStringLiteral(" * Répertoire destination : ") + settings.chemin);
}

}  // namespace

void ReadSettings(Reporter& reporter, Settings& settings) {
    const QByteArray ini = IniFile(kIniPath).ReadAll();
    bool numberRead = false;
    try {
        ReadDisplayAndFlags(reporter, settings, ini);
        numberRead = true;
        ReadReportNumber(reporter, ini);
        reporter.Append(QString());
        reporter.Append(QStringLiteral(" - Autres paramètres"));
        reporter.Append(QStringLiteral(" * Numéro de rapport courant : ") +
                        reporter.ReportNumberText());
    } catch (const Failure&) {
        reporter.ReportError(ErrorCode::FichierIni);
    }
    if (!numberRead) {
        // The reading stopped before the report number: it is still needed to name this run's
        // report and to be written back, so it is read without report lines.
        try {
            ReadReportNumber(reporter, ini);
        } catch (const Failure&) {
            // The stored text stays as the number text, as when it fails in its own step.
        }
    }
}

namespace {

// A line of the settings' report and the keys that stand behind it.
struct WriteStep {
    QString line;
    std::vector<IniFile::Entry> entries;
};

std::vector<WriteStep> WriteSteps(const Reporter& reporter, const Settings& settings) {
    const QString enregistre = QStringLiteral("Enregistré");
    const QString ignore = QStringLiteral("Ignoré");
    std::vector<WriteStep> steps;
    const auto line = [&](const QString& text) { steps.push_back({text, {}}); };
    const auto saveIf = [&](SaveFlag flag, const QString& text,
                            std::vector<IniFile::Entry> entries) {
        const bool save = settings.saveFlags.at(flag);
        steps.push_back({text + (save ? enregistre : ignore),
                         save ? std::move(entries) : std::vector<IniFile::Entry>{}});
    };
    const auto colour = [&](ColourBox box) {
        return SettingsText::ColourText(settings.colours.at(box));
    };
    line(QStringLiteral(" - Paramètres de la sauvegarde"));
    saveIf(SaveFlag::Autoexec, QStringLiteral(" * Création d'Autoexec.bat   : "),
           {{kSauvegarde, QStringLiteral("Autoexec"), SettingsText::BoolText(settings.autoexec)}});
    saveIf(SaveFlag::RepName, QStringLiteral(" * Nom du répertoire utilisé : "),
           {{kSauvegarde, QStringLiteral("Chemin"), settings.chemin}});
    line(QString());
    line(QStringLiteral(" - Paramètres généraux et d'affichage"));
    saveIf(SaveFlag::Texture, QStringLiteral(" * Utilisation de la texture : "),
           {{kOptions, QStringLiteral("Texture"), SettingsText::BoolText(settings.textureShown)}});
    saveIf(SaveFlag::Vitesse, QStringLiteral(" * Taille des blocs fichier  : "),
           {{kOptions, QStringLiteral("Vitesse"), QString::number(settings.trackBarPosition)}});
    saveIf(SaveFlag::WinColor, QStringLiteral(" * Couleur des fenêtres      : "),
           {{kOptions, QStringLiteral("BackColor"), colour(ColourBox::Fond)}});
    saveIf(SaveFlag::BarColor, QStringLiteral(" * Couleur de la barre       : "),
           {{kOptions, QStringLiteral("BarColorDebut"), colour(ColourBox::BarDebut)},
            {kOptions, QStringLiteral("BarColorFin"), colour(ColourBox::BarFin)}});
    saveIf(SaveFlag::BtnColor, QStringLiteral(" * Couleur des boutons       : "),
           {{kOptions, QStringLiteral("ButtonColorHaut"), colour(ColourBox::ButtonHaut)},
            {kOptions, QStringLiteral("ButtonColorBas"), colour(ColourBox::ButtonBas)}});
    line(QString());
    line(QStringLiteral(" - Paramètres d'enregistrement"));
    for (const FlagLine& f : kWriteFlags) {
        const QString value = SettingsText::BoolText(settings.saveFlags.at(f.flag));
        steps.push_back({Text(f.line) + value, {{kEnregistrement, QLatin1String(f.key), value}}});
    }
    line(QString());
    line(QStringLiteral(" - Autres paramètres"));
    steps.push_back({QStringLiteral(" * Numéro de rapport courant : ") +
                         reporter.ReportNumberText(),
                     {{kAutres, kCurrentRapportNo, reporter.ReportNumberText()}}});
    return steps;
}

}  // namespace

void WriteSettings(Reporter& reporter, const Settings& settings) {
    reporter.BeginStage(QStringLiteral("Ecriture des paramètres vers le fichier Ini"));
    // The keys are set in memory up to the first that the file cannot hold, then written with
    // one replacement of the file. The report reads as if each key were written in turn: a
    // refused key ends it after the lines before, a file that cannot be replaced before the
    // first key that is saved.
    std::vector<IniFile::Entry> entries;
    QStringList lines;
    int beforeFirstWrite = -1;
    std::exception_ptr refusal;
    for (const WriteStep& step : WriteSteps(reporter, settings)) {
        try {
            for (const IniFile::Entry& entry : step.entries) {
                IniFile::WithValue(QByteArray(), entry.section, entry.key, entry.value);
            }
        } catch (const Failure&) {
            refusal = std::current_exception();
            break;
        }
        if (!step.entries.empty() && beforeFirstWrite < 0) {
            beforeFirstWrite = lines.size();
        }
        entries.insert(entries.end(), step.entries.begin(), step.entries.end());
        lines << step.line;
    }
    const auto append = [&](const QStringList& some) {
        for (const QString& line : some) {
            reporter.Append(line);
        }
    };
    try {
        if (!entries.empty()) {
            IniFile(kIniPath).WriteStrings(entries);
        }
    } catch (const Failure&) {
        append(lines.mid(0, beforeFirstWrite));
        reporter.ReportError(ErrorCode::WriteIni);
        return;
    }
    append(lines);
    if (refusal) {
        try {
            std::rethrow_exception(refusal);
        } catch (const Failure&) {
            reporter.ReportError(ErrorCode::WriteIni);
        }
        return;
    }
    if (!reporter.ErrorOccurred()) {
        reporter.Append(QString());
        reporter.Append(QStringLiteral("  <!> Aucune erreur ne semble s'être produite."));
    }
}

int EarlierBackupsToKeep() {
    constexpr int kDefault = 4;
    constexpr int kMost = 100;
    bool ok = false;
    const int keep = Value(IniFile(kIniPath).ReadAll(), QStringLiteral("Historique"),
                           QStringLiteral("Garder"), QString::number(kDefault))
                         .trimmed()
                         .toInt(&ok);
    return ok && keep >= 0 && keep <= kMost ? keep : kDefault;
}
