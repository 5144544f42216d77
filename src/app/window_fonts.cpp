#include "app/window_fonts.h"

#include <QStringList>

QFont sans_font(bool bold)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    font.setBold(bold);
    return font;
}
