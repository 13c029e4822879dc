// quorvantelmix_bench.cpp - what a run costs: the boundary scan, the lanes of each unit, the
// results file, the report page, both files, and the whole program from start to exit.
//
// Run `build/bench/quorvantelmix_bench`. The "per_spin" column is the time per spin of a run
// (7.5 million spins, about); "Program" is the real executable, started in a directory that
// holds the default settings file, timed from start to exit.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "exact/counter.h"
#include "exact/exact.h"
#include "exact/exact_figures.h"
#include "exact/plan.h"
#include "page/page.h"
#include "platform/text_io.h"
#include "rules/random_source.h"
#include "rules/trial.h"
#include "run/run.h"
#include "sample/sample_figures.h"
#include "settings_file/settings_reader.h"
#include "simulation/results_file.h"
#include "simulation/trial_lanes.h"

extern char** environ;

namespace {

// The default settings, which every benchmark runs with.
const Settings default_settings{240, 260.0f, 7};

// Reports, in the counter `name`, the time per item, given the items of one iteration.
void time_per(benchmark::State& state, const char* name, double items_per_iteration) {
    state.counters[name] =
        benchmark::Counter(items_per_iteration, benchmark::Counter::kIsIterationInvariantRate |
                                                    benchmark::Counter::kInvert);
}

// Reports the time per spin, given the spins played in one iteration.
void time_per_spin(benchmark::State& state, double spins_per_iteration) {
    time_per(state, "per_spin", spins_per_iteration);
}

// The boundary scan: where the 1000 trials of a run lie, from the draws that can end them.
void Boundaries(benchmark::State& state) {
    const TrialRules rules = trial_rules(default_settings);
    const auto boundaries = std::make_unique<TrialBoundary[]>(trials_per_run);
    for (auto _ : state) {
        find_trial_boundaries(12345, rules.hit_threshold, boundaries.get(), trials_per_run);
        benchmark::DoNotOptimize(boundaries.get());
    }
}
BENCHMARK(Boundaries)->Unit(benchmark::kMillisecond);

// The 1000 trials of a run in lanes of one vector unit (0: SSE2, 1: AVX2, 2: AVX-512), their
// boundaries found beforehand, nothing written.
void Lanes(benchmark::State& state) {
    const auto unit = static_cast<LaneUnit>(state.range(0));
    if (!lane_unit_available(detect_lane_units(), unit)) {
        state.SkipWithError("this processor lacks the unit");
        return;
    }
    const TrialRules rules = trial_rules(default_settings);
    const auto boundaries = std::make_unique<TrialBoundary[]>(trials_per_run);
    find_trial_boundaries(12345, rules.hit_threshold, boundaries.get(), trials_per_run);
    const std::int32_t group_size = lane_engine(unit).lanes;
    const auto group = std::make_unique<TrialResult[]>(static_cast<std::size_t>(group_size));
    std::int64_t spins = 0;
    for (std::int32_t i = 0; i < trials_per_run; ++i)
        spins += boundaries[static_cast<std::size_t>(i)].draws;
    for (auto _ : state) {
        for (std::int32_t first = 0; first < trials_per_run; first += group_size) {
            const std::int32_t count = std::min(group_size, trials_per_run - first);
            play_trials_in_lanes(rules, unit, &boundaries[static_cast<std::size_t>(first)], count,
                                 group.get());
        }
        benchmark::DoNotOptimize(group.get());
    }
    state.counters["lanes"] = group_size;
    time_per_spin(state, static_cast<double>(spins));
}
BENCHMARK(Lanes)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// The settings the exact figures are timed at: the defaults, the corners of Y (the most and the
// fewest purchases) and of X, and the exchange rates with the most classes of purchase counts.
constexpr Settings exact_table[] = {
    {240, 260.0f, 7}, {1000, 120.0f, 5}, {100, 720.0f, 10}, {100, 120.0f, 10},
    {240, 120.0f, 7}, {500, 180.0f, 9},  {1000, 720.0f, 5}, {100, 120.0f, 6},
};

// Names a benchmark of the exact figures after its settings, X/Y/Z.
void label_settings(benchmark::State& state, const Settings& settings) {
    state.SetLabel(std::to_string(settings.X) + "/" + std::to_string(static_cast<int>(settings.Y)) +
                   "/" + std::to_string(settings.Z));
}

// The exact distribution of one trial for every X, at the table's settings: "terms" is the
// products summed and the rows' changes kept, per second.
void ExactDistribution(benchmark::State& state) {
    const Settings& settings = exact_table[state.range(0)];
    const ExactRules rules = exact_rules(trial_rules(settings));
    const auto outcome = std::make_unique<ExactOutcome>();
    for (auto _ : state) {
        exact_outcome(rules, outcome.get());
        benchmark::DoNotOptimize(outcome->spins_mean);
    }
    state.counters["terms"] = benchmark::Counter(static_cast<double>(outcome->terms),
                                                 benchmark::Counter::kIsIterationInvariantRate);
    label_settings(state, settings);
}
BENCHMARK(ExactDistribution)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

// Every exact figure of a day on the report page at the table's settings (`ExactFigures`): the
// distribution, the means at the curve's odds and the close view's, and the two break-even
// searches; and with the plans (`ExactFiguresWithPlans`): the other exchange rates, the visits,
// the budgets and targets and the profit of leaving early, every exact figure of the page.
void exact_figures_at(benchmark::State& state, ExactScope scope) {
    const Settings& settings = exact_table[state.range(0)];
    const TrialRules rules = trial_rules(settings);
    const auto figures = std::make_unique<::ExactFigures>();
    const LaneUnit unit = widest_lane_unit(detect_lane_units());  // as a run takes it
    for (auto _ : state) {
        compute_exact_figures(rules, settings.X, figures.get(), scope, nullptr, unit);
        benchmark::DoNotOptimize(figures->profit_mean);
    }
    label_settings(state, settings);
}
void ExactFigures(benchmark::State& state) {
    exact_figures_at(state, ExactScope::day);
}
void ExactFiguresWithPlans(benchmark::State& state) {
    exact_figures_at(state, ExactScope::day_and_plans);
}
// The least of the repetitions beside their median: this machine's neighbours slow some runs by
// as much as half again, and the least is the work alone.
double least_of(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}
BENCHMARK(ExactFigures)
    ->DenseRange(0, 7)
    ->ComputeStatistics("min", least_of)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ExactFiguresWithPlans)
    ->DenseRange(0, 7)
    ->ComputeStatistics("min", least_of)
    ->Unit(benchmark::kMillisecond);

