#include "agent/reportfile.h"
#include "agent/reporttext.h"
#include "fakes/temporarydirectory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

using Entries = std::vector<std::string>;

TEST(ReportText, splitsOnLineFeedsKeepingEverythingElse) {
    EXPECT_EQ(ReportText::split("a\n\nb\n"), (Entries{"a", "b"}));
    EXPECT_EQ(ReportText::split("a\r\n \n\r\n\tb"), (Entries{"a\r", " ", "\r", "\tb"}));
    EXPECT_EQ(ReportText::split("\n\n"), Entries{});
    EXPECT_EQ(ReportText::join({"y"}), "y");
    EXPECT_EQ(ReportText::join({"a", "b"}), "a\nb");
    EXPECT_EQ(ReportText::join({}), "");
}

TEST(ReportText, changedLinesLeaveOutOnlyWholeLinesSharedAtEitherEnd) {
    const auto changed = [](std::string_view before, std::string_view text) {
        const auto [begin, end] = ReportText::changedLines(before, text);
        return std::string(text.substr(begin, end - begin));
    };
    EXPECT_EQ(changed("a\nb\n", "a\nb\n"), "");
    EXPECT_EQ(changed("a\nb\n", "a\nb\nc\n"), "c\n") << "an append";
    EXPECT_EQ(changed("a\nb", "a\nbc\n"), "bc\n") << "a line the scanner was still writing";
    EXPECT_EQ(changed("x1\nx2\nx3", "x2\nx3"), "x2\n") << "the first entry removed";
    EXPECT_EQ(changed("a\nb\nc", "a\nc"), "c");
    EXPECT_EQ(changed("ab\nb\n", "b\n"), "b\n") << "a line end is not a line";
    EXPECT_EQ(changed("b\nab", "b\nb"), "b") << "nor is a line start";
    EXPECT_EQ(changed("", "a\n"), "a\n");
    EXPECT_EQ(changed("a\n", ""), "");
}

TEST(ReportText, decodesUtf8AndUtf16WithAByteOrderMarkOnly) {
    EXPECT_EQ(ReportText::decode("caf\xc3\xa9\n"), "caf\xc3\xa9\n");
    EXPECT_EQ(ReportText::decode("\xef\xbb\xbf/a\n"), "/a\n");
    EXPECT_EQ(ReportText::decode(std::string("\xff\xfe/\0a\0\n\0", 8)), "/a\n");
    EXPECT_EQ(ReportText::decode(std::string("\xfe\xff\0/\0\xe9", 6)), "/\xc3\xa9");
    EXPECT_EQ(ReportText::decode(std::string("\xff\xfe\x3d\xd8\x00\xde", 6)), "\xf0\x9f\x98\x80");
    for (const std::string& bytes :
         {std::string("\xc3\x28"), std::string("\xe0\x80\xaf"), std::string("\xed\xa0\x80"),
          std::string("\xf4\x90\x80\x80"), std::string("ab\xe2\x82"), std::string("\xff\xfe/", 3),
          std::string("\xff\xfe\x00\xd8\n\x00", 6),
          std::string("\xff\xfe\x3d\xd8\x00\xde", 6).substr(0, 4)}) {
        EXPECT_EQ(ReportText::decode(bytes), std::nullopt)
            << "not text: " << bytes.size() << " bytes";
    }
}

namespace {

std::optional<Entries> entriesOf(const ReportFile& file) {
    const auto text = file.readText();
    return text ? std::optional(ReportText::split(*text)) : std::nullopt;
}

// Lock, then make sure the file locked is still the one at `path`: the agent may have replaced it
// while we waited.
bool appendLikeACooperatingScanner(const fs::path& path, const std::string& entry) {
    for (;;) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0) {
            return false;
        }
        struct stat locked {};
        struct stat named {};
        if (::fstat(fd, &locked) == 0 && ::stat(path.c_str(), &named) == 0 &&
            locked.st_ino == named.st_ino) {
            const bool written =
                ::write(fd, entry.data(), entry.size()) == static_cast<ssize_t>(entry.size());
            ::close(fd);
            return written;
        }
        ::close(fd);
    }
}

class ReportFileTest : public ::testing::Test {
protected:
    fs::path path() const { return file.path(); }

