#include "fakes/temporarydirectory.h"
#include "fakes/virtualrunloop.h"
#include "platform/posix/bundleworkspace.h"
#include "platform/posix/instancelock.h"
#include "platform/posix/pathwatch.h"
#include "platform/posix/plistpreferences.h"
#include "platform/posix/posixfilesystem.h"
#include "platform/posix/posixprocesslauncher.h"
#include "platform/posix/stdoutconsole.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

static bool eventually(const std::function<bool()>& condition) {
    for (int attempt = 0; attempt < 250 && !condition(); ++attempt) ::usleep(20'000);
    return condition();
}

// A bundle naming `identifier` and `executable`, which holds `script` unless that is empty.
static fs::path makeBundle(const fs::path& bundle, const std::string& identifier,
                           const std::string& executable, const std::string& script) {
    writeBytes(bundle / "Contents/Info.plist",
               "<plist><dict><key>CFBundleIdentifier</key><string>" + identifier +
                   "</string><key>CFBundleExecutable</key><string>" + executable +
                   "</string></dict></plist>");
    if (!script.empty()) writeBytes(bundle / "Contents/MacOS" / executable, script);
    if (!script.empty()) fs::permissions(bundle / "Contents/MacOS" / executable, fs::perms(0755));
    return bundle;
}

TEST(PosixFileSystem, readsOnlyRegularFilesAndReplacesLeavingOnlyOthersTemporaryFiles) {
    TemporaryDirectory dir;
    VirtualRunLoop runLoop;
    PosixFileSystem files{runLoop};
    const fs::path file = dir.path() / "file", fifo = dir.path() / "fifo";
    ::mkfifo(fifo.c_str(), 0600);
    ::alarm(20);  // a read that waits ends the run instead of hanging it
    for (const fs::path& path : {fifo, fs::path("/dev/null"), dir.path()}) {
        std::string bytes;
        const auto error = files.read(path, bytes);
        EXPECT_EQ(error ? error->errorNumber : 0, path == dir.path() ? EISDIR : ENODEV) << path;
    }
    ::alarm(0);
    writeBytes(dir.path() / "target", "old");
    fs::create_symlink("target", file);
    fs::permissions(file, fs::perms(0604));
    fs::create_directory(dir.path() / "folder");
    EXPECT_FALSE(files.replace(file, "new"));
    EXPECT_TRUE(files.replace(dir.path() / "folder", "x"));  // a folder stays
    EXPECT_EQ(std::tuple(readBytes(file), fs::status(file).permissions(), fs::is_symlink(file)),
              std::tuple("new", fs::perms(0604), true));
    // A replace names its temporaries ".<name>." and six characters: only those are leftovers.
    for (const char* name : {".file.AbC123", ".file.AbC12", ".file.AbC1234"})
        writeBytes(dir.path() / name, "x");
    files.removeLeftovers(file);
    // Left: fifo, file, target, folder, .file.AbC12, .file.AbC1234; no temporary of the failed
    // replace.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 6);
    // A stamp kept while the file's folders are quiet tells a write once the loop has had a turn,
    // and the file system's own write at once.
    const fs::path target = dir.path() / "target";
    const auto first = files.stamp(target);
    std::ofstream(target, std::ios::app) << "er";
    runLoop.runPending();
    const auto second = files.stamp(target);
    EXPECT_NE(second, first);
    files.replace(target, "newer");
    EXPECT_NE(files.stamp(target), second);
    EXPECT_EQ(files.stamp(dir.path() / "absent/file"), FileStamp::absent());
}

TEST(PathWatch, countsEveryChangeOnTheWayToAFileAndNothingBesideIt) {
    TemporaryDirectory dir;
    VirtualRunLoop runLoop;
    PathWatch watch{runLoop};
    const fs::path way = dir.path() / "a", file = way / "b/file", moved = dir.path() / "moved";
    writeBytes(file, "x");
    const std::vector<std::pair<std::function<void()>, bool>> steps{
        {[] {}, false},
        {[&] { writeBytes(way / "b/other", "y"), writeBytes(dir.path() / "c/file", "y"); }, false},
        {[&] { std::ofstream(file, std::ios::app) << "y"; }, true},
        {[&] { fs::last_write_time(file, fs::file_time_type::clock::now()); }, true},
        {[&] { fs::permissions(file, fs::perms(0600)); }, true},
        {[&] { writeBytes(way / "b/new", "z"), fs::rename(way / "b/new", file); }, true},
        {[&] { fs::remove(file); }, true},
        {[&] { writeBytes(file, "x"); }, true},
        {[&] { fs::rename(way, moved); }, true},
        {[&] { writeBytes(dir.path() / "c/new", "y"); }, false},  // the way still ends in dir
        {[&] { writeBytes(file, "x"); }, true},
        {[&] { fs::permissions(way, fs::perms(0700)); }, true},  // could bar the way
        {[&] { fs::remove_all(moved), fs::rename(way, moved), fs::create_symlink("moved", way); },
         true},
        {[] {}, true},  // a link on the way: looked at in full every time
        {[&] { fs::remove(way), fs::rename(moved, way); }, true},
        {[&] { fs::rename(file, moved), fs::create_symlink(moved, file); }, true},
        {[] {}, true},
        {[&] { fs::remove(file), writeBytes(file, "x"); }, true},
    };
    watch.looking(file);
    for (std::size_t step = 0; step < steps.size(); ++step) {
        steps[step].first();
        runLoop.runPending();
        EXPECT_EQ(!watch.unchanged(file), steps[step].second) << step;
        watch.looking(file);
    }
    int quietLooks = 0;
    while (watch.unchanged(file) && quietLooks < PathWatch::kQuietLooks) ++quietLooks;
    EXPECT_EQ(quietLooks, PathWatch::kQuietLooks - 1) << "a quiet path is looked at in full too";
}

TEST(InstanceLock, hasOneHolderWhomTheKernelOutlivesAndNothingAtItsPathHangsOrIsWrittenTo) {
    TemporaryDirectory dir;
    const fs::path file = dir.path() / "data/helper.lock";
    const auto holderOf = [](const auto& taken) {
        const auto* other = std::get_if<InstanceLock::HeldElsewhere>(&taken);
        return other == nullptr ? -1 : other->processId.value_or(0);
    };
    ::alarm(20);  // a take that waits ends the run instead of hanging it
    // The holder dies by SIGKILL while a program it started lives on.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        const auto lock = InstanceLock::take(file);
        // The program says it runs once it runs: its exec is behind it.
        const std::string program = "printf x >&" + std::to_string(ready[1]) + "; exec sleep 3";
        if (!std::holds_alternative<InstanceLock>(lock)) ::_exit(1);
        if (::fork() == 0) ::execl("/bin/sh", "sh", "-c", program.c_str(), nullptr), ::_exit(1);
        ::pause();
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "the holder got no lock";
    EXPECT_EQ(holderOf(InstanceLock::take(file)), holder);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    const auto ours = InstanceLock::take(file);
    EXPECT_TRUE(std::holds_alternative<InstanceLock>(ours));
    EXPECT_EQ(holderOf(InstanceLock::take(file)), ::getpid());
    writeBytes(file, "12 and more\n");
    EXPECT_EQ(holderOf(InstanceLock::take(file)), 0) << "an ID that cannot be read is no ID";

    writeBytes(dir.path() / "elsewhere", "keep");
    const std::vector<std::function<void(const fs::path&)>> oddFiles{
        [&](const fs::path& at) { fs::create_symlink(dir.path() / "elsewhere", at); },
        [&](const fs::path& at) { fs::create_symlink(dir.path() / "absent", at); },
        [&](const fs::path& at) { fs::create_hard_link(dir.path() / "elsewhere", at); },
        [](const fs::path& at) { ::mkfifo(at.c_str(), 0600); },
        [](const fs::path& at) { fs::create_directory(at); },
    };
    for (std::size_t odd = 0; odd < oddFiles.size(); ++odd) {
        const fs::path at = dir.path() / ("odd" + std::to_string(odd));
        oddFiles[odd](at);
        EXPECT_TRUE(std::holds_alternative<InstanceLock::Unavailable>(InstanceLock::take(at)))
            << at;
    }
    EXPECT_EQ(readBytes(dir.path() / "elsewhere"), "keep");
    EXPECT_FALSE(fs::exists(dir.path() / "absent"));
}

TEST(StdoutConsole, givesEachLineItsPriorityOnlyWhenStdoutIsTheJournalStream) {
    int journal[2];
    int pipe[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, journal), 0);
    ASSERT_EQ(::pipe2(pipe, O_NONBLOCK), 0);
    struct stat stream {};
    ::fstat(journal[0], &stream);
    const std::string named = std::to_string(stream.st_dev) + ":" + std::to_string(stream.st_ino);
    const std::string plain = "Failed to update settings: no\nUSB is OFF\n Failed to x\n";
    const std::vector<std::tuple<int, std::optional<std::string>, std::string>> cases{
        {journal[0], named, "<4>Failed to update settings: no\n<6>USB is OFF\n<6> Failed to x\n"},
        {pipe[1], named, plain},  // inherited by a program whose stdout is elsewhere
        {journal[0], std::nullopt, plain},
        {journal[0], named + "0", plain},
        {journal[0], ":" + std::to_string(stream.st_ino), plain},
    };
    for (const auto& [out, variable, expected] : cases) {
        variable ? ::setenv("JOURNAL_STREAM", variable->c_str(), 1) : ::unsetenv("JOURNAL_STREAM");
        const int saved = ::dup(STDOUT_FILENO);
        ::dup2(out, STDOUT_FILENO);
        StdoutConsole console;
        for (const char* line : {"Failed to update settings: no", "USB is OFF", " Failed to x"})
            console.printLine(line);
        ::dup2(saved, STDOUT_FILENO);
        ::close(saved);
        std::string written(256, '\0');
        written.resize(std::max<ssize_t>(
            ::read(out == pipe[1] ? pipe[0] : journal[1], written.data(), written.size()), 0));
        EXPECT_EQ(written, expected) << variable.value_or("unset");
    }
    ::unsetenv("JOURNAL_STREAM");
    for (const int fd : {journal[0], journal[1], pipe[0], pipe[1]}) ::close(fd);
}

