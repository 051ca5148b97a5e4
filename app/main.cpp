#include "helperappdelegate.h"
#include "helpermanager.h"
#include "translations.h"

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
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Translations::install(application);
    appDelegate = new HelperAppDelegate(&HelperManager::shared);
    QTimer::singleShot(0, appDelegate, &HelperAppDelegate::applicationDidFinishLaunching);
    return QApplication::exec();
}
