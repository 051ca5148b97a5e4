#include "platform/desktop/qtpopover.h"

#include "platform/desktop/desktopcompositor.h"
#include "platform/desktop/popoverplacement.h"
#include "platform/desktop/popoverwindowhints.h"
#include "platform/ports/statusbar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QBitmap>
#include <QCloseEvent>
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

    // Shows the popover at `anchor`; on a locked screen it is held instead, until the unlock.
    void present(const QRect& anchor, bool screenLocked) {
        m_anchor = anchor;
        m_held = screenLocked;
        if (!screenLocked) {
            showAt(anchor);
        }
    }

    // The lock takes the popover off the screen without closing it: nobody dismissed it.
    void withhold() {
        if (isVisible()) {
            m_held = true;
            hide();
        }
    }

    // Back after the unlock as if it appeared now: announced again, its buttons armed anew.
    void restore() {
        if (m_held) {
            m_held = false;
            showAt(m_anchor);
        }
    }

    // On screen, or held off it by the lock.
    bool isShown() const { return isVisible() || m_held; }

protected:
    // A held popover that is closed stays closed.
    void closeEvent(QCloseEvent* event) override {
        m_held = false;
        QWidget::closeEvent(event);
    }

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
    QRect m_anchor;
    bool m_held = false;
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
    QtPopover(PopoverWindow* window, const PopoverWindows& windows)
        : m_window(window), m_windows(windows) {}
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
        if (m_window->isShown()) {
            m_window->setAttribute(Qt::WA_DeleteOnClose);
        } else {
            m_window->deleteLater();
        }
    }

    void setTransient() override { m_transient = true; }

    void showAt(const ScreenRect& anchor) override {
        m_window->present(QRect(anchor.x, anchor.y, anchor.width, anchor.height),
                          m_windows.isScreenLocked());
    }

    void performClose() override {
        if (!m_window.isNull()) {
            m_window->close();
        }
    }

    bool isShown() const override { return !m_window.isNull() && m_window->isShown(); }

    void setDismissHandler(std::function<void()> handler) override {
        if (!m_window.isNull()) {
            // Only a transient popover is closed by the platform at all.
            m_window->setDismissHandler(m_transient ? std::move(handler) : nullptr);
        }
    }

private:
    QPointer<PopoverWindow> m_window;
    const PopoverWindows& m_windows;
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
    return std::make_unique<QtPopover>(window, *this);
}

void PopoverWindows::dismissAll() {
    const auto windows = m_windows;  // a dismissal may open or release popovers
    for (const auto& window : windows) {
        if (!window.isNull()) {
            window->dismiss();
        }
    }
}

void PopoverWindows::setScreenLocked(bool locked) {
    if (locked == m_screenLocked) {
        return;
    }
    m_screenLocked = locked;
    // Oldest first, so that the newest ends on top, as it was.
    for (const auto& window : m_windows) {
        if (window.isNull()) {
            continue;
        }
        if (locked) {
            window->withhold();
        } else {
            window->restore();
        }
    }
}
