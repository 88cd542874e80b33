// The source list: the whole text is read (a leading byte-order mark apart); every line without a NUL byte, written back with the
// file-name codec, is exactly the bytes it was read from, in order; every line with one is left out
// under its own number.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "backup/SourceList.h"
#include "platform/NativeNames.h"

namespace {

// The length of the line end at `at`: CR LF, a lone CR or a lone LF; 0 when there is none.
qsizetype LineEnd(const QByteArray& text, qsizetype at) {
    if (at >= text.size()) {
        return 0;
    }
    if (text[at] == '\r') {
        return at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
    }
    return text[at] == '\n' ? 1 : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QList<SourceList::Refused> refused;
    const QStringList lines = SourceList::Lines(text, &refused);
    // A leading UTF-8 byte-order mark is no part of the first line.
    qsizetype at = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    int number = 0;
    qsizetype nextLine = 0;
    qsizetype nextRefused = 0;
    while (at < text.size()) {
        ++number;
        qsizetype end = at;
        while (end < text.size() && LineEnd(text, end) == 0) {
            ++end;
        }
        const QByteArray raw = text.mid(at, end - at);
        if (raw.contains('\0')) {
            FuzzCheck(nextRefused < refused.size() && refused[nextRefused].number == number,
                      "a line with a NUL byte is left out under its own number");
            ++nextRefused;
        } else {
            FuzzCheck(nextLine < lines.size(), "every line without a NUL byte is read");
            FuzzCheck(NativeNames::Encode(lines[nextLine]) == raw,
                      "each line round-trips byte for byte");
            ++nextLine;
        }
        at = end + LineEnd(text, end);
    }
    FuzzCheck(nextLine == lines.size() && nextRefused == refused.size(),
              "the lines cover the whole text, and nothing else");
    return 0;
}
