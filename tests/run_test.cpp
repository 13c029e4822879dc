// run_test.cpp - the program end to end: the built executable run in a scratch directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "page/page.h"
#include "platform/texts.h"
#include "run/run.h"
#include "simulation/trial_lanes.h"
#include "test_files.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace {

using namespace program_files;

// The CR LF pairs in `text`.
std::ptrdiff_t count_crlf(const std::string& text) {
    std::ptrdiff_t count = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2))
        ++count;
    return count;
}

using RunTest = ScratchDirectoryTest;

TEST_F(RunTest, FirstRunWritesTheDefaultFileAndNothingElse) {
    const ProcessResult run = run_program_in(directory);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.console, sjis::not_opened_line(ini));
    EXPECT_EQ(read_file(path(ini)), sjis::default_settings);
    EXPECT_FALSE(path_exists(path(txt)));
    EXPECT_FALSE(path_exists(path(bak)));
}

TEST_F(RunTest, RunAfterTheFirstUsesTheDefaultSettings) {
    run_program_in(directory);
    // Arguments change nothing.
    for (const char* arguments : {"", "--help extra words"}) {
        SCOPED_TRACE(arguments);
        const ProcessResult run = run_program_in(directory, arguments);
        EXPECT_EQ(run.exit_status, 0);
        EXPECT_EQ(run.console, default_run_console);
        const std::string results = read_file(path(txt));
        EXPECT_EQ(results.substr(0, 9), "[1/240]\r\n");
        // The first line, 1000 trial lines, an empty line and the averages, each with CR LF.
        EXPECT_EQ(std::count(results.begin(), results.end(), '\n'), 1003);
        EXPECT_EQ(count_crlf(results), 1003);
        EXPECT_EQ(results.substr(results.size() - 2), "\r\n");
        EXPECT_EQ(read_file(path(ini)), sjis::default_settings);
    }
}

TEST_F(RunTest, ValueOutOfRangeLeavesOnlyItsMessage) {
    const std::string settings = sjis::header_x + "\r\n240\r\n" + sjis::header_y + "\r\n260\r\n" +
                                 sjis::header_z + "\r\n11\r\n";
    write_file(path(ini), settings);
    write_file(path(txt), "results of an earlier run\r\n");
    const ProcessResult run = run_program_in(directory);
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_EQ(run.console, "");
    EXPECT_EQ(read_file(path(txt)), sjis::z_out_of_range + "X=240 Y=260 Z=11\r\n");
    EXPECT_EQ(read_file(path(ini)), settings);
    EXPECT_FALSE(path_exists(path(bak)));
}

