// Cost of the agent's file work against the least a program could do with the same files.
// Every figure that matters is a ratio to a baseline measured in the same run: see the
// "ratio" counters and the table printed at the end.

#include "agent/reportfeed.h"
#include "agent/reportfile.h"
#include "control/productlocations.h"
#include "control/settingsfile.h"
#include "fakes/fakeagent.h"
#include "fakes/virtualrunloop.h"
#include "ratioreporter.h"
#include "readandsplit.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kSettings = R"({"realTimeProtection": true, "usbProtection": true})";

std::string threatLine(int index) {
    char line[96];
    std::snprintf(line, sizeof line, "/home/user/Downloads/archive-%06d/payload-%06d.bin", index,
                  index);
    return line;
}

std::string usbLine(int index) {
    char line[64];
    std::snprintf(line, sizeof line, "Flash Drive %06d 64GB", index);
    return line;
}

// Lines as a scanner leaves them: each one written as "\n<entry>\n".
template <typename MakeLine>
std::string reportBytes(int lines, MakeLine makeLine) {
    std::string bytes;
    for (int i = 0; i < lines; ++i) {
        bytes += '\n';
        bytes += makeLine(i);
        bytes += '\n';
    }
    return bytes;
}

// A real manager on fakes, started, in its own temporary home.
class Agent : public FakeAgent {
public:
    Agent() { start(); }
};

void writeHome(const Agent& agent, int lines) {
    writeBytes(agent.dataFile(ProductLocations::kSettingsFile), std::string(kSettings));
    writeBytes(agent.dataFile(ProductLocations::kThreatReportFile), reportBytes(lines, threatLine));
    writeBytes(agent.dataFile(ProductLocations::kUsbReportFile), reportBytes(lines, usbLine));
}

void writeWhole(const std::filesystem::path& file, std::string_view bytes, bool sync) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    while (!bytes.empty()) {
        const ssize_t count = ::write(fd, bytes.data(), bytes.size());
        if (count <= 0) {
            break;
        }
        bytes.remove_prefix(static_cast<size_t>(count));
    }
    if (sync) {
        ::fsync(fd);
    }
    ::close(fd);
}

// --- the poll tick -------------------------------------------------------------------------

// Both report files with `lines` lines each, read and split: what the tick must at least do.
void BM_TickBaseline(benchmark::State& state) {
    const Agent agent;
    writeHome(agent, static_cast<int>(state.range(0)));
    const auto threats = agent.dataFile(ProductLocations::kThreatReportFile);
    const auto devices = agent.dataFile(ProductLocations::kUsbReportFile);
    for (auto _ : state) {
        benchmark::DoNotOptimize(readAndSplit(threats));
        benchmark::DoNotOptimize(readAndSplit(devices));
    }
}

// The ticks that take every threat in, 50k lines per tick. Kept out of line so that a profiler
// can leave them out (valgrind --toggle-collect on both this and the benchmark).
[[gnu::noinline]] void takeEverythingIn(Agent& agent, int lines) {
    do {
        agent.runLoop.advance(1.0);
    } while (agent.manager->detectedThreats().size() < static_cast<std::size_t>(lines));
}

// An agent that has taken in every threat of files of `lines` lines, made once per size and
// kept for all runs. Devices open at most five popovers, which stay on screen here: the other
// devices wait in their file, which the agent therefore reads at every tick.
Agent& agentWithEverythingIn(int lines) {
    static std::map<int, std::unique_ptr<Agent>> agents;
    auto& agent = agents[lines];
    if (!agent) {
        agent = std::make_unique<Agent>();
        writeHome(*agent, lines);
        takeEverythingIn(*agent, lines);
    }
    return *agent;
}

void touch(const std::filesystem::path& file) {
    ::utimensat(AT_FDCWD, file.c_str(), nullptr, 0);
}

// Seconds the report files must be left alone before the agent trusts that they are unchanged;
// a little more than the agent waits.
constexpr double kQuietSeconds = 2.2;

double changedAt(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        return 0;
    }
    return std::max(info.st_mtim.tv_sec + info.st_mtim.tv_nsec / 1e9,
                    info.st_ctim.tv_sec + info.st_ctim.tv_nsec / 1e9);
}

// Ticks until the agent's clock is kQuietSeconds past the last change of the report files. The
// agent compares file times with its run loop's clock, which moves only when advanced.
void waitUntilQuiet(Agent& agent) {
    const double lastChange =
        std::max(changedAt(agent.dataFile(ProductLocations::kThreatReportFile)),
                 changedAt(agent.dataFile(ProductLocations::kUsbReportFile)));
    while (static_cast<double>(agent.runLoop.nowNanos()) / 1e9 < lastChange + kQuietSeconds) {
        agent.runLoop.advance(1.0);
    }
}

