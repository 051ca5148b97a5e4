// Exits 0 when the desktop has a system tray the agent's icon can live in, 1 otherwise.
#include <QApplication>
#include <QSystemTrayIcon>

int main(int argc, char* argv[]) {
    const QApplication application(argc, argv);
    return QSystemTrayIcon::isSystemTrayAvailable() ? 0 : 1;
}
