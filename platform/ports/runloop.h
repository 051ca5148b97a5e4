#pragma once

#include <cstdint>
#include <functional>

// The main-thread work queue: repeating timers and deferred steps.
class RunLoop {
public:
    using Task = std::function<void()>;

    RunLoop() = default;
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;
    virtual ~RunLoop() = default;

    // Runs `task` every `intervalSeconds`, first one interval from now, until the process ends.
    virtual void scheduleRepeating(double intervalSeconds, Task task) = 0;
    // Runs `task` after the work already queued, as soon as the loop is free.
    virtual void post(Task task) = 0;
    // Runs `task` once, `delaySeconds` from now.
    virtual void postAfter(double delaySeconds, Task task) = 0;
    // Runs `task` once, in a turn of its own, when `descriptor` has something to read; the
    // descriptor is not watched after that until asked again, so a stream of events costs one
    // wake-up per request.
    virtual void postWhenReadable(int descriptor, Task task) = 0;
    // The wall-clock time of the loop, in nanoseconds since the epoch: what file times compare to.
    virtual std::int64_t nowNanos() const = 0;
};
