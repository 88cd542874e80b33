// Peak memory of the static restore program in each of its modes, against its bound: twice the
// bytes of the catalogue and the two manifests, plus 8 MiB. Each input is a small real backup
// (copies, catalogue, manifests, a root to restore into) in which one file is replaced by 16 MiB
// of hostile lines; the program's peak comes from wait4's ru_maxrss.
//
//   bench_restore_memory [program] [work folder]
//
// The program defaults to the build's (Kestrix/Data/Kestrix.res), the work folder to /tmp.
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "shared/BackupNames.h"
#include "shared/Catalogue.h"
#include "shared/ContentHash.h"
#include "shared/Manifest.h"

namespace {

constexpr std::size_t kHostileSize = 16u << 20;  // the largest file the program reads
constexpr long kSlackKiB = 8 << 10;

void Write(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        ::fchmod(fd, mode) != 0 || ::close(fd) != 0) {
        std::perror(path.c_str());
        std::exit(2);
    }
}

// Lines from `line(i)` for i = 0, 1... after `start`, as many as fit in kHostileSize bytes.
std::string Fill(std::string start, const std::function<std::string(std::size_t)>& line) {
    for (std::size_t i = 0;; ++i) {
        const std::string next = line(i);
        if (start.size() + next.size() > kHostileSize) {
            return start;
        }
        start += next;
    }
}

const std::string kDateLine = "07/12/2026,11:15:45\r\n";

// Three bytes that a name may hold (neither ',' nor '/' nor a line end nor NUL), from `i`.
std::string ShortName(std::size_t i) {
    std::string name;
    for (int k = 0; k < 3; ++k, i /= 221) {
        const char c = static_cast<char>(0x21 + i % 221);
        name += c == ',' ? '\xFE' : c == '/' ? '\xFF' : c;
    }
    return name;
}

// Made only when written: the bench holds little memory when it starts the program, whose
// ru_maxrss counts what the forked child held before its exec.
struct Input {
    const char* what;
    const char* file;  // the file of the backup it replaces, or null for the backup itself
    std::function<std::string()> bytes;
};

std::vector<Input> Inputs() {
    return {
        {"backup of 6 copies", nullptr, {}},
        {"16 MiB of \"a,/\"", BackupNames::kCatalogue,
         [] { return Fill(kDateLine, [](std::size_t) { return std::string("a,/\r\n"); }); }},
        {"16 MiB of \"a,\"", BackupNames::kCatalogue,
         [] { return Fill(kDateLine, [](std::size_t) { return std::string("a,\n"); }); }},
        {"16 MiB without commas", BackupNames::kCatalogue,
         [] { return Fill(kDateLine, [](std::size_t) { return std::string("a\n"); }); }},
        {"16 MiB of distinct names", BackupNames::kCatalogue,
         [] { return Fill(kDateLine, [](std::size_t i) { return ShortName(i) + ",\n"; }); }},
        {"16 MiB of records, no copy", BackupNames::kCatalogue,
         [] {
             return Fill(kDateLine, [](std::size_t i) {
                 return "fichier-" + std::to_string(i) + ".conf,/etc/dossier" +
                        std::to_string(i % 97) + "\r\n";
             });
         }},
        {"one 16 MiB record", BackupNames::kCatalogue,
         [] { return kDateLine + std::string(kHostileSize - kDateLine.size(), 'x'); }},
        {"16 MiB date line", BackupNames::kCatalogue,
         [] { return "07/12/2026," + std::string(kHostileSize - 11, '\x01'); }},
        {"16 MiB Kestrix.xxh128", BackupNames::kHashFile,
         [] {
             return Fill({}, [](std::size_t i) {
                 return Manifest::HashLine(std::to_string(i), std::string(32, '0'));
             });
         }},
        {"16 MiB Kestrix.droits", BackupNames::kRightsFile,
         [] {
             return Fill(std::string(Manifest::kRightsHeader) + "\n", [](std::size_t i) {
                 return "0644\tr\tr\t0\t0\t1\t" + std::string(BackupNames::kCopyPrefix) +
                        std::to_string(i) + "\n";
             });
         }},
    };
}

std::string HashOf(const std::string& bytes) {
    ContentHash hash;
    hash.Update(bytes.data(), bytes.size());
    return hash.Hex();
}

