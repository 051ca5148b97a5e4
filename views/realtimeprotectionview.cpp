#include "views/realtimeprotectionview.h"

#include "views/assetimageview.h"
#include "views/fontfaces.h"
#include "views/hovertooltipview.h"
#include "views/popoveractionbutton.h"
#include "views/popoverpanel.h"
#include "views/popovertext.h"
#include "views/threatlines.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <memory>
#include <utility>

namespace {

constexpr qreal kCornerRadius = 10.0;
constexpr int kRowSpacing = 20;
constexpr int kColumnWidth = 375;
constexpr QSize kHeaderSize(285, 105);
constexpr QSizeF kIconSize(64.02, 86.43);
constexpr int kHeaderSpacing = 15;
constexpr int kLineSpacing = 5;
constexpr QSize kButtonRowSize(375, 62);
constexpr int kButtonSpacing = 25;
constexpr int kFontSize = 15;

QFont fontFor(ThreatLine::Face face) {
    return face == ThreatLine::Face::SystemSemiBold ? FontFaces::systemSemibold(kFontSize)
                                                    : FontFaces::face("Inter-SemiBold", kFontSize);
}

void present(PopoverText& widget, const ThreatLine& line) {
    widget.setText(line.text);
    widget.setFont(fontFor(line.face));
    widget.setSingleLineElided(line.singleLineElided);
}

}  // namespace

RealTimeProtectionView::RealTimeProtectionView(ThreatPopoverModel model, QWidget* parent)
    : QWidget(parent), m_model(std::move(model)) {
    setWindowTitle(tr("Threat detected"));
    setAccessibleName(windowTitle());
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(kWidth, kHeight);

    auto* panel = new PopoverPanel(kCornerRadius, this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(panel);

    // The rows sit in a column as wide as the button row, centred on the panel.
    auto* column = new QWidget(panel);
    column->setFixedWidth(kColumnWidth);
    auto* rows = new QVBoxLayout(column);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(kRowSpacing);
    rows->addWidget(makeHeader(), 0, Qt::AlignLeft);
    auto* note = new PopoverText(FontFaces::face("Inter", kFontSize));
    note->setObjectName(QStringLiteral("noteText"));
    note->setText(
        tr("Note: The threat was moved to quarantine. A scan is running to protect your device."));
    note->setMaximumWidth(kColumnWidth);
    rows->addWidget(note);
    rows->addWidget(makeButtonRow(), 0, Qt::AlignLeft);

    auto* centring = new QVBoxLayout(panel);
    centring->setContentsMargins(0, 0, 0, 0);
    centring->addStretch(1);
    centring->addWidget(column, 0, Qt::AlignHCenter);
    centring->addStretch(1);

    refresh();
    m_subscription = m_model.changed.subscribe([this] { scheduleRefresh(); });
}

RealTimeProtectionView::~RealTimeProtectionView() {
    m_model.changed.unsubscribe(m_subscription);
}

QWidget* RealTimeProtectionView::makeHeader() {
    auto* header = new QWidget;
    header->setObjectName(QStringLiteral("header"));
    header->setFixedSize(kHeaderSize);

    auto* lines = new QWidget(header);
    auto* lineStack = new QVBoxLayout(lines);
    lineStack->setContentsMargins(0, 0, 0, 0);
    lineStack->setSpacing(kLineSpacing);
    const auto makeLine = [](const char* name) {
        auto* line = new PopoverText(FontFaces::face("Inter-SemiBold", kFontSize));
        line->setObjectName(QString::fromLatin1(name));
        return line;
    };
    m_itemNameLine = makeLine("itemNameLine");
    m_threatNameLine = makeLine("threatNameLine");
    m_locationLine = makeLine("locationLine");
    m_statusLine = makeLine("statusLine");
    m_itemNameHover = new HoverTooltipView(std::unique_ptr<QWidget>(m_itemNameLine));
    m_locationHover = new HoverTooltipView(std::unique_ptr<QWidget>(m_locationLine));
    lineStack->addWidget(m_itemNameHover);
    lineStack->addWidget(m_threatNameLine);
    lineStack->addWidget(m_locationHover);
    lineStack->addWidget(m_statusLine);

    // Stretches at both ends centre icon and lines in the header's fixed frame.
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kHeaderSpacing);
    row->addStretch(1);
    row->addWidget(new AssetImageView("real.time.protection.icon", kIconSize), 0, Qt::AlignVCenter);
    row->addWidget(lines, 0, Qt::AlignVCenter);
    row->addStretch(1);
    return header;
}

QWidget* RealTimeProtectionView::makeButtonRow() {
    auto* buttons = new QWidget;
    buttons->setObjectName(QStringLiteral("buttonRow"));
    buttons->setFixedSize(kButtonRowSize);
    auto* viewButton = new PopoverActionButton(tr("View"));
    viewButton->setObjectName(QStringLiteral("viewButton"));
    auto* closeButton = new PopoverActionButton(tr("Close"));
    closeButton->setObjectName(QStringLiteral("closeButton"));

    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kButtonSpacing);
    row->addStretch(1);
    row->addWidget(viewButton, 0, Qt::AlignVCenter);
    row->addWidget(closeButton, 0, Qt::AlignVCenter);

    // "View" hands over to the main application and leaves the popover open.
    connect(viewButton, &PopoverActionButton::clicked, this, [this] { m_model.view(); });
    connect(closeButton, &PopoverActionButton::clicked, this, [this] { m_model.closePopover(); });
    return buttons;
}

void RealTimeProtectionView::scheduleRefresh() {
    if (m_refreshScheduled) {
        return;
    }
    m_refreshScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_refreshScheduled = false;
            refresh();
        },
        Qt::QueuedConnection);
}

void RealTimeProtectionView::refresh() {
    const auto threat = m_model.threatOnShow();
    const auto lines = ThreatLines::forThreat(threat ? &*threat : nullptr);
    present(*m_itemNameLine, lines[0]);
    present(*m_threatNameLine, lines[1]);
    present(*m_locationLine, lines[2]);
    present(*m_statusLine, lines[3]);
    m_itemNameHover->setTooltip(lines[0].tooltip);
    m_locationHover->setTooltip(lines[2].tooltip);
    // A screen reader hears the four lines as shown, names in their safe form.
    QStringList description;
    for (const ThreatLine& line : lines) {
        description << line.text;
    }
    setAccessibleDescription(description.join(u'\n'));
}
