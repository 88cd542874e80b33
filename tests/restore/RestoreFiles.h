#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

// Files and processes for the restore tests, on raw byte paths.
namespace RestoreFiles {

void Write(const std::string& path, const std::string& bytes, mode_t mode = 0644);
std::string Read(const std::string& path);
bool Exists(const std::string& path);  // anything at the path, links not followed
// Makes `path` and its missing parents; `path` itself gets mode 0755 whatever the umask.
void MakeDirectories(const std::string& path);

struct Status {
    mode_t mode = 0;  // permission bits with set-ID and sticky bits
    uid_t uid = 0;
    gid_t gid = 0;
};
Status StatusOf(const std::string& path);

// `size` bytes of a pattern that differs from block to block.
std::string Pattern(std::size_t size, int seed);

// The entries of a directory tree: relative path -> type, mode, owner, size, content,
// modification time. Two equal snapshots mean nothing was changed.
std::map<std::string, std::string> Snapshot(const std::string& root);

// The names in one directory, sorted.
std::vector<std::string> Names(const std::string& directory);

// A catalogue exactly as the backup writes it: the date line, then each record, CR LF.
std::string CatalogueBytes(const std::vector<std::string>& records);

struct ProcessRun {
    int status = -1;
    std::string out;
    std::string err;
};
// Runs the built restore program (or `program`) with `arguments` and `input` on its standard
// input; `addressSpace` bytes at most when not 0. `status` stays -1 when the program was ended
// by a signal or did not end.
ProcessRun RunProgram(const std::vector<std::string>& arguments, const std::string& input = {},
                      const std::string& program = KESTRIX_RESTORE_PROGRAM,
                      std::size_t addressSpace = 0);

// A shell command run in `folder`, as a user would.
ProcessRun RunInFolder(const std::string& folder, const std::string& command);

// "strace " followed by `options`, for a shell command line; the sanitizers' leak check, which
// cannot run under a tracer, is left off for the traced program.
std::string Traced(const std::string& options);

// "propriétaire root (0), groupe shadow (42)" as the restore program shows them in place, the
// names by this system's own lookup, the number alone where it has no name.
std::string Owners(uid_t uid, gid_t gid);

// The lines of a text, without their LF.
std::vector<std::string> Lines(const std::string& text);
// Whether `line` stands in `text` with its LF.
bool HasLine(const std::string& text, const std::string& line);

}  // namespace RestoreFiles
