#include "bundleworkspace.h"
#include "headlessdesktop.h"
#include "helpermanager.h"
#include "plistpreferences.h"
#include "posixprocesslauncher.h"
#include "qtrunloop.h"
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
    HeadlessDesktop desktop;
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
        .statusBar = ports->desktop,
        .popovers = ports->desktop,
        .views = ports->desktop,
        .system = ports->system,
    });
    return *manager;
}