// A whole backup of six files in `save`, restored under `root`, which holds their folders.
void MakeBackup(const std::string& save, const std::string& root) {
    namespace fs = std::filesystem;
    fs::create_directories(save + "/" + BackupNames::kCopies);
    fs::create_directories(root + "/etc");
    fs::create_directories(root + "/boot/grub");
    ::chmod(save.c_str(), 0755);
    ::chmod((save + "/" + BackupNames::kCopies).c_str(), 0755);
    const char* const paths[] = {"/etc/fstab",  "/etc/hosts", "/etc/passwd",
                                 "/etc/shadow", "/etc/group", "/boot/grub/grub.cfg"};
    std::string catalogue = kDateLine;
    std::string hashes;
    std::string rights = std::string(Manifest::kRightsHeader) + "\n";
    for (const char* path : paths) {
        const std::string name = Catalogue::FileName(path);
        std::string bytes;
        for (int i = 0; bytes.size() < 3000; ++i) {
            bytes += name + " ligne " + std::to_string(i) + "\n";
        }
        Write(save + "/" + BackupNames::kCopies + "/" + name, bytes);
        catalogue += Catalogue::Record(path) + Catalogue::kLineEnd;
        hashes += Manifest::HashLine(name, HashOf(bytes));
        ManifestEntry entry;
        entry.mode = 0644;
        entry.owner = "root";
        entry.group = "root";
        entry.size = bytes.size();
        rights += Manifest::RightsLine(name, entry);
    }
    Write(save + "/" + BackupNames::kCatalogue, catalogue);
    Write(save + "/" + BackupNames::kHashFile, hashes);
    Write(save + "/" + BackupNames::kRightsFile, rights);
}

long long BackupBytes(const std::string& save) {
    long long total = 0;
    for (const char* file :
         {BackupNames::kCatalogue, BackupNames::kHashFile, BackupNames::kRightsFile}) {
        struct stat st {};
        if (::stat((save + "/" + file).c_str(), &st) == 0) {
            total += st.st_size;
        }
    }
    return total;
}

struct Run {
    int status = -1;  // the exit status, or -1 after a signal
    long peakKiB = 0;
    double seconds = 0;
};

// Runs the program with `arguments`, `answer` on its standard input and its output thrown away.
Run RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& answer) {
    int input[2];
    if (::pipe2(input, O_CLOEXEC) != 0) {
        std::perror("pipe");
        std::exit(2);
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(input[0], 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(input[0]);
    // A few bytes: the pipe holds them until the program reads its answer.
    const ssize_t written = ::write(input[1], answer.data(), answer.size());
    static_cast<void>(written);
    ::close(input[1]);
    Run run;
    int status = 0;
    struct rusage usage {};
    if (::wait4(pid, &status, 0, &usage) != pid) {
        std::perror("wait4");
        std::exit(2);
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakKiB = usage.ru_maxrss;
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string program = argc > 1 ? argv[1] : KESTRIX_RESTORE_PROGRAM;
    const std::string work = argc > 2 ? argv[2] : "/tmp";
    std::string folder = work + "/kestrix-restore-bench-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr) {
        std::perror(folder.c_str());
        return 2;
    }
    const std::string save = folder + "/save";
    const std::string root = folder + "/root";
    struct Mode {
        const char* what;
        std::vector<std::string> options;
        const char* answer;
    };
    const Mode modes[] = {{"--oui", {"--oui", "--racine", root}, ""},
                          {"question (o)", {"--racine", root}, "o\n"},
                          {"--liste", {"--liste", "--racine", root}, ""},
                          {"--comparer", {"--comparer", "--racine", root}, ""},
                          {"--verifier", {"--verifier"}, ""}};
    std::printf("program: %s\n\n", program.c_str());
    std::printf("| input | mode | input bytes | peak KiB | bound KiB | held | exit | s |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    int missed = 0;
    const std::vector<Input> inputs = Inputs();
    for (const Input& input : inputs) {
        std::filesystem::remove_all(save);
        std::filesystem::remove_all(root);
        MakeBackup(save, root);
        if (input.file != nullptr) {
            Write(save + "/" + input.file, input.bytes());
            // The input's memory back to the system before the next fork.
            ::malloc_trim(0);
        }
        const long long bytes = BackupBytes(save);
        const long bound = static_cast<long>(2 * bytes / 1024) + kSlackKiB;
        for (const Mode& mode : modes) {
            std::vector<std::string> arguments = mode.options;
            arguments.push_back(save);
            const Run run = RunProgram(program, arguments, mode.answer);
            const bool held = run.status >= 0 && run.peakKiB <= bound;
            missed += held ? 0 : 1;
            std::printf("| %s | %s | %lld | %ld | %ld | %s | %d | %.2f |\n", input.what, mode.what,
                        bytes, run.peakKiB, bound, held ? "yes" : "**no**", run.status,
                        run.seconds);
            std::fflush(stdout);
        }
    }
    std::filesystem::remove_all(folder);
    std::printf("\n%d of %zu runs over their bound\n", missed, inputs.size() * std::size(modes));
    return missed == 0 ? 0 : 1;
}