TEST(BundleWorkspace, startsTheNamedExecutableDetachedWithStreamsOfItsOwnAndFindsAndQuitsIt) {
    TemporaryDirectory dir;
    BundleWorkspace workspace;
    const std::string id = "com.corvane.test." + dir.path().filename().string();
    for (const fs::path& refused :
         {dir.path() / "Absent.app", makeBundle(dir.path() / "Missing.app", id, "Gone", ""),
          makeBundle(dir.path() / "Escape.app", id, "../../../outside", "#!/bin/sh\n"),
          makeBundle(dir.path() / "Broken.app", id, "Broken", "#!/nonexistent\n")})
        EXPECT_FALSE(workspace.openBundle(refused)) << refused;

    // Once it has run for 50 ms the application logs "<pid> <its stdin>"; on SIGTERM, "<pid> TERM".
    const fs::path log = dir.path() / "log";
    ::setenv("LOG", log.c_str(), 1);
    const fs::path bundle = makeBundle(
        dir.path() / "Stand In.app", id, "run",
        "#!/bin/sh\necho out; echo err >&2; trap 'echo $$ TERM >> \"$LOG\"; kill $!; exit' TERM\n"
        "sleep 0.05; echo $$ $(readlink /proc/$$/fd/0) >> \"$LOG\"; sleep 9 & wait\n");
    const auto logged = [&] { return std::ranges::count(readBytes(log), '\n'); };
    // While the bundle opens, our standard streams are all one file the application must not get.
    const int sink = ::open((dir.path() / "ours").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    int saved[3];
    for (int fd = 0; fd < 3; ++fd) saved[fd] = ::fcntl(fd, F_DUPFD_CLOEXEC, 3), ::dup2(sink, fd);
    const bool opened = workspace.openBundle(bundle) && eventually([&] { return logged() == 1; }) &&
                        workspace.openBundle(bundle);
    for (int fd = 0; fd < 3; ++fd) ::dup2(saved[fd], fd), ::close(saved[fd]);
    ::close(sink);
    ASSERT_TRUE(opened && eventually([&] { return logged() == 2; }));
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "no child, not even a zombie, is left";
    int first = 0, second = 0;
    ASSERT_EQ(std::sscanf(readBytes(log).c_str(), "%d /dev/null %d /dev/null", &first, &second), 2);
    EXPECT_EQ(readBytes(dir.path() / "ours"), "") << "the application wrote into our output";
    // The test folder as a process table, the younger one numbered first: still oldest first.
    fs::create_directory_symlink("/proc/" + std::to_string(second), dir.path() / "1");
    fs::create_directory_symlink("/proc/" + std::to_string(first), dir.path() / "2");
    std::vector<std::pair<int, std::optional<std::string>>> listed;
    for (const auto& [pid, identifier] : BundleWorkspace(dir.path()).runningApplications())
        listed.emplace_back(pid, identifier);
    EXPECT_EQ(listed, (decltype(listed){{2, id}, {1, id}}));
    for (const int pid : {first, second}) workspace.terminate({pid, id});
    // Only SIGTERM makes an instance log again, and then it ends.
    EXPECT_TRUE(eventually([&] { return logged() == 4; })) << readBytes(log);
}

TEST(PlistPreferences, setsItsKeysKeepingTheOthersAndLeavesAFileItCannotReadAlone) {
    TemporaryDirectory home;
    PlistPreferencesStore store{home.path()};
    for (const std::string name : {"", ".", "..", "a/b"}) EXPECT_EQ(store.openSuite(name), nullptr);
    const auto suite = store.openSuite("com.corvane.shared");
    const fs::path file = home.path() / "Library/Preferences/com.corvane.shared.plist";
    const std::string before = "<plist><dict><key>Owner</key><string>me</string></dict></plist>";
    writeBytes(file, before);
    fs::create_hard_link(file, home.path() / "old");  // a write in place would change it too
    suite->setString("scanType", "USB");
    suite->synchronize();
    EXPECT_TRUE(readBytes(file).ends_with(
        "<dict>\n\t<key>Owner</key>\n\t<string>me</string>\n\t<key>scanType</key>\n"
        "\t<string>USB</string>\n</dict>\n</plist>\n"));
    EXPECT_EQ(readBytes(home.path() / "old"), before);
    fs::remove(file);
    ::mkfifo(file.c_str(), 0600);
    suite->setString("scanType", "none");
    suite->synchronize();
    EXPECT_EQ(fs::status(file).type(), fs::file_type::fifo);
}

TEST(PosixProcessLauncher, passesArgumentsWithoutAShellWaitsAndDescribesAStartFailure) {
    TemporaryDirectory dir;
    PosixProcessLauncher launcher;
    const std::string out = (dir.path() / "out").string(), tool = (dir.path() / "tool").string();
    // An exit status other than 0 is no start failure.
    EXPECT_FALSE(launcher.runAndWait(
        "/bin/sh", {"-c", "sleep .1; printf '%s|' \"$@\" >$0; exit 3", out, "a b", "*", "'q'"}));
    EXPECT_EQ(readBytes(out), "a b|*|'q'|");
    EXPECT_EQ(launcher.runAndWait(tool, {}),
              "could not start " + tool + ": No such file or directory (errno 2)");
}
