// run_test.cpp - the program end to end: the built executable run in a scratch directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <string>

#include "test_files.h"

namespace {

const std::string ini = "Quorvantelmix.ini";
const std::string bak = "Quorvantelmix.ini.bak";
const std::string txt = "Quorvantelmix.txt";

// The console of a run that went through with the default settings.
const std::string default_run_console = "X=240 Y=260 Z=7\r\n" + sjis::calculating + "\r\n";

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

#if !defined(_WIN32)

TEST_F(RunTest, ConsoleOnAUtf8TerminalIsConverted) {
    if (std::system("command -v script > /dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
    run_program_in(directory);
    // script(1) gives the program a terminal; its transcript shows what the terminal received.
    const std::string command = "cd '" + directory + "' && LC_ALL=C.UTF-8 script -qec '" +
                                program_path() + "' /dev/null < /dev/null > '" + directory +
                                ".console' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string console = read_file(directory + ".console");
    std::remove((directory + ".console").c_str());
    EXPECT_NE(console.find("X=240 Y=260 Z=7"), std::string::npos);
    // 計算中・・・・ in UTF-8
    EXPECT_NE(console.find("\xE8\xA8\x88\xE7\xAE\x97\xE4\xB8\xAD\xE3\x83\xBB"), std::string::npos);
    EXPECT_EQ(console.find(sjis::calculating), std::string::npos);
}

#endif

}  // namespace
