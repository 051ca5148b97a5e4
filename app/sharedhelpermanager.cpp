#include "bundleworkspace.h"
#include "helpermanager.h"
#include "plistpreferences.h"
#include "posixprocesslauncher.h"
#include "qtpopover.h"
#include "qtpopoverviewfactory.h"
#include "qtrunloop.h"
#include "qtstatusbar.h"
#include "stdoutconsole.h"

namespace {

// The real implementations of every port, alive for the whole process.
struct SystemPorts {
    SystemInfo system = SystemInfo::current();
    QtRunLoop runLoop;
    StdoutConsole console;
    PosixProcessLauncher processLauncher;
    BundleWorkspace workspace;
    PlistPreferencesStore preferences{system.homeDirectory};
    QtPopoverFactory popovers;
    // A click on the tray icon is a click outside every popover.
    QtStatusBar statusBar{[this] { popovers.dismissAll(); }};
    QtPopoverViewFactory views;
};

}  // namespace

HelperManager& HelperManager::shared() {
    // Never released: the manager and its ports live until the process ends.
    static auto* const ports = new SystemPorts;
    static auto* const manager = new HelperManager({
        .runLoop = ports->runLoop,
        .console = ports->console,
        .processLauncher = ports->processLauncher,
        .workspace = ports->workspace,
        .preferences = ports->preferences,
        .statusBar = ports->statusBar,
        .popovers = ports->popovers,
        .views = ports->views,
        .system = ports->system,
    });
    return *manager;
}
