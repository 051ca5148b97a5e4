#include "views/realtimeprotectionview.h"
#include "fakes/agentfixture.h"
#include "views/assetimageview.h"
#include "views/fontfaces.h"
#include "views/hovertooltipview.h"
#include "views/popoveractionbutton.h"
#include "views/popovertext.h"
#include "views/tooltipbubble.h"
#include "viewtesting.h"

#include <QTest>

using namespace ViewTesting;

namespace {

const QColor kPanel(32, 41, 64);
const QColor kRest(0, 148, 38);

class RealTimeProtectionViewTest : public AgentFixture {
protected:
    void SetUp() override { start(); }

    void makeView() {
        view = std::make_unique<RealTimeProtectionView>(RealTimeProtectionViewInputs{
            .statusBarManager = *manager,
            .selectedView = manager->selectedView().binding(),
            .threatsDetected = Binding<std::int64_t>::constant(manager->threatsDetectedCount()),
            .closePopover = [this] { ++closeCount; },
        });
        view->show();
        QCoreApplication::sendPostedEvents();
    }
    QWidget* child(const char* name) const { return namedChild(*view, name); }
    PopoverText* line(const char* name) const { return namedChild<PopoverText>(*view, name); }
    HoverTooltipView* hoverOf(const char* name) const {
        return qobject_cast<HoverTooltipView*>(line(name)->parentWidget());
    }
    QRect rectOf(const QWidget* widget) const { return rectIn(widget, view.get()); }

    int closeCount = 0;
    std::unique_ptr<RealTimeProtectionView> view;
};

}  // namespace

TEST_F(RealTimeProtectionViewTest, laysOutTheFixedPanelHeaderNoteAndButtons) {
    makeView();
    EXPECT_EQ(view->size(), QSize(440, 250));
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
    EXPECT_EQ(describeFont(child("noteText")->font()), "Inter 400 15px");
    EXPECT_GE(note.height(), line("noteText")->heightForWidth(note.width())) << "wholly shown";

    // Buttons at the trailing end, 25 apart, centred in their row.
    const QRect viewButton = rectOf(child("viewButton"));
    const QRect closeButton = rectOf(child("closeButton"));
    EXPECT_EQ(closeButton.right(), buttons.right());
    EXPECT_EQ(closeButton.left() - viewButton.right() - 1, 25);
    EXPECT_EQ(viewButton.center().y(), buttons.center().y());
    EXPECT_EQ(namedChild<PopoverActionButton>(*view, "viewButton")->title(), "View");

    // The icon, drawn at 64.02 by 86.43, is centred with the lines in the header.
    const auto* icon = view->findChild<AssetImageView*>();
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->imageSize(), QSizeF(64.02, 86.43));
    const QRect iconRect = rectOf(icon);
    EXPECT_NEAR(iconRect.center().y(), header.center().y(), 1);
    EXPECT_EQ(rectOf(line("itemNameLine")).left(), iconRect.left() + 64 + 15);
    const QImage image = snapshot(*view);
    EXPECT_GE(inkBounds(image, iconRect, [](QColor c) { return c != kPanel; }).height(), 80);

    // The panel is filled to its rounded edges (radius 10) and clear beyond them.
    EXPECT_EQ(pixel(image, {1, 125}), kPanel);
    EXPECT_EQ(image.pixelColor(1, 1).alpha(), 0);
    EXPECT_EQ(pixel(image, {viewButton.left() + 3, viewButton.center().y()}), kRest);
}

TEST_F(RealTimeProtectionViewTest, linesFollowTheOldestThreatAsTheManagerChanges) {
    makeView();
    EXPECT_EQ(line("itemNameLine")->text(), "Item name: No Item.");

    manager->addDetectedThreat(Threat::fromReportLine("/Users/ann/first.pkg"));
    manager->addDetectedThreat(Threat::fromReportLine("/Users/ann/second.pkg"));
    QStringList texts;
    for (const char* name : {"itemNameLine", "threatNameLine", "locationLine", "statusLine"}) {
        texts << line(name)->text();
    }
    EXPECT_EQ(texts, (QStringList{"Item name: first.pkg", "Threat name: Infected",
                                  "Location: /Users/ann/first.pkg", "Status: Quarantine"}));
    EXPECT_EQ(describeFont(line("statusLine")->font()), "Inter 600 15px");
    EXPECT_EQ(describeFont(line("threatNameLine")->font()),
              describeFont(FontFaces::systemSemibold(15)));

    manager->acknowledgeFirstThreat();
    EXPECT_EQ(line("itemNameLine")->text(), "Item name: second.pkg");
    EXPECT_EQ(hoverOf("locationLine")->tooltip(), "/Users/ann/second.pkg");
    manager->acknowledgeFirstThreat();
    EXPECT_EQ(line("itemNameLine")->text(), "Item name: No Item.");
    EXPECT_FALSE(hoverOf("itemNameLine")->tooltip());
    EXPECT_FALSE(hoverOf("locationLine")->tooltip());
    EXPECT_EQ(describeFont(line("threatNameLine")->font()), "Inter 600 15px");

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
    EXPECT_TRUE(item->shownText().startsWith(QStringLiteral("Item name: nnn")));
    EXPECT_TRUE(item->shownText().endsWith(QStringLiteral("…")));
    EXPECT_LE(rectOf(item).right(), rectOf(child("header")).right());
    EXPECT_EQ(item->height(), QFontMetrics(item->font()).height()) << "one line";
    EXPECT_TRUE(line("locationLine")->shownText().endsWith(QStringLiteral("…")));

    hover(hoverOf("locationLine"));
    const TooltipBubble* bubble = hoverOf("locationLine")->visibleBubble();
    ASSERT_NE(bubble, nullptr);
    EXPECT_EQ(bubble->text(), QString::fromStdString(location));
    EXPECT_GT(bubble->width(), view->width()) << "the whole path on one line";
    unhover(hoverOf("locationLine"));
    hover(hoverOf("itemNameLine"));
    bubble = hoverOf("itemNameLine")->visibleBubble();
    ASSERT_NE(bubble, nullptr);
    EXPECT_EQ(bubble->text(), QString::fromStdString(longName + ".pkg"));
}

TEST_F(RealTimeProtectionViewTest, viewHandsOverAndCloseOnlyCloses) {
    makeView();
    transcript.clear();
    QTest::mouseClick(child("viewButton"), Qt::LeftButton);
    EXPECT_EQ(transcript, (Transcript{
                              "com.corvane.antivirus.shared: selectedView = UserQuarantineList",
                              "com.corvane.antivirus.shared: synchronize",
                              "open /Applications/Corvane Antivirus.app",
                          }));
    EXPECT_EQ(closeCount, 0) << "the popover stays open";

    transcript.clear();
    QTest::mouseClick(child("closeButton"), Qt::LeftButton);
    EXPECT_EQ(closeCount, 1);
    EXPECT_TRUE(transcript.empty());
}
