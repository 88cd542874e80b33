// The source list: every line, written back with the file-name codec, is exactly the bytes it was
// read from, and the lines with their ends make up the whole text up to the first NUL.
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
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList lines = SourceList::Lines(bytes);
    const qsizetype nul = bytes.indexOf('\0');
    const QByteArray text = nul < 0 ? bytes : bytes.left(nul);
    qsizetype at = 0;
    for (const QString& line : lines) {
        FuzzCheck(at < text.size(), "a line end at the very end adds no entry");
        const QByteArray encoded = NativeNames::Encode(line);
        FuzzCheck(!encoded.contains('\r') && !encoded.contains('\n'), "no line end in a line");
        FuzzCheck(text.mid(at, encoded.size()) == encoded, "each line round-trips byte for byte");
        at += encoded.size();
        const qsizetype end = LineEnd(text, at);
        FuzzCheck(end > 0 || at == text.size(), "a line stops at a line end or at the end");
        at += end;
    }
    FuzzCheck(at == text.size(), "the lines cover the whole text");
    return 0;
}
