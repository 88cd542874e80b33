#include "config/SettingsText.h"

#include <gtest/gtest.h>

#include "platform/Failure.h"

using namespace SettingsText;

namespace {

bool Fails(const QString& text, TColor (*convert)(const QString&)) {
    try {
        convert(text);
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.errorNumber(), 0);
        return true;
    }
    return false;
}

}  // namespace

TEST(SettingsTextBool, OnlyNonExactlyIsNon) {
    EXPECT_EQ(NormalisedBool("Non"), "Non");
    EXPECT_EQ(NormalisedBool("Oui"), "Oui");
    EXPECT_EQ(NormalisedBool("oui"), "Oui");
    EXPECT_EQ(NormalisedBool("non"), "Oui");
    EXPECT_EQ(NormalisedBool("NON"), "Oui");
    EXPECT_EQ(NormalisedBool(""), "Oui");
    EXPECT_EQ(NormalisedBool("0"), "Oui");
    EXPECT_EQ(BoolText(true), "Oui");
    EXPECT_EQ(BoolText(false), "Non");
}

TEST(SettingsTextInteger, DecimalAndDollarHexadecimalWithSign) {
    EXPECT_EQ(ToInteger("3"), 3);
    EXPECT_EQ(ToInteger("09"), 9);
    EXPECT_EQ(ToInteger("-1"), -1);
    EXPECT_EQ(ToInteger("+7"), 7);
    EXPECT_EQ(ToInteger("$1F"), 31);
    EXPECT_EQ(ToInteger("$1f"), 31);
    EXPECT_EQ(ToInteger("-$10"), -16);
    EXPECT_EQ(ToInteger("2147483647"), 2147483647);
    EXPECT_EQ(ToInteger("-2147483648"), INT32_MIN);
    EXPECT_EQ(ToInteger("$FFFFFFFF"), -1);
    EXPECT_EQ(ToInteger("$80000000"), INT32_MIN);
    EXPECT_EQ(ToInteger("$00000000000A"), 10);
}

TEST(SettingsTextInteger, AnythingElseFails) {
    for (const char* bad :
         {"", "-", "+", "$", "-$", "abc", "3a", " 3", "3 ", "1.5", "0x10", "$G", "2147483648",
          "-2147483649", "$100000000", "99999999999", "++1", "$-1", "٣"}) {
        EXPECT_TRUE(Fails(QString::fromUtf8(bad), &ToInteger)) << bad;
    }
}

TEST(SettingsTextColour, TheFortyTwoNamesAnyCase) {
    EXPECT_EQ(ToColour("clBlack"), 0x000000);
    EXPECT_EQ(ToColour("clMaroon"), 0x000080);
    EXPECT_EQ(ToColour("clNavy"), 0x800000);
    EXPECT_EQ(ToColour("clSilver"), 0xC0C0C0);
    EXPECT_EQ(ToColour("clRed"), 0x0000FF);
    EXPECT_EQ(ToColour("clWhite"), 0xFFFFFF);
    EXPECT_EQ(ToColour("clScrollBar"), static_cast<TColor>(0x80000000u));
    EXPECT_EQ(ToColour("clbtnface"), static_cast<TColor>(0x8000000Fu));
    EXPECT_EQ(ToColour("CLINFOBK"), static_cast<TColor>(0x80000018u));
    EXPECT_EQ(ToColour("cl3DDkShadow"), static_cast<TColor>(0x80000015u));
    EXPECT_EQ(ToColour("clNone"), 0x1FFFFFFF);
    EXPECT_EQ(ToColour("$0080FF80"), 0x0080FF80);
    EXPECT_EQ(ToColour("$8000000F"), clBtnFace);
    EXPECT_EQ(ToColour("255"), 255);
    EXPECT_TRUE(Fails("vert", &ToColour));
    EXPECT_TRUE(Fails("clVert", &ToColour));
    EXPECT_TRUE(Fails("clDefault", &ToColour));
    EXPECT_TRUE(Fails("", &ToColour));
}

TEST(SettingsTextColour, WrittenAsNameElseEightHexDigits) {
    EXPECT_EQ(ColourText(ToColour("clbtnface")), "clBtnFace");
    EXPECT_EQ(ColourText(0xC0C0C0), "clSilver");
    EXPECT_EQ(ColourText(0), "clBlack");
    EXPECT_EQ(ColourText(0x1FFFFFFF), "clNone");
    EXPECT_EQ(ColourText(static_cast<TColor>(0x80000018u)), "clInfoBk");
    EXPECT_EQ(ColourText(0x00004000), "$00004000");
    EXPECT_EQ(ColourText(0x00e0e0e0), "$00E0E0E0");
    EXPECT_EQ(ColourText(static_cast<TColor>(0x80000019u)), "$80000019");
    EXPECT_EQ(ColourText(-1), "$FFFFFFFF");
    EXPECT_EQ(ColourText(0x20000000), "$20000000");
}

TEST(SettingsTextColour, EveryNameRoundTrips) {
    const char* names[] = {
        "clBlack",        "clMaroon",      "clGreen",         "clOlive",
        "clNavy",         "clPurple",      "clTeal",          "clGray",
        "clSilver",       "clRed",         "clLime",          "clYellow",
        "clBlue",         "clFuchsia",     "clAqua",          "clWhite",
        "clScrollBar",    "clBackground",  "clActiveCaption", "clInactiveCaption",
        "clMenu",         "clWindow",      "clWindowFrame",   "clMenuText",
        "clWindowText",   "clCaptionText", "clActiveBorder",  "clInactiveBorder",
        "clAppWorkSpace", "clHighlight",   "clHighlightText", "clBtnFace",
        "clBtnShadow",    "clGrayText",    "clBtnText",       "clInactiveCaptionText",
        "clBtnHighlight", "cl3DDkShadow",  "cl3DLight",       "clInfoText",
        "clInfoBk",       "clNone"};
    const TColor fixed[] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                            0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                            0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    for (int i = 0; i < 42; ++i) {
        const QString name = QLatin1String(names[i]);
        const TColor colour = ToColour(name.toLower());
        if (i < 16) {
            EXPECT_EQ(colour, fixed[i]) << names[i];
        } else if (i < 41) {
            EXPECT_EQ(static_cast<quint32>(colour), 0x80000000u + (i - 16)) << names[i];
        }
        EXPECT_EQ(ColourText(colour), name);
    }
}
