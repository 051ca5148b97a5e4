// A tray icon with a small menu and nothing else, to put the agent's memory and idle figures
// next to what any Qt tray program costs on the same desktop. With --tick it also wakes once a
// second for nothing, like a poller that has no work: the floor under the agent's idle CPU. With
// --window it also shows a translucent window of the threat popover's size with the same lines
// of text in the same faces: what drawing such a window costs any Qt program.

#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>
#include <string_view>

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

    QWidget window(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                Qt::WindowDoesNotAcceptFocus);
    const auto has = [&](std::string_view option) {
        return std::any_of(argv + 1, argv + argc, [&](const char* arg) { return arg == option; });
    };
    if (has("--window")) {
        window.setAttribute(Qt::WA_TranslucentBackground);
        window.setAttribute(Qt::WA_ShowWithoutActivating);
        window.setGeometry(840, 30, 440, 250);
        auto* panel = new QWidget(&window);
        panel->setGeometry(window.rect());
        QPalette colours = panel->palette();
        colours.setColor(QPalette::Window, QColor(0x1f, 0x29, 0x3d));
        colours.setColor(QPalette::WindowText, Qt::white);
        panel->setPalette(colours);
        panel->setAutoFillBackground(true);
        const auto line = [&](const char* text, const QFont& font, int y) {
            auto* label = new QLabel(QString::fromLatin1(text), panel);
            label->setFont(font);
            label->setWordWrap(true);
            label->setGeometry(30, y, 380, 40);
        };
        QFont face(QStringLiteral("Inter"));
        face.setPixelSize(15);
        QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        system.setWeight(QFont::DemiBold);
        system.setPixelSize(15);
        line("Item name: invoice.zip", face, 20);
        line("Threat name: Infected", system, 45);
        face.setWeight(QFont::DemiBold);
        line("Location: /home/user/Downloads/invoice.zip", face, 70);
        face.setWeight(QFont::Normal);
        line("Note: The threat was moved to quarantine. A scan is running.", face, 120);
        face.setWeight(QFont::Medium);
        line("View    Close", face, 200);
        window.show();
    }

    QTimer tick;
    if (has("--tick")) {
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1000);
        QObject::connect(&tick, &QTimer::timeout, [] {});
        tick.start();
    }
    return QApplication::exec();
}
