// Renders the popovers to PNG files, on a light and a dark backdrop, so their look can be
// checked by eye: views_snapshots <folder> [language], e.g. views_snapshots /tmp/views de.

#include "fakes/agentfixture.h"
#include "views/popoveractionbutton.h"
#include "views/popovertext.h"
#include "views/realtimeprotectionview.h"
#include "views/translations.h"
#include "views/usbprotectionview.h"
#include "viewtesting.h"

#include <QApplication>
#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QVariantAnimation>

#include <iostream>

namespace {

// The agent on fakes with a temporary home, outside any test run.
class Agent final : public AgentFixture {
public:
    Agent() { start(); }
    HelperManager& get() { return *manager; }
    void TestBody() override {}
};

// The pointer over `widget`, with any fade already at its end.
void hover(QWidget* widget) {
    ViewTesting::hover(widget);
    if (auto* fade = widget->findChild<QVariantAnimation*>()) {
        fade->setCurrentTime(fade->duration());
    }
}

// The view with a margin of backdrop round it, so its clear corners and edges show.
void save(QWidget& view, const QDir& folder, const QString& name) {
    view.show();
    QCoreApplication::sendPostedEvents();
    const QImage content = view.grab().toImage();
    const int margin = 30;
    for (const bool dark : {false, true}) {
        QImage canvas(content.size() + QSize(2 * margin, 2 * margin) * content.devicePixelRatio(),
                      QImage::Format_ARGB32);
        canvas.setDevicePixelRatio(content.devicePixelRatio());
        QPainter painter(&canvas);
        QLinearGradient backdrop(0, 0, 0, canvas.height());
        backdrop.setColorAt(0, dark ? QColor(40, 40, 44) : QColor(236, 238, 242));
        backdrop.setColorAt(1, dark ? QColor(20, 20, 24) : QColor(210, 214, 222));
        painter.fillRect(canvas.rect(), backdrop);
        painter.drawImage(QPoint(margin, margin), content);
        painter.end();
        const QString file = folder.filePath(name + (dark ? "-dark.png" : ".png"));
        canvas.save(file);
        std::cout << file.toStdString() << "\n";
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    if (argc < 2) {
        std::cerr << "usage: views_snapshots <folder> [language]\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(folder.path());
    std::unique_ptr<QTranslator> translator;
    if (argc > 2) {
        translator = Translations::load(QLocale(QString::fromLocal8Bit(argv[2])));
        if (translator) {
            QCoreApplication::installTranslator(translator.get());
        }
    }

    Agent agent;
    HelperManager& manager = agent.get();
    const auto threatInputs = [&manager] {
        return RealTimeProtectionViewInputs{manager, manager.selectedView().binding(),
                                            Binding<std::int64_t>::constant(1), [] {}};
    };
    {
        RealTimeProtectionView view(threatInputs());
        save(view, folder, QStringLiteral("threat-placeholder"));
    }
    manager.addDetectedThreat(Threat::fromReportLine(
        "/Users/ann/Downloads/Invoice 2024-03 (final) <b>signed<b> & sealed.pdf.app"));
    {
        RealTimeProtectionView view(threatInputs());
        save(view, folder, QStringLiteral("threat"));
        hover(view.findChild<QWidget*>(QStringLiteral("viewButton")));
        hover(view.findChild<PopoverText*>(QStringLiteral("locationLine"))->parentWidget());
        save(view, folder, QStringLiteral("threat-hover"));
    }
    for (const auto& [device, name] :
         {std::pair{"SanDisk Ultra", "usb"},
          std::pair{"Generic Mass Storage Device <b>with</b> an unusually long product name & more",
                    "usb-long"}}) {
        UsbProtectionView view({manager, device, manager.selectedView().binding(), [] {}});
        save(view, folder, QString::fromLatin1(name));
        if (std::string_view(name) == "usb") {
            hover(view.findChild<QWidget*>(QStringLiteral("scanNowButton")));
            save(view, folder, QStringLiteral("usb-hover"));
        }
    }
    return 0;
}
