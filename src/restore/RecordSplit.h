#pragma once

#include <functional>
#include <string>
#include <vector>

// Where a record "name,directory" splits. Nothing in the catalogue is quoted, so a name or a
// directory may itself hold commas; a name never holds a '/', and the split is taken where the
// name is a copy present in the backup.
struct RecordSplit {
    enum class Kind {
        Found,      // one split names an existing copy
        NoCopy,     // no split names an existing copy; name/directory are the likeliest split
        Ambiguous,  // several splits name existing copies
        Malformed   // no comma, no possible name, or a NUL byte
    };

    Kind kind = Kind::Malformed;
    std::string name;
    std::string directory;
    std::vector<std::string> candidates;  // the existing copies when Ambiguous

    static RecordSplit Of(const std::string& record,
                          const std::function<bool(const std::string&)>& copyExists);
};
