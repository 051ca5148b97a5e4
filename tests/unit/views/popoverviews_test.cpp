#include "platform/desktop/assetcatalog.h"
#include "views/assetimageview.h"
#include "views/colorfromhex.h"
#include "views/hovertooltipview.h"
#include "views/popoveractionbutton.h"
#include "views/popoverpanel.h"
#include "views/popovertext.h"
#include "views/realtimeprotectionview.h"
#include "views/tooltipbubble.h"
#include "views/translations.h"
#include "views/usbprotectionview.h"
#include "views/visiblename.h"

#include <QFontDatabase>
#include <QLayout>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTest>
#include <QVariantAnimation>

#include <gtest/gtest.h>

namespace {

const QColor kRest(0, 148, 38), kPanel(32, 41, 64);
const std::string kSemibold = " [Inter 600 15]";

// A name as the views show it, between a first-strong isolate and its end.
std::string isolated(const std::string& name) {
    return "\u2068" + name + "\u2069";
}

std::function<void()> count(int& calls) {
    return [&calls] { ++calls; };
}

// The threat popover's model, counting what the view asks of it.
struct ThreatModel {
    ChangeSignal changed;
    std::optional<Threat> threat;
    int reads = 0, views = 0, closes = 0;
    ThreatPopoverModel model{
        [this] { return ++reads, threat; }, changed, {}, {}, count(views), count(closes)};
};

template <typename T = QWidget>
T& child(const QWidget& root, const char* name) {
    return *root.findChild<T*>(QString::fromLatin1(name));
}

// A text as the user reads it, with the face, weight and pixel size it asks for.
std::string shown(const QString& text, const QFont& font) {
    const auto face = QString::asprintf(" [%s %d %d]", qPrintable(font.family()), font.weight(),
                                        font.pixelSize());
    return (text + face).toStdString();
}

// Every line and button title of `view`, top to bottom.
std::vector<std::string> texts(const QWidget& view) {
    std::vector<std::string> texts;
    for (const QWidget* widget : view.findChildren<QWidget*>()) {
        if (const auto* line = qobject_cast<const PopoverText*>(widget)) {
            texts.push_back(shown(line->text(), line->font()));
        } else if (const auto* button = qobject_cast<const PopoverActionButton*>(widget)) {
            texts.push_back(shown(button->title(), button->font()));
        }
    }
    return texts;
}

void hover(QWidget& widget, bool on) {
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&widget, on ? static_cast<QEvent*>(&enter) : &leave);
}

// `widget` as its window shows it, at the window's pixel ratio.
QImage onScreen(const QWidget& widget) {
    QWidget* window = widget.window();
    return window->grab({widget.mapTo(window, QPoint()), widget.size()}).toImage();
}

QColor pixel(const QWidget& widget, QPoint point) {
    return onScreen(widget).pixelColor(point * widget.devicePixelRatioF());
}

// Where `widget` shows white text, in points.
QRectF ink(const QWidget& widget) {
    const QImage image = onScreen(widget);
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            box |= qRed(image.pixel(x, y)) > 160 ? QRect(x, y, 1, 1) : QRect();
    const qreal r = image.devicePixelRatio();
    return {box.x() / r, box.y() / r, box.width() / r, box.height() / r};
}

// How far `shown` strays from the asset's vector artwork drawn over `background`, stretched to
// `size` points at the same pixel ratio: 0 or about that when it is crisp, not resampled.
int blur(const QImage& grabbed, const char* asset, QSizeF size, QColor background) {
    // Premultiplied, so that an edge pixel almost transparent weighs almost nothing.
    const QImage shown = grabbed.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage ideal(shown.size(), shown.format());
    ideal.fill(background);
    QPainter painter(&ideal);
    QSvgRenderer(QStringLiteral(":/assets/%1.svg").arg(asset))
        .render(&painter, {{}, size * shown.devicePixelRatio()});
    painter.end();
    int most = 0;
    for (qsizetype at = 0; at < ideal.sizeInBytes(); ++at)
        most = std::max(most, std::abs(shown.constBits()[at] - ideal.constBits()[at]));
    return most;
}

}  // namespace

