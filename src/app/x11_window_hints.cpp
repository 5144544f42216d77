#include "app/x11_window_hints.h"

#include <QGuiApplication>
#include <QWidget>

#if defined(BRENLOW_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

// The Motif window manager hints, as the window managers read them.
constexpr uint32_t MwmHintsFunctions = 1u << 0;
constexpr uint32_t MwmHintsDecorations = 1u << 1;
constexpr uint32_t MwmFuncMove = 1u << 2;
constexpr uint32_t MwmDecorBorder = 1u << 1;
constexpr uint32_t MwmDecorTitle = 1u << 3;

} // namespace

void ask_for_title_only_caption(QWidget* window)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window->winId());
    const char name[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    if (!atom)
        return;
    // flags, functions, decorations, input mode, status. Qt keeps these when
    // it maps the window, only taking out resizing from a fixed-size one.
    const uint32_t hints[5] = {MwmHintsFunctions | MwmHintsDecorations, MwmFuncMove,
                               MwmDecorBorder | MwmDecorTitle, 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom->atom, atom->atom, 32, 5, hints);
    xcb_flush(connection);
    std::free(atom);
}

#else

void ask_for_title_only_caption(QWidget*) {}

#endif
