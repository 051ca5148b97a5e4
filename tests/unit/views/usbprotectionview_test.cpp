#include "views/usbprotectionview.h"
#include "fakes/agentfixture.h"
#include "views/assetimageview.h"
#include "views/popoverpanel.h"
#include "views/popovertext.h"
#include "viewtesting.h"

#include <QTest>
#include <QVariantAnimation>

using namespace ViewTesting;

namespace {

const QColor kPanel(32, 41, 64);
const QColor kRest(0, 148, 38);
const QColor kHover(4, 165, 45);

class UsbProtectionViewTest : public AgentFixture {
protected:
    void SetUp() override { start(); }

    void makeView(const std::string& device) {
        view = std::make_unique<UsbProtectionView>(UsbProtectionViewInputs{
            .statusBarManager = *manager,
            .pathUsb = device,
            .selectedView = manager->selectedView().binding(),
            .closePopover = [this] { onClose(); },
        });
        view->show();
        QCoreApplication::sendPostedEvents();
    }
    template <typename T = QWidget>
    T* child(const char* name) const {
        return namedChild<T>(*view, name);
    }
    QRect rectOf(const QWidget* widget) const { return rectIn(widget, view.get()); }
    // The colour of a button's rounded leading end as drawn.
    QColor fillOf(const char* button) const {
        const QRect area = rectOf(child(button));
        return pixel(snapshot(*view), {area.left() + 3, area.center().y()});
    }

    int closeCount = 0;
    std::function<void()> onClose = [this] { ++closeCount; };
    std::unique_ptr<UsbProtectionView> view;
};

}  // namespace

TEST_F(UsbProtectionViewTest, thePanelCoversOnlyThePaddedContentCentredInTheFrame) {
    makeView("SanDisk Ultra");
    EXPECT_EQ(view->size(), QSize(370, 200));
    EXPECT_EQ(view->accessibleName(), "USB device attached");
    const QRect panel = rectOf(child<PopoverPanel>("panel"));
    EXPECT_EQ(panel.left(), 0);
    EXPECT_EQ(panel.width(), 370);
    EXPECT_LT(panel.height(), 200);
    EXPECT_NEAR(panel.top(), 200 - panel.bottom() - 1, 1) << "centred vertically";

    const QImage image = snapshot(*view);
    EXPECT_EQ(image.pixelColor(185, panel.top() - 1).alpha(), 0) << "clear above the panel";
    EXPECT_EQ(pixel(image, {185, panel.top() + 2}), kPanel);
    EXPECT_EQ(image.pixelColor(panel.topLeft() + QPoint(1, 1)).alpha(), 0) << "radius 11";

    // Header: the icon 20 in from the padded edge, the text 10 + 8 after it.
    const int padding = UsbProtectionView::kPanelPadding;
    const auto* icon = view->findChild<AssetImageView*>();
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->imageSize(), QSizeF(27.69, 60));
    const QRect iconRect = rectOf(icon);
    EXPECT_EQ(iconRect.left(), padding + 20);
    const QRect deviceLine = rectOf(child("usbInfoLine"));
    EXPECT_EQ(deviceLine.left(), iconRect.left() + 28 + 10 + 8);
    EXPECT_GE(deviceLine.top(), panel.top() + padding + 20);
    const auto invitation = view->findChildren<PopoverText*>(QStringLiteral("invitationLine"));
    ASSERT_EQ(invitation.size(), 2);
    EXPECT_EQ(invitation[0]->text(), "Your MAC deserves USB protection.");
    EXPECT_EQ(invitation[1]->text(), "Scan for security first.");
    EXPECT_EQ(rectOf(invitation[0]).top() - deviceLine.bottom() - 1, 7);
    EXPECT_EQ(rectOf(invitation[1]).top() - rectOf(invitation[0]).bottom() - 1, 1);
    EXPECT_EQ(invitation[0]->height(), QFontMetrics(invitation[0]->font()).height())
        << "the invitation fits on one line";
    EXPECT_EQ(describeFont(child("usbInfoLine")->font()), "Inter 600 16px");
    EXPECT_EQ(describeFont(invitation[1]->font()), "Inter 500 14px");

    // Buttons: centred as a pair, 8 + 25 + 8 apart, 15 above the padded bottom edge.
    const QRect scan = rectOf(child("scanNowButton"));
    const QRect close = rectOf(child("closeButton"));
    EXPECT_EQ(close.left() - scan.right() - 1, 41);
    EXPECT_NEAR(scan.left() - panel.left(), panel.right() - close.right(), 1);
    EXPECT_EQ(panel.bottom() - close.bottom(), padding + 15);
    EXPECT_EQ(scan.top() - std::max(iconRect.bottom(), rectOf(invitation[1]).bottom()) - 1,
              20 + 10);
}