TEST_F(RunTest, MissingSectionKeepsTheUsersFileAndWritesTheDefaults) {
    const struct {
        const char* name;
        std::string user_file;
    } cases[] = {
        {"a section missing", sjis::header_x + "\r\n500\r\n" + sjis::header_y + "\r\n300\r\n"},
        {"an empty file", ""},
        {"a file saved as UTF-8", "[\xE7\xA2\xBA\xE7\x8E\x87X]\r\n500\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(path(ini), c.user_file);
        write_file(path(bak), "an older backup");
        write_file(path(txt), "results of an earlier run\r\n");
        const ProcessResult run = run_program_in(directory);
        EXPECT_EQ(run.exit_status, 1);
        EXPECT_EQ(run.console, sjis::not_opened_line(ini));
        EXPECT_EQ(read_file(path(ini)), sjis::default_settings);
        EXPECT_EQ(read_file(path(bak)), c.user_file);
        EXPECT_TRUE(path_exists(path(txt)));
        EXPECT_EQ(read_file(path(txt)), "");
    }
}

TEST_F(RunTest, ResultsFileThatCannotBeCreatedIsReported) {
    run_program_in(directory);
    std::filesystem::create_directory(path(txt));
    const ProcessResult run = run_program_in(directory);
    EXPECT_EQ(run.exit_status, 3);
    EXPECT_EQ(run.console, sjis::not_opened_line(txt));
    EXPECT_EQ(read_file(path(ini)), sjis::default_settings);
    EXPECT_TRUE(std::filesystem::is_directory(path(txt)));
}

#if !defined(_WIN32)

TEST_F(RunTest, ResultsFileThatCannotBeWrittenIsReported) {
    if (!path_exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    run_program_in(directory);
    std::filesystem::create_symlink("/dev/full", path(txt));
    const ProcessResult run = run_program_in(directory);
    EXPECT_EQ(run.exit_status, 3);
    EXPECT_EQ(run.console, default_run_console + sjis::not_written_line(txt));
    EXPECT_EQ(read_file(path(ini)), sjis::default_settings);
}

#endif

TEST_F(RunTest, SettingsPathThatIsADirectoryIsLeftAloneAndReported) {
    std::filesystem::create_directory(path(ini));
    write_file(path(ini) + "/inside", "kept");
    const ProcessResult run = run_program_in(directory);
    EXPECT_EQ(run.exit_status, 3);
    EXPECT_EQ(run.console, sjis::not_opened_line(ini) + sjis::not_written_line(ini));
    EXPECT_EQ(read_file(path(ini) + "/inside"), "kept");
    EXPECT_FALSE(path_exists(path(bak)));
    EXPECT_FALSE(path_exists(path(txt)));
}

TEST_F(RunTest, BackupThatCannotBeWrittenLeavesTheUsersFile) {
    const std::string user_file = "my own notes, no sections";
    write_file(path(ini), user_file);
    std::filesystem::create_directory(path(bak));
    write_file(path(bak) + "/inside", "kept");
    const ProcessResult run = run_program_in(directory);
    EXPECT_EQ(run.exit_status, 3);
    EXPECT_EQ(run.console, sjis::not_opened_line(ini) + sjis::not_written_line(bak));
    EXPECT_EQ(read_file(path(ini)), user_file);
    EXPECT_EQ(read_file(path(bak) + "/inside"), "kept");
}

// What the report page's data says of the run: its number of trials and its reason.
std::string page_says(const std::string& page) {
    const std::string marker = "id=\"quorvantelmix-data\">";
    const std::string no_trials = "{\"trials\":0,";
    std::size_t data = page.find(marker);
    if (data == std::string::npos) return "no data";
    data += marker.size();
    if (page.compare(data, no_trials.size(), no_trials) == 0)
        return page.substr(data + no_trials.size(), page.find('}', data) - data - no_trials.size());
    return page.find("\"trials\":1000,", data) != std::string::npos ? "results" : "other";
}

TEST_F(RunTest, TheReportPageAlwaysDescribesTheRunOfTheResultsFile) {
    const std::string out_of_range = sjis::header_x + "\r\n99\r\n";
    const std::string section_missing = sjis::header_x + "\r\n240\r\n";
    const struct {
        const char* name;
        std::string settings;    // the settings file before the run; none when "-"
        bool results_directory;  // the results file's path is a directory
        int exit_status;
        std::string page_says;  // what the page says afterwards; "unchanged" when untouched
    } steps[] = {
        {"a first run writes no page", "-", false, 1, "no data"},
        {"a run with valid settings writes the page", "", false, 0, "results"},
        {"a value out of range replaces it", out_of_range, false, 2,
         "\"reason\":\"value_out_of_range\""},
        {"valid settings again", sjis::default_settings, false, 0, "results"},
        {"no settings file: the page is not touched", "-", false, 1, "unchanged"},
        {"the results file cannot be created: not touched", "", true, 3, "unchanged"},
        {"a section missing replaces it, naming the section", section_missing, false, 1,
         "\"reason\":\"section_missing\",\"section\":\"Y\""},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.settings == "-") std::filesystem::remove(path(ini));
        if (!step.settings.empty() && step.settings != "-") write_file(path(ini), step.settings);
        if (step.results_directory) {
            std::filesystem::remove(path(txt));
            std::filesystem::create_directory(path(txt));
        }
        const std::string page_before = read_file(path(html));
        const ProcessResult run = run_program_in(directory);
        EXPECT_EQ(run.exit_status, step.exit_status);
        const std::string page = read_file(path(html));
        if (step.page_says == "unchanged") {
            EXPECT_EQ(page, page_before);
        } else {
            EXPECT_EQ(page_says(page), step.page_says);
        }
        if (step.results_directory) std::filesystem::remove(path(txt));
    }
}

TEST_F(RunTest, AReportPageThatCannotBeWrittenIsReportedAndLeavesNoPartialPage) {
    run_program_in(directory);
    const struct {
        const char* name;
        std::string setup;    // what stands under the page's name
        std::string console;  // the last console line
    } cases[] = {
        {"the page's path is a directory", "directory", sjis::not_opened_line(html)},
#if !defined(_WIN32)
        {"the page's path is a link to a full device", "/dev/full", sjis::not_written_line(html)},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.setup == "directory") {
            std::filesystem::create_directory(path(html));
        } else {
            if (!path_exists(c.setup)) GTEST_SKIP() << "no " << c.setup;
            std::filesystem::create_symlink(c.setup, path(html));
        }
        const ProcessResult run = run_program_in(directory);
        EXPECT_EQ(run.exit_status, 3);
        EXPECT_EQ(run.console, default_run_console + c.console);
        // The results file is complete all the same.
        EXPECT_EQ(count_crlf(read_file(path(txt))), 1003);
        if (c.setup == "directory") {
            EXPECT_TRUE(std::filesystem::is_directory(path(html)));
            std::filesystem::remove(path(html));
        } else {
            EXPECT_FALSE(path_exists(path(html)));
        }
    }
}

#if !defined(_WIN32)

