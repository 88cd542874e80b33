#include "restore/CommandLine.h"

namespace {

const char* OptionOf(CommandLine::Mode mode) {
    switch (mode) {
        case CommandLine::Mode::List:
            return "--liste";
        case CommandLine::Mode::Compare:
            return "--comparer";
        case CommandLine::Mode::Verify:
            return "--verifier";
        case CommandLine::Mode::Disks:
            return "--disques";
        case CommandLine::Mode::Boot:
            return "--amorcage";
        case CommandLine::Mode::Restore:
            break;
    }
    return "";
}

void SetMode(CommandLine& line, CommandLine::Mode mode) {
    if (line.mode != CommandLine::Mode::Restore && line.mode != mode) {
        line.error = std::string("les options ") + OptionOf(line.mode) + " et " + OptionOf(mode) +
                     " ne vont pas ensemble";
    }
    line.mode = mode;
}

void SetRoot(CommandLine& line, const std::string& root) {
    if (line.hasRoot) {
        line.error = "l'option --racine ne peut être donnée qu'une fois";
    } else if (root.empty()) {
        line.error = "l'option --racine demande un dossier";
    }
    line.hasRoot = true;
    line.root = root;
}

void SetDisk(CommandLine& line, const std::string& disk) {
    if (!line.disk.empty()) {
        line.error = "l'option --disque ne peut être donnée qu'une fois";
    } else if (disk.compare(0, 5, "/dev/") != 0 || disk.size() == 5) {
        line.error = "l'option --disque demande un disque, par exemple /dev/sda";
    }
    line.disk = disk;
}

}  // namespace

CommandLine CommandLine::Parse(const std::vector<std::string>& arguments) {
    CommandLine line;
    bool options = true;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (options && (argument == "-h" || argument == "--help")) {
            line.help = true;
        } else if (options && argument == "--") {
            options = false;
        } else if (options && argument == "--liste") {
            SetMode(line, Mode::List);
        } else if (options && argument == "--comparer") {
            SetMode(line, Mode::Compare);
        } else if (options && argument == "--verifier") {
            SetMode(line, Mode::Verify);
        } else if (options && argument == "--disques") {
            SetMode(line, Mode::Disks);
        } else if (options && argument == "--amorcage") {
            SetMode(line, Mode::Boot);
        } else if (options && argument == "--disque") {
            if (i + 1 == arguments.size()) {
                line.error = "l'option --disque demande un disque, par exemple /dev/sda";
            } else {
                SetDisk(line, arguments[++i]);
            }
        } else if (options && argument.compare(0, 9, "--disque=") == 0) {
            SetDisk(line, argument.substr(9));
        } else if (options && argument == "--oui") {
            line.yes = true;
        } else if (options && argument == "--force") {
            line.force = true;
        } else if (options && argument == "--racine") {
            if (i + 1 == arguments.size()) {
                line.error = "l'option --racine demande un dossier";
            } else {
                SetRoot(line, arguments[++i]);
            }
        } else if (options && argument.compare(0, 9, "--racine=") == 0) {
            SetRoot(line, argument.substr(9));
        } else if (options && argument.size() > 1 && argument.front() == '-') {
            line.error = "option inconnue : « " + argument + " »";
        } else if (argument.empty()) {
            line.error = line.hasFolder ? "FICHIER ne peut pas être vide"
                                        : "DOSSIER ne peut pas être vide";
        } else if (line.hasFolder) {
            line.files.push_back(argument);
        } else {
            line.hasFolder = true;
            line.folder = argument;
        }
        if (!line.error.empty()) {
            break;
        }
    }
    if (line.error.empty() && line.mode == Mode::Disks && !line.files.empty()) {
        line.error = "l'option --disques compare des disques, pas des FICHIERs";
    }
    if (line.error.empty() && line.mode == Mode::Boot) {
        if (!line.hasRoot) {
            line.error = "l'option --amorcage demande la racine du système restauré : --racine /mnt";
        } else if (!line.files.empty()) {
            line.error = "l'option --amorcage répare le démarrage, pas des FICHIERs";
        }
    }
    if (line.error.empty() && !line.disk.empty() && line.mode != Mode::Boot) {
        line.error = "l'option --disque ne sert qu'avec --amorcage";
    }
    return line;
}
