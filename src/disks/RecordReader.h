#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <string>

#include "shared/FileDescriptor.h"

// The record folder of a backup, read as input to root: D/Disques, or the staging folder's
// while a switch that names it is unfinished. The folder and each file are reached without
// following a link and checked on the handle that is read: a folder or file that others may
// write, or that nobody trusted owns, is refused unless `force`; so is a file over the size cap.
// Every file must match its line of Disques.xxh128, and every file of the folder have one.
class RecordReader {
public:
    struct Trust {
        std::function<bool(uid_t)> owns;             // an owner that may have made the backup
        std::function<std::string(uid_t)> describe;  // "1001 (mallory)"
        std::function<std::string(int)> error;       // an error number in words
        bool force = false;
    };

    enum class State {
        Absent,      // the backup holds no record
        Refused,     // its owner or mode is not trusted; Problem() says which and why
        Unreadable,  // a file cannot be read, is too large or is no file
        Damaged,     // a file does not match the manifest, or the manifest is not whole
        Whole
    };

    // Reads every file of the record of the backup in `backup`.
    static RecordReader Read(const std::string& backup, const Trust& trust);

    State GetState() const { return state_; }
    // In French, for a state other than Absent and Whole: "le fichier Disques/x appartient à…".
    const std::string& Problem() const { return problem_; }
    // The files as read, the manifest apart, by name.
    const std::map<std::string, std::string>& Files() const { return files_; }
    // What each file is found to be against the manifest, for --verifier: name and "conforme",
    // "abîmé", "absent du fichier de contrôle"...
    const std::map<std::string, std::string>& Checks() const { return checks_; }

private:
    void ReadFolder(const FileDescriptor& folder, const std::string& shown, const Trust& trust);
    bool ReadOne(const FileDescriptor& folder, const std::string& name, const std::string& shown,
                 const Trust& trust, std::string& bytes);
    void Fail(State state, const std::string& problem);

    State state_ = State::Absent;
    std::string problem_;
    std::map<std::string, std::string> files_;
    std::map<std::string, std::string> checks_;
};