TEST(ColorFromHex, readsTheLow24BitsOfAScannedHexNumberAndNeverFails) {
    // clang-format off
    const std::pair<std::string, QRgb> cases[] = {
        {"#202940", 0x202940}, {" \t#009426 \n", 0x009426}, {"009426", 0x009426},
        {"#  009426", 0x009426}, {"#FFF", 0x000FFF}, {"#11223344", 0x223344}, {"", 0}, {"#", 0},
        {"##202940", 0}, {"xyz", 0}, {"#12G456", 0x000012}, {"#12345678901234567", 0xFFFFFF}};
    // clang-format on
    for (const auto& [text, rgb] : cases) {
        EXPECT_EQ(colorFromHex(text), QColor::fromRgba(0xFF000000 | rgb)) << text;
    }
}

TEST(VisibleName, writesOutInvisibleAndSteeringCharactersAndIsolatesTheName) {
    using namespace Qt::StringLiterals;
    // clang-format off
    const std::pair<QString, std::string> cases[] = {
        {u"invoice\u202Efdp.exe \u2066a\u2069b\u202A\u200E"_s, "invoice<U+202E>fdp.exe <U+2066>a<U+2069>b<U+202A><U+200E>"},
        {u"a\u200Db\u200Bc\uFEFFd\u00ADe\u2060"_s, "a<U+200D>b<U+200B>c<U+FEFF>d<U+00AD>e<U+2060>"},
        {u"\0\t\x1B[31m\x7F\u0085\u009B\u2028 64GB\r"_s, "<U+0000><U+0009><U+001B>[31m<U+007F><U+0085><U+009B><U+2028> 64GB<U+000D>"},
        {u"Отчёт 報告 تقرير <b>1</b>.pdf"_s, "Отчёт 報告 تقرير <b>1</b>.pdf"},
        {u"👩🏽\u200D💻 ❤️\u200D🔥 🇩🇪"_s, "👩🏽\u200D💻 ❤️\u200D🔥 🇩🇪"}, {u""_s, ""}};
    // clang-format on
    for (const auto& [name, shown] : cases) {
        EXPECT_EQ(visibleName(name).toStdString(), isolated(shown)) << shown;
    }
}

