#include "platform/posix/bundleworkspace.h"
#include "fakes/temporarydirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <memory>
#include <set>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

template <typename Condition>
bool eventually(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// A bundle whose Info.plist names the given identifier and executable, when not empty.
fs::path makeBundle(const fs::path& bundle, const std::string& identifier = "",
                    const std::string& executable = "") {
    std::string entries;
    for (const auto& [key, value] : {std::pair("CFBundleIdentifier", identifier),
                                     std::pair("CFBundleExecutable", executable)}) {
        entries += value.empty()
                       ? ""
                       : "<key>" + std::string(key) + "</key><string>" + value + "</string>";
    }
    writeBytes(
        bundle / "Contents/Info.plist",
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>" + entries + "</dict></plist>");
    fs::create_directories(bundle / "Contents/MacOS");
    return bundle;
}

void writeExecutable(const fs::path& file, const std::string& script, mode_t mode = 0755) {
    writeBytes(file, script);
    ::chmod(file.c_str(), mode);
}

// The pids the stand-in application left as marker files in `folder`.
std::set<int> markedPids(const fs::path& folder) {
    std::set<int> pids;
    for (const auto& marker : fs::directory_iterator(folder)) {
        if (marker.path().filename().string()[0] != '.') {
            pids.insert(std::stoi(marker.path().filename().string()));
        }
    }
    return pids;
}

// A process of a stand-in process table; the command name is as awkward as the kernel allows.
void addProcess(const fs::path& proc, int pid, const std::string& exe, const std::string& argv,
                unsigned long long startTime, uid_t user = ::getuid()) {
    const fs::path folder = proc / std::to_string(pid);
    fs::create_directories(folder);
    fs::create_symlink(exe, folder / "exe");
    fs::create_symlink(proc.parent_path(), folder / "cwd");
    writeBytes(folder / "cmdline", argv);
    std::string stat = std::to_string(pid) + " (a) (b c) S";
    for (int field = 4; field < 22; ++field) {
        stat += " 0";
    }
    writeBytes(folder / "stat", stat + " " + std::to_string(startTime) + " 0 0\n");
    const std::string id = std::to_string(user);
    writeBytes(folder / "status",
               "Name:\ta\nUid:\t" + id + "\t" + id + "\t" + id + "\t" + id + "\n");
}

// Gone, or a zombie waiting for a parent (in a container) that may never reap it.
bool processEnded(int pid) {
    const std::string stat = readBytes("/proc/" + std::to_string(pid) + "/stat");
    const size_t nameEnd = stat.rfind(')');
    return nameEnd == std::string::npos || stat.compare(nameEnd + 1, 3, " Z ") == 0;
}

}  // namespace

TEST(BundleWorkspace, recognisesBundleProcessesOldestFirst) {
    TemporaryDirectory dir;
    const fs::path proc = dir.path() / "proc";
    const fs::path first = makeBundle(dir.path() / "First.app", "com.corvane.first");
    makeBundle(dir.path() / "Unnamed.app");
    const std::string firstExe = (first / "Contents/MacOS/First").string();
    const std::string script = "Unnamed.app/Contents/MacOS/run";  // relative to cwd

    addProcess(proc, 40, firstExe, "First", 500);
    addProcess(proc, 12, firstExe, "First", 500);
    addProcess(proc, 7, "/usr/bin/python3", std::string("python3\0", 8) + script + '\0', 300);
    addProcess(proc, 21, "/usr/bin/dash", std::string("sh\0", 3) + script + '\0', 100);
    addProcess(proc, 30, "/usr/bin/sh", std::string("sh\0-c\0", 6) + firstExe, 50);
    addProcess(proc, 31, "/opt/Tools.app/Contents/Resources/First", "First", 50);
    addProcess(proc, 50, firstExe, "First", 50, ::getuid() + 1);
    addProcess(proc, 60, firstExe, "First", 50);
    fs::remove(proc / "60" / "stat");  // ended while the table was read
    fs::create_directories(proc / "self");

    const auto applications = BundleWorkspace(proc).runningApplications();

    std::vector<std::pair<int, std::optional<std::string>>> found;
    found.reserve(applications.size());
    for (const RunningApplication& application : applications) {
        found.emplace_back(application.processId, application.bundleIdentifier);
    }
    const std::optional<std::string> none;
    EXPECT_EQ(found,
              (std::vector<std::pair<int, std::optional<std::string>>>{
                  {21, none}, {7, none}, {12, "com.corvane.first"}, {40, "com.corvane.first"}}));
}

TEST(BundleWorkspace, opensDetachedInstancesThenTerminatesThem) {
    TemporaryDirectory dir;
    const std::string identifier = "com.corvane.standin." + dir.path().filename().string();
    const fs::path bundle = makeBundle(dir.path() / "Stand In.app", identifier, "Stand In");
    const fs::path markers = dir.path() / "started";
    fs::create_directories(markers);
    // The script leaves its pid and its stdin behind, then becomes a program inside the bundle.
    fs::copy_file("/bin/sleep", bundle / "Contents/MacOS/sleeper");
    writeExecutable(bundle / "Contents/MacOS/Stand In",
                    "#!/bin/sh\nreadlink /proc/$$/fd/0 > '" + markers.string() + "/.$$'\nmv '" +
                        markers.string() + "/.$$' '" + markers.string() +
                        "/'$$\nexec \"$(dirname \"$0\")/sleeper\" 30\n");
    // Should the test fail halfway, its instances do not outlive it.
    const auto killLeftovers = [](const fs::path* folder) {
        for (const int pid : markedPids(*folder)) {
            if (!processEnded(pid)) {
                ::kill(pid, SIGKILL);
            }
        }
    };
    const std::unique_ptr<const fs::path, decltype(killLeftovers)> guard(&markers, killLeftovers);
    const auto running = [&] {
        std::set<int> pids;
        for (const RunningApplication& application : BundleWorkspace().runningApplications()) {
            if (application.bundleIdentifier == identifier) {
                pids.insert(application.processId);
            }
        }
        return pids;
    };
    BundleWorkspace workspace;

    // The agent's own stdin is something other than /dev/null while it opens the bundle.
    writeBytes(dir.path() / "input", "typed");
    const int savedInput = ::dup(STDIN_FILENO);
    const int input = ::open((dir.path() / "input").c_str(), O_RDONLY);
    ::dup2(input, STDIN_FILENO);
    const bool opened = workspace.openBundle(bundle.string()) &&
                        eventually([&] { return markedPids(markers).size() == 1; }) &&
                        workspace.openBundle(bundle.string() + "/");
    ::dup2(savedInput, STDIN_FILENO);
    ::close(input);
    ::close(savedInput);
    ASSERT_TRUE(opened);
    ASSERT_TRUE(eventually([&] { return markedPids(markers).size() == 2; }));
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "no child, not even a zombie, is left";
    const std::set<int> pids = markedPids(markers);
    for (const int pid : pids) {
        EXPECT_EQ(readBytes(markers / std::to_string(pid)), "/dev/null\n") << "stdin";
    }
    // Found whether still the script or already the program it execs inside the bundle.
    EXPECT_TRUE(eventually([&] { return running() == pids; }));
    for (const int pid : pids) {
        workspace.terminate({pid, identifier});
        EXPECT_TRUE(eventually([&] { return processEnded(pid); })) << pid;
    }
    EXPECT_TRUE(running().empty());
}

TEST(BundleWorkspace, refusesBundlesWithoutAStartableExecutable) {
    TemporaryDirectory dir;
    const fs::path noKey = makeBundle(dir.path() / "NoKey.app");
    writeExecutable(noKey / "Contents/MacOS/NoKey", "#!/bin/sh\n");
    const fs::path plain = makeBundle(dir.path() / "Plain.app", "", "Plain");
    writeExecutable(plain / "Contents/MacOS/Plain", "#!/bin/sh\n", 0644);
    writeExecutable(dir.path() / "outside", "#!/bin/sh\n");
    const fs::path broken = makeBundle(dir.path() / "Broken.app", "", "Broken");
    writeExecutable(broken / "Contents/MacOS/Broken", "#!/nonexistent/interpreter\n");
    writeBytes(dir.path() / "Garbage.app/Contents/Info.plist", "not a property list");

    BundleWorkspace workspace;
    for (const fs::path& bundle : {dir.path() / "Absent.app", noKey, plain,
                                   makeBundle(dir.path() / "Missing.app", "", "Gone"),
                                   makeBundle(dir.path() / "Escape.app", "", "../../../outside"),
                                   dir.path() / "Garbage.app", broken}) {
        EXPECT_FALSE(workspace.openBundle(bundle.string())) << bundle;
    }
}
