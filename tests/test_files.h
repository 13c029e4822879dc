// test_files.h - what the tests share: a scratch directory per test, whole-file reads and
// writes, the program started as a process, and the program's texts as Shift_JIS bytes.
//
// The tests are compiled without any execution character set of their own, so every Japanese
// text here is spelt out in its Shift_JIS bytes; the program's literals are checked against them.
#ifndef QUORVANTELMIX_TEST_FILES_H
#define QUORVANTELMIX_TEST_FILES_H

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace sjis {

// Section headers.
inline const std::string header_x = "\x5B\x8A\x6D\x97\xA6\x58\x5D";                  // [確率X]
inline const std::string header_y = "\x5B\x31\x30\x30\x25\x8A\x6D\x97\xA6\x59\x5D";  // [100%確率Y]
inline const std::string header_z = "\x5B\x8A\xB7\x8B\xE0\x97\xA6\x5A\x5D";          // [換金率Z]
// The data counter's sections.
inline const std::string header_spins = "\x5B\x91\x8D\x89\xF1\x93\x5D\x90\x94\x5D";  // [総回転数]
inline const std::string header_bonuses =
    "\x5B\x83\x7B\x81\x5B\x83\x69\x83\x58\x89\xF1\x90\x94\x5D";  // [ボーナス回数]
inline const std::string header_listed_x =
    "\x5B\x90\xDD\x92\xE8\x82\xB2\x82\xC6\x82\xCC\x8A\x6D\x97\xA6\x58\x5D";  // [設定ごとの確率X]

// このファイルへ設定を入力して下さい。
inline const std::string enter_settings =
    "\x82\xB1\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xD6\x90\xDD\x92\xE8\x82\xF0\x93\xFC"
    "\x97\xCD\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2\x81\x42";
// 確率へ１００以上１０００以下の数字を入力して下さい。
inline const std::string x_out_of_range =
    "\x8A\x6D\x97\xA6\x82\xD6\x82\x50\x82\x4F\x82\x4F\x88\xC8\x8F\xE3\x82\x50\x82\x4F\x82\x4F"
    "\x82\x4F\x88\xC8\x89\xBA\x82\xCC\x90\x94\x8E\x9A\x82\xF0\x93\xFC\x97\xCD\x82\xB5\x82\xC4"
    "\x89\xBA\x82\xB3\x82\xA2\x81\x42";
// 100%確率へ１２０以上７２０以下の数字を入力して下さい。
inline const std::string y_out_of_range =
    "\x31\x30\x30\x25\x8A\x6D\x97\xA6\x82\xD6\x82\x50\x82\x51\x82\x4F\x88\xC8\x8F\xE3\x82\x56"
    "\x82\x51\x82\x4F\x88\xC8\x89\xBA\x82\xCC\x90\x94\x8E\x9A\x82\xF0\x93\xFC\x97\xCD\x82\xB5"
    "\x82\xC4\x89\xBA\x82\xB3\x82\xA2\x81\x42";
// 換金率に５以上１０以下の数字を入力して下さい。
inline const std::string z_out_of_range =
    "\x8A\xB7\x8B\xE0\x97\xA6\x82\xC9\x82\x54\x88\xC8\x8F\xE3\x82\x50\x82\x4F\x88\xC8\x89\xBA"
    "\x82\xCC\x90\x94\x8E\x9A\x82\xF0\x93\xFC\x97\xCD\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2"
    "\x81\x42";
// ファイル '
inline const std::string file_quote = "\x83\x74\x83\x40\x83\x43\x83\x8B\x20'";
// ' は開けませんでした。
inline const std::string not_opened =
    "'\x20\x82\xCD\x8A\x4A\x82\xAF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x42";
// ' に書き込めませんでした。
inline const std::string not_written =
    "'\x20\x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82"
    "\xBD\x81\x42";
// 元の設定ファイルは ' and ' にあります。
inline const std::string settings_kept_at =
    "\x8C\xB3\x82\xCC\x90\xDD\x92\xE8\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCD '";
inline const std::string is_here = "' \x82\xC9\x82\xA0\x82\xE8\x82\xDC\x82\xB7\x81\x42";
// 計算中・・・・
inline const std::string calculating = "\x8C\x76\x8E\x5A\x92\x86\x81\x45\x81\x45\x81\x45\x81\x45";

// Units of the results file.
inline const std::string bonus_unit = "\x89\xF1";  // 回
inline const std::string medal_unit = "\x96\x87";  // 枚
inline const std::string yen_unit = "\x89\x7E";    // 円

// The console line saying that `file` was not opened, with its CR LF.
inline std::string not_opened_line(const std::string& file) {
    return file_quote + file + not_opened + "\r\n";
}
// The console line saying that `file` could not be written, with its CR LF.
inline std::string not_written_line(const std::string& file) {
    return file_quote + file + not_written + "\r\n";
}

// The whole default settings file.
inline const std::string default_settings = enter_settings + "\r\n" + header_x + "\r\n240\r\n" +
                                            header_y + "\r\n260\r\n" + header_z + "\r\n7\r\n";

}  // namespace sjis