TEST_F(UsbProtectionViewTest, theDeviceNameIsShownAsReceivedAndWrapsWithinTheFrame) {
    makeView("<b>Kingston</b> & DataTraveler");
    auto* deviceLine = child<PopoverText>("usbInfoLine");
    EXPECT_EQ(deviceLine->text(), "USB Info: <b>Kingston</b> & DataTraveler");
    const QRect area = rectOf(deviceLine);
    const QRect ink =
        inkBounds(snapshot(*view), area, [](QColor c) { return c.red() > 160 && c.blue() > 160; });
    EXPECT_NEAR(ink.width(), plainTextWidth(deviceLine->font(), deviceLine->text(), area.width()),
                4)
        << "markup is drawn, not obeyed";

    // Two lines need more than the frame's height: the padding gives way, the text stays whole.
    makeView("Samsung Portable SSD T7 Shield 2TB");
    deviceLine = child<PopoverText>("usbInfoLine");
    EXPECT_EQ(deviceLine->height(), 2 * QFontMetrics(deviceLine->font()).lineSpacing());
    EXPECT_LE(rectOf(deviceLine).right(), 370 - UsbProtectionView::kPanelPadding - 20);
    EXPECT_EQ(rectOf(child("panel")), QRect(0, 0, 370, 200));
    EXPECT_EQ(snapshot(*view).pixelColor(0, 0).alpha(), 0) << "the panel keeps its rounded corners";
    EXPECT_LE(rectOf(child("closeButton")).bottom(), 199 - 15) << "and the buttons their padding";

    // Longer still, the text is squeezed inside the frame rather than pushing the panel out.
    makeView("Generic Mass Storage Device with an unusually long product description");
    EXPECT_EQ(rectOf(child("panel")), QRect(0, 0, 370, 200));
    EXPECT_GE(child("usbInfoLine")->height(),
              2 * QFontMetrics(child("usbInfoLine")->font()).lineSpacing());
}

TEST_F(UsbProtectionViewTest, scanNowRequestsTheScanThenForgetsTheLineThenCloses) {
    writeBytes(usbFile(), "SanDisk Ultra\nOther\n");
    makeView("SanDisk Ultra");
    transcript.clear();
    Transcript atClose;
    std::string fileAtClose;
    onClose = [&] {
        ++closeCount;
        atClose = transcript;
        fileAtClose = readBytes(usbFile());
    };
    QTest::mouseClick(child("scanNowButton"), Qt::LeftButton);
    EXPECT_EQ(closeCount, 1);
    EXPECT_EQ(atClose, (Transcript{
                           "com.corvane.antivirus.shared: scanType = USB",
                           "com.corvane.antivirus.shared: selectedView = User3Scan",
                           "com.corvane.antivirus.shared: synchronize",
                           "open /Applications/Corvane Antivirus.app",
                       }));
    EXPECT_EQ(fileAtClose, "Other") << "the device's line is gone before the popover closes";
}

TEST_F(UsbProtectionViewTest, closeFadesAndActsOnlyForItself) {
    writeBytes(usbFile(), "SanDisk Ultra\n");
    makeView("SanDisk Ultra");
    hover(child("closeButton"));
    child("closeButton")->findChild<QVariantAnimation*>()->setCurrentTime(200);
    EXPECT_EQ(fillOf("closeButton"), kHover);
    EXPECT_EQ(fillOf("scanNowButton"), kRest);

    transcript.clear();
    QTest::mouseClick(child("closeButton"), Qt::LeftButton);
    EXPECT_EQ(closeCount, 1);
    EXPECT_TRUE(transcript.empty());
    EXPECT_EQ(readBytes(usbFile()), "SanDisk Ultra\n");
}
