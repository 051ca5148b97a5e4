// A flood of two million threat lines taken in by a real manager on fakes, one virtual second at
// a time: ticks until every line is a record, the longest tick, and the process's peak memory
// against what it held just before the agent started. A plain read and split of the same file
// is the time baseline for one tick; the steps of a tick are then timed one by one on the same
// file. Exits non-zero when a record is missing, duplicated or out of order, or when the report
// file was rewritten.
//
// Usage: flood_bench [lines]   (default 2000000)

#include "agent/reportfeed.h"
#include "agent/reporttext.h"
#include "agent/threatqueue.h"
#include "control/productlocations.h"
#include "fakes/fakeagent.h"
#include "readandsplit.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// More virtual seconds than this without every line admitted is a failure, not a slow run.
constexpr int kMaxTicks = 1000;

double millisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of this thread: on a busy machine wall time also counts the waits for a core.
double cpuMillis() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double medianOf(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double maxOf(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

// "/f/0000042": the location of record 42.
std::string location(int index) {
    char line[16];
    std::snprintf(line, sizeof line, "/f/%07d", index);
    return line;
}

// The report file, written a megabyte at a time so that making it leaves no mark on the peak.
void writeFlood(const std::filesystem::path& file, int lines) {
    std::filesystem::create_directories(file.parent_path());
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::perror("open");
        std::exit(2);
    }
    std::string chunk;
    const auto flush = [&] {
        std::string_view rest = chunk;
        while (!rest.empty()) {
            const ssize_t count = ::write(fd, rest.data(), rest.size());
            if (count <= 0) {
                std::perror("write");
                std::exit(2);
            }
            rest.remove_prefix(static_cast<size_t>(count));
        }
        chunk.clear();
    };
    for (int i = 0; i < lines; ++i) {
        chunk += location(i);
        chunk += '\n';
        if (chunk.size() >= 1024 * 1024) {
            flush();
        }
    }
    flush();
    ::close(fd);
}

struct Memory {
    long rssKb = 0;
    long hwmKb = 0;
    long maxRssKb = 0;  // getrusage
};

Memory memoryNow() {
    Memory memory;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            memory.rssKb = std::atol(line.c_str() + 6);
        } else if (line.starts_with("VmHWM:")) {
            memory.hwmKb = std::atol(line.c_str() + 6);
        }
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    memory.maxRssKb = usage.ru_maxrss;
    return memory;
}

// What the allocator holds: in use, freed but kept from the system, and mapped on its own.
void printAllocator(const char* when, const struct mallinfo2& info) {
    std::printf(
        "allocator %s: in use %.1f MB, free but held %.1f MB (releasable at the top "
        "%.1f MB), mapped blocks %.1f MB\n",
        when, static_cast<double>(info.uordblks + info.hblkhd) / 1048576.0,
        static_cast<double>(info.fordblks) / 1048576.0,
        static_cast<double>(info.keepcost) / 1048576.0,
        static_cast<double>(info.hblkhd) / 1048576.0);
}

struct StepCost {
    double wallMs = 0;
    double cpuMs = 0;
    long minorFaults = 0;

    bool operator<(const StepCost& other) const { return wallMs < other.wallMs; }
};

long minorFaults() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// The run of median wall time of three runs of `step`.
template <typename Step>
StepCost timed(Step step) {
    std::vector<StepCost> runs;
    for (int run = 0; run < 3; ++run) {
        const long faultsBefore = minorFaults();
        const auto started = Clock::now();
        const double cpuStarted = cpuMillis();
        step();
        const double cpu = cpuMillis() - cpuStarted;
        runs.push_back({millisSince(started), cpu, minorFaults() - faultsBefore});
    }
    std::sort(runs.begin(), runs.end());
    return runs[1];
}

