// fault_test.cpp - faults injected into real runs of the built program: files that cannot be
// written, a working directory that is gone, a huge settings file. Each must end with a console
// line naming the file, the documented exit status and no file of the user's lost.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "run/run.h"
#include "test_files.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

using namespace program_files;

using FaultTest = ScratchDirectoryTest;

#if !defined(_WIN32)

TEST_F(FaultTest, WritesThatFailAreReportedAndLoseNothing) {
    const std::string users_notes = "my own notes, no sections\r\n";
    const std::string no_default_file = sjis::not_opened_line(ini) + sjis::not_written_line(ini);
    // A settings file without sections touches the results file, so its run writes a page
    // without results, for which there is no room either.
    const std::string no_default_file_nor_page = no_default_file + sjis::not_written_line(html);
    const struct {
        const char* name;
        std::string settings;        // the settings file before the run; none when "-"
        long file_bytes;             // bytes the program may write into a file
        int exit_status;             // the exit status expected
        std::string console;         // the console expected
        std::string settings_after;  // the settings file expected; none when "-"
    } cases[] = {
        // The default file is 84 bytes: not one of them, or only half of them, can be written.
        {"no room for the default file", "-", 0, 3, no_default_file, "-"},
        {"room for half the default file", "-", 40, 3, no_default_file, "-"},
        {"no room for the default file after the user's file was moved aside", users_notes, 0, 3,
         no_default_file_nor_page, users_notes},
        {"room for half the default file after the user's file was moved aside", users_notes, 40, 3,
         no_default_file_nor_page, users_notes},
        // The results file of a run is some 200 KB.
        {"no room for the results file", sjis::default_settings, 0, 3,
         default_run_console + sjis::not_written_line(txt), sjis::default_settings},
        {"room for half the results file", sjis::default_settings, 100000, 3,
         default_run_console + sjis::not_written_line(txt), sjis::default_settings},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string run_directory = make_scratch_directory();
        const std::string settings_path = run_directory + "/" + ini;
        if (c.settings != "-") write_file(settings_path, c.settings);
        const ProcessResult run = run_program_with_file_limit(run_directory, c.file_bytes);
        EXPECT_EQ(run.exit_status, c.exit_status);
        EXPECT_EQ(run.console, c.console);
        if (c.settings_after == "-") {
            EXPECT_FALSE(path_exists(settings_path));
        } else {
            EXPECT_EQ(read_file(settings_path), c.settings_after);
        }
        // The user's file is back under its own name: no backup is left beside it. No page,
        // whole or partial, stands beside a results file that failed.
        EXPECT_FALSE(path_exists(run_directory + "/" + bak));
        EXPECT_FALSE(path_exists(run_directory + "/" + html));
        remove_scratch_directory(run_directory);
    }
}

TEST_F(FaultTest, ARunAfterAFailedDefaultFileStillKeepsTheUsersFile) {
    // The failed run must leave nothing that a later run would take for the user's file and
    // move into the backup in its place.
    const std::string users_notes = "my own notes, no sections\r\n";
    write_file(path(ini), users_notes);
    EXPECT_EQ(run_program_with_file_limit(directory, 40).exit_status, 3);
    const ProcessResult run = run_program_in(directory);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(read_file(path(bak)), users_notes);
    EXPECT_EQ(read_file(path(ini)), sjis::default_settings);
}

TEST_F(FaultTest, AUsersFileThatCannotBePutBackIsShownWhereItIs) {
    // No room for the default file, and the user's file cannot go back under its own name: the
    // console says where it is, and it is whole there.
    const std::string users_notes = "my own notes, no sections\r\n";
    write_file(path(ini), users_notes);
    const ProcessResult run =
        run_program_with_file_limit(directory, 0, rename_back_fails_library());
    EXPECT_EQ(run.exit_status, 3);
    EXPECT_EQ(run.console, sjis::not_opened_line(ini) + sjis::not_written_line(ini) +
                               sjis::settings_kept_at + bak + sjis::is_here + "\r\n" +
                               sjis::not_written_line(html));
    EXPECT_EQ(read_file(path(bak)), users_notes);
    EXPECT_FALSE(path_exists(path(ini)));
}

