#include "app/norms_controls.h"

#include "app/help_window.h"
#include "app/push_button_keys.h"
#include "app/window_controls.h"

#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

QString utf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

std::string utf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QPushButton* norms_button(const QString& caption, QWidget* parent, const QRect& geometry, const char* name)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    b->setAutoDefault(false);
    press_on_enter(b);
    return b;
}

QLabel* norms_label(const QString& text, QWidget* parent, const QRect& geometry)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(geometry);
    return l;
}

void prepare_norms_dialog(QDialog* dialog, const char* name, const QString& title)
{
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setWindowTitle(title);
    dialog->setFont(sans_font(false));
    // F1 opens the guide at this section (the program's one F1 reads it).
    dialog->setProperty(help_section_property, QStringLiteral("norms"));
}

QString wrapped_to_width(const QString& text, const QFontMetrics& metrics, int width)
{
    QStringList lines;
    QString line;
    const auto fits = [&](const QString& t) { return metrics.horizontalAdvance(t) <= width; };
    for (const QString& word : text.split(QLatin1Char(' '))) {
        const QString joined = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (fits(joined)) {
            line = joined;
            continue;
        }
        if (!line.isEmpty())
            lines << line;
        line.clear();
        // A word wider than a line is broken where it must be.
        for (const QChar c : word) {
            // Never between the two halves of a character beyond 16 bits.
            if (!line.isEmpty() && !c.isLowSurrogate() && !fits(line + c)) {
                lines << line;
                line.clear();
            }
            line += c;
        }
    }
    lines << line;
    return lines.join(QLatin1Char('\n'));
}
