#pragma once

// The console output of the Google Benchmark runs with each run's ratio to its baseline as a
// counter, and a table printed from the same figures once all runs are done.

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

// Mean seconds per iteration of every finished run, by name ("BM_Tick/1000").
using MeanSeconds = std::map<std::string, double>;

class RatioReporter final : public benchmark::ConsoleReporter {
public:
    // The name of the run a run is compared with; empty for none.
    using BaselineOf = std::function<std::string(const std::string& name)>;

    explicit RatioReporter(BaselineOf baselineOf)
        // Colour only on a terminal: a log full of escape codes is hard to read.
        : ConsoleReporter(::isatty(STDOUT_FILENO) != 0 ? OO_Defaults : OO_Tabular),
          m_baselineOf(std::move(baselineOf)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        std::vector<Run> annotated = runs;
        for (auto& run : annotated) {
            // Repeated benchmarks report their median; single runs report themselves.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if ((run.run_type != Run::RT_Iteration && !median) || run.error_occurred) {
                continue;
            }
            const std::string name = run.run_name.function_name +
                                     (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
            const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
            m_meanSeconds[name] = seconds;
            const auto baseline = m_meanSeconds.find(m_baselineOf(name));
            if (baseline != m_meanSeconds.end() && baseline->first != name) {
                run.counters["ratio"] = benchmark::Counter(seconds / baseline->second);
            }
        }
        ConsoleReporter::ReportRuns(annotated);
    }

    const MeanSeconds& meanSeconds() const { return m_meanSeconds; }

private:
    BaselineOf m_baselineOf;
    MeanSeconds m_meanSeconds;
};

// Runs the benchmarks the command line selects (baselines registered first, so that each ratio
// can be taken as soon as its run ends), then prints the table.
inline int runWithRatios(int argc, char** argv, RatioReporter::BaselineOf baselineOf,
                         const std::function<void(const MeanSeconds&)>& printTable) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter(std::move(baselineOf));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printTable(reporter.meanSeconds());
    benchmark::Shutdown();
    return 0;
}