// Where a tick's time goes, step by step, on the product's own functions and the same file:
// every tick reads, decodes and walks the whole file while lines wait in it.
void printStages(FakeAgent& agent, const std::filesystem::path& report, int lines) {
    const ThreatQueue& threats = agent.manager->detectedThreats();
    std::string bytes;
    const auto read = timed([&] { bytes = std::get<std::string>(agent.files->read(report)); });
    // The floor under that step: one read into a string of the file's size.
    const auto readOnce = timed([&] { readWhole(report); });
    std::optional<std::string> text;
    std::vector<std::string> copies(3, bytes);
    const auto decode = timed([&] {
        text = ReportText::decode(std::move(copies.back()));
        copies.pop_back();
    });
    std::size_t entries = 0;
    const auto split = timed([&] {
        entries = 0;
        ReportText::forEachEntry(*text, [&](std::string_view) { ++entries; });
    });
    std::size_t handled = 0;
    const auto walk = timed([&] {
        handled = 0;
        ReportText::forEachEntry(
            *text, [&](std::string_view entry) { handled += threats.isHandled(entry) ? 1 : 0; });
    });
    // Admission: a queue of its own filled ReportFeed::kMaxLinesPerTick lines at a time, as the
    // posted hand-over does after each read.
    std::vector<double> batchMs;
    {
        ThreatQueue queue;
        std::vector<std::string> batch;
        const auto perTick = static_cast<int>(ReportFeed::kMaxLinesPerTick);
        for (int first = 0; first < lines; first += perTick) {
            batch.clear();
            for (int i = first; i < std::min(lines, first + perTick); ++i) {
                batch.push_back(location(i));
            }
            const auto started = Clock::now();
            for (const auto& line : batch) {
                if (!queue.isHandled(line)) {
                    queue.handle(line);
                }
            }
            batchMs.push_back(millisSince(started));
        }
    }
    std::printf(
        "\nwhere a tick's time goes (wall ms / CPU ms / minor page faults, median of 3, "
        "%d-line file):\n",
        lines);
    const auto row = [](const char* step, const StepCost& cost) {
        std::printf("  %-58s %7.1f %7.1f %7ld\n", step, cost.wallMs, cost.cpuMs, cost.minorFaults);
    };
    row("read the file (FileSystem::read)", read);
    row("  for comparison: one read into a string of the file's size", readOnce);
    row("decode and validate as UTF-8 (ReportText::decode)", decode);
    row(("cut into " + std::to_string(entries) + " entries (ReportText::forEachEntry)").c_str(),
        split);
    row(("cut and look each up, " + std::to_string(handled) + " queued (isHandled)").c_str(), walk);
    const auto slowest = static_cast<std::size_t>(std::max_element(batchMs.begin(), batchMs.end()) -
                                                  batchMs.begin());
    std::printf(
        "  admit %zu lines at a time into a queue of its own (isHandled + handle), wall "
        "ms:\n    median %.1f; slowest %.1f, the batch that takes the queue from %zu to "
        "%zu lines\n",
        ReportFeed::kMaxLinesPerTick, medianOf(batchMs), maxOf(batchMs),
        slowest * ReportFeed::kMaxLinesPerTick,
        std::min<std::size_t>(lines, (slowest + 1) * ReportFeed::kMaxLinesPerTick));
}

// Starts VmHWM again from the current RSS; ru_maxrss cannot be reset.
bool resetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileState& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