// One tick when every line was handled before and the files were touched since the last tick:
// their timestamps move, their text stays, as in the seconds after each write.
void BM_TickNoNewLinesTouched(benchmark::State& state) {
    Agent& agent = agentWithEverythingIn(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        touch(agent.dataFile(ProductLocations::kThreatReportFile));
        touch(agent.dataFile(ProductLocations::kUsbReportFile));
        state.ResumeTiming();
        agent.runLoop.advance(1.0);
    }
}

// One tick when every line was handled before and the files were rewritten since, every other
// time without their first line as after an acknowledgement and then with it again: each line is
// looked up among those handled.
void BM_TickNoNewLinesRewritten(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    Agent& agent = agentWithEverythingIn(lines);
    const std::string threats = reportBytes(lines, threatLine);
    const std::string devices = reportBytes(lines, usbLine);
    // Each line was written as "\n<entry>\n".
    const std::string fewerThreats = threats.substr(threatLine(0).size() + 2);
    const std::string fewerDevices = devices.substr(usbLine(0).size() + 2);
    bool fewer = true;
    for (auto _ : state) {
        state.PauseTiming();
        writeBytes(agent.dataFile(ProductLocations::kThreatReportFile),
                   fewer ? fewerThreats : threats);
        writeBytes(agent.dataFile(ProductLocations::kUsbReportFile),
                   fewer ? fewerDevices : devices);
        fewer = !fewer;
        state.ResumeTiming();
        agent.runLoop.advance(1.0);
    }
}

// One tick when every line was handled before and the files have been left alone since: the
// steady state of an agent left running.
void BM_TickNoNewLinesQuiet(benchmark::State& state) {
    Agent& agent = agentWithEverythingIn(static_cast<int>(state.range(0)));
    waitUntilQuiet(agent);
    agent.runLoop.advance(1.0);  // read once more now that the files are quiet
    for (auto _ : state) {
        agent.runLoop.advance(1.0);
    }
}

// The first tick over a fresh agent's files of `threats` and `devices` new lines, including the
// handling it queues: it takes at most ReportFeed::kMaxLinesPerTick threats (the rest wait for
// the next ticks) and opens five device popovers.
void tickOverNewLines(benchmark::State& state, int threats, int devices) {
    std::unique_ptr<Agent> agent;
    for (auto _ : state) {
        state.PauseTiming();
        agent.reset();
        agent = std::make_unique<Agent>();
        writeHome(*agent, 0);
        writeBytes(agent->dataFile(ProductLocations::kThreatReportFile),
                   reportBytes(threats, threatLine));
        writeBytes(agent->dataFile(ProductLocations::kUsbReportFile),
                   reportBytes(devices, usbLine));
        state.ResumeTiming();
        agent->runLoop.advance(1.0);
    }
}

// Every line new: threats are recorded and the first popover opens; the first five devices open
// their popovers.
void BM_TickAllLinesNew(benchmark::State& state) {
    const auto lines = static_cast<int>(state.range(0));
    tickOverNewLines(state, lines, lines);
}

// Lines in the threat file only: the cost of threats without that of devices.
void BM_TickAllThreatsNew(benchmark::State& state) {
    tickOverNewLines(state, static_cast<int>(state.range(0)), 0);
}

// --- settings -------------------------------------------------------------------------------

void BM_SettingsReadBaseline(benchmark::State& state) {
    const Agent agent;
    writeHome(agent, 0);
    const auto file = agent.dataFile(ProductLocations::kSettingsFile);
    for (auto _ : state) {
        benchmark::DoNotOptimize(readAndSplit(file));
    }
}

// range(0): 0 for a file written just now, 1 for one left alone for a while (made once).
void BM_SettingsRead(benchmark::State& state) {
    static std::unique_ptr<Agent> quiet;
    std::unique_ptr<Agent> fresh;
    Agent* agent = nullptr;
    if (state.range(0) == 0) {
        fresh = std::make_unique<Agent>();
        agent = fresh.get();
        writeHome(*agent, 0);
    } else {
        if (!quiet) {
            quiet = std::make_unique<Agent>();
            writeHome(*quiet, 0);
            waitUntilQuiet(*quiet);
        }
        agent = quiet.get();
    }
    const SettingsFile settings(agent->home.path(), *agent->files, agent->runLoop, agent->console);
    for (auto _ : state) {
        benchmark::DoNotOptimize(settings.readSettings());
    }
}

