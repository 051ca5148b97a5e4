#include "qtpopover.h"

#include "desktopcompositor.h"
#include "popoverplacement.h"
#include "qtstatusbar.h"
#include "widgetpopovercontent.h"

#include <QBitmap>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

// The window a popover's view lives in.
class PopoverWindow final : public QWidget {
public:
    PopoverWindow()
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFocusPolicy(Qt::NoFocus);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSizeConstraint(QLayout::SetFixedSize);
    }

    void setContentWidget(std::unique_ptr<QWidget> content) {
        const auto existing = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget* old : existing) {
            old->deleteLater();
        }
        const QString name = content->accessibleName();
        setWindowTitle(name.isEmpty() ? QStringLiteral("Corvane Antivirus")
                                      : QStringLiteral("Corvane Antivirus: ") + name);
        setAccessibleName(windowTitle());
        layout()->addWidget(content.release());
    }

    void showAt(const QRect& anchor) {
        adjustSize();
        QScreen* screen = QGuiApplication::screenAt(anchor.center());
        if (screen == nullptr) {
            screen = QGuiApplication::primaryScreen();
        }
        setGeometry(placePopover(size(), anchor, screen->availableGeometry()));
        if (!desktopComposites()) {
            // No blending: cut the window to what the view paints, corners and margins away.
            setMask(QBitmap::fromImage(grab().toImage().createAlphaMask()));
        }
        show();
        raise();
    }

    // Closed by the user outside the agent's own buttons.
    void dismiss() {
        if (!isVisible()) {
            return;
        }
        hide();
        if (m_dismissHandler) {
            const auto handler = m_dismissHandler;
            handler();
        }
    }

    void setDismissHandler(std::function<void()> handler) { m_dismissHandler = std::move(handler); }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            dismiss();
            return;
        }
        QWidget::keyPressEvent(event);
    }

private:
    std::function<void()> m_dismissHandler;
};

namespace {

class QtPopover final : public Popover {
public:
    explicit QtPopover(PopoverWindow* window) : m_window(window) {}
    QtPopover(const QtPopover&) = delete;
    QtPopover& operator=(const QtPopover&) = delete;
    QtPopover(QtPopover&&) = delete;
    QtPopover& operator=(QtPopover&&) = delete;

    ~QtPopover() override {
        if (m_window.isNull()) {
            return;
        }
        // A released popover that is still on screen stays there until it is closed.
        m_window->setDismissHandler(nullptr);
        if (m_window->isVisible()) {
            m_window->setAttribute(Qt::WA_DeleteOnClose);
        } else {
            m_window->deleteLater();
        }
    }

    void setTransient() override { m_transient = true; }

    void setContent(std::unique_ptr<PopoverContent> content) override {
        auto* widgetContent = dynamic_cast<WidgetPopoverContent*>(content.get());
        if (widgetContent != nullptr && widgetContent->widget() != nullptr) {
            m_window->setContentWidget(widgetContent->takeWidget());
        }
    }

    void showRelativeTo(StatusItem& anchor) override {
        const auto* trayItem = dynamic_cast<const QtStatusItem*>(&anchor);
        m_window->showAt(trayItem != nullptr ? trayItem->anchorRect()
                                             : QRect(QCursor::pos(), QSize(1, 1)));
    }

    void performClose() override {
        if (!m_window.isNull()) {
            m_window->close();
        }
    }

    bool isShown() const override { return !m_window.isNull() && m_window->isVisible(); }

    void setDismissHandler(std::function<void()> handler) override {
        if (!m_window.isNull()) {
            // Only a transient popover is closed by the platform at all.
            m_window->setDismissHandler(m_transient ? std::move(handler) : nullptr);
        }
    }

private:
    QPointer<PopoverWindow> m_window;
    bool m_transient = false;
};

}  // namespace

std::unique_ptr<Popover> QtPopoverFactory::makePopover() {
    std::erase_if(m_windows, [](const QPointer<PopoverWindow>& window) { return window.isNull(); });
    auto* window = new PopoverWindow;
    m_windows.emplace_back(window);
    return std::make_unique<QtPopover>(window);
}

void QtPopoverFactory::dismissAll() {
    const auto windows = m_windows;  // a dismissal may open or release popovers
    for (const auto& window : windows) {
        if (!window.isNull()) {
            window->dismiss();
        }
    }
}