TEST_F(FaultTest, AnOlderBackupStaysWhenThereWasNoFileToKeep) {
    // No settings file, an older backup beside it, and no room for the default file: the
    // backup is the user's, and nothing may move it.
    write_file(path(bak), "an older backup");
    const ProcessResult run = run_program_with_file_limit(directory, 0);
    EXPECT_EQ(run.exit_status, 3);
    EXPECT_EQ(read_file(path(bak)), "an older backup");
    EXPECT_FALSE(path_exists(path(ini)));
}

TEST_F(FaultTest, AWorkingDirectoryThatIsGoneIsReported) {
    const ProcessResult run = run_program_after(directory, "rmdir \"$PWD\"");
    EXPECT_EQ(run.exit_status, 3);
    EXPECT_EQ(run.console, sjis::not_opened_line(ini) + sjis::not_written_line(ini));
    EXPECT_FALSE(path_exists(directory));
}

// The file descriptors that the test process has open.
std::size_t open_descriptors() {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        static_cast<void>(entry);
        ++count;
    }
    return count;
}

TEST_F(FaultTest, NoStreamIsLeftOpenOnAnyPath) {
    // The run in this process, its console on the null device, in the scratch directory.
    const auto run_here = [this]() {
        const auto working = std::filesystem::current_path();
        std::filesystem::current_path(directory);
        std::fflush(stdout);
        const int console = dup(STDOUT_FILENO);
        const int null_device = open("/dev/null", O_WRONLY);
        dup2(null_device, STDOUT_FILENO);
        close(null_device);
        const RunOutcome outcome = run_program(12345, nullptr, detect_lane_units());
        std::fflush(stdout);
        dup2(console, STDOUT_FILENO);
        close(console);
        std::filesystem::current_path(working);
        return outcome;
    };
    const struct {
        const char* name;
        const char* directory_in_the_way;  // a path made a directory before the run, or null
        RunOutcome outcome;
    } cases[] = {
        {"no settings file", nullptr, RunOutcome::default_settings_written},
        {"a complete run", nullptr, RunOutcome::completed},
        {"the results file cannot be created", "Quorvantelmix.txt", RunOutcome::file_error},
        {"the report page cannot be created", "Quorvantelmix.html", RunOutcome::file_error},
        {"the settings path is a directory", "Quorvantelmix.ini", RunOutcome::file_error},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.directory_in_the_way != nullptr) {
            std::filesystem::remove_all(path(c.directory_in_the_way));
            std::filesystem::create_directory(path(c.directory_in_the_way));
        }
        const std::size_t before = open_descriptors();
        EXPECT_EQ(run_here(), c.outcome);
        EXPECT_EQ(open_descriptors(), before);
        if (c.directory_in_the_way != nullptr)
            std::filesystem::remove_all(path(c.directory_in_the_way));
    }
}

#endif

TEST_F(FaultTest, AHugeSettingsFileWithoutHeadersIsKeptAndReadInBoundedMemory) {
    // 300 MB: a line of the user's, then zero bytes, one endless token. The file is sparse, so
    // it costs no disk space.
    const std::uintmax_t size = 300u * 1024u * 1024u;
    const std::string start = "my own notes ";
    write_file(path(ini), start);
    std::filesystem::resize_file(path(ini), size);
    const ProcessResult run = run_program_in(directory);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.console, sjis::not_opened_line(ini));
    EXPECT_EQ(read_file(path(ini)), sjis::default_settings);
    ASSERT_EQ(std::filesystem::file_size(path(bak)), size);
    std::FILE* backup = std::fopen(path(bak).c_str(), "rb");
    ASSERT_NE(backup, nullptr);
    char first[sizeof "my own notes "] = {};
    EXPECT_EQ(std::fread(first, 1, start.size(), backup), start.size());
    std::fclose(backup);
    EXPECT_EQ(std::string(first), start);
#if !defined(_WIN32)
    // Far less than the file: the reader holds a few kilobytes of it at a time.
    EXPECT_LT(largest_child_kilobytes(), 64 * 1024);
#endif
}

}  // namespace
