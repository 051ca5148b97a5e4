#include "platform/posix/filestamp.h"
#include "fakes/temporarydirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(FileStamp, onlyARegularFileLeftAloneForAMomentHasOne) {
    TemporaryDirectory dir;
    const fs::path file = dir.path() / "report.txt";
    EXPECT_EQ(FileStamp::ofSettledFile(file), std::nullopt) << "missing";
    EXPECT_EQ(FileStamp::ofSettledFile(dir.path()), std::nullopt) << "a folder";
    writeBytes(file, "one\n");
    fs::last_write_time(file, fs::last_write_time(file) - 1h);
    EXPECT_EQ(FileStamp::ofSettledFile(file), std::nullopt)
        << "an old modification time does not hide a change just now";

    std::this_thread::sleep_for(2100ms);
    const auto settled = FileStamp::ofSettledFile(file);
    ASSERT_NE(settled, std::nullopt);
    EXPECT_EQ(FileStamp::ofSettledFile(file), settled);
    const fs::path link = dir.path() / "link.txt";
    fs::create_symlink(file, link);
    EXPECT_EQ(FileStamp::ofSettledFile(link), settled) << "links are followed";

    std::ofstream(file, std::ios::app) << "two\n";
    EXPECT_EQ(FileStamp::ofSettledFile(file), std::nullopt) << "changed just now";
}