// Read and write back the same bytes; range(0) says whether the write is flushed to disk.
void BM_SettingsUpdateBaseline(benchmark::State& state) {
    const Agent agent;
    writeHome(agent, 0);
    const auto file = agent.dataFile(ProductLocations::kSettingsFile);
    const bool sync = state.range(0) != 0;
    for (auto _ : state) {
        const auto lines = readAndSplit(file);
        writeWhole(file, lines.front(), sync);
    }
}

void BM_SettingsUpdate(benchmark::State& state) {
    Agent agent;
    writeHome(agent, 0);
    const SettingsFile settings(agent.home.path(), *agent.files, agent.runLoop, agent.console);
    bool value = false;
    for (auto _ : state) {
        settings.updateSettings("usbProtection", value);
        value = !value;
        state.PauseTiming();
        agent.transcript.clear();
        state.ResumeTiming();
    }
}

// --- taking one line out of a report file --------------------------------------------------

constexpr int kRewriteLines = 100'000;

// Read the file and write the same bytes back; range(0) says whether the write is flushed.
void BM_RemoveEntryBaseline(benchmark::State& state) {
    const Agent agent;
    writeHome(agent, 0);
    const auto file = agent.dataFile(ProductLocations::kThreatReportFile);
    writeBytes(file, reportBytes(kRewriteLines, threatLine));
    const bool sync = state.range(0) != 0;
    for (auto _ : state) {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        ::fstat(fd, &info);
        std::string bytes(static_cast<size_t>(info.st_size), '\0');
        benchmark::DoNotOptimize(::read(fd, bytes.data(), bytes.size()));
        ::close(fd);
        writeWhole(file, bytes, sync);
    }
}

// One line taken out of a 100k-line file; the line is put back untimed for the next round.
void BM_RemoveEntry(benchmark::State& state) {
    Agent agent;
    writeHome(agent, 0);
    // A clock of its own: moving it lets the file drop the replaced file it keeps open for late
    // appends, without running the agent's ticks.
    VirtualRunLoop clock;
    ReportFile report(*agent.files, clock, agent.dataFile(ProductLocations::kThreatReportFile));
    const std::string original = reportBytes(kRewriteLines, threatLine);
    const std::string victim = threatLine(kRewriteLines / 2);
    writeBytes(report.path(), original);
    for (auto _ : state) {
        if (auto error = report.removeEntry(victim)) {
            state.SkipWithError(error->c_str());
            break;
        }
        state.PauseTiming();
        clock.advance(kQuietSeconds);
        report.carryOverLateAppends();
        if (readBytes(report.path()).find(victim) != std::string::npos) {
            state.SkipWithError("the line was not taken out");
            break;
        }
        writeBytes(report.path(), original);
        state.ResumeTiming();
    }
}

// --- ratios ---------------------------------------------------------------------------------

// Which baseline each measured run is compared with.
const std::map<std::string, std::string>& baselineOf() {
    static const std::map<std::string, std::string> baselines = {
        {"BM_TickNoNewLinesTouched/1000", "BM_TickBaseline/1000"},
        {"BM_TickNoNewLinesRewritten/1000", "BM_TickBaseline/1000"},
        {"BM_TickNoNewLinesTouched/10000", "BM_TickBaseline/10000"},
        {"BM_TickNoNewLinesRewritten/10000", "BM_TickBaseline/10000"},
        {"BM_TickNoNewLinesTouched/100000", "BM_TickBaseline/100000"},
        {"BM_TickNoNewLinesRewritten/100000", "BM_TickBaseline/100000"},
        {"BM_TickNoNewLinesQuiet/1000", "BM_TickBaseline/1000"},
        {"BM_TickNoNewLinesQuiet/10000", "BM_TickBaseline/10000"},
        {"BM_TickNoNewLinesQuiet/100000", "BM_TickBaseline/100000"},
        {"BM_TickAllLinesNew/1000", "BM_TickBaseline/1000"},
        {"BM_TickAllLinesNew/10000", "BM_TickBaseline/10000"},
        {"BM_TickAllLinesNew/100000", "BM_TickBaseline/100000"},
        {"BM_SettingsRead/0", "BM_SettingsReadBaseline"},
        {"BM_SettingsRead/1", "BM_SettingsReadBaseline"},
        {"BM_SettingsUpdate", "BM_SettingsUpdateBaseline/0"},
        {"BM_RemoveEntry", "BM_RemoveEntryBaseline/0"},
    };
    return baselines;
}

