#include "platform/posix/atomicfile.h"
#include "fakes/temporarydirectory.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;

TEST(AtomicFile, replacesContentKeepingModeAndWritingThroughLinks) {
    TemporaryDirectory dir;
    const fs::path target = dir.path() / "report.txt";
    writeBytes(target, "old\n");
    ::chmod(target.c_str(), 0640);
    const fs::path link = dir.path() / "link.txt";
    fs::create_symlink(target, link);

    EXPECT_EQ(AtomicFile::write(link, "new"), std::nullopt);

    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readBytes(target), "new");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640U);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2)
        << "no temporary file is left behind";
}

TEST(AtomicFile, reportsFailureAndLeavesNothingBehind) {
    TemporaryDirectory dir;
    const auto missingFolder = AtomicFile::write(dir.path() / "absent" / "file.txt", "x");
    ASSERT_TRUE(missingFolder.has_value());
    EXPECT_NE(missingFolder->find("No such file or directory"), std::string::npos);

    fs::create_directory(dir.path() / "folder");
    EXPECT_TRUE(AtomicFile::write(dir.path() / "folder", "x").has_value())
        << "a folder is never replaced by a file";
    EXPECT_TRUE(fs::is_directory(dir.path() / "folder"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}
