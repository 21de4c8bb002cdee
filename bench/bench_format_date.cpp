// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro benchmark: the date formatter's hot path and local time conversion, in ns per call.
#include "output/DateTime.h"
#include "output/FormatDate.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kFiveYears = std::int64_t{5} * 365 * 86400;
constexpr std::int64_t kRecent = 1709647629; // March 2024

// Time stamps spread evenly over five years: nearly every one falls in a quarter hour of its own.
std::vector<std::int64_t> scatteredTimes()
{
    std::mt19937_64 random(1);
    std::uniform_int_distribution<std::int64_t> spread(kRecent - kFiveYears, kRecent);
    std::vector<std::int64_t> times(4096);
    for (auto& t : times)
        t = spread(random);
    return times;
}

// Time stamps as a real tree has them: files written together (an unpacked archive, a build) share
// a few minutes; a few dozen such moments over five years.
std::vector<std::int64_t> clusteredTimes()
{
    std::mt19937_64 random(2);
    std::uniform_int_distribution<std::int64_t> moment(kRecent - kFiveYears, kRecent);
    std::uniform_int_distribution<std::int64_t> jitter(0, 600);
    std::vector<std::int64_t> moments(48);
    for (auto& m : moments)
        m = moment(random);
    std::uniform_int_distribution<std::size_t> pick(0, moments.size() - 1);
    std::vector<std::int64_t> times(4096);
    for (auto& t : times)
        t = moments[pick(random)] + jitter(random);
    return times;
}

// A compiled pattern formatting scattered time stamps: the hot path of the list and the companion.
void BM_DatePatternAppendTo(benchmark::State& state, const char* patternText)
{
    const dirlix::DatePattern pattern(patternText);
    std::vector<dirlix::DateTime> stamps;
    for (const std::int64_t t : scatteredTimes())
        stamps.push_back(dirlix::civilFromUnix(t));
    std::string out;
    out.reserve(64);
    std::size_t i = 0;
    for (auto _ : state) {
        out.clear();
        pattern.appendTo(out, stamps[i++ & 4095]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK_CAPTURE(BM_DatePatternAppendTo, Default, "dd/mm/yy HH:MM:SS");
BENCHMARK_CAPTURE(BM_DatePatternAppendTo, Names, "dddd, d mmmm yyyy h:nn am/pm");

// For comparison: reading the pattern on every call, as a one-off FormatDate does.
void BM_FormatDateOneOff(benchmark::State& state)
{
    const dirlix::DateTime when = dirlix::civilFromUnix(kRecent);
    for (auto _ : state)
        benchmark::DoNotOptimize(dirlix::FormatDate(when, "dd/mm/yy HH:MM:SS"));
}
BENCHMARK(BM_FormatDateOneOff);

void BM_LocalFromUnixClustered(benchmark::State& state)
{
    const std::vector<std::int64_t> times = clusteredTimes();
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(dirlix::localFromUnix(times[i++ & 4095]));
}
BENCHMARK(BM_LocalFromUnixClustered)->Threads(1)->Threads(2);

void BM_LocalFromUnixScattered(benchmark::State& state)
{
    const std::vector<std::int64_t> times = scatteredTimes();
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(dirlix::localFromUnix(times[i++ & 4095]));
}
BENCHMARK(BM_LocalFromUnixScattered);

// The C library alone, the cost of a cache miss's two calls.
void BM_LocaltimeR(benchmark::State& state)
{
    const std::vector<std::int64_t> times = scatteredTimes();
    std::size_t i = 0;
    std::tm parts{};
    for (auto _ : state) {
        const std::time_t when = static_cast<std::time_t>(times[i++ & 4095]);
        benchmark::DoNotOptimize(localtime_r(&when, &parts));
    }
}
BENCHMARK(BM_LocaltimeR)->Threads(1)->Threads(2);

} // namespace

int main(int argc, char** argv)
{
    // Local time is only worth timing in a zone with daylight saving.
    if (std::getenv("TZ") == nullptr) {
        setenv("TZ", "Europe/London", 1);
        tzset();
    }
    std::printf("Time zone: %s. Time per iteration is ns per call.\n", std::getenv("TZ"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
