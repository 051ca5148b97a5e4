#pragma once

#include "platform/ports/runloop.h"

#include <QObject>

// The run loop of the Qt application's main thread.
class QtRunLoop final : public RunLoop {
public:
    void scheduleRepeating(double intervalSeconds, Task task) override;
    void post(Task task) override;
    void postAfter(double delaySeconds, Task task) override;
    void postWhenReadable(int descriptor, Task task) override;
    std::int64_t nowNanos() const override;

private:
    // Context object: queued work dies with the run loop instead of outliving it.
    QObject m_context;
};
