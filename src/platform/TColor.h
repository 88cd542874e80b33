#pragma once

#include <cstdint>

// A colour value: an RGB value 0x00BBGGRR, or a system colour 0x80000000 + the system colour
// index (clBtnFace is 0x8000000F), or clNone.
using TColor = std::int32_t;

constexpr TColor SystemColour(int index) {
    return static_cast<TColor>(0x80000000u | static_cast<std::uint32_t>(index));
}
constexpr bool IsSystemColour(TColor colour) {
    return colour < 0;
}

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor clScrollBar = SystemColour(0);
constexpr TColor clBackground = SystemColour(1);
constexpr TColor clActiveCaption = SystemColour(2);
constexpr TColor clInactiveCaption = SystemColour(3);
constexpr TColor clMenu = SystemColour(4);
constexpr TColor clWindow = SystemColour(5);
constexpr TColor clWindowFrame = SystemColour(6);
constexpr TColor clMenuText = SystemColour(7);
constexpr TColor clWindowText = SystemColour(8);
constexpr TColor clCaptionText = SystemColour(9);
constexpr TColor clActiveBorder = SystemColour(10);
constexpr TColor clInactiveBorder = SystemColour(11);
constexpr TColor clAppWorkSpace = SystemColour(12);
constexpr TColor clHighlight = SystemColour(13);
constexpr TColor clHighlightText = SystemColour(14);
constexpr TColor clBtnFace = SystemColour(15);
constexpr TColor clBtnShadow = SystemColour(16);
constexpr TColor clGrayText = SystemColour(17);
constexpr TColor clBtnText = SystemColour(18);
constexpr TColor clInactiveCaptionText = SystemColour(19);
constexpr TColor clBtnHighlight = SystemColour(20);
constexpr TColor cl3DDkShadow = SystemColour(21);
constexpr TColor cl3DLight = SystemColour(22);
constexpr TColor clInfoText = SystemColour(23);
constexpr TColor clInfoBk = SystemColour(24);
constexpr TColor clNone = 0x1FFFFFFF;
