#include "wizard/ColourPresets.h"

namespace ColourPresets {

namespace {

// Windows' own colours stay references to system colours, so that the scheme follows the
// user's desktop and the settings file keeps their names.
const ColourPreset kPresets[kCount] = {
    {"MenuItemKestrix", u"Couleurs par défaut de Kestrix", 0x00C8C8C8, 0x00E0E0E0, clSilver,
     clGreen, clLime},
    {"MenuItemWinD", u"Couleurs de Windows avec dégradés", clBtnFace, clBtnHighlight, clBtnFace,
     clActiveCaption, clInactiveCaption},
    {"MenuItemWinN", u"Couleurs de Windows sans dégradés", clBtnFace, clBtnFace, clBtnFace,
     clActiveCaption, clActiveCaption},
};

}  // namespace

const ColourPreset& At(int index) {
    return kPresets[index];
}

}  // namespace ColourPresets
