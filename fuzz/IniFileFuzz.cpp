// Kestrix.ini on hostile bytes: reading and lookup hold, and a value written then read back is the
// value given, with every other line of the file unchanged; a value the file cannot hold exactly
// is refused (Failure) instead. The input is one command line, then the file:
//   byte 0    which setting is written (a section and key of the program)
//   byte 1    bit 0: the value is UTF-8 (else Windows-1252); the rest: a setting read before and
//             after, which must not change
//   bytes 2.. the value, up to the first LF
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <vector>

#include "FuzzCheck.h"
#include "config/IniFile.h"
#include "platform/Cp1252.h"
#include "platform/Failure.h"

namespace {

struct Setting {
    const char* section;
    const char* key;
};

const Setting kSettings[] = {
    {"Options", "Texture"},        {"Options", "Vitesse"},         {"Options", "BarColorDebut"},
    {"Options", "BarColorFin"},    {"Options", "BackColor"},       {"Options", "ButtonColorHaut"},
    {"Options", "ButtonColorBas"}, {"Enregistrement", "Autoexec"}, {"Sauvegarde", "Autoexec"},
    {"Sauvegarde", "Chemin"},      {"Autres", "CurrentRapportNo"},
};
constexpr std::size_t kSettingCount = std::size(kSettings);

std::optional<QString> Read(const QByteArray& content, const Setting& setting) {
    return IniFile::Lookup(content, QString::fromLatin1(setting.section),
                           QString::fromLatin1(setting.key));
}

// The lines with their ends (CR LF, a lone CR or a lone LF), told apart without the reader's help;
// a UTF-8 byte-order mark at the start stands apart, as it belongs to no line, and alone it is
// followed by an empty line without its end.
std::vector<QByteArray> LinesWithEnds(const QByteArray& content) {
    std::vector<QByteArray> lines;
    const bool bom = content.startsWith("\xEF\xBB\xBF");
    qsizetype start = 0;
    if (bom) {
        lines.push_back(content.left(3));
        start = 3;
    }
    for (qsizetype i = start; i < content.size(); ++i) {
        if (content[i] == '\n' || content[i] == '\r') {
            if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') {
                ++i;
            }
            lines.push_back(content.mid(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (start < content.size() || (bom && content.size() == 3)) {
        lines.push_back(content.mid(start));
    }
    return lines;
}

// The file may only have its key line replaced, or gain the key line (and its section line),
// the line before them getting the line end it lacked.
void CheckOtherLinesKept(const QByteArray& before, const QByteArray& after,
                         const QByteArray& valueBytes) {
    const std::vector<QByteArray> a = LinesWithEnds(before);
    const std::vector<QByteArray> b = LinesWithEnds(after);
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head]) {
        ++head;
    }
    std::size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) {
        ++tail;
    }
    const std::size_t removed = a.size() - head - tail;
    const std::size_t added = b.size() - head - tail;
    FuzzCheck(removed <= 1 && added <= removed + 2, "at most one line changed, two added");
    if (removed == 1 && added == 1) {
        FuzzCheck(b[head].endsWith('=' + valueBytes + "\r\n"), "the key line holds the value");
    } else if (removed == 1) {
        FuzzCheck(b[head] == a[head] + "\r\n", "the last line only gains its line end");
    }
}

// A value any INI file holds exactly: printable ASCII without quotes, no blank at either end.
bool IsPlain(const QString& value) {
    if (value.size() > IniFile::kMaxValueLength ||
        (!value.isEmpty() &&
         (value.front() == QLatin1Char(' ') || value.back() == QLatin1Char(' ')))) {
        return false;
    }
    for (const QChar c : value) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E || c == QLatin1Char('"') ||
            c == QLatin1Char('\'')) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype newline = input.indexOf('\n');
    const QByteArray command = newline < 0 ? input : input.left(newline);
    const QByteArray content = newline < 0 ? QByteArray() : input.mid(newline + 1);
    const auto byte = [&command](qsizetype i) {
        return i < command.size() ? static_cast<unsigned char>(command[i]) : 0u;
    };
    const Setting& written = kSettings[byte(0) % kSettingCount];
    const Setting& other = kSettings[(byte(1) >> 1) % kSettingCount];
    const QByteArray valueBytes = command.mid(2);
    const QString value =
        (byte(1) & 1) != 0 ? QString::fromUtf8(valueBytes) : FromCp1252(valueBytes);

    const std::optional<QString> otherBefore = Read(content, other);
    QByteArray updated;
    try {
        updated = IniFile::WithValue(content, QString::fromLatin1(written.section),
                                     QString::fromLatin1(written.key), value);
    } catch (const Failure&) {
        FuzzCheck(!IsPlain(value), "a plain value is never refused");
        return 0;
    }
    FuzzCheck(Read(updated, written) == value, "the value written reads back");
    if (&other != &written) {
        FuzzCheck(Read(updated, other) == otherBefore, "another setting keeps its value");
    }
    CheckOtherLinesKept(content, updated, ToCp1252(value));
    return 0;
}
