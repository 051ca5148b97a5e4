#include "fakes/virtualrunloop.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <memory>

namespace {

std::int64_t toMicros(double seconds) {
    return std::llround(seconds * 1e6);
}

double threadCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace

void VirtualRunLoop::enqueue(std::int64_t dueMicros, Task task) {
    m_queue.emplace(Key{dueMicros, m_sequence++}, std::move(task));
}

void VirtualRunLoop::postAfter(double delaySeconds, Task task) {
    enqueue(m_nowMicros + toMicros(delaySeconds), std::move(task));
}

void VirtualRunLoop::scheduleRepeating(double intervalSeconds, Task task) {
    const std::int64_t interval = toMicros(intervalSeconds);
    auto shared = std::make_shared<Task>(std::move(task));
    auto tick = std::make_shared<Task>();
    // The tick re-arms itself before running, like a repeating timer.
    *tick = [this, interval, shared, weakTick = std::weak_ptr<Task>(tick)] {
        if (auto self = weakTick.lock()) {
            enqueue(m_nowMicros + interval, [self] { (*self)(); });
        }
        (*shared)();
    };
    enqueue(m_nowMicros + interval, [tick] { (*tick)(); });
}

void VirtualRunLoop::advance(double seconds) {
    const std::int64_t target = m_nowMicros + toMicros(seconds);
    while (!m_queue.empty() && m_queue.begin()->first.first <= target) {
        auto node = m_queue.extract(m_queue.begin());
        m_nowMicros = std::max(m_nowMicros, node.key().first);
        const double started = threadCpuSeconds();
        node.mapped()();
        m_longestTurnCpuSeconds = std::max(m_longestTurnCpuSeconds, threadCpuSeconds() - started);
    }
    m_nowMicros = target;
}
