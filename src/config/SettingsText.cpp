#include "config/SettingsText.h"

#include <array>
#include <cstdint>

#include "platform/Failure.h"

namespace SettingsText {

const QString kOui = QStringLiteral("Oui");
const QString kNon = QStringLiteral("Non");

namespace {

struct ColourName {
    const char* name;
    TColor value;
};

const std::array<ColourName, 42> kColourNames = {{
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
    {"clNone", clNone},
}};

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    return -1;
}

[[noreturn]] void NotANumber(const QString& text) {
    KESTRIX_FAIL_NO_ERRNO("'" + text.toStdString() + "' is not a valid integer value");
}

}  // namespace

QString NormalisedBool(const QString& text) {
    return text == kNon ? kNon : kOui;
}

QString BoolText(bool value) {
    return value ? kOui : kNon;
}

int ToInteger(const QString& text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    const bool hex = i < text.size() && text.at(i) == QLatin1Char('$');
    if (hex) {
        ++i;
    }
    if (i >= text.size()) {
        NotANumber(text);
    }
    // Hexadecimal gives the 32 bits directly ($FFFFFFFF is -1); decimal must fit the signed range.
    const std::uint64_t limit = hex ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = HexDigit(text.at(i));
        if (digit < 0 || (!hex && digit > 9)) {
            NotANumber(text);
        }
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (value > limit) {
            NotANumber(text);
        }
    }
    const auto bits = static_cast<std::uint32_t>(negative ? (~value + 1) : value);
    return static_cast<int>(static_cast<std::int32_t>(bits));
}

TColor ToColour(const QString& text) {
    for (const ColourName& c : kColourNames) {
        if (text.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
            return c.value;
        }
    }
    return ToInteger(text);
}

QString ColourText(TColor colour) {
    for (const ColourName& c : kColourNames) {
        if (c.value == colour) {
            return QLatin1String(c.name);
        }
    }
    return QLatin1Char('$') + QString::number(static_cast<std::uint32_t>(colour), 16)
                                  .toUpper()
                                  .rightJustified(8, QLatin1Char('0'));
}

}  // namespace SettingsText
