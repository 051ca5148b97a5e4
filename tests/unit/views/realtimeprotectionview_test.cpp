#include "realtimeprotectionview.h"
#include "agentfixture.h"
#include "assetimageview.h"
#include "hovertooltipview.h"
#include "popoveractionbutton.h"
#include "popovertext.h"
#include "tooltipbubble.h"
#include "viewtesting.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QTest>

using namespace ViewTesting;

namespace {

const QColor kPanel(32, 41, 64);
const QColor kRest(0, 148, 38);

class RealTimeProtectionViewTest : public AgentFixture {
protected:
    void SetUp() override { start(); }

    RealTimeProtectionView& makeView() {
        view = std::make_unique<RealTimeProtectionView>(RealTimeProtectionViewInputs{
            .statusBarManager = *manager,
            .selectedView = manager->selectedView().binding(),
            .threatsDetected = Binding<std::int64_t>::constant(manager->threatsDetectedCount()),
            .closePopover = [this] { ++closeCount; },
        });
        view->show();
        QCoreApplication::sendPostedEvents();
        return *view;
    }
    template <typename T = QWidget>
    T* child(const char* name) const {
        return namedChild<T>(*view, name);
    }
    PopoverText* line(const char* name) const { return child<PopoverText>(name); }
    HoverTooltipView* hoverOf(const char* name) const {
        return qobject_cast<HoverTooltipView*>(line(name)->parentWidget());
    }
    QRect rectOf(const QWidget* widget) const { return rectIn(widget, view.get()); }

    int closeCount = 0;
    std::unique_ptr<RealTimeProtectionView> view;
};

}  // namespace

TEST_F(RealTimeProtectionViewTest, laysOutTheFixedPanelHeaderNoteAndButtons) {
    manager->addDetectedThreat(Threat::fromReportLine("/Users/ann/Downloads/setup.pkg"));
    makeView();
    EXPECT_EQ(view->size(), QSize(440, 250));
    EXPECT_EQ(view->windowTitle(), "Threat detected");
    EXPECT_EQ(view->accessibleName(), "Threat detected");

    const QRect header = rectOf(child("header"));
    const QRect note = rectOf(child("noteText"));
    const QRect buttons = rectOf(child("buttonRow"));
    EXPECT_EQ(header.size(), QSize(285, 105));
    EXPECT_EQ(buttons.size(), QSize(375, 62));
    EXPECT_NEAR(header.left(), (440 - 375) / 2.0, 1) << "the column is centred";
    EXPECT_EQ(note.left(), header.left()) << "rows are aligned on their leading edges";
    EXPECT_EQ(buttons.left(), header.left());
    EXPECT_EQ(note.top() - header.bottom() - 1, 20);
    EXPECT_EQ(buttons.top() - note.bottom() - 1, 20);
    EXPECT_NEAR(header.top(), 250 - buttons.bottom() - 1, 1) << "centred vertically";

    // The note wraps within 375 and shows all of its lines.
    const auto* noteText = child<PopoverText>("noteText");
    EXPECT_LE(note.width(), 375);
    EXPECT_EQ(QFontInfo(noteText->font()).weight(), QFont::Normal);
    EXPECT_EQ(noteText->font().pixelSize(), 15);
    EXPECT_GE(note.height(), noteText->heightForWidth(note.width()));
    EXPECT_GE(note.height(), 2 * QFontMetrics(noteText->font()).lineSpacing());

    // Buttons at the trailing end, 25 apart, centred in their row.
    const QRect viewButton = rectOf(child("viewButton"));
    const QRect closeButton = rectOf(child("closeButton"));
    EXPECT_EQ(closeButton.right(), buttons.right());
    EXPECT_EQ(closeButton.left() - viewButton.right() - 1, 25);
    for (const QRect& button : {viewButton, closeButton}) {
        EXPECT_EQ(button.height(), 35);
        EXPECT_LE(button.width(), 135);
        EXPECT_EQ(button.center().y(), buttons.center().y());
    }
    EXPECT_EQ(child<PopoverActionButton>("viewButton")->title(), "View");
    EXPECT_EQ(child<PopoverActionButton>("closeButton")->title(), "Close");

    // The icon fills its 64.02 by 86.43 frame, centred with the lines in the header.
    const auto* icon = view->findChild<AssetImageView*>();
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->imageSize(), QSizeF(64.02, 86.43));
    const QRect iconRect = rectOf(icon);
    EXPECT_NEAR(iconRect.center().y(), header.center().y(), 1);
    const QImage image = snapshot(*view);
    const QRect drawn = inkBounds(image, iconRect.adjusted(-2, -2, 2, 2), [](QColor c) {
        return std::abs(c.red() - 32) + std::abs(c.green() - 41) + std::abs(c.blue() - 64) > 60;
    });
    EXPECT_TRUE(iconRect.contains(drawn));
    EXPECT_GE(drawn.width(), 60);
    EXPECT_GE(drawn.height(), 80);
    EXPECT_EQ(rectOf(line("itemNameLine")).left(), iconRect.left() + 64 + 15);

    // The panel is filled to its rounded edges and clear beyond them.
    EXPECT_EQ(pixel(image, {1, 125}), kPanel);
    EXPECT_EQ(pixel(image, {438, 248 - 20}), kPanel);
    for (const QPoint corner : {QPoint(0, 0), QPoint(439, 0), QPoint(0, 249), QPoint(439, 249)}) {
        EXPECT_EQ(image.pixelColor(corner).alpha(), 0) << corner.x() << "," << corner.y();
    }
    EXPECT_EQ(image.pixelColor(1, 1).alpha(), 0) << "radius 10";
    EXPECT_EQ(pixel(image, {4, 4}), kPanel);
    EXPECT_EQ(pixel(image, {viewButton.left() + 3, viewButton.center().y()}), kRest);
    EXPECT_EQ(pixel(image, closeButton.topLeft()), kPanel) << "the pill's corner shows the panel";
}