// What a data counter's reading says of the defaults' machine, from a day already worked out:
// the posterior of T, the means at each T it keeps, its odds and the chance to beat break-even,
// how usual the reading is. At 4000 spins with 14 bonuses (the page's example), at no spins at
// all (every T of the range kept, the most means), and at 100,000,000 spins; and the spins it
// takes to tell, which every page works out.
void CounterFigures(benchmark::State& state) {
    const std::int64_t readings[][2] = {{4000, 14}, {0, 0}, {100000000, 418000}};
    const Settings settings{240, 260.0f, 7};
    const ExactRules rules = exact_rules(trial_rules(settings));
    const auto outcome = std::make_unique<ExactOutcome>();
    exact_outcome(rules, outcome.get());
    CounterReading reading;
    reading.status = CounterStatus::valid;
    reading.spins = readings[state.range(0)][0];
    reading.bonuses = readings[state.range(0)][1];
    ::CounterFigures figures;
    for (auto _ : state) {
        compute_counter_figures(*outcome, reading, rules.hit_threshold, 248, &figures);
        benchmark::DoNotOptimize(figures.profit_mean);
    }
    state.SetLabel("N=" + std::to_string(reading.spins) + " k=" + std::to_string(reading.bonuses));
}
BENCHMARK(CounterFigures)
    ->DenseRange(0, 2)
    ->ComputeStatistics("min", least_of)
    ->Unit(benchmark::kMillisecond);
void SpinsToTell(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(spins_to_tell(32767 / 240, 32767 / 248));
}
BENCHMARK(SpinsToTell)->ComputeStatistics("min", least_of)->Unit(benchmark::kMillisecond);

// The plans within a day alone at the table's settings: a pass to each target of the table, the
// profit of leaving after every 100th spin with the first. "terms" is the multiply-adds of the
// passes' stretches (each a row's probability times a term of the binomial walk), per second.
void PlanPasses(benchmark::State& state) {
    const Settings& settings = exact_table[state.range(0)];
    const ExactRules rules = exact_rules(trial_rules(settings));
    std::vector<PlanPass> passes;
    const LaneUnit unit = widest_lane_unit(detect_lane_units());  // as a run takes it
    for (auto _ : state) {
        plan_passes(rules, plan_targets, std::size(plan_targets), plan_spin_step, &passes, unit);
        benchmark::DoNotOptimize(passes.front().ended.data());
    }
    std::int64_t terms = 0;
    for (const PlanPass& pass : passes)
        terms += pass.terms;
    state.counters["terms"] = benchmark::Counter(static_cast<double>(terms),
                                                 benchmark::Counter::kIsIterationInvariantRate);
    label_settings(state, settings);
}
BENCHMARK(PlanPasses)
    ->DenseRange(0, 7)
    ->ComputeStatistics("min", least_of)
    ->Unit(benchmark::kMillisecond);