TEST_F(RunTest, AConsoleThatCannotTakeTheLinesFailsACompleteRun) {
    if (!path_exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    // The console on a full device: a run that would have completed ends with status 3, a run
    // that ends for another reason keeps its own status.
    const auto status_with_full_console = [this]() {
        const std::string command =
            "cd '" + directory + "' && '" + program_path() + "' < /dev/null > /dev/full";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(status_with_full_console(), 1);  // the default settings file written
    EXPECT_EQ(status_with_full_console(), 3);  // the results complete, the console not
    EXPECT_EQ(count_crlf(read_file(path(txt))), 1003);
}

TEST_F(RunTest, AResultsFileThatFailsTakesTheOldPageWithIt) {
    if (!path_exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    run_program_in(directory);
    run_program_in(directory);
    ASSERT_EQ(page_says(read_file(path(html))), "results");
    std::filesystem::remove(path(txt));
    std::filesystem::create_symlink("/dev/full", path(txt));
    EXPECT_EQ(run_program_in(directory).exit_status, 3);
    EXPECT_FALSE(path_exists(path(html)));
}

TEST_F(RunTest, ConsoleOnATerminalIsReadableWhateverTheLocale) {
    if (std::system("command -v script > /dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
    run_program_in(directory);
    // A UTF-8 locale, and locales whose character set is plain ASCII: the C locale, no locale
    // variable at all, and a locale that is not installed. Each terminal gets UTF-8.
    for (const char* environment :
         {"LC_ALL=C.UTF-8", "LC_ALL=C", "env -u LC_ALL -u LANG -u LC_CTYPE", "LC_ALL=xx_YY.NOPE"}) {
        SCOPED_TRACE(environment);
        // script(1) gives the program a terminal; its transcript shows what the terminal got.
        const std::string command = "cd '" + directory + "' && " + environment + " script -qec '" +
                                    program_path() + "' /dev/null < /dev/null > '" + directory +
                                    ".console' 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const std::string console = read_file(directory + ".console");
        std::remove((directory + ".console").c_str());
        EXPECT_NE(console.find("X=240 Y=260 Z=7"), std::string::npos);
        // 計算中・・・・ in UTF-8
        EXPECT_NE(console.find("\xE8\xA8\x88\xE7\xAE\x97\xE4\xB8\xAD\xE3\x83\xBB"),
                  std::string::npos);
        EXPECT_EQ(console.find(sjis::calculating), std::string::npos);
    }
}

TEST_F(RunTest, EachVectorUnitNamedInTheEnvironmentGivesTheSameFiles) {
    run_program_in(directory);
    for (const LaneEngine& engine : lane_engines) {
        if (!lane_unit_available(detect_lane_units(), engine.unit)) continue;
        SCOPED_TRACE(engine.name);
        const ProcessResult run =
            run_program_after(directory, std::string("export QUORVANTELMIX_LANES=") + engine.name);
        ASSERT_EQ(run.exit_status, 0);
        // The same run, seeded as the page says, played here in SSE2's lanes.
        const std::string page = read_file(path(html));
        const std::size_t seed_at = page.find("{\"seed\":") + 8;
        const auto seed = static_cast<std::uint32_t>(std::stoul(page.substr(seed_at, 10)));
        const auto record = std::make_unique<RunRecord>();
        const Settings defaults{240, 260.0f, 7};
        EXPECT_EQ(read_file(path(txt)), bytes_written_by([&](std::FILE* stream) {
                      write_results(stream, seed, defaults, LaneUnit::sse2, record.get());
                  }));
        EXPECT_EQ(page, page_of_run(*record));
    }
}

TEST_F(RunTest, AVectorUnitThatCannotBeUsedIsRefusedBeforeAnyFileIsTouched) {
    std::string unknown = texts::lane_unit_unknown;
    unknown.replace(unknown.size() - 1, 1, "\r\n");
    const struct {
        const char* value;
        std::string console;
    } cases[] = {
        {"avx3", unknown},
        {"SSE2", unknown},
        {"'\033[2J'", unknown},  // not echoed: it may hold anything
    };
    write_file(path(txt), "earlier results");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const ProcessResult run =
            run_program_after(directory, std::string("export QUORVANTELMIX_LANES=") + c.value);
        EXPECT_EQ(run.exit_status, 4);
        EXPECT_EQ(run.console, c.console);
        EXPECT_FALSE(path_exists(path(ini)));
        EXPECT_EQ(read_file(path(txt)), "earlier results");
    }
}

#endif

TEST_F(RunTest, AUnitThisProcessorLacksIsRefusedWithItsNameAndTouchesNoFile) {
    // The processor's answers handed to the run: each unit missing in turn, as on a machine
    // without it.
    write_file(path(txt), "earlier results");
    const auto working = std::filesystem::current_path();
    std::filesystem::current_path(directory);
    for (const LaneEngine& engine : lane_engines) {
        SCOPED_TRACE(engine.name);
        LaneUnits units{{true, true, true}};
        units.available[static_cast<int>(engine.unit)] = false;
        testing::internal::CaptureStdout();
        const RunOutcome outcome = run_program(12345, engine.name, units);
        std::string console = testing::internal::GetCapturedStdout();
        EXPECT_EQ(exit_status(outcome), 4);
        // The capture is read in text mode on Windows: the line end is compared as a line feed.
        console.erase(std::remove(console.begin(), console.end(), '\r'), console.end());
        std::string line(texts::lane_unit_unavailable);
        line.replace(line.find("%s"), 2, engine.name);
        EXPECT_EQ(console, line);
    }
    std::filesystem::current_path(working);
    EXPECT_FALSE(path_exists(path(ini)));
    EXPECT_EQ(read_file(path(txt)), "earlier results");
}

}  // namespace