    TemporaryDirectory home;
    ReportFile file{home.path(), "detected_threats.txt"};
};

}  // namespace

TEST_F(ReportFileTest, readsEntriesOrNothing) {
    EXPECT_EQ(entriesOf(file), std::nullopt) << "missing";
    writeBytes(path(), "a\n\nb\n");
    EXPECT_EQ(entriesOf(file), (Entries{"a", "b"}));
    writeBytes(path(), "/bad\xff\n");
    EXPECT_EQ(entriesOf(file), std::nullopt);
    fs::remove(path());
    fs::create_directory(path());
    EXPECT_EQ(entriesOf(file), std::nullopt) << "a folder";
}

TEST_F(ReportFileTest, removingAnEntryRewritesTheRest) {
    writeBytes(path(), "x\n\ny\n");
    EXPECT_EQ(file.removeEntry("x"), std::nullopt);
    EXPECT_EQ(readBytes(path()), "y");

    writeBytes(path(), "dup\nkeep\r\ndup\ndup\r\n");
    file.removeEntry("dup");
    EXPECT_EQ(readBytes(path()), "keep\r\ndup\r") << "all copies go, a carriage return is kept";

    writeBytes(path(), "last\n");
    file.removeEntry("last");
    EXPECT_TRUE(fs::exists(path()));
    EXPECT_EQ(fs::file_size(path()), 0U);

    writeBytes(path(), std::string("\xff\xfe/\0a\0\n\0/\0b\0", 12));
    file.removeEntry("/a");
    EXPECT_EQ(readBytes(path()), "/b") << "written back as UTF-8";
}

TEST_F(ReportFileTest, unreadableFilesAreLeftAloneAndLinksSurvive) {
    writeBytes(path(), "a\xff\nb\n");
    EXPECT_EQ(file.removeEntry("b"), std::nullopt);
    EXPECT_EQ(readBytes(path()), "a\xff\nb\n");

    EXPECT_EQ(file.removeEntry("a"), std::nullopt);
    fs::remove(path());
    EXPECT_EQ(file.removeEntry("a"), std::nullopt);
    EXPECT_FALSE(fs::exists(path())) << "a missing file is not created";

    const fs::path real = home.path() / "real.txt";
    writeBytes(real, "a\nb\n");
    ::chmod(real.c_str(), 0604);
    fs::create_symlink(real, path());
    file.removeEntry("a");
    EXPECT_TRUE(fs::is_symlink(path()));
    EXPECT_EQ(readBytes(real), "b");
    struct stat info {};
    ::stat(real.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0604U);
}

TEST_F(ReportFileTest, aFailedWriteIsDescribed) {
    // The folder of /proc cannot take a temporary file, even for root.
    fs::create_directories(path().parent_path());
    fs::create_symlink("/proc/version", path());
    const auto error = file.removeEntry("nothing");
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find("detected_threats.txt"), std::string::npos) << *error;
}

TEST_F(ReportFileTest, linesAppendedDuringRewritesAreNeverLost) {
    // A scanner appends whole lines while the agent takes lines out as fast as it can. (A scanner
    // that does not lock is covered too, up to a race no rename can close: see the README.)
    constexpr int kLines = 3000;
    writeBytes(path(), "/first\n");
    std::atomic<bool> scanning = true;
    std::thread scanner([this, &scanning] {
        for (int i = 1; i < kLines; ++i) {
            const std::string entry = "\n/scan/" + std::to_string(i) + "\n";
            ASSERT_TRUE(appendLikeACooperatingScanner(path(), entry));
        }
        scanning = false;
    });
    std::set<std::string> removed;
    do {
        const auto entries = entriesOf(file);
        if (entries && !entries->empty()) {
            EXPECT_EQ(file.removeEntry(entries->front()), std::nullopt);
            EXPECT_TRUE(removed.insert(entries->front()).second) << "removed twice";
        }
    } while (scanning);
    scanner.join();

    std::set<std::string> accounted = removed;
    const auto remaining = entriesOf(file);
    ASSERT_TRUE(remaining.has_value());
    for (const auto& entry : *remaining) {
        EXPECT_TRUE(accounted.insert(entry).second) << "duplicated: " << entry;
    }
    EXPECT_EQ(accounted.size(), static_cast<size_t>(kLines)) << "every appended line survives";
}