void printTable(const MeanSeconds& seconds) {
    const auto at = [&](const std::string& name) {
        const auto found = seconds.find(name);
        return found == seconds.end() ? 0.0 : found->second * 1e3;
    };
    const auto ratio = [](double value, double base) { return base > 0 ? value / base : 0.0; };
    std::printf("\nOne tick, wall ms (ratio to the baseline)\n");
    std::printf(
        "all new, threats only: the first tick over a fresh agent's files; it takes at most\n"
        "%zu threats, so of 100000 the rest wait for the next tick. Devices: five popovers\n"
        "open and the other devices wait in their file, which every tick then reads again,\n"
        "in the no-new columns too.\n",
        ReportFeed::kMaxLinesPerTick);
    std::printf("%-8s %10s %20s %20s %20s %20s %14s\n", "lines", "baseline", "no new, touched",
                "no new, rewritten", "no new, quiet", "all new", "threats only");
    for (const char* lines : {"1000", "10000", "100000"}) {
        const std::string suffix = std::string("/") + lines;
        const double base = at("BM_TickBaseline" + suffix);
        const double touched = at("BM_TickNoNewLinesTouched" + suffix);
        const double rewritten = at("BM_TickNoNewLinesRewritten" + suffix);
        const double quiet = at("BM_TickNoNewLinesQuiet" + suffix);
        const double all = at("BM_TickAllLinesNew" + suffix);
        const double threats = at("BM_TickAllThreatsNew" + suffix);
        std::printf(
            "%-8s %10.4f %10.4f (%6.2fx) %10.4f (%6.2fx) %10.4f (%6.3fx) %10.1f (%6.0fx) "
            "%14.1f\n",
            lines, base, touched, ratio(touched, base), rewritten, ratio(rewritten, base), quiet,
            ratio(quiet, base), all, ratio(all, base), threats);
    }
    std::printf("\n%-34s %14s %14s %10s\n", "operation, wall ms", "baseline", "agent", "ratio");
    const auto row = [&](const char* label, const std::string& baseline,
                         const std::string& measured) {
        const double base = at(baseline);
        const double value = at(measured);
        std::printf("%-34s %14.4f %14.4f %10.2f\n", label, base, value, ratio(value, base));
    };
    row("settings read, file changed", "BM_SettingsReadBaseline", "BM_SettingsRead/0");
    row("settings read, file quiet", "BM_SettingsReadBaseline", "BM_SettingsRead/1");
    row("settings update", "BM_SettingsUpdateBaseline/0", "BM_SettingsUpdate");
    row("settings update (baseline fsync)", "BM_SettingsUpdateBaseline/1", "BM_SettingsUpdate");
    row("remove 1 of 100k lines", "BM_RemoveEntryBaseline/0", "BM_RemoveEntry");
    row("remove 1 of 100k (baseline fsync)", "BM_RemoveEntryBaseline/1", "BM_RemoveEntry");
}

}  // namespace

// Wall-clock time throughout: file work waits on the kernel and the disk as much as it computes.
// The median of five repetitions, so that one slow moment of a shared machine does not make a
// ratio; the ticks that take every line in are too slow to repeat. Baselines are registered
// first so that each ratio can be taken as soon as its run ends.
#define HELPER_REPEATED(benchmark_, unit_) \
    BENCHMARK(benchmark_)->Unit(unit_)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true)

HELPER_REPEATED(BM_TickBaseline, benchmark::kMillisecond)->Arg(1000)->Arg(10000)->Arg(100000);
HELPER_REPEATED(BM_TickNoNewLinesTouched, benchmark::kMillisecond)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000);
HELPER_REPEATED(BM_TickNoNewLinesRewritten, benchmark::kMillisecond)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000);
HELPER_REPEATED(BM_TickNoNewLinesQuiet, benchmark::kMillisecond)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000);
BENCHMARK(BM_TickAllLinesNew)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_TickAllThreatsNew)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
HELPER_REPEATED(BM_SettingsReadBaseline, benchmark::kMicrosecond);
HELPER_REPEATED(BM_SettingsRead, benchmark::kMicrosecond)->Arg(0)->Arg(1);
HELPER_REPEATED(BM_SettingsUpdateBaseline, benchmark::kMicrosecond)->Arg(0)->Arg(1);
HELPER_REPEATED(BM_SettingsUpdate, benchmark::kMicrosecond);
HELPER_REPEATED(BM_RemoveEntryBaseline, benchmark::kMillisecond)->Arg(0)->Arg(1);
HELPER_REPEATED(BM_RemoveEntry, benchmark::kMillisecond);

int main(int argc, char** argv) {
    const auto baseline = [](const std::string& name) {
        const auto found = baselineOf().find(name);
        return found == baselineOf().end() ? std::string() : found->second;
    };
    return runWithRatios(argc, argv, baseline, printTable);
}
