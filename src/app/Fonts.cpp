#include "app/Fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

void LoadInterfaceFonts() {
    const int id = QFontDatabase::addApplicationFont(
        QStringLiteral("/usr/share/wine/fonts/ms_sans_serif.ttf"));
    if (id < 0) {
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"),
                                  QStringLiteral("Liberation Sans"));
    }
    QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                              QStringLiteral("Liberation Serif"));
}
