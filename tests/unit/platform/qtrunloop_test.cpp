#include "platform/posix/qtrunloop.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <unistd.h>

namespace {

void runTurns() {
    for (int turn = 0; turn < 10; ++turn) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

}  // namespace

// A descriptor left readable (its owner reads later) wakes the loop once per request: a stream of
// events in a busy folder must not keep the agent awake.
TEST(QtRunLoop, aDescriptorLeftReadableRunsItsTaskOncePerRequest) {
    QtRunLoop runLoop;
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    int runs = 0;
    runLoop.postWhenReadable(ends[0], [&runs] { ++runs; });
    runTurns();
    EXPECT_EQ(runs, 0) << "nothing to read yet";
    ASSERT_EQ(::write(ends[1], "x", 1), 1);
    runTurns();
    EXPECT_EQ(runs, 1);
    runLoop.postWhenReadable(ends[0], [&runs] { ++runs; });
    runTurns();
    EXPECT_EQ(runs, 2) << "asked again while readable";
    ::close(ends[0]);
    ::close(ends[1]);
}