// Writes the results file of a run into the current directory as the program does, filling
// `record`; false when the file could not be written.
bool write_results_file(RunRecord* record) {
    std::FILE* results = create_file("Quorvantelmix.txt");
    if (results == nullptr) return false;
    char buffer[64 * 1024];
    std::setvbuf(results, buffer, _IOFBF, sizeof buffer);
    write_results(results, 12345, default_settings, widest_lane_unit(detect_lane_units()), record);
    return close_stream(results);
}

// Makes a scratch directory and works in it until the returned directory is left again.
std::string enter_scratch_directory() {
    char directory[] = "/tmp/quorvantelmix-bench-XXXXXX";
    if (mkdtemp(directory) == nullptr || chdir(directory) != 0) return "";
    return directory;
}

// Leaves and removes a directory made by enter_scratch_directory.
void leave_scratch_directory(const std::string& directory) {
    std::remove("Quorvantelmix.ini");
    std::remove("Quorvantelmix.txt");
    std::remove("Quorvantelmix.html");
    if (chdir("/") == 0) rmdir(directory.c_str());
}

// The whole results file of a run, formatted and written to a file on disk: the arithmetic and
// its formatting, without the process around them.
void ResultsFile(benchmark::State& state) {
    const std::string directory = enter_scratch_directory();
    const auto record = std::make_unique<RunRecord>();
    for (auto _ : state) {
        if (directory.empty() || !write_results_file(record.get())) {
            state.SkipWithError("the results file could not be written");
            break;
        }
    }
    leave_scratch_directory(directory);
    time_per_spin(state, 7.5e6);
}
BENCHMARK(ResultsFile)->Unit(benchmark::kMillisecond);

// The report page of a run from the record of its trials: the statistics and the page's text.
void ReportPage(benchmark::State& state) {
    const std::string directory = enter_scratch_directory();
    const auto record = std::make_unique<RunRecord>();
    const bool recorded = !directory.empty() && write_results_file(record.get());
    leave_scratch_directory(directory);
    for (auto _ : state) {
        if (!recorded) {
            state.SkipWithError("no run to report");
            break;
        }
        std::string page = page_of_run(*record, {}, widest_lane_unit(detect_lane_units()));
        benchmark::DoNotOptimize(page.data());
    }
}
BENCHMARK(ReportPage)->Unit(benchmark::kMillisecond);

// Both files of a run written to disk, as the program writes them: beside ResultsFile, what
// the report page adds to a run (BothFiles - ResultsFile), to be compared with Program.
void BothFiles(benchmark::State& state) {
    const std::string directory = enter_scratch_directory();
    const auto record = std::make_unique<RunRecord>();
    for (auto _ : state) {
        if (directory.empty() || !write_results_file(record.get())) {
            state.SkipWithError("the results file could not be written");
            break;
        }
        const std::string page = page_of_run(*record, {}, widest_lane_unit(detect_lane_units()));
        if (write_whole_file("Quorvantelmix.html", page.data(), page.size()) !=
            WholeFileOutcome::written) {
            state.SkipWithError("the report page could not be written");
            break;
        }
    }
    leave_scratch_directory(directory);
    time_per_spin(state, 7.5e6);
}
BENCHMARK(BothFiles)->Unit(benchmark::kMillisecond);

// Starts `program` with its standard output on /dev/null, waits for it to exit, and returns
// its exit status (-1 when it could not be started or did not exit normally).
int run_process(const char* program) {
    std::string path = program;
    char* arguments[] = {path.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    int status = -1;
    if (posix_spawn(&child, path.c_str(), &actions, nullptr, arguments, environ) == 0)
        waitpid(child, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Any process at all from start to exit: what the system charges before the program's first
// instruction and after its last.
void EmptyProcess(benchmark::State& state) {
    for (auto _ : state) {
        if (run_process("/bin/true") != 0) {
            state.SkipWithError("/bin/true did not run");
            break;
        }
    }
}
BENCHMARK(EmptyProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

// The real program from start to exit, in a directory holding the default settings file.
void Program(benchmark::State& state) {
    const std::string directory = enter_scratch_directory();
    if (directory.empty()) {
        state.SkipWithError("no scratch directory");
        return;
    }
    run_process(QUORVANTELMIX_EXE);  // the first run writes the default settings file
    for (auto _ : state) {
        if (run_process(QUORVANTELMIX_EXE) != 0) {
            state.SkipWithError("the program did not complete its run");
            break;
        }
    }
    leave_scratch_directory(directory);
    time_per_spin(state, 7.5e6);
}
BENCHMARK(Program)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// The benchmarks time the work, not the system's paging: glibc returns large freed blocks to
// the system at once and maps them again on the next allocation, so a benchmark that allocates
// a megabyte or two an iteration (the exact figures do) would pay for faulting in fresh pages
// every time, some 10 microseconds a page on a virtual machine. Keeping freed memory in the
// process times the arithmetic; the program's own first-touch cost stays in "Program".
int main(int argc, char** argv) {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
