#pragma once

#include <string>

#include "shared/CommitIntent.h"
#include "shared/FileDescriptor.h"

// The backup in D as a reader that changes nothing sees it: when a commit is not finished yet,
// each file is read where it stands now (the staging folder or D), so that the backup is judged
// as it will be once the commit is finished. Without an intent it is simply D.
class GenerationView {
public:
    // Reads D's intent, if any, and opens the folders of the copies (without following a link;
    // each may be missing). An intent file that is no intent of Kestrix's is passed over: D is
    // read as it stands. Throws std::system_error.
    explicit GenerationView(const FileDescriptor& folder);

    bool Pending() const { return pending_; }
    // Something that is no intent of Kestrix's stands at the intent file's name.
    bool Damaged() const { return damaged_; }

    // The folder that holds the file `name` of D itself (the catalogue, a manifest): D or the
    // staging folder; -1 for a file that the finished switch removes.
    int FolderOfFile(const std::string& name) const;

    // The folder that holds the copy `name`, or -1 when the backup holds no such copy.
    int FolderOfCopy(const std::string& name) const;

    // The folders of copies: D/Kestrix/ and, for a pending commit, the staging folder's; either
    // may be not open.
    const FileDescriptor& Copies() const { return copies_; }
    const FileDescriptor& StagedCopies() const { return stagedCopies_; }
    // Why D/Kestrix/ could not be opened (it is not a folder...); 0 when it is open or missing.
    int CopiesError() const { return copiesError_; }

private:
    const FileDescriptor& folder_;
    bool pending_ = false;
    bool damaged_ = false;
    CommitIntent intent_;
    FileDescriptor staging_;
    FileDescriptor stagedCopies_;
    FileDescriptor copies_;
    int copiesError_ = 0;
};
