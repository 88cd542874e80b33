#include <QDir>
#include <QFile>
#include <string>
#include <vector>

#include "BackupFixture.h"
#include "FileBytes.h"
#include "platform/Directories.h"
#include "platform/Failure.h"

namespace {

const QString kTitle = QStringLiteral("Préparation du répertoire de destination");
const QString kBoxText = QStringLiteral(
    "Impossible de créer le répertoire spécifié. Vérifiez que le chemin indiqué soit valide.");

}  // namespace

TEST(DirectoriesJoin, OneSeparatorBetween) {
    EXPECT_EQ(Directories::Join("/", "Kestrix"), QStringLiteral("/Kestrix"));
    EXPECT_EQ(Directories::Join("/var/Save", "Kestrix"), QStringLiteral("/var/Save/Kestrix"));
    EXPECT_EQ(Directories::Join("Save", "Kestrix"), QStringLiteral("Save/Kestrix"));
}

namespace {

// What stands in the way before the stage: nothing, a file where a level of the destination
// should be created, or a file in place of the copies' folder.
enum class InTheWay { Nothing, FileAtA, FileAtKestrix };

// The destination as typed ("DEST" stands for the fixture's "Save", absolute; other paths are
// relative to the program folder), the section's lines after its heading ("ERROR" for the error
// line with its code, "MESSAGE" for the quoted box text), the destination the stage returns
// ("=" for as typed) and a folder it must have made ("" for none).
struct DestinationCase {
    const char* name;
    InTheWay inTheWay;
    const char* typed;
    std::vector<const char*> lines;
    const char* returned;
    const char* made;
};

const char* const kChecked[] = {" <i> Vérification du répertoire indiqué...",
                                "     -> Répertoire correct !", ""};
const char* const kCreated[] = {" <i> Le répertoire indiqué n'existe pas, il va donc être créé.",
                                "     -> Création du répertoire effectuée", ""};
const char* const kSubChecked[] = {" <i> Vérification du sous-répertoire \"Kestrix\" existant...",
                                   "     -> Sous-répertoire correct !", ""};
const char* const kSubCreated[] = {
    " <i> Le sous-répertoire \"Kestrix\" n'existe pas, il va donc être créé.",
    "     -> Création du sous-répertoire effectuée", ""};
const char* const kNoErrorLine = "  <i> Aucune erreur ne semble s'être produite.";

std::vector<const char*> Lines(std::initializer_list<std::vector<const char*>> parts) {
    std::vector<const char*> lines;
    for (const auto& part : parts) {
        lines.insert(lines.end(), part.begin(), part.end());
    }
    return lines;
}

std::vector<const char*> Of(const char* const (&lines)[3]) {
    return {lines, lines + 3};
}

class PrepareDestinationTest : public BackupFixture,
                               public ::testing::WithParamInterface<DestinationCase> {
protected:
    QString Typed(const char* typed) const {
        return QString::fromUtf8(typed).replace(QStringLiteral("DEST"), dest);
    }
};

}  // namespace

TEST_P(PrepareDestinationTest, ReportsEachStepAndMakesWhatIsMissing) {
    const DestinationCase& c = GetParam();
    if (c.inTheWay == InTheWay::FileAtA) {
        writeBytes(folder.file(QStringLiteral("A")), "file");
    }
    if (c.inTheWay == InTheWay::FileAtKestrix) {
        QDir(dest).rmdir(QStringLiteral("Kestrix"));
        writeBytes(dest + QStringLiteral("/Kestrix"), "file");
    }
    job.destination = Typed(c.typed);

    Prepare();

    QStringList expected = Heading(kTitle);
    for (const char* line : c.lines) {
        const QString text = QString::fromUtf8(line);
        expected << (text == QLatin1String("ERROR")
                         ? QStringLiteral("  <!> Erreur : ") + reporter.LastErrorText()
                     : text == QLatin1String("MESSAGE")
                         ? QStringLiteral("  -> Message : \"") + kBoxText + QLatin1Char('"')
                         : text);
    }
    EXPECT_EQ(Section(kTitle), expected);
    EXPECT_EQ(job.destination, QLatin1String(c.returned) == QLatin1String("=")
                                   ? Typed(c.typed)
                                   : QString::fromUtf8(c.returned));
    const bool failed = std::string(c.lines.back()) == "MESSAGE";
    EXPECT_EQ(ui.MessageTexts(), failed ? QStringList({kBoxText}) : QStringList());
    // "Répertoire" never ends the program.
    EXPECT_EQ(ui.endRequests, 0);
    if (failed) {
        EXPECT_TRUE(reporter.LastErrorText().startsWith(QStringLiteral("Code ")));
    }
    if (*c.made != '\0') {
        EXPECT_TRUE(QDir(folder.file(QString::fromUtf8(c.made))).exists()) << c.made;
    }
    // What stood in the way is left as it was.
    if (c.inTheWay == InTheWay::FileAtA) {
        EXPECT_EQ(readBytes(folder.file(QStringLiteral("A"))), QByteArray("file"));
    }
    if (c.inTheWay == InTheWay::FileAtKestrix) {
        EXPECT_EQ(readBytes(dest + QStringLiteral("/Kestrix")), QByteArray("file"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrepareDestinationTest,
    ::testing::Values(
        DestinationCase{"BothPresent", InTheWay::Nothing, "DEST",
                        Lines({Of(kChecked), Of(kSubChecked), {kNoErrorLine}}), "=", ""},
        DestinationCase{"MissingLevelsAreMadeFromTheTop", InTheWay::Nothing, "A/B/C",
                        Lines({Of(kCreated), Of(kSubCreated), {kNoErrorLine}}), "=",
                        "A/B/C/Kestrix"},
        // The only separator at the end goes, and the report says which folder is used.
        DestinationCase{"RelativeWithATrailingSeparator", InTheWay::Nothing, "Rel/",
                        Lines({{" * Répertoire sélectionné : Rel"},
                               Of(kCreated),
                               Of(kSubCreated),
                               {kNoErrorLine}}),
                        "Rel", "Rel/Kestrix"},
        DestinationCase{"TwoSeparatorsStayAsTyped", InTheWay::Nothing, "DEST/",
                        Lines({Of(kChecked), Of(kSubChecked), {kNoErrorLine}}), "=", ""},
        DestinationCase{"Empty",
                        InTheWay::Nothing,
                        "",
                        {" * Répertoire sélectionné : ", kCreated[0], "ERROR", "MESSAGE"},
                        "",
                        ""},
        DestinationCase{
            "FileInTheWay", InTheWay::FileAtA, "A/B", {kCreated[0], "ERROR", "MESSAGE"}, "=", ""},
        DestinationCase{"FileInPlaceOfTheCopiesFolder", InTheWay::FileAtKestrix, "DEST",
                        Lines({Of(kChecked), {kSubCreated[0], "ERROR", "MESSAGE"}}), "=", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DirectoriesCreate, ShortPathsAreReallyCreated) {
    QTemporaryDir temp;
    QDir::setCurrent(temp.path());
    Directories::CreateWithParents(QStringLiteral("a"));
    EXPECT_TRUE(QDir(temp.filePath(QStringLiteral("a"))).exists());
    Directories::CreateWithParents(QStringLiteral("b/"));
    EXPECT_TRUE(QDir(temp.filePath(QStringLiteral("b"))).exists());
    Directories::CreateWithParents(QStringLiteral("/"));
    EXPECT_THROW(Directories::CreateWithParents(QString()), Failure);
}
