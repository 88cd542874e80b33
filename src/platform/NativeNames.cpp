#include "platform/NativeNames.h"

namespace NativeNames {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at `at` and its code point, or 0 when the bytes there
// are not one (overlong forms, surrogates and values past U+10FFFF included).
int Sequence(const unsigned char* at, int left, char32_t& code) {
    const unsigned char lead = at[0];
    int length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (left < length) {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (!IsContinuation(at[i])) {
            return 0;
        }
        code = (code << 6) | (at[i] & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return 0;
    }
    return length;
}

void AppendUtf8(QByteArray& bytes, char32_t code) {
    if (code < 0x80) {
        bytes.append(static_cast<char>(code));
    } else if (code < 0x800) {
        bytes.append(static_cast<char>(0xC0 | (code >> 6)));
        bytes.append(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        bytes.append(static_cast<char>(0xE0 | (code >> 12)));
        bytes.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        bytes.append(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        bytes.append(static_cast<char>(0xF0 | (code >> 18)));
        bytes.append(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        bytes.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        bytes.append(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

}  // namespace

QString Decode(const QByteArray& bytes) {
    QString name;
    name.reserve(bytes.size());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const int size = bytes.size();
    for (int i = 0; i < size;) {
        char32_t code = 0;
        const int length = Sequence(data + i, size - i, code);
        if (length == 0) {
            name.append(QChar(static_cast<char16_t>(kEscapeBase + data[i])));
            ++i;
            continue;
        }
        // Appended as code units: a conversion from UCS-4 would drop U+FEFF as a byte-order mark.
        if (code < 0x10000) {
            name.append(QChar(static_cast<char16_t>(code)));
        } else {
            name.append(QChar(QChar::highSurrogate(code)));
            name.append(QChar(QChar::lowSurrogate(code)));
        }
        i += length;
    }
    return name;
}

QByteArray Encode(const QString& name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    const int size = name.size();
    for (int i = 0; i < size; ++i) {
        const char16_t unit = name.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < size && name.at(i + 1).isLowSurrogate()) {
            AppendUtf8(bytes, QChar::surrogateToUcs4(unit, name.at(i + 1).unicode()));
            ++i;
        } else if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF) {
            bytes.append(static_cast<char>(unit - kEscapeBase));
        } else if (QChar::isSurrogate(unit)) {
            bytes.append('?');
        } else {
            AppendUtf8(bytes, unit);
        }
    }
    return bytes;
}

}  // namespace NativeNames
