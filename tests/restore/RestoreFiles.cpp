#include "RestoreFiles.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <QProcess>
#include <QStringList>

namespace RestoreFiles {

void Write(const std::string& path, const std::string& bytes, mode_t mode) {
    // Replaced as a whole, so that a read-only file can be rewritten without root.
    ::unlink(path.c_str());
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!file) {
            throw std::runtime_error("cannot write " + path);
        }
    }
    if (::chmod(path.c_str(), mode) != 0) {
        throw std::runtime_error("cannot chmod " + path);
    }
}

std::string Read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void MakeDirectories(const std::string& path) {
    std::filesystem::create_directories(path);
    if (::chmod(path.c_str(), 0755) != 0) {
        throw std::runtime_error("cannot chmod " + path);
    }
}

Status StatusOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        throw std::runtime_error("cannot stat " + path);
    }
    return Status{static_cast<mode_t>(st.st_mode & 07777), st.st_uid, st.st_gid};
}

std::string Pattern(std::size_t size, int seed) {
    std::string bytes(size, '\0');
    unsigned value = static_cast<unsigned>(seed) * 2654435761u;
    for (std::size_t i = 0; i < size; ++i) {
        value = value * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(value >> 16);
    }
    return bytes;
}

std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::string path = entry.path().string();
        struct stat st {};
        ::lstat(path.c_str(), &st);
        std::ostringstream line;
        line << std::oct << st.st_mode << std::dec << ' ' << st.st_uid << ':' << st.st_gid << ' '
             << st.st_size << ' ' << st.st_mtim.tv_sec << '.' << st.st_mtim.tv_nsec;
        if (S_ISREG(st.st_mode)) {
            line << ' ' << Read(path);
        }
        entries[path.substr(root.size())] = line.str();
    }
    return entries;
}

std::vector<std::string> Names(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string CatalogueBytes(const std::vector<std::string>& records) {
    std::string bytes = "07/12/2026,11:15:45\r\n";
    for (const std::string& record : records) {
        bytes += record + "\r\n";
    }
    return bytes;
}

ProcessRun RunProgram(const std::vector<std::string>& arguments, const std::string& input,
                      const std::string& program, std::size_t addressSpace) {
    QStringList list;
    for (const std::string& argument : arguments) {
        list << QString::fromLocal8Bit(argument.c_str());
    }
    QProcess process;
    if (addressSpace != 0) {
        process.setChildProcessModifier([addressSpace] {
            const struct rlimit limit = {addressSpace, addressSpace};
            ::setrlimit(RLIMIT_AS, &limit);
        });
    }
    process.start(QString::fromLocal8Bit(program.c_str()), list);
    ProcessRun run;
    if (!process.waitForStarted(30000)) {
        return run;
    }
    process.write(input.data(), static_cast<qint64>(input.size()));
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        return run;
    }
    run.status = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

ProcessRun RunInFolder(const std::string& folder, const std::string& command) {
    return RunProgram({"-c", "cd '" + folder + "' && " + command}, {}, "/bin/sh");
}

std::string Traced(const std::string& options) {
    return "ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:detect_leaks=0\" strace " + options;
}

std::string Owners(uid_t uid, gid_t gid) {
    const struct passwd* user = ::getpwuid(uid);
    const struct group* group = ::getgrgid(gid);
    const auto named = [](const char* name, unsigned id) {
        return name != nullptr ? std::string(name) + " (" + std::to_string(id) + ")"
                               : std::to_string(id);
    };
    return "propriétaire " + named(user != nullptr ? user->pw_name : nullptr, uid) + ", groupe " +
           named(group != nullptr ? group->gr_name : nullptr, gid);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        lines.push_back(line);
    }
    return lines;
}

bool HasLine(const std::string& text, const std::string& line) {
    return text.find(line + "\n") != std::string::npos;
}

}  // namespace RestoreFiles
