#include "config/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include <vector>

#include "platform/CheckedIo.h"
#include "platform/Cp1252.h"
#include "platform/Failure.h"
#include "platform/FileSystem.h"
#include "shared/FileDescriptor.h"

namespace {

const QByteArray kCrLf = QByteArrayLiteral("\r\n");

// One line of the file: its bytes without the line end, and where the next line starts.
struct Line {
    qsizetype start;
    qsizetype length;
    qsizetype next;
    bool hasEnd() const { return next > start + length; }
};

const QByteArray kUtf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// Lines end at CR LF, LF or a lone CR; the last one may have no end. A UTF-8 byte-order mark
// that an editor put at the start belongs to no line, so it stays in the file when it is written.
std::vector<Line> SplitLines(const QByteArray& content) {
    std::vector<Line> lines;
    qsizetype start = content.startsWith(kUtf8Bom) ? kUtf8Bom.size() : 0;
    const qsizetype size = content.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && content[end] != '\n' && content[end] != '\r') {
            ++end;
        }
        qsizetype next = end;
        if (next < size) {
            next += (content[next] == '\r' && next + 1 < size && content[next + 1] == '\n') ? 2 : 1;
        }
        lines.push_back({start, end - start, next});
        start = next;
    }
    return lines;
}

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString Trimmed(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text.at(begin))) {
        ++begin;
    }
    while (end > begin && IsBlank(text.at(end - 1))) {
        --end;
    }
    return text.mid(begin, end - begin);
}

enum class Kind { Other, Blank, Comment, Section, Key };

// A line as the profile reader sees it.
struct Parsed {
    Kind kind = Kind::Other;
    QString name;   // section or key name
    QString value;  // key value, raw (trimmed)
};

Parsed Parse(const QByteArray& content, const Line& line) {
    const QString text = Trimmed(FromCp1252(content.mid(line.start, line.length)));
    Parsed parsed;
    if (text.isEmpty()) {
        parsed.kind = Kind::Blank;
    } else if (text.at(0) == QLatin1Char(';')) {
        parsed.kind = Kind::Comment;
    } else if (text.at(0) == QLatin1Char('[')) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close > 0) {
            parsed.kind = Kind::Section;
            parsed.name = Trimmed(text.mid(1, close - 1));
        }
    } else {
        const qsizetype equals = text.indexOf(QLatin1Char('='));
        if (equals > 0) {
            parsed.name = Trimmed(text.left(equals));
            parsed.value = Trimmed(text.mid(equals + 1));
            parsed.kind = parsed.name.isEmpty() ? Kind::Other : Kind::Key;
        }
    }
    return parsed;
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a section and a key sit in the content.
struct Location {
    int sectionLine = -1;  // index of the "[Section]" line
    int keyLine = -1;      // index of the key line
    int lastEntry = -1;    // last non-blank, non-comment line of the section
    QString keyName;       // the key as the file spells it
    QString value;
};

Location Locate(const QByteArray& content, const std::vector<Line>& lines, const QString& section,
                const QString& key) {
    Location where;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const Parsed parsed = Parse(content, lines[i]);
        if (parsed.kind == Kind::Section) {
            if (where.sectionLine >= 0) {
                break;  // the first matching section is the only one used
            }
            if (SameName(parsed.name, section)) {
                where.sectionLine = i;
                where.lastEntry = i;
            }
            continue;
        }
        if (where.sectionLine < 0) {
            continue;
        }
        if (parsed.kind != Kind::Blank && parsed.kind != Kind::Comment) {
            where.lastEntry = i;
        }
        if (parsed.kind == Kind::Key && where.keyLine < 0 && SameName(parsed.name, key)) {
            where.keyLine = i;
            where.keyName = parsed.name;
            where.value = parsed.value;
        }
    }
    return where;
}

// The value as the profile reader returns it: a C string (up to a NUL), without one pair of
// enclosing quotes, cut to the reader's buffer.
QString ValueRead(QString value) {
    const qsizetype nul = value.indexOf(QChar(u'\0'));
    if (nul >= 0) {
        value.truncate(nul);
    }
    if (value.size() >= 2 &&
        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front()) {
        value = value.mid(1, value.size() - 2);
    }
    value.truncate(IniFile::kMaxValueLength);
    return value;
}

// A name or value that would break the line structure of the file is refused.
void CheckText(const QString& text) {
    for (const QChar c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(u'\0')) {
            errno = EINVAL;
            KESTRIX_FAIL("line end or NUL in an INI entry: " + text.toStdString());
        }
    }
}

