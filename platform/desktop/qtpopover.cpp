#include "platform/desktop/qtpopover.h"

#include "platform/desktop/desktopcompositor.h"
#include "platform/desktop/popoverplacement.h"
#include "platform/desktop/popoverwindowhints.h"
#include "platform/ports/statusbar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QBitmap>
#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

// The window a popover's view lives in.
class PopoverWindow final : public QWidget {
public:
    // On X11 the window bypasses the window manager (override-redirect): the X server maps it
    // where the agent puts it, and no window manager, tiling or floating, can move, tile, focus or
    // activate it. Hints would be advice a window manager is free to ignore.
    PopoverWindow()
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus |
                               Qt::NoDropShadowWindowHint) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFocusPolicy(Qt::NoFocus);
        installAccessibleFactory();
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
        m_content = content.get();
        layout()->addWidget(content.release());
    }

    // What the popover shows; screen readers take its description for the window's.
    QWidget* content() const { return m_content; }

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
        const bool appears = !isVisible();
        if (appears) {
            markAsPopoverWindow(*this);
        }
        show();
        raise();
        if (appears) {
            m_shown.start();
            windowHandle()->installEventFilter(this);
            QAccessibleEvent alert(this, QAccessible::Alert);
            QAccessible::updateAccessibility(&alert);
        }
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
    // Every press on the window passes here before it reaches a button: one made while the window
    // is new was meant for what lay under the pointer. Its release then finds no button pressed.
    // Moves pass, so the buttons still light up under the pointer.
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool press = event->type() == QEvent::MouseButtonPress ||
                           event->type() == QEvent::MouseButtonDblClick;
        if (press && m_shown.elapsed() < kArmingMilliseconds) {
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }

    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            dismiss();
            return;
        }
        QWidget::keyPressEvent(event);
    }

private:
    static constexpr qint64 kArmingMilliseconds = 400;

    static void installAccessibleFactory();

    std::function<void()> m_dismissHandler;
    QPointer<QWidget> m_content;
    QElapsedTimer m_shown;
};

namespace {

// The popover as screen readers see it: an alert, announced when it appears, that reads its
// view's description.
class PopoverAccessible final : public QAccessibleWidget {
public:
    explicit PopoverAccessible(PopoverWindow* window)
        : QAccessibleWidget(window, QAccessible::AlertMessage), m_window(window) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Description && m_window->content() != nullptr) {
            return m_window->content()->accessibleDescription();
        }
        return QAccessibleWidget::text(kind);
    }

private:
    PopoverWindow* m_window;
};

QAccessibleInterface* makePopoverAccessible(const QString& /*key*/, QObject* object) {
    auto* window = dynamic_cast<PopoverWindow*>(object);
    return window == nullptr ? nullptr : new PopoverAccessible(window);
}

}  // namespace

void PopoverWindow::installAccessibleFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(makePopoverAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

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

    void showAt(const ScreenRect& anchor) override {
        m_window->showAt(QRect(anchor.x, anchor.y, anchor.width, anchor.height));
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

std::unique_ptr<Popover> PopoverWindows::makePopover(std::unique_ptr<QWidget> content) {
    std::erase_if(m_windows, [](const QPointer<PopoverWindow>& window) { return window.isNull(); });
    auto* window = new PopoverWindow;
    if (content) {
        window->setContentWidget(std::move(content));
    }
    m_windows.emplace_back(window);
    return std::make_unique<QtPopover>(window);
}

void PopoverWindows::dismissAll() {
    const auto windows = m_windows;  // a dismissal may open or release popovers
    for (const auto& window : windows) {
        if (!window.isNull()) {
            window->dismiss();
        }
    }
}
