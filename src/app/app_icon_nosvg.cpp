// The icon of builds without QtSvg (Windows): the PNG sizes the build drew
// from the same SVG, in the program's resources.
#include "app/app_icon.h"

QIcon brenlow_icon()
{
    static const QIcon icon = [] {
        QIcon sizes;
        for (const int size : {16, 24, 32, 48, 64, 128, 256})
            sizes.addFile(QStringLiteral(":/icons/brenlow-%1.png").arg(size), QSize(size, size));
        return sizes;
    }();
    return icon;
}