QByteArray ReadContent(const QByteArray& nativePath) {
    FileDescriptor fd(::open(nativePath.constData(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        KESTRIX_FAIL("cannot open " + nativePath.toStdString());
    }
    QByteArray bytes;
    char buffer[16384];
    for (;;) {
        const std::int64_t n = CheckedIo::Read(fd, buffer, sizeof buffer);
        if (n == 0) {
            return bytes;
        }
        bytes.append(buffer, n);
    }
}

// The file that a write replaces: the target of a symbolic link, so that the link stays.
QByteArray WriteTarget(const QByteArray& nativePath) {
    char resolved[PATH_MAX];
    if (::realpath(nativePath.constData(), resolved)) {
        return QByteArray(resolved);
    }
    return nativePath;
}

// Removes the temporary file unless it was renamed into place.
class TempFile {
public:
    explicit TempFile(const QByteArray& target) : name_(target + QByteArrayLiteral(".XXXXXX")) {
        fd_ = FileDescriptor(::mkostemp(name_.data(), O_CLOEXEC));
        if (!fd_) {
            KESTRIX_FAIL("cannot create a file beside " + target.toStdString());
        }
    }
    ~TempFile() {
        if (!renamed_) {
            ::unlink(name_.constData());
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    FileDescriptor& fd() { return fd_; }

    void RenameTo(const QByteArray& target) {
        if (::rename(name_.constData(), target.constData()) != 0) {
            KESTRIX_FAIL("cannot replace " + target.toStdString());
        }
        renamed_ = true;
    }

private:
    QByteArray name_;
    FileDescriptor fd_;
    bool renamed_ = false;
};

// A settings file that Kestrix creates: written by root, read by all, whatever the umask.
constexpr mode_t kNewFileMode = 0644;

// The content with the key set, as WithValue describes it.
QByteArray Edited(const QByteArray& content, const QString& section, const QString& key,
                  const QString& value) {
    CheckText(section);
    CheckText(key);
    CheckText(value);
    const std::vector<Line> lines = SplitLines(content);
    const Location where = Locate(content, lines, section, key);
    QByteArray result = content;
    if (where.keyLine >= 0) {
        const Line& line = lines[where.keyLine];
        result.replace(line.start, line.next - line.start,
                       ToCp1252(where.keyName + QLatin1Char('=') + value) + kCrLf);
        return result;
    }
    const QByteArray entry = ToCp1252(key + QLatin1Char('=') + value) + kCrLf;
    if (where.sectionLine >= 0) {
        const Line& last = lines[where.lastEntry];
        // A last line without its end gets one, so that the new key starts a line of its own.
        result.insert(last.next, last.hasEnd() ? entry : kCrLf + entry);
        return result;
    }
    // A file ending without a line end (a byte-order mark alone included) gets one first.
    if (!result.isEmpty() && !result.endsWith('\n') && !result.endsWith('\r')) {
        result += kCrLf;
    }
    result += ToCp1252(QLatin1Char('[') + section + QLatin1Char(']')) + kCrLf + entry;
    return result;
}

}  // namespace

std::optional<QString> IniFile::Lookup(const QByteArray& content, const QString& section,
                                       const QString& key) {
    const Location where = Locate(content, SplitLines(content), section, key);
    if (where.keyLine < 0) {
        return std::nullopt;
    }
    return ValueRead(where.value);
}

QByteArray IniFile::WithValue(const QByteArray& content, const QString& section, const QString& key,
                              const QString& value) {
    QByteArray result = Edited(content, section, key, value);
    // What the reader would give back differs from what was asked (a character outside the code
    // page, blanks it trims, quotes it strips, a value it cuts): saving it would change the value.
    if (Lookup(result, section, key) != value) {
        errno = EINVAL;
        KESTRIX_FAIL("INI entry would not read back as written: " + value.toStdString());
    }
    return result;
}

QString IniFile::ReadString(const QString& section, const QString& key,
                            const QString& fallback) const {
    return Lookup(ReadAll(), section, key).value_or(fallback);
}

QByteArray IniFile::ReadAll() const {
    try {
        return ReadContent(FileSystem::NativePath(path_));
    } catch (const Failure&) {
        return {};  // a file that cannot be read is a missing file, as for the platform
    }
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    WriteStrings({Entry{section, key, value}});
}

void IniFile::WriteStrings(const std::vector<Entry>& entries) {
    const QByteArray target = WriteTarget(FileSystem::NativePath(path_));
    struct stat st {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    if (!exists && errno != ENOENT) {
        KESTRIX_FAIL("cannot reach " + target.toStdString());
    }
    // An existing file is read completely first: what cannot be read is never replaced.
    QByteArray updated = exists ? ReadContent(target) : QByteArray();
    for (const Entry& entry : entries) {
        updated = WithValue(updated, entry.section, entry.key, entry.value);
    }

    if (exists) {
        // The file is replaced by a complete new one, but only where it may be written in place:
        // a read-only file stays refused.
        FileDescriptor check(::open(target.constData(), O_WRONLY | O_CLOEXEC));
        if (!check) {
            KESTRIX_FAIL("cannot write " + target.toStdString());
        }
        CheckedIo::Close(check);
    }

    TempFile temp(target);
    if (::fchmod(temp.fd().Get(), exists ? (st.st_mode & 07777) : kNewFileMode) != 0) {
        KESTRIX_FAIL("cannot set the mode of a new " + target.toStdString());
    }
    // Root gives the new file the old one's owner; any other user keeps what it may.
    if (exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
        ::fchown(temp.fd().Get(), st.st_uid, st.st_gid) != 0 && ::geteuid() == 0) {
        KESTRIX_FAIL("cannot keep the owner of " + target.toStdString());
    }
    CheckedIo::WriteAll(temp.fd(), updated.constData(), static_cast<std::size_t>(updated.size()));
    if (::fsync(temp.fd().Get()) != 0) {
        KESTRIX_FAIL("cannot write " + target.toStdString());
    }
    CheckedIo::Close(temp.fd());
    temp.RenameTo(target);
}
