#pragma once

#include "platform/ports/runloop.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <utility>

// A run loop on a virtual clock: time moves only when a test advances it, and due work runs
// in the order it fell due (then in the order it was queued).
class VirtualRunLoop final : public RunLoop {
public:
    void scheduleRepeating(double intervalSeconds, Task task) override;
    void post(Task task) override { postAfter(0.0, std::move(task)); }
    void postAfter(double delaySeconds, Task task) override;
    // No poll here: the descriptor counts as readable at the next turn, a wake with nothing to
    // read that any reader of a non-blocking descriptor must bear.
    void postWhenReadable(int /*descriptor*/, Task task) override { post(std::move(task)); }
    // Starts at the real time the loop was made, so that files written by a test are as old as
    // the virtual time since then says.
    std::int64_t nowNanos() const override { return m_startNanos + m_nowMicros * 1000; }

    // Moves the clock forward by `seconds`, running everything that falls due on the way.
    void advance(double seconds);
    // Runs what is due now without moving the clock.
    void runPending() { advance(0.0); }
    // Drops all queued work, timers included: what queued it is gone.
    void clear() { m_queue.clear(); }
    double now() const { return static_cast<double>(m_nowMicros) / 1e6; }
    // The longest CPU time of this thread one task took: a turn of the event loop, for the
    // benchmarks. On a busy machine wall time would count the waits for a core too.
    double longestTurnCpuSeconds() const { return m_longestTurnCpuSeconds; }

private:
    using Key = std::pair<std::int64_t, std::uint64_t>;  // due time in µs, queue order
    void enqueue(std::int64_t dueMicros, Task task);

    std::map<Key, Task> m_queue;
    std::int64_t m_startNanos = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                    std::chrono::system_clock::now().time_since_epoch())
                                    .count();
    std::int64_t m_nowMicros = 0;
    std::uint64_t m_sequence = 0;
    double m_longestTurnCpuSeconds = 0;
};
