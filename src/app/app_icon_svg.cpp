#include "app/app_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

QIcon drawn_icon()
{
    // Drawn here rather than by an icon plugin, which might be missing.
    QSvgRenderer renderer(QStringLiteral(":/icons/brenlow.svg"));
    QIcon icon;
    if (!renderer.isValid())
        return icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon brenlow_icon()
{
    // The application and both windows ask for it at start-up: drawn once.
    static const QIcon icon = drawn_icon();
    return icon;
}
