#include <gtest/gtest.h>

#include "restore/CommandLine.h"

namespace {

TEST(RestoreCommandLine, DefaultsAndEveryOption) {
    const CommandLine none = CommandLine::Parse({});
    EXPECT_EQ(none.mode, CommandLine::Mode::Restore);
    EXPECT_FALSE(none.yes);
    EXPECT_FALSE(none.force);
    EXPECT_FALSE(none.hasFolder);
    EXPECT_FALSE(none.hasRoot);
    EXPECT_TRUE(none.error.empty());

    const CommandLine all =
        CommandLine::Parse({"--oui", "--force", "--racine", "/mnt", "/media/cle"});
    EXPECT_TRUE(all.error.empty());
    EXPECT_TRUE(all.yes);
    EXPECT_TRUE(all.force);
    EXPECT_EQ(all.root, "/mnt");
    EXPECT_EQ(all.folder, "/media/cle");

    EXPECT_EQ(CommandLine::Parse({"--liste"}).mode, CommandLine::Mode::List);
    EXPECT_EQ(CommandLine::Parse({"/b", "--comparer"}).mode, CommandLine::Mode::Compare);
    EXPECT_EQ(CommandLine::Parse({"--verifier", "/b"}).mode, CommandLine::Mode::Verify);
    EXPECT_EQ(CommandLine::Parse({"--disques", "/b"}).mode, CommandLine::Mode::Disks);
    EXPECT_EQ(CommandLine::Parse({"--racine=/mnt"}).root, "/mnt");
    const CommandLine boot =
        CommandLine::Parse({"--amorcage", "--racine", "/mnt", "--disque=/dev/sdb", "/b"});
    EXPECT_TRUE(boot.error.empty()) << boot.error;
    EXPECT_EQ(boot.mode, CommandLine::Mode::Boot);
    EXPECT_EQ(boot.disk, "/dev/sdb");
    EXPECT_TRUE(CommandLine::Parse({"-h"}).help);
    EXPECT_TRUE(CommandLine::Parse({"--help"}).help);
    // After "--" a folder may start with a dash.
    const CommandLine dashed = CommandLine::Parse({"--", "-sauvegarde"});
    EXPECT_TRUE(dashed.error.empty());
    EXPECT_EQ(dashed.folder, "-sauvegarde");
    // After the folder, the files to handle.
    const CommandLine files = CommandLine::Parse({"/b", "passwd", "--liste", "/etc/group"});
    EXPECT_TRUE(files.error.empty());
    EXPECT_EQ(files.folder, "/b");
    EXPECT_EQ(files.files, (std::vector<std::string>{"passwd", "/etc/group"}));
}

TEST(RestoreCommandLine, ErrorsInFrench) {
    EXPECT_EQ(CommandLine::Parse({"--yes"}).error, "option inconnue : « --yes »");
    EXPECT_EQ(CommandLine::Parse({"--liste", "--comparer"}).error,
              "les options --liste et --comparer ne vont pas ensemble");
    EXPECT_EQ(CommandLine::Parse({"--verifier", "--liste"}).error,
              "les options --verifier et --liste ne vont pas ensemble");
    EXPECT_EQ(CommandLine::Parse({"--disques", "--verifier"}).error,
              "les options --disques et --verifier ne vont pas ensemble");
    EXPECT_EQ(CommandLine::Parse({"--disques", "/b", "passwd"}).error,
              "l'option --disques compare des disques, pas des FICHIERs");
    EXPECT_EQ(CommandLine::Parse({"--racine"}).error, "l'option --racine demande un dossier");
    EXPECT_EQ(CommandLine::Parse({"--racine="}).error, "l'option --racine demande un dossier");
    EXPECT_EQ(CommandLine::Parse({"--racine", "/a", "--racine", "/b"}).error,
              "l'option --racine ne peut être donnée qu'une fois");
    EXPECT_EQ(CommandLine::Parse({""}).error, "DOSSIER ne peut pas être vide");
    EXPECT_EQ(CommandLine::Parse({"/a", ""}).error, "FICHIER ne peut pas être vide");
    EXPECT_TRUE(CommandLine::Parse({"--liste", "--liste"}).error.empty());
    EXPECT_EQ(CommandLine::Parse({"--amorcage", "/b"}).error,
              "l'option --amorcage demande la racine du système restauré : --racine /mnt");
    EXPECT_EQ(CommandLine::Parse({"--amorcage", "--racine", "/mnt", "/b", "grub.cfg"}).error,
              "l'option --amorcage répare le démarrage, pas des FICHIERs");
    EXPECT_EQ(CommandLine::Parse({"--amorcage", "--disques"}).error,
              "les options --amorcage et --disques ne vont pas ensemble");
    EXPECT_EQ(CommandLine::Parse({"--racine", "/mnt", "--disque", "/dev/sdb"}).error,
              "l'option --disque ne sert qu'avec --amorcage");
    EXPECT_EQ(CommandLine::Parse({"--amorcage", "--racine", "/mnt", "--disque", "sdb"}).error,
              "l'option --disque demande un disque, par exemple /dev/sda");
    EXPECT_EQ(CommandLine::Parse({"--amorcage", "--racine", "/mnt", "--disque"}).error,
              "l'option --disque demande un disque, par exemple /dev/sda");
}

}  // namespace
