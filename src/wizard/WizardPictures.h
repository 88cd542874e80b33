#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>

// The pictures of the wizard, drawn by the program.
namespace WizardPictures {

// The tall side picture of the main window.
QPixmap SideLogo(const QSize& size);

// A small button picture of the given size.
QPixmap ButtonPicture(const QSize& size, const QColor& colour);

// The 32 x 32 tile of light greys (levels 185 to 209) of the background texture.
QPixmap TextureTile();

}  // namespace WizardPictures