TEST_F(RealTimeProtectionViewTest, linesFollowTheOldestThreatAsTheManagerChanges) {
    makeView();
    EXPECT_EQ(line("itemNameLine")->text(), "Item name: No Item.");
    EXPECT_EQ(line("threatNameLine")->text(), "Threat name: Not Infected.");
    EXPECT_EQ(line("locationLine")->text(), "Location: None.");
    EXPECT_EQ(line("statusLine")->text(), "Status: None.");
    EXPECT_EQ(QFontInfo(line("threatNameLine")->font()).family(), "Inter");
    hover(hoverOf("itemNameLine"));
    EXPECT_EQ(hoverOf("itemNameLine")->visibleBubble(), nullptr) << "placeholders have no tooltip";
    unhover(hoverOf("itemNameLine"));

    manager->addDetectedThreat(Threat::fromReportLine("/Users/ann/first.pkg"));
    manager->addDetectedThreat(Threat::fromReportLine("/Users/ann/second.pkg"));
    EXPECT_EQ(line("itemNameLine")->text(), "Item name: first.pkg");
    EXPECT_EQ(line("threatNameLine")->text(), "Threat name: Infected");
    EXPECT_EQ(line("locationLine")->text(), "Location: /Users/ann/first.pkg");
    EXPECT_EQ(line("statusLine")->text(), "Status: Quarantine");
    for (const char* name : {"itemNameLine", "locationLine", "statusLine"}) {
        const QFontInfo font(line(name)->font());
        EXPECT_EQ(font.family(), "Inter") << name;
        EXPECT_EQ(font.weight(), QFont::DemiBold) << name;
        EXPECT_EQ(font.pixelSize(), 15) << name;
        EXPECT_EQ(line(name)->palette().color(QPalette::WindowText), QColor(Qt::white)) << name;
    }
    const QFont threatFont = line("threatNameLine")->font();
    EXPECT_EQ(threatFont.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    EXPECT_EQ(threatFont.weight(), QFont::DemiBold);
    EXPECT_EQ(threatFont.pixelSize(), 15);

    manager->acknowledgeFirstThreat();
    EXPECT_EQ(line("itemNameLine")->text(), "Item name: second.pkg");
    EXPECT_EQ(hoverOf("locationLine")->tooltip(), "/Users/ann/second.pkg");
    manager->acknowledgeFirstThreat();
    EXPECT_EQ(line("itemNameLine")->text(), "Item name: No Item.");
    EXPECT_FALSE(hoverOf("locationLine")->tooltip());

    // A closed view no longer listens; under the sanitizers a view left subscribed would be
    // used after it is freed.
    view.reset();
    manager->addDetectedThreat(Threat::fromReportLine("/Users/ann/third.pkg"));
    EXPECT_EQ(manager->detectedThreats().size(), 1U);
}

TEST_F(RealTimeProtectionViewTest, longValuesAreCutShortAndShownWholeInTheBubble) {
    const std::string longName(300, 'n');
    const std::string location = "/Users/ann/Downloads/" + longName + ".pkg";
    manager->addDetectedThreat(Threat::fromReportLine(location));
    makeView();
    EXPECT_EQ(view->size(), QSize(440, 250)) << "whatever the length of the texts";

    PopoverText* const item = line("itemNameLine");
    const QRect header = rectOf(child("header"));
    EXPECT_TRUE(item->shownText().endsWith(QStringLiteral("…")));
    EXPECT_TRUE(item->shownText().startsWith(QStringLiteral("Item name: nnn")));
    EXPECT_LE(rectOf(item).right(), header.right());
    EXPECT_EQ(item->height(), QFontMetrics(item->font()).height()) << "one line";
    EXPECT_TRUE(line("locationLine")->shownText().endsWith(QStringLiteral("…")));

    HoverTooltipView* const locationHover = hoverOf("locationLine");
    hover(locationHover);
    const TooltipBubble* bubble = locationHover->visibleBubble();
    ASSERT_NE(bubble, nullptr);
    EXPECT_EQ(bubble->text(), QString::fromStdString(location));
    EXPECT_GT(bubble->width(), view->width()) << "the whole path on one line";
    unhover(locationHover);
    EXPECT_EQ(locationHover->visibleBubble(), nullptr);

    // The item name fits the window: centred over its line, kept inside the window's top.
    HoverTooltipView* const itemHover = hoverOf("itemNameLine");
    hover(itemHover);
    bubble = itemHover->visibleBubble();
    ASSERT_NE(bubble, nullptr);
    EXPECT_EQ(bubble->text(), QString::fromStdString(longName + ".pkg"));
    EXPECT_EQ(bubble->y(), std::max(0, rectOf(itemHover).top() - 25));
    unhover(itemHover);
}

TEST_F(RealTimeProtectionViewTest, aShortLocationBubbleSitsCentred25Above) {
    manager->addDetectedThreat(Threat::fromReportLine("/tmp/x.pkg"));
    makeView();
    HoverTooltipView* const locationHover = hoverOf("locationLine");
    hover(locationHover);
    const TooltipBubble* const bubble = locationHover->visibleBubble();
    ASSERT_NE(bubble, nullptr);
    const QRect wrapped = rectOf(locationHover);
    EXPECT_EQ(bubble->y(), wrapped.top() - 25);
    EXPECT_NEAR(bubble->geometry().center().x(), wrapped.center().x(), 1);
    EXPECT_EQ(bubble->text(), "/tmp/x.pkg");
}

TEST_F(RealTimeProtectionViewTest, hostileNamesAreShownAsPlainText) {
    const std::string hostile = "<b>x</b> & y";
    manager->addDetectedThreat(
        Threat{QUuid::createUuid(), hostile, hostile, "/tmp/" + hostile, hostile});
    makeView();
    const QImage image = snapshot(*view);
    for (const char* name : {"itemNameLine", "threatNameLine", "statusLine"}) {
        PopoverText* const text = line(name);
        const QRect area = rectOf(text);
        const QRect ink =
            inkBounds(image, area, [](QColor c) { return c.red() > 160 && c.blue() > 160; });
        EXPECT_NEAR(ink.width(), plainTextWidth(text->font(), text->text(), area.width()), 4)
            << name << ": markup is drawn, not obeyed";
    }
}

TEST_F(RealTimeProtectionViewTest, viewHandsOverAndCloseOnlyCloses) {
    manager->addDetectedThreat(Threat::fromReportLine("/tmp/x.pkg"));
    makeView();
    transcript.clear();
    QTest::mouseClick(child("viewButton"), Qt::LeftButton);
    EXPECT_EQ(transcript, (Transcript{
                              "com.corvane.antivirus.shared: selectedView = UserQuarantineList",
                              "com.corvane.antivirus.shared: synchronize",
                              "open /Applications/Corvane Antivirus.app",
                          }));
    EXPECT_EQ(closeCount, 0) << "the popover stays open";
    EXPECT_TRUE(view->isVisible());

    transcript.clear();
    QTest::mouseClick(child("closeButton"), Qt::LeftButton);
    EXPECT_EQ(closeCount, 1);
    EXPECT_TRUE(transcript.empty());
}
