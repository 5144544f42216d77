#include "app/window_controls.h"

#include "app/push_button_keys.h"

#include <QPushButton>
#include <QStringList>

QFont sans_font(bool bold, int pixel_size)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixel_size);
    font.setBold(bold);
    return font;
}

QFont mono_font()
{
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(12);
    return font;
}

QFrame* make_panel(QWidget* parent, const QRect& geometry, QFrame::Shadow shadow)
{
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Panel | shadow);
    panel->setGeometry(geometry);
    return panel;
}

QPushButton* make_button(const QString& caption, QWidget* parent, const QRect& geometry, const char* name)
{
    auto* button = new QPushButton(caption, parent);
    if (name)
        button->setObjectName(QLatin1String(name));
    button->setFont(sans_font(true));
    button->setGeometry(geometry);
    press_on_enter(button);
    return button;
}
