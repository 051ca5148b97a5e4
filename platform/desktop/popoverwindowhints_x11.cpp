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
    // A notification bubble is no task and no stop of a window switcher; a window manager that
    // does not know the type takes the utility window Qt would have declared.
    const std::array types{internAtom(connection, "_NET_WM_WINDOW_TYPE_NOTIFICATION"),
                           internAtom(connection, "_NET_WM_WINDOW_TYPE_UTILITY")};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id,
                        internAtom(connection, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32,
                        types.size(), types.data());
    // Set directly on the unmapped window; Qt adds its own states to these when it maps it.
    const std::array states{internAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                            internAtom(connection, "_NET_WM_STATE_SKIP_PAGER")};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id,
                        internAtom(connection, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32, states.size(),
                        states.data());
}
