// The disk record read by the restore program, on hostile bytes: a record is read whole or not at
// all, what is read writes back to bytes that read the same, the summary is made from any record
// read, and every field put in a printed command comes back from the shell as exactly one word.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "disks/RecordSummary.h"
#include "disks/RecordText.h"
#include "disks/RepairCommands.h"

namespace {

// What a POSIX shell makes of `text` as one word: plain characters, and '...' quoted runs.
bool ShellWord(const std::string& text, std::string& word) {
    word.clear();
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '\'') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == '\'') {
            quoted = true;
        } else if (c == '\\' && i + 1 < text.size()) {
            word += text[++i];
        } else if (std::string(" \t\n|&;<>()$`\"*?[#~").find(c) != std::string::npos) {
            return false;
        } else {
            word += c;
        }
    }
    return !quoted;
}

void CheckQuoted(const std::string& field) {
    if (field.empty()) {
        return;
    }
    std::string word;
    FuzzCheck(ShellWord(RepairCommands::Quote(field), word) && word == field,
              "a quoted field is one shell word, the field itself");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    DiskRecord record;
    std::string reason;
    if (!RecordText::Parse(bytes, record, reason)) {
        FuzzCheck(!reason.empty(), "a refusal says why");
        return 0;
    }
    FuzzCheck(reason.empty(), "a record read gives no reason");
    const std::string written = RecordText::Serialize(record);
    DiskRecord again;
    FuzzCheck(RecordText::Parse(written, again, reason), "what is written reads back");
    FuzzCheck(RecordText::Serialize(again) == written, "and writes the same bytes");
    RecordSummary::Text(record);
    for (const RecordedDisk& disk : record.disks) {
        CheckQuoted(disk.name);
        CheckQuoted(disk.file);
    }
    for (const RecordedFileSystem& fs : record.fileSystems) {
        CheckQuoted(fs.uuid);
        CheckQuoted(fs.label);
        CheckQuoted(fs.device);
    }
    for (const RecordedBootEntry& entry : record.boot.entries) {
        CheckQuoted(entry.label);
        CheckQuoted(entry.loader);
    }
    CheckQuoted(record.boot.efiId);
    return 0;
}
