#include "agent/helpermanager.h"
#include "app/helperappdelegate.h"
#include "control/productlocations.h"
#include "platform/ports/systeminfo.h"
#include "platform/posix/instancelock.h"
#include "platform/posix/stdoutconsole.h"
#include "views/translations.h"

#include <QApplication>
#include <QTimer>

#include <csignal>
#include <string>
#include <variant>

namespace {

// Holds the delegate for the life of the process; the application does not own it.
HelperAppDelegate* appDelegate = nullptr;

// Sets `name` to `value` unless the user has chosen a value (Qt reads an empty one as none); says
// whether it did.
bool setUnlessChosen(const char* name, const char* value) {
    if (!qEnvironmentVariableIsEmpty(name)) {
        return false;
    }
    qputenv(name, value);
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    // A reader that goes away must not take the agent with it.
    std::signal(SIGPIPE, SIG_IGN);
    // Two agents for one home would show every alert twice and rewrite the same files: a second
    // one ends here, before it shows anything or touches a file. Held until the process ends.
    const auto lock = InstanceLock::take(ProductLocations::dataFile(
        SystemInfo::current().homeDirectory, ProductLocations::kAgentLockFile));
    if (const auto* other = std::get_if<InstanceLock::HeldElsewhere>(&lock)) {
        StdoutConsole().printLine(
            "Helper agent already running with process ID: " +
            (other->processId ? std::to_string(*other->processId) : std::string("unknown")));
        return 0;
    }
    if (const auto* unavailable = std::get_if<InstanceLock::Unavailable>(&lock)) {
        // Better two agents than none: this one runs without the lock.
        StdoutConsole().printLine("Failed to lock the helper agent's file: " + unavailable->reason);
    }
    // The agent wakes every second for a whole session and needs no GLib main loop: Qt's own
    // event dispatcher makes each idle wake a tenth or more cheaper.
    const bool dispatcherSet = setUnlessChosen("QT_NO_GLIB", "1");
    // A Wayland client cannot place its own windows: popovers would land wherever the compositor
    // puts them, not under the icon. Where the session also offers an X display (XWayland), the
    // agent runs there.
    const bool platformSet =
        !qEnvironmentVariableIsEmpty("DISPLAY") && setUnlessChosen("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    // The programs the agent starts get the environment as it was.
    if (dispatcherSet) {
        qunsetenv("QT_NO_GLIB");
    }
    if (platformSet) {
        qunsetenv("QT_QPA_PLATFORM");
    }
    QApplication::setQuitOnLastWindowClosed(false);
    Translations::install(application);
    appDelegate = new HelperAppDelegate(&HelperManager::shared);
    QTimer::singleShot(0, appDelegate, &HelperAppDelegate::applicationDidFinishLaunching);
    return QApplication::exec();
}
