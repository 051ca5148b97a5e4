#include "platform/posix/posixprocesslauncher.h"
#include "fakes/temporarydirectory.h"

#include <gtest/gtest.h>

TEST(PosixProcessLauncher, passesArgumentsVerbatimAndWaitsForExit) {
    TemporaryDirectory dir;
    const auto output = dir.path() / "out.txt";
    PosixProcessLauncher launcher;
    // No shell is involved: spaces, quotes and globs reach the tool as they are.
    const auto failure = launcher.runAndWait(
        "/bin/sh",
        {"-c", "printf '%s|' \"$@\" > \"$0\"; exit 3", output.string(), "a b", "*", "'q'"});
    EXPECT_EQ(failure, std::nullopt) << "a non-zero exit status is not a start failure";
    EXPECT_EQ(readBytes(output), "a b|*|'q'|") << "the tool has finished when the call returns";
}

TEST(PosixProcessLauncher, describesToolsThatCannotStart) {
    TemporaryDirectory dir;
    PosixProcessLauncher launcher;
    const auto missing = launcher.runAndWait((dir.path() / "launchctl").string(), {"load"});
    ASSERT_TRUE(missing.has_value());
    EXPECT_NE(missing->find("No such file or directory"), std::string::npos) << *missing;

    writeBytes(dir.path() / "plain", "not a program");
    const auto notExecutable = launcher.runAndWait((dir.path() / "plain").string(), {});
    ASSERT_TRUE(notExecutable.has_value());
    EXPECT_NE(notExecutable->find("Permission denied"), std::string::npos) << *notExecutable;
}