TEST(ThreatPopover, showsPlaceholdersThenFollowsChangesOncePerTurnWithLongValuesInBubbles) {
    ThreatModel model;
    RealTimeProtectionView view(model.model);
    view.show();
    const auto& icon = *view.findChild<AssetImageView*>();
    EXPECT_EQ((std::vector{view.size(), child(view, "header").size(),
                           child(view, "buttonRow").size(), icon.size()}),
              (std::vector<QSize>{{440, 250}, {285, 105}, {375, 62}, {64, 86}}));
    EXPECT_LE(blur(onScreen(icon), "real.time.protection.icon", {64.02, 86.43}, kPanel), 2);
    EXPECT_EQ(view.findChild<PopoverPanel*>()->cornerRadius(), 10);
    EXPECT_EQ(pixel(view, {1, 125}), kPanel) << "the panel";
    EXPECT_EQ(std::pair(child(view, "viewButton").x(), child(view, "closeButton").x()),
              std::pair(80, 240))
        << "25 apart at the row's end";
    EXPECT_EQ(texts(view),
              (std::vector<std::string>{
                  "Item name: No Item." + kSemibold, "Threat name: Not Infected." + kSemibold,
                  "Location: None." + kSemibold, "Status: None." + kSemibold,
                  "Note: The threat was moved to quarantine. A scan is running to protect your "
                  "device. [Inter 400 15]",
                  "View [Inter 500 15]", "Close [Inter 500 15]"}));

    const std::string name = QStringLiteral("long name ").repeated(30).toStdString();
    const std::string safe = isolated(name + "<U+202E>");
    model.threat = Threat::fromReportLine("/Users/ann/" + name + "\u202E");
    model.changed.send();
    model.changed.send();
    const auto& item = child<PopoverText>(view, "itemNameLine");
    EXPECT_EQ(item.text(), "Item name: No Item.") << "laid out later, not at each announcement";
    EXPECT_TRUE(QTest::qWaitFor([&] { return item.text().toStdString() == "Item name: " + safe; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(model.reads, 2) << "once at creation, once for both announcements";
    const auto system = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    EXPECT_EQ(texts(view).at(1), "Threat name: Infected [" + system.toStdString() + " 600 15]");
    const std::string location = isolated("/Users/ann/" + name + "<U+202E>");
    EXPECT_EQ(texts(view).at(2), "Location: " + location + kSemibold);
    EXPECT_EQ(view.accessibleDescription().toStdString(),
              "Item name: " + safe + "\nThreat name: Infected\nLocation: " + location +
                  "\nStatus: Quarantine");
    EXPECT_EQ(item.height(), item.fontMetrics().height()) << "one line";

    for (const auto& [line, full] :
         {std::pair("itemNameLine", safe), std::pair("locationLine", location)}) {
        auto& wrapper = *qobject_cast<HoverTooltipView*>(child(view, line).parentWidget());
        hover(wrapper, true);
        const TooltipBubble* bubble = wrapper.visibleBubble();
        ASSERT_NE(bubble, nullptr) << line;
        EXPECT_EQ(shown(bubble->text(), bubble->font()), full + " [Inter 400 13]");
        // 25 above the line, but never cut off by the window's top edge.
        EXPECT_EQ(bubble->y(), std::max(0, wrapper.mapTo(&view, QPoint()).y() - 25)) << line;
        EXPECT_NEAR(pixel(*bubble, {2, bubble->height() / 2}).blue(), 64 * 0.15, 1)
            << "black at 0.85 over the panel";
        hover(wrapper, false);
        EXPECT_EQ(wrapper.visibleBubble(), nullptr) << "hidden at once";
    }

    model.threat.reset();
    model.changed.send();
    EXPECT_TRUE(QTest::qWaitFor([&] { return item.text() == "Item name: No Item."; }));
    EXPECT_FALSE(qobject_cast<HoverTooltipView*>(item.parentWidget())->tooltip()) << "no bubble";
    { RealTimeProtectionView closed(model.model); }
    model.changed.send();  // a closed view no longer listens; the sanitizers see one that does
}

TEST(ThreatPopover, cutsLongNamesInTheMiddleKeepingEscapesEmojiAndTheIsolateWhole) {
    using namespace Qt::StringLiterals;
    ThreatModel model;
    RealTimeProtectionView view(model.model);
    view.show();
    const QString coder = u"👩🏽\u200D💻"_s;
    // A name, and what each line must show of it between its prefix and the isolate's ends.
    // clang-format off
    const std::pair<QString, QString> cases[] = {
        {u"report.pdf"_s, uR"(report\.pdf)"_s},
        {u"invoice\u202E"_s + u"x"_s.repeated(80) + u"fdp.exe"_s, uR"(inv[a-z]*(<U\+202E>x*)?…[a-z]*\.exe)"_s},
        {u"\u202E"_s.repeated(40), uR"((<U\+202E>)*…(<U\+202E>)*)"_s},
        {coder.repeated(40), u"(%1)+…(%1)+"_s.arg(coder)}};
    // clang-format on
    for (const auto& [name, pattern] : cases) {
        // Without a folder the location is the name itself.
        model.threat = Threat::fromReportLine(name.toStdString());
        model.changed.send();
        QCoreApplication::processEvents();
        child(view, "header").layout()->activate();  // at the width it is drawn at
        for (const auto& [lineName, prefix] : {std::pair("itemNameLine", u"Item name: "_s),
                                               std::pair("locationLine", u"Location: "_s)}) {
            const auto& line = child<PopoverText>(view, lineName);
            const QString shown = line.shownText();
            EXPECT_TRUE(QRegularExpression(u"^%1\u2068%2\u2069$"_s.arg(prefix, pattern))
                            .match(shown)
                            .hasMatch())
                << shown.toStdString();
            EXPECT_LE(QFontMetricsF(line.font(), &line).horizontalAdvance(shown), line.width());
        }
    }
}

TEST(PopoverViews, usbPanelIsCentredAndButtonsActOnceAndFadeOnlyThemselves) {
    ThreatModel threat;
    int scans = 0, usbCloses = 0;
    RealTimeProtectionView threatView(threat.model);
    UsbProtectionView usbView({"USB <b>Disk</b>", {}, count(scans), count(usbCloses)});
    threatView.show();
    usbView.show();
    const std::string device = isolated("USB <b>Disk</b>");
    EXPECT_EQ(usbView.accessibleDescription().toStdString(), "USB Info: " + device);
    const QWidget& panel = child(usbView, "panel");
    EXPECT_EQ(QRect(0, panel.y(), 370, 200 - 2 * panel.y()), panel.geometry())
        << "as wide as the 370 by 200 frame, centred in it";
    const auto& usbIcon = *usbView.findChild<AssetImageView*>();
    EXPECT_LE(blur(onScreen(usbIcon), "usb.protection.icon", {27.69, 60}, kPanel), 2);
    // Asked for wider than high, as a tray slot may be, it keeps the artwork's proportions.
    const QPixmap trayIcon = AssetCatalog::icon("Corvane.menu.icon").pixmap(QSize(22, 15), 2);
    EXPECT_LE(blur(trayIcon.toImage(), "Corvane.menu.icon", {15, 15}, Qt::transparent), 0);
    EXPECT_EQ(texts(usbView),
              (std::vector<std::string>{"USB Info: " + device + " [Inter 600 16]",
                                        "Your MAC deserves USB protection. [Inter 500 14]",
                                        "Scan for security first. [Inter 500 14]",
                                        "Scan Now [Inter 500 15]", "Close [Inter 500 15]"}));
    UsbProtectionView longName({"UsbDisk" + std::string(40, '8'), {}, {}, {}});
    longName.show();
    const auto& line = child(longName, "usbInfoLine");
    EXPECT_GT(ink(line).height(), 2 * line.fontMetrics().height()) << "wraps, never clipped";

    // Each button with its neighbour and the calls so far: view, close, scan now, USB close.
    const std::tuple<QWidget&, const char*, const char*, std::vector<int>> buttons[] = {
        {threatView, "viewButton", "closeButton", {1, 0, 0, 0}},
        {threatView, "closeButton", "viewButton", {1, 1, 0, 0}},
        {usbView, "scanNowButton", "closeButton", {1, 1, 1, 0}},
        {usbView, "closeButton", "scanNowButton", {1, 1, 1, 1}}};
    for (const auto& [view, name, other, calls] : buttons) {
        auto& button = child(view, name);
        const auto fill = [](const QWidget& widget) { return pixel(widget, {3, 17}); };
        const QRectF title = ink(button);
        EXPECT_EQ(button.size(), QSize(135, 35)) << name << " takes the most its frame allows";
        EXPECT_NEAR(title.left(), 135 - title.right(), 1) << name << "'s title is centred";
        hover(button, true);
        EXPECT_EQ(fill(button), kRest) << name << " fades, it does not jump";
        EXPECT_EQ(button.findChild<QVariantAnimation*>()->duration(), 200);
        EXPECT_TRUE(QTest::qWaitFor([&] { return fill(button) == QColor(4, 165, 45); })) << name;
        EXPECT_EQ(fill(child(view, other)), kRest) << name;
        hover(button, false);
        EXPECT_TRUE(QTest::qWaitFor([&] { return fill(button) == kRest; })) << name;
        QTest::mouseClick(&button, Qt::LeftButton);
        EXPECT_EQ((std::vector{threat.views, threat.closes, scans, usbCloses}), calls) << name;
    }
}

TEST(Translations, germanTranslatesTheButtons) {
    const auto german = Translations::load(QLocale(QLocale::German, QLocale::Austria));
    QCoreApplication::installTranslator(german.get());
    const UsbProtectionView view({"", {}, {}, {}});
    EXPECT_EQ(texts(view).back(), "Schließen [Inter 500 15]");
}
