#include "desktopcompositor.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <string>

bool desktopComposites() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr && QGuiApplication::platformName() == "xcb"
                                       ? x11->connection()
                                       : nullptr;
    if (connection == nullptr) {
        return true;  // not X11: Wayland and offscreen rendering blend by themselves
    }
    // A running compositing manager owns the selection _NET_WM_CM_S<screen>.
    const std::string name = "_NET_WM_CM_S0";
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.c_str());
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (atom == nullptr) {
        return false;
    }
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool composited = owner != nullptr && owner->owner != XCB_NONE;
    std::free(owner);
    std::free(atom);
    return composited;
}
