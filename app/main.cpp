#include "agent/helpermanager.h"
#include "app/helperappdelegate.h"
#include "views/translations.h"

#include <QApplication>
#include <QTimer>

#include <csignal>

namespace {

// Holds the delegate for the life of the process; the application does not own it.
HelperAppDelegate* appDelegate = nullptr;

}  // namespace

int main(int argc, char* argv[]) {
    // A reader that goes away must not take the agent with it.
    std::signal(SIGPIPE, SIG_IGN);
    // The agent wakes every second for a whole session and needs no GLib main loop: Qt's own
    // event dispatcher makes each idle wake a tenth or more cheaper. The programs the agent
    // starts get the environment as it was.
    const bool dispatcherChosen = qEnvironmentVariableIsSet("QT_NO_GLIB");
    if (!dispatcherChosen) {
        qputenv("QT_NO_GLIB", "1");
    }
    QApplication application(argc, argv);
    if (!dispatcherChosen) {
        qunsetenv("QT_NO_GLIB");
    }
    QApplication::setQuitOnLastWindowClosed(false);
    Translations::install(application);
    appDelegate = new HelperAppDelegate(&HelperManager::shared);
    QTimer::singleShot(0, appDelegate, &HelperAppDelegate::applicationDidFinishLaunching);
    return QApplication::exec();
}
