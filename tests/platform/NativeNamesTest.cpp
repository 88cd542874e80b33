#include <gtest/gtest.h>

#include "platform/NativeNames.h"

namespace {

struct NameCase {
    const char* label;
    QByteArray bytes;
    QString text;
};

// Valid UTF-8 decodes as text; every other byte is held apart and comes back unchanged.
TEST(NativeNamesTest, BytesRoundTripAndValidTextDecodes) {
    const NameCase cases[] = {
        {"ascii", "/etc/fstab", QStringLiteral("/etc/fstab")},
        {"utf8", "/etc/caf\xC3\xA9.conf", QStringLiteral("/etc/café.conf")},
        {"latin1 byte", "/etc/caf\xE9.conf",
         QStringLiteral("/etc/caf") + QChar(0xDCE9) + QStringLiteral(".conf")},
        {"astral", "\xF0\x9F\x98\x80", QString::fromUcs4(U"\U0001F600", 1)},
        {"U+FEFF kept", "a\xEF\xBB\xBF", QStringLiteral("a") + QChar(0xFEFF)},
        {"overlong slash", "\xC0\xAF", QString(QChar(0xDCC0)) + QChar(0xDCAF)},
        {"encoded surrogate", "\xED\xB3\xA9",
         QString(QChar(0xDCED)) + QChar(0xDCB3) + QChar(0xDCA9)},
        {"truncated sequence", "a\xE2\x82", QStringLiteral("a") + QChar(0xDCE2) + QChar(0xDC82)},
        {"past U+10FFFF", "\xF4\x90\x80\x80",
         QString(QChar(0xDCF4)) + QChar(0xDC90) + QChar(0xDC80) + QChar(0xDC80)},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(NativeNames::Decode(c.bytes), c.text);
        EXPECT_EQ(NativeNames::Encode(c.text), c.bytes);
    }
}

TEST(NativeNamesTest, EveryByteValueRoundTrips) {
    QByteArray all;
    for (int b = 1; b < 256; ++b) {
        all.append(static_cast<char>(b));
        all.append("\xC3");
    }
    EXPECT_EQ(NativeNames::Encode(NativeNames::Decode(all)), all);
}

TEST(NativeNamesTest, StrayLowSurrogateIsNotAByte) {
    EXPECT_EQ(NativeNames::Encode(QString(QChar(0xDC41)) + QChar(0xD800)), QByteArray("??"));
}

}  // namespace
