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

xcb_atom_t atom_of(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

} // namespace

void move_to_current_desktop(QWidget* window)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t* connection = x11->connection();
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_atom_t current = atom_of(connection, "_NET_CURRENT_DESKTOP");
    const xcb_atom_t desktop = atom_of(connection, "_NET_WM_DESKTOP");
    if (!screen || current == XCB_ATOM_NONE || desktop == XCB_ATOM_NONE)
        return;
    xcb_get_property_reply_t* shown = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, screen->root, current, XCB_ATOM_CARDINAL, 0, 1),
        nullptr);
    if (!shown)
        return;
    if (xcb_get_property_value_length(shown) >= 4) {
        // What window managers answer to move a window to a desktop: a client message
        // to the root window, from an application (source 1).
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = static_cast<xcb_window_t>(window->winId());
        message.type = desktop;
        message.data.data32[0] = *static_cast<const uint32_t*>(xcb_get_property_value(shown));
        message.data.data32[1] = 1;
        xcb_send_event(connection, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(connection);
    }
    std::free(shown);
}

void ask_for_title_only_caption(QWidget* window)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_atom_t atom = atom_of(connection, "_MOTIF_WM_HINTS");
    if (atom == XCB_ATOM_NONE)
        return;
    // flags, functions, decorations, input mode, status. Qt keeps these when
    // it maps the window, only taking out resizing from a fixed-size one.
    const uint32_t hints[5] = {MwmHintsFunctions | MwmHintsDecorations, MwmFuncMove,
                               MwmDecorBorder | MwmDecorTitle, 0, 0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom, atom, 32, 5, hints);
    xcb_flush(connection);
}

#else

void ask_for_title_only_caption(QWidget*) {}

void move_to_current_desktop(QWidget*) {}

#endif
