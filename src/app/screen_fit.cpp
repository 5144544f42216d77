#include "app/screen_fit.h"

#include <QApplication>
#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QWidget>

#include <algorithm>

namespace {

// A caption bar and thin borders, in logical pixels: generous at a scale
// factor above 1, where the window manager's frame keeps its device size.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 32;

QScrollArea* new_scroll_area(QWidget* parent)
{
    auto* area = new QScrollArea(parent);
    area->setObjectName(QStringLiteral("screenFitScrollArea"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(false);
    area->setBackgroundRole(QPalette::Window);
    // Whatever gets the focus (Tab, a warning's field) is scrolled into view.
    QObject::connect(qApp, &QApplication::focusChanged, area, [area](QWidget*, QWidget* now) {
        if (now && area->widget() && area->widget()->isAncestorOf(now))
            area->ensureWidgetVisible(now);
    });
    return area;
}

QScreen* screen_of(QWidget* window);

// Keeps a fitted window's frame inside the screen's available area: the
// window manager adds its frame only once the window is shown, and may place
// a window by its client area, caption off the top.
class tKeepFrameOnScreen final : public QObject {
public:
    explicit tKeepFrameOnScreen(QWidget* window) : QObject(window), window_(window) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (watched == window_
            && (type == QEvent::Move || type == QEvent::Show || type == QEvent::WindowActivate)
            && window_->isVisible()) {
            QScreen* screen = screen_of(window_);
            const QRect frame = window_->frameGeometry();
            if (screen && frame.size() != window_->size()) { // the frame is known
                const QRect available = screen->availableGeometry();
                const int dx = std::max(0, available.left() - frame.left())
                               - std::max(0, std::min(frame.right() - available.right(),
                                                      frame.left() - available.left()));
                const int dy = std::max(0, available.top() - frame.top())
                               - std::max(0, std::min(frame.bottom() - available.bottom(),
                                                      frame.top() - available.top()));
                if (dx != 0 || dy != 0)
                    window_->move(window_->pos() + QPoint(dx, dy));
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* window_;
};

} // namespace

QSize window_frame_allowance()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return QSize(0, 0);
    return QSize(kFrameWidth, kFrameHeight);
}

bool fit_window_to(QWidget* window, const QRect& available, const QSize& frame)
{
    const QSize design = window->size();
    const QSize room = available.size() - frame;
    if (design.width() <= room.width() && design.height() <= room.height())
        return false;
    const QSize fitted(std::min(design.width(), room.width()), std::min(design.height(), room.height()));

    if (auto* main = qobject_cast<QMainWindow*>(window)) {
        // The client keeps its size inside the scroll area; the menu bar stays on top.
        QWidget* client = main->takeCentralWidget();
        QScrollArea* area = new_scroll_area(main);
        area->setWidget(client);
        main->setCentralWidget(area);
        client->show();
        area->show();
    } else {
        // The controls move, in their stacking order, into one client widget
        // of the designed size.
        auto* client = new QWidget;
        client->setObjectName(QStringLiteral("screenFitClient"));
        client->setFixedSize(design);
        const QObjectList children = window->children();
        for (QObject* child : children)
            if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isWindow()) {
                const bool hidden = widget->isHidden();
                widget->setParent(client);
                widget->setHidden(hidden);
            }
        QScrollArea* area = new_scroll_area(window);
        area->setWidget(client);
        area->setGeometry(QRect(QPoint(0, 0), fitted));
        client->show();
        area->show();
    }
    window->setFixedSize(fitted);
    window->installEventFilter(new tKeepFrameOnScreen(window));
    // move() places the frame's top-left corner: caption and borders are on the screen too.
    window->move(available.left() + (available.width() - fitted.width() - frame.width()) / 2,
                 available.top() + (available.height() - fitted.height() - frame.height()) / 2);
    return true;
}

namespace {

QScreen* screen_of(QWidget* window)
{
    QScreen* screen = window->screen();
    return screen ? screen : QGuiApplication::primaryScreen();
}

} // namespace

bool fit_window_to_screen(QWidget* window)
{
    QScreen* screen = screen_of(window);
    return screen && fit_window_to(window, screen->availableGeometry(), window_frame_allowance());
}

void centre_on_screen(QWidget* window)
{
    QScreen* screen = screen_of(window);
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QSize frame = window_frame_allowance();
    // Never above or left of the available area, even for a window too large for it.
    window->move(available.left() + std::max(0, (available.width() - window->width() - frame.width()) / 2),
                 available.top() + std::max(0, (available.height() - window->height() - frame.height()) / 2));
}
