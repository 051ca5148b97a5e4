// Cost of reading and updating settings.json of 1 KB to 10 MB against a plain validating pass
// over the same bytes, the least any reader does. Every figure that matters is a ratio to that
// baseline measured in the same run: see the "ratio" counters and the table printed at the end.

#include "control/settingsjson.h"
#include "ratioreporter.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kSizes[] = {1'000, 10'000, 100'000, 1'000'000, 10'000'000};

// A settings object of about `size` bytes: the switches first, then members like
// "member12345": 12345. Made once per size.
const std::string& settingsOfSize(std::int64_t size) {
    static std::map<std::int64_t, std::string> files;
    std::string& text = files[size];
    if (text.empty()) {
        text = R"({"realTimeProtection": true, "usbProtection": false)";
        for (int i = 0; static_cast<std::int64_t>(text.size()) < size - 1; ++i) {
            text += ", \"member" + std::to_string(i) + "\": " + std::to_string(i);
        }
        text += '}';
    }
    return text;
}

void BM_Accept(benchmark::State& state) {
    const std::string& bytes = settingsOfSize(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(nlohmann::json::accept(bytes));
    }
}

void BM_ReadSwitches(benchmark::State& state) {
    const std::string& bytes = settingsOfSize(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(SettingsJson::readSwitches(bytes));
    }
}

void BM_WithSwitch(benchmark::State& state) {
    const std::string& bytes = settingsOfSize(state.range(0));
    bool value = false;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SettingsJson::withSwitch(bytes, "usbProtection", value));
        value = !value;
    }
}

void printTable(const MeanSeconds& seconds) {
    const auto at = [&](const std::string& name) {
        const auto found = seconds.find(name);
        return found == seconds.end() ? 0.0 : found->second * 1e3;
    };
    const auto ratio = [](double value, double base) { return base > 0 ? value / base : 0.0; };
    std::printf("\nsettings.json, wall ms (ratio to the baseline)\n");
    std::printf("%-10s %12s %22s %22s\n", "bytes", "baseline", "read switches", "update");
    for (const std::int64_t size : kSizes) {
        const std::string suffix = "/" + std::to_string(size);
        const double base = at("BM_Accept" + suffix);
        const double read = at("BM_ReadSwitches" + suffix);
        const double update = at("BM_WithSwitch" + suffix);
        std::printf("%-10lld %12.4f %12.4f (%6.2fx) %12.4f (%6.2fx)\n",
                    static_cast<long long>(size), base, read, ratio(read, base), update,
                    ratio(update, base));
    }
}

void everySize(benchmark::internal::Benchmark* run) {
    for (const std::int64_t size : kSizes) {
        run->Arg(size);
    }
}

}  // namespace

// The median of five repetitions, so that one slow moment of a shared machine does not make a
// ratio. The baseline is registered first so that each ratio can be taken as soon as its run
// ends.
#define HELPER_REPEATED(benchmark_)     \
    BENCHMARK(benchmark_)               \
        ->Unit(benchmark::kMillisecond) \
        ->UseRealTime()                 \
        ->Repetitions(5)                \
        ->ReportAggregatesOnly(true)    \
        ->Apply(everySize)

HELPER_REPEATED(BM_Accept);
HELPER_REPEATED(BM_ReadSwitches);
HELPER_REPEATED(BM_WithSwitch);

int main(int argc, char** argv) {
    // Every size is compared with the validating pass over the same bytes.
    return runWithRatios(
        argc, argv,
        [](const std::string& name) { return "BM_Accept" + name.substr(name.find('/')); },
        printTable);
}
