// test_files.cpp - scratch directories, whole files and the program as a process.
#include "test_files.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

std::string make_scratch_directory() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quorvantelmix-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
}

void remove_scratch_directory(const std::string& directory) {
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string stream_contents(std::FILE* stream) {
    std::fflush(stream);
    std::rewind(stream);
    std::string bytes;
    char block[4096];
    std::size_t length = 0;
    while ((length = std::fread(block, 1, sizeof block, stream)) > 0)
        bytes.append(block, length);
    return bytes;
}

bool path_exists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

ProcessResult run_program_in(const std::string& directory, const std::string& arguments) {
    // The console goes to a file beside the directory, so the directory holds only what the
    // program itself made.
    const std::string console_file = directory + ".console";
    const std::string command = "cd '" + directory + "' && '" QUORVANTELMIX_EXE "' " + arguments +
                                " < /dev/null > '" + console_file + "'";
    const int status = std::system(command.c_str());
    ProcessResult result{-1, read_file(console_file)};
    if (status != -1 && WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
    std::remove(console_file.c_str());
    return result;
}
