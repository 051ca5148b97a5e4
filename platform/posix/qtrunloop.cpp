#include "platform/posix/qtrunloop.h"

#include <QSocketNotifier>
#include <QTimer>

#include <chrono>
#include <cmath>

namespace {

std::chrono::milliseconds toMilliseconds(double seconds) {
    return std::chrono::milliseconds(std::llround(seconds * 1000.0));
}

}  // namespace

void QtRunLoop::scheduleRepeating(double intervalSeconds, Task task) {
    auto* timer = new QTimer(&m_context);
    // Precise: a coarse timer may drift by 5 %, which the popover latency would inherit.
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(toMilliseconds(intervalSeconds));
    QObject::connect(timer, &QTimer::timeout, &m_context, std::move(task));
    timer->start();
}

void QtRunLoop::post(Task task) {
    QMetaObject::invokeMethod(&m_context, std::move(task), Qt::QueuedConnection);
}

void QtRunLoop::postAfter(double delaySeconds, Task task) {
    QTimer::singleShot(toMilliseconds(delaySeconds), Qt::PreciseTimer, &m_context, std::move(task));
}

void QtRunLoop::postWhenReadable(int descriptor, Task task) {
    auto* notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, &m_context);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [notifier, task = std::move(task)] {
                         // Still readable until the task's owner reads: watched no further.
                         notifier->setEnabled(false);
                         notifier->deleteLater();
                         task();
                     });
}

std::int64_t QtRunLoop::nowNanos() const {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}
