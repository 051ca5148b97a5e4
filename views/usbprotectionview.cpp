#include "views/usbprotectionview.h"

#include "views/assetimageview.h"
#include "views/fontfaces.h"
#include "views/popoveractionbutton.h"
#include "views/popoverpanel.h"
#include "views/popovertext.h"
#include "views/visiblename.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

constexpr qreal kCornerRadius = 11.0;
constexpr int kRowSpacing = 20;
// The spacing between neighbours in a row where no other is given.
constexpr int kStandardSpacing = 8;
constexpr QSizeF kIconSize(27.69, 60.0);
constexpr int kIconTrailingPadding = 10;
constexpr int kTextSpacing = 7;
constexpr int kInvitationSpacing = 1;
constexpr QMargins kHeaderPadding(20, 20, 20, 0);
constexpr QMargins kButtonRowPadding(10, 10, 10, 15);
constexpr int kButtonGap = 25;

}  // namespace

UsbProtectionView::UsbProtectionView(UsbPopoverModel model, QWidget* parent)
    : QWidget(parent), m_model(std::move(model)), m_panel(new PopoverPanel(kCornerRadius, this)) {
    setWindowTitle(tr("USB device attached"));
    setAccessibleName(windowTitle());
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(kWidth, kHeight);

    auto* rows = new QVBoxLayout(m_panel);
    rows->setContentsMargins(kPanelPadding, kPanelPadding, kPanelPadding, kPanelPadding);
    rows->setSpacing(kRowSpacing);
    rows->addWidget(makeHeader());
    rows->addWidget(makeButtonRow(), 0, Qt::AlignHCenter);
    placePanel();
}

QWidget* UsbProtectionView::makeHeader() {
    auto* header = new QWidget;
    header->setObjectName(QStringLiteral("header"));

    auto* icon = new AssetImageView("usb.protection.icon", kIconSize);
    icon->setContentsMargins(0, 0, kIconTrailingPadding, 0);

    auto* text = new QWidget;
    auto* textStack = new QVBoxLayout(text);
    textStack->setContentsMargins(0, 0, 0, 0);
    textStack->setSpacing(kTextSpacing);
    auto* deviceLine = new PopoverText(FontFaces::face("Inter-SemiBold", 16));
    deviceLine->setObjectName(QStringLiteral("usbInfoLine"));
    // The device name is shown as reported, with what cannot be seen written out.
    deviceLine->setText(
        tr("USB Info: %1").arg(visibleName(QString::fromStdString(m_model.pathUsb))));
    textStack->addWidget(deviceLine);
    // A screen reader hears what the popover is about: the device, named as on screen.
    setAccessibleDescription(deviceLine->text());
    auto* invitation = new QVBoxLayout;
    invitation->setSpacing(kInvitationSpacing);
    for (const QString& line :
         {tr("Your MAC deserves USB protection."), tr("Scan for security first.")}) {
        auto* label = new PopoverText(FontFaces::face("Inter-Medium", 14));
        label->setObjectName(QStringLiteral("invitationLine"));
        label->setText(line);
        invitation->addWidget(label);
    }
    textStack->addLayout(invitation);

    // The stretch at the end keeps icon and text at the leading edge of a full-width row.
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(kHeaderPadding);
    row->setSpacing(kStandardSpacing);
    row->addWidget(icon, 0, Qt::AlignVCenter);
    row->addWidget(text, 0, Qt::AlignVCenter);
    row->addStretch(1);
    return header;
}

QWidget* UsbProtectionView::makeButtonRow() {
    auto* buttons = new QWidget;
    buttons->setObjectName(QStringLiteral("buttonRow"));
    auto* scanButton = new PopoverActionButton(tr("Scan Now"));
    scanButton->setObjectName(QStringLiteral("scanNowButton"));
    auto* closeButton = new PopoverActionButton(tr("Close"));
    closeButton->setObjectName(QStringLiteral("closeButton"));

    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(kButtonRowPadding);
    row->setSpacing(kStandardSpacing);
    row->addWidget(scanButton, 0, Qt::AlignVCenter);
    // The fixed gap comes on top of the row's spacing on both sides of it; the layout puts
    // spacing only before the second button, so the gap carries the other side's share.
    row->addSpacing(kStandardSpacing + kButtonGap);
    row->addWidget(closeButton, 0, Qt::AlignVCenter);

    connect(scanButton, &PopoverActionButton::clicked, this, [this] { m_model.scanNow(); });
    connect(closeButton, &PopoverActionButton::clicked, this, [this] { m_model.closePopover(); });
    return buttons;
}

void UsbProtectionView::resizeEvent(QResizeEvent* event) {
    placePanel();
    QWidget::resizeEvent(event);
}

bool UsbProtectionView::event(QEvent* event) {
    // A new font or text size changes how tall the panel's content is.
    if (event->type() == QEvent::LayoutRequest) {
        placePanel();
    }
    return QWidget::event(event);
}

void UsbProtectionView::placePanel() {
    // As tall as its content, centred in the frame. When a long device name needs more room
    // than the frame has, the panel's top and bottom padding give way first, so the text stays
    // whole and the panel keeps its rounded corners inside the frame.
    QLayout* const rows = m_panel->layout();
    const QMargins current = rows->contentsMargins();
    const int forWidth = rows->totalHeightForWidth(width());
    const int total = forWidth >= 0 ? forWidth : rows->totalSizeHint().height();
    const int content = total - current.top() - current.bottom();
    const int overflow = std::max(0, content + 2 * kPanelPadding - height());
    const int top = std::max(0, kPanelPadding - (overflow + 1) / 2);
    const int bottom = std::max(0, kPanelPadding - overflow / 2);
    const QMargins wanted(kPanelPadding, top, kPanelPadding, bottom);
    if (wanted != current) {
        rows->setContentsMargins(wanted);
    }
    const int panelHeight = std::min(content + top + bottom, height());
    m_panel->setGeometry(0, (height() - panelHeight) / 2, width(), panelHeight);
}
