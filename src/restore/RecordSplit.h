#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Where a record "name,directory" splits. Nothing in the catalogue is quoted, so a name or a
// directory may itself hold commas; a name never holds a '/', and the split is taken where the
// name is a copy present in the backup.
struct RecordSplit {
    enum class Kind {
        Found,      // one split names an existing copy
        NoCopy,     // no split names an existing copy; name/directory are the likeliest split
        Ambiguous,  // several splits name existing copies
        Malformed   // no comma, no possible name, a NUL byte, or too long
    };

    // No system writes longer paths or names, so a longer record is no record of a backup.
    static constexpr std::size_t kMaxRecord = 4096;
    static constexpr std::size_t kMaxName = 255;

    Kind kind = Kind::Malformed;
    std::string name;
    std::string directory;
    std::vector<std::string> candidates;  // the existing copies when Ambiguous

    // Time and memory are linear in the record's length; `copyExists` is asked about names of
    // at most kMaxName bytes only.
    static RecordSplit Of(std::string_view record,
                          const std::function<bool(const std::string&)>& copyExists);
};
