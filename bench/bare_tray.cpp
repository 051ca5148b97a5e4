// A tray icon with a small menu and nothing else, to put the agent's memory and idle figures
// next to what any Qt tray program costs on the same desktop. With --tick it also wakes once a
// second for nothing, like a poller that has no work: the floor under the agent's idle CPU.

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstring>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QPixmap image(22, 22);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(0x00, 0x94, 0x26));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(image.rect().adjusted(2, 2, -2, -2));
    }

    QMenu menu;
    QAction* first = menu.addAction("Real-Time Protection");
    first->setCheckable(true);
    QAction* second = menu.addAction("USB Protection");
    second->setCheckable(true);
    menu.addSeparator();
    QObject::connect(menu.addAction("Quit"), &QAction::triggered, &application,
                     &QApplication::quit);

    QSystemTrayIcon icon{QIcon(image)};
    icon.setContextMenu(&menu);
    icon.show();

    QTimer tick;
    if (argc > 1 && std::strcmp(argv[1], "--tick") == 0) {
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1000);
        QObject::connect(&tick, &QTimer::timeout, [] {});
        tick.start();
    }
    return QApplication::exec();
}
