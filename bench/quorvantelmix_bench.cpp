// quorvantelmix_bench.cpp - what a run costs: the draws, the spin loop, the trials with their
// lines formatted, and the whole program from start to exit.
//
// Run `build/bench/quorvantelmix_bench`. The "per_spin" column is the time per spin of a run
// (7.5 million spins, about); "Program" is the real executable, started in a directory that
// holds the default settings file, timed from start to exit.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "page.h"
#include "random_source.h"
#include "report.h"
#include "run.h"
#include "settings.h"
#include "statistics.h"
#include "trial.h"

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

// The random source alone: the draws of one trial.
void Draws(benchmark::State& state) {
    random_seed(12345);
    DrawWindow window;
    for (auto _ : state) {
        fill_draw_window(&window);
        benchmark::DoNotOptimize(window.draws);
    }
    time_per(state, "per_draw", max_draws_per_trial);
}
BENCHMARK(Draws);

// The spin loop with its draws: the 1000 trials of a run, nothing written.
void SpinLoop(benchmark::State& state) {
    const TrialRules rules = trial_rules(default_settings);
    static TrialResult trial;
    DrawWindow window;
    random_seed(12345);
    fill_draw_window(&window);
    std::int64_t spins = 0;
    for (auto _ : state) {
        for (std::int32_t i = 0; i < trials_per_run; ++i) {
            const std::int32_t used = play_trial(rules, window.draws, &trial);
            spins += used;
            advance_draw_window(&window, used);
        }
        benchmark::DoNotOptimize(trial);
    }
    time_per_spin(state, static_cast<double>(spins) / static_cast<double>(state.iterations()));
}
BENCHMARK(SpinLoop)->Unit(benchmark::kMillisecond);

// The whole results file of a run, formatted and written to /dev/null: the arithmetic and its
// formatting, without a disk.
void ResultsFile(benchmark::State& state) {
    std::FILE* null_file = std::fopen("/dev/null", "wb");
    if (null_file == nullptr) {
        state.SkipWithError("/dev/null cannot be opened");
        return;
    }
    std::setvbuf(null_file, nullptr, _IOFBF, 64 * 1024);
    const auto record = std::make_unique<RunRecord>();
    for (auto _ : state)
        write_results(null_file, 12345, default_settings, record.get());
    std::fclose(null_file);
    time_per_spin(state, 7.5e6);
}
BENCHMARK(ResultsFile)->Unit(benchmark::kMillisecond);

// The report page of a run from the record of its trials: the statistics and the page's text.
void ReportPage(benchmark::State& state) {
    std::FILE* null_file = std::fopen("/dev/null", "wb");
    if (null_file == nullptr) {
        state.SkipWithError("/dev/null cannot be opened");
        return;
    }
    const auto record = std::make_unique<RunRecord>();
    write_results(null_file, 12345, default_settings, record.get());
    std::fclose(null_file);
    const auto statistics = std::make_unique<RunStatistics>();
    for (auto _ : state) {
        compute_statistics(*record, statistics.get());
        std::string page = report_page(*statistics);
        benchmark::DoNotOptimize(page.data());
    }
}
BENCHMARK(ReportPage)->Unit(benchmark::kMillisecond);

// Both files of a run, the results file and the report page, formatted and written to
// /dev/null: beside ResultsFile, what the page adds to a run's own work.
void BothFiles(benchmark::State& state) {
    std::FILE* null_file = std::fopen("/dev/null", "wb");
    if (null_file == nullptr) {
        state.SkipWithError("/dev/null cannot be opened");
        return;
    }
    std::setvbuf(null_file, nullptr, _IOFBF, 64 * 1024);
    const auto record = std::make_unique<RunRecord>();
    const auto statistics = std::make_unique<RunStatistics>();
    for (auto _ : state) {
        write_results(null_file, 12345, default_settings, record.get());
        compute_statistics(*record, statistics.get());
        const std::string page = report_page(*statistics);
        std::fwrite(page.data(), 1, page.size(), null_file);
    }
    std::fclose(null_file);
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
    char directory[] = "/tmp/quorvantelmix-bench-XXXXXX";
    if (mkdtemp(directory) == nullptr || chdir(directory) != 0) {
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
    std::remove("Quorvantelmix.ini");
    std::remove("Quorvantelmix.txt");
    if (chdir("/") == 0) rmdir(directory);
    time_per_spin(state, 7.5e6);
}
BENCHMARK(Program)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
