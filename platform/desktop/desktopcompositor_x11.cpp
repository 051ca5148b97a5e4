#include "platform/desktop/desktopcompositor.h"

#include "platform/desktop/xcbreply.h"

#include <QGuiApplication>

bool desktopComposites() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection =
        x11 != nullptr && QGuiApplication::platformName() == "xcb" ? x11->connection() : nullptr;
    if (connection == nullptr) {
        return true;  // not X11: Wayland and offscreen rendering blend by themselves
    }
    // A running compositing manager owns the selection _NET_WM_CM_S<screen>.
    const xcb_atom_t selection = internAtom(connection, "_NET_WM_CM_S0");
    if (selection == XCB_ATOM_NONE) {
        return false;
    }
    const XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr));
    return owner != nullptr && owner->owner != XCB_NONE;
}