FileState fileState(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        return {};
    }
    return {info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

double mb(long kb) {
    return static_cast<double>(kb) / 1024.0;
}

const char* met(bool yes) {
    return yes ? "yes" : "NO";
}

}  // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 2'000'000;
    if (lines <= 0) {
        std::fprintf(stderr, "usage: flood_bench [lines]\n");
        return 2;
    }

    // No settings file: USB protection is off, so only the threat feed works.
    FakeAgent agent;
    const auto report = agent.dataFile(ProductLocations::kThreatReportFile);
    writeFlood(report, lines);
    const FileState written = fileState(report);
    const bool peakReset = resetPeak();
    const Memory before = memoryNow();

    const auto started = Clock::now();
    agent.start();
    const double startMs = millisSince(started);
    const ThreatQueue& threats = agent.manager->detectedThreats();
    std::vector<double> tickMs;
    std::vector<double> tickCpuMs;
    std::vector<std::size_t> admitted;
    while (threats.size() < static_cast<std::size_t>(lines) &&
           static_cast<int>(tickMs.size()) < kMaxTicks) {
        const auto tickStarted = Clock::now();
        const double cpuStarted = cpuMillis();
        agent.runLoop.advance(1.0);
        tickCpuMs.push_back(cpuMillis() - cpuStarted);
        tickMs.push_back(millisSince(tickStarted));
        admitted.push_back(threats.size());
    }
    const double totalMs = millisSince(started);
    const Memory peak = memoryNow();
    const struct mallinfo2 allocator = ::mallinfo2();

    // One more tick with everything admitted: what the agent costs from then on.
    const auto settledStarted = Clock::now();
    agent.runLoop.advance(1.0);
    const double afterMs = millisSince(settledStarted);

    // Every record, in file order, exactly once.
    bool recordsRight = threats.size() == static_cast<std::size_t>(lines);
    std::size_t firstWrong = 0;
    for (std::size_t i = 0; recordsRight && i < threats.size(); ++i) {
        if (threats.at(i).location != location(static_cast<int>(i))) {
            recordsRight = false;
            firstWrong = i;
        }
    }
    const bool fileKept = fileState(report) == written;

    // The time baseline, after the agent so that it leaves the peak alone.
    std::vector<double> baselineMs;
    std::vector<double> baselineCpuMs;
    std::size_t baselineLines = 0;
    for (int run = 0; run < 5; ++run) {
        const auto readStarted = Clock::now();
        const double cpuStarted = cpuMillis();
        const auto split = readAndSplit(report);
        baselineCpuMs.push_back(cpuMillis() - cpuStarted);
        baselineMs.push_back(millisSince(readStarted));
        baselineLines = split.size();
    }
    const double baseline = medianOf(baselineMs);
    const double baselineCpu = medianOf(baselineCpuMs);

    const double longest = maxOf(tickMs);
    const double median = medianOf(tickMs);
    const double longestCpu = maxOf(tickCpuMs);
    const double medianCpu = medianOf(tickCpuMs);
    const auto longestAt =
        static_cast<std::size_t>(std::max_element(tickMs.begin(), tickMs.end()) - tickMs.begin());

    std::printf("flood: %d lines, %lld bytes, USB protection off, %zu lines per tick at most\n",
                lines, static_cast<long long>(written.size), ReportFeed::kMaxLinesPerTick);
    std::printf("per tick (advance(1.0)): wall ms, CPU ms, threats admitted after it\n");
    for (std::size_t i = 0; i < tickMs.size(); ++i) {
        std::printf("  tick %3zu %8.1f %8.1f %9zu\n", i + 1, tickMs[i], tickCpuMs[i], admitted[i]);
    }
    std::printf("\n| Figure | Agent | Baseline | Ratio | Target | Met |\n");
    std::printf("|---|---:|---:|---:|---:|:-:|\n");
    std::printf("| Virtual seconds (ticks) until all admitted | %zu | | | | |\n", tickMs.size());
    std::printf("| Wall time, start to all admitted (ms) | %.0f | | | | |\n", totalMs);
    std::printf("| Manager construction (ms) | %.1f | | | | |\n", startMs);
    const double longestTurnCpu = agent.runLoop.longestTurnCpuSeconds() * 1e3;
    std::printf(
        "| Longest event-loop turn, CPU (ms) | %.1f | %.1f (read + split, CPU) | %.2f | <= 100 "
        "| %s |\n",
        longestTurnCpu, baselineCpu, longestTurnCpu / baselineCpu, met(longestTurnCpu <= 100.0));
    std::printf(
        "| Longest tick with its queued turns (ms; tick %zu) | %.1f | %.1f (read + split) "
        "| %.2f | | |\n",
        longestAt + 1, longest, baseline, longest / baseline);
    std::printf("| Median tick (ms) | %.1f | %.1f (read + split) | %.2f | | |\n", median, baseline,
                median / baseline);
    std::printf("| Longest tick, CPU (ms) | %.1f | %.1f (read + split, CPU) | %.2f | | |\n",
                longestCpu, baselineCpu, longestCpu / baselineCpu);
    std::printf("| Median tick, CPU (ms) | %.1f | %.1f (read + split, CPU) | %.2f | | |\n",
                medianCpu, baselineCpu, medianCpu / baselineCpu);
    std::printf("| Tick after all admitted (ms) | %.2f | %.1f (read + split) | %.3f | | |\n",
                afterMs, baseline, afterMs / baseline);
    std::printf(
        "| Peak RSS, VmHWM (MB) | %.1f | %.1f (VmRSS before start) | +%.1f | < 150 | %s |\n",
        mb(peak.hwmKb), mb(before.rssKb), mb(peak.hwmKb - before.rssKb),
        met(mb(peak.hwmKb) < 150.0));
    std::printf(
        "| Peak RSS, ru_maxrss (MB) | %.1f | %.1f (ru_maxrss before start) | +%.1f | < 150 "
        "| %s |\n",
        mb(peak.maxRssKb), mb(before.maxRssKb), mb(peak.maxRssKb - before.maxRssKb),
        met(mb(peak.maxRssKb) < 150.0));
    std::printf("| RSS with all admitted, VmRSS (MB) | %.1f | %.1f | +%.1f | | |\n", mb(peak.rssKb),
                mb(before.rssKb), mb(peak.rssKb - before.rssKb));
    std::printf("\nbefore start: VmRSS %.1f MB, VmHWM %.1f MB%s, ru_maxrss %.1f MB\n",
                mb(before.rssKb), mb(before.hwmKb), peakReset ? " (reset)" : " (not reset)",
                mb(before.maxRssKb));
    printAllocator("with all admitted", allocator);
    std::printf("read + split baseline: %zu lines; runs, wall/CPU ms:", baselineLines);
    for (std::size_t run = 0; run < baselineMs.size(); ++run) {
        std::printf(" %.1f/%.1f", baselineMs[run], baselineCpuMs[run]);
    }
    std::printf("\n");
    if (recordsRight) {
        std::printf("records: all %d in file order, each once: yes\n", lines);
    } else {
        std::printf("records: NO (%zu records; first wrong at %zu)\n", threats.size(), firstWrong);
    }
    std::printf("report file left as written (device, inode, size, times): %s\n", met(fileKept));
    printStages(agent, report, lines);
    return recordsRight && fileKept ? 0 : 1;
}
