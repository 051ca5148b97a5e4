// Stands in for the product's main application, so the agent's hand-off can be seen: the window
// shows the "selectedView" and "scanType" the agent left in the shared preferences suite, read
// again every second. SIGTERM, which the agent sends before a USB scan, ends it cleanly.
#include <QApplication>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <plist/plist.h>

#include <sys/socket.h>

#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

int signalSocket[2] = {-1, -1};

// Only async-signal-safe work here: the run loop reads the byte and quits.
void onTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalSocket[0], &byte, 1);
}

QString sharedSuitePath() {
    const char* home = std::getenv("HOME");
    return QString::fromLocal8Bit(home != nullptr ? home : "/") +
           "/Library/Preferences/com.corvane.antivirus.shared.plist";
}

// The string under `key` in the suite, or "(not set)" when the file or key is missing.
QString readValue(plist_t dictionary, const char* key) {
    const plist_t node = dictionary != nullptr ? plist_dict_get_item(dictionary, key) : nullptr;
    if (plist_get_node_type(node) != PLIST_STRING) {
        return QStringLiteral("(not set)");
    }
    char* value = nullptr;
    plist_get_string_val(node, &value);
    const QString result = QString::fromUtf8(value != nullptr ? value : "");
    std::free(value);
    return result;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSocket) != 0) {
        std::perror("socketpair");
        return 1;
    }
    QSocketNotifier terminateNotifier(signalSocket[1], QSocketNotifier::Read);
    QObject::connect(&terminateNotifier, &QSocketNotifier::activated, [] {
        char byte = 0;
        [[maybe_unused]] const auto readBytes = ::read(signalSocket[1], &byte, 1);
        std::puts("standinmainapp: SIGTERM, quitting");
        std::fflush(stdout);
        QApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Corvane Antivirus"));
    window.resize(420, 140);
    auto* layout = new QFormLayout(&window);
    auto* selectedView = new QLabel(&window);
    auto* scanType = new QLabel(&window);
    QFont large = window.font();
    large.setPointSize(large.pointSize() + 4);
    large.setBold(true);
    selectedView->setFont(large);
    scanType->setFont(large);
    layout->addRow(QStringLiteral("selectedView:"), selectedView);
    layout->addRow(QStringLiteral("scanType:"), scanType);
    layout->addRow(new QLabel(QStringLiteral("Stand-in main application"), &window));

    QString shown;
    const auto refresh = [&] {
        QFile file(sharedSuitePath());
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly)) {
            bytes = file.readAll();
        }
        plist_t root = nullptr;
        if (!bytes.isEmpty()) {
            plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
        }
        const std::unique_ptr<void, decltype(&plist_free)> owned(root, plist_free);
        const plist_t dictionary = plist_get_node_type(root) == PLIST_DICT ? root : nullptr;
        selectedView->setText(readValue(dictionary, "selectedView"));
        scanType->setText(readValue(dictionary, "scanType"));
        // One line per change, so scripts can follow what the window shows.
        const QString now =
            "selectedView=" + selectedView->text() + " scanType=" + scanType->text();
        if (now != shown) {
            shown = now;
            std::printf("standinmainapp: %s\n", qPrintable(now));
            std::fflush(stdout);
        }
    };
    refresh();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, refresh);
    timer.start(1000);
    window.show();
    return QApplication::exec();
}
