#include "platform/desktop/popoverwindowhints.h"

#include "platform/desktop/xcbreply.h"

#include <QGuiApplication>
#include <QWidget>

#include <array>

void markAsPopoverWindow(QWidget& window) {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || QGuiApplication::platformName() != "xcb") {
        return;
    }
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    // The window is override-redirect, so no window manager places, lists or focuses it; the
    // type still tells an XWayland compositor that it is a notification, which keeps the keyboard
    // with the window that has it.
    const std::array types{internAtom(connection, "_NET_WM_WINDOW_TYPE_NOTIFICATION"),
                           internAtom(connection, "_NET_WM_WINDOW_TYPE_UTILITY")};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id,
                        internAtom(connection, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32,
                        types.size(), types.data());
}