// The program's files, as the end-to-end tests find them in the program's directory.
namespace program_files {
inline const std::string ini = "Quorvantelmix.ini";
inline const std::string bak = "Quorvantelmix.ini.bak";
inline const std::string txt = "Quorvantelmix.txt";
inline const std::string html = "Quorvantelmix.html";

// The console of a run that went through with the default settings.
inline const std::string default_run_console = "X=240 Y=260 Z=7\r\n" + sjis::calculating + "\r\n";
}  // namespace program_files

// A new, empty directory for one test, under the system's temporary directory.
std::string make_scratch_directory();

// Removes a directory made by make_scratch_directory, with everything in it.
void remove_scratch_directory(const std::string& directory);

// The whole content of the file `path`, or an empty string when it cannot be read.
std::string read_file(const std::string& path);

// Creates or replaces the file `path` with exactly `bytes`.
void write_file(const std::string& path, const std::string& bytes);

// True when something (a file, a directory, a link) stands at `path`.
bool path_exists(const std::string& path);

// Everything written so far to `stream`, a temporary file open for update; reads it from its
// start and leaves it at its end.
std::string stream_contents(std::FILE* stream);

// The bytes that `write` (called with an open stream) writes, through a temporary file.
template <typename Write>
std::string bytes_written_by(Write write) {
    std::FILE* stream = std::tmpfile();
    EXPECT_NE(stream, nullptr);
    if (stream == nullptr) return "";
    write(stream);
    std::string bytes = stream_contents(stream);
    std::fclose(stream);
    return bytes;
}

// A test that works in a scratch directory of its own, removed again after the test.
class ScratchDirectoryTest : public ::testing::Test {
  protected:
    void SetUp() override { directory = make_scratch_directory(); }
    void TearDown() override { remove_scratch_directory(directory); }
    // The path of `name` inside the scratch directory.
    std::string path(const std::string& name) const { return directory + "/" + name; }

    std::string directory;  // the scratch directory
};

// The outcome of starting the program as a process.
struct ProcessResult {
    int exit_status;      // its exit status, or -1 when it did not exit normally
    std::string console;  // every byte it wrote to standard output
};

// The path of the built program.
std::string program_path();

// Starts the built program in `directory` with the shell words `arguments`, its standard output
// going to a file (so the console bytes are exactly what it wrote).
ProcessResult run_program_in(const std::string& directory, const std::string& arguments = "");

#if !defined(_WIN32)
// Starts the built program like run_program_in, after the shell commands `setup` have run in
// `directory`, in the same shell.
ProcessResult run_program_after(const std::string& directory, const std::string& setup);

// Starts the built program in `directory` allowed to write at most `file_bytes` bytes into any
// file, as on a disk that fills up: writes beyond fail. Its console goes through a pipe, which
// the limit does not touch. A `preload` library, when given, is loaded into it (LD_PRELOAD).
ProcessResult run_program_with_file_limit(const std::string& directory, long file_bytes,
                                          const std::string& preload = "");

// The library that makes every rename back to the settings file's name fail, for
// run_program_with_file_limit's `preload`.
std::string rename_back_fails_library();

// The largest resident set, in kilobytes, of any child process waited for so far.
long largest_child_kilobytes();
#endif

#endif
