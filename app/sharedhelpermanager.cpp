#include "agent/helpermanager.h"
#include "platform/desktop/qtpopover.h"
#include "platform/desktop/qtstatusbar.h"
#include "platform/desktop/sessionlockwatch.h"
#include "platform/posix/bundleworkspace.h"
#include "platform/posix/plistpreferences.h"
#include "platform/posix/posixfilesystem.h"
#include "platform/posix/posixprocesslauncher.h"
#include "platform/posix/qtrunloop.h"
#include "platform/posix/stdoutconsole.h"
#include "views/qtpopoverfactory.h"

namespace {

// The real implementations of every port, alive for the whole process.
struct SystemPorts {
    SystemPorts() {
        QObject::connect(&sessionLock, &SessionLockWatch::lockedChanged, &sessionLock,
                         [this](bool locked) { windows.setScreenLocked(locked); });
        sessionLock.start();
    }

    SystemInfo system = SystemInfo::current();
    QtRunLoop runLoop;
    StdoutConsole console;
    PosixProcessLauncher processLauncher;
    BundleWorkspace workspace;
    PlistPreferencesStore preferences{system.homeDirectory};
    PosixFileSystem files{runLoop};
    PopoverWindows windows;
    QtPopoverFactory popovers{windows};
    // A click on the tray icon is a click outside every popover.
    QtStatusBar statusBar{[this] { windows.dismissAll(); }};
    // A threat's file name is private: nothing shows over a locked screen.
    SessionLockWatch sessionLock;
};

}  // namespace

HelperManager& HelperManager::shared() {
    // Never released: the manager and its ports live until the process ends.
    static auto* const ports = new SystemPorts;
    static auto* const manager = new HelperManager({
        .runLoop = ports->runLoop,
        .console = ports->console,
        .files = ports->files,
        .processLauncher = ports->processLauncher,
        .workspace = ports->workspace,
        .preferences = ports->preferences,
        .statusBar = ports->statusBar,
        .popovers = ports->popovers,
        .system = ports->system,
    });
    return *manager;
}
