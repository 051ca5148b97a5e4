#include "platform/posix/qtrunloop.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <unistd.h>

// A descriptor left readable (its owner reads later) wakes the loop once per request: a stream of
// events in a busy folder must not keep the agent awake.
TEST(QtRunLoop, aDescriptorLeftReadableRunsItsTaskOncePerRequest) {
    QtRunLoop runLoop;
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    int runs = 0;
    const auto turns = [] {
        for (int turn = 0; turn < 10; ++turn) QCoreApplication::processEvents({}, 5);
    };
    runLoop.postWhenReadable(ends[0], [&runs] { ++runs; });
    turns();
    EXPECT_EQ(runs, 0) << "nothing to read yet";
    ASSERT_EQ(::write(ends[1], "x", 1), 1);
    turns();
    EXPECT_EQ(runs, 1);
    runLoop.postWhenReadable(ends[0], [&runs] { ++runs; });
    turns();
    EXPECT_EQ(runs, 2) << "asked again while readable";
    for (const int end : ends) ::close(end);
}
