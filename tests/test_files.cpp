// test_files.cpp - scratch directories, whole files and the program as a process.
#include "test_files.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

std::string make_scratch_directory() {
    const std::filesystem::path temporary = std::filesystem::temp_directory_path();
    // A name no other test process uses, with a counter for the tests of this process.
    static unsigned counter = 0;
#if defined(_WIN32)
    const unsigned long process = GetCurrentProcessId();
#else
    const unsigned long process = static_cast<unsigned long>(getpid());
#endif
    for (;;) {
        const std::filesystem::path directory =
            temporary /
            ("quorvantelmix-" + std::to_string(process) + "-" + std::to_string(++counter));
        std::error_code error;
        if (std::filesystem::create_directory(directory, error)) return directory.generic_string();
        if (error) std::abort();
    }
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

#if defined(_WIN32)

std::string program_path() {
    // The program is built into the directory of the test executable.
    char test_path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, test_path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) std::abort();
    return (std::filesystem::path(test_path).parent_path() / "Quorvantelmix.exe").string();
}

ProcessResult run_program_in(const std::string& directory, const std::string& arguments) {
    // The console goes to a file beside the directory, so the directory holds only what the
    // program itself made; standard input is the null device.
    const std::string console_file = directory + ".console";
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE console = CreateFileA(console_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE nothing = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (console == INVALID_HANDLE_VALUE || nothing == INVALID_HANDLE_VALUE) std::abort();

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing;
    startup.hStdOutput = console;
    startup.hStdError = console;
    PROCESS_INFORMATION process{};
    std::string command_line = "\"" + program_path() + "\" " + arguments;
    ProcessResult result{-1, ""};
    if (CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       directory.c_str(), &startup, &process) != 0) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD exit_code = 0;
        if (GetExitCodeProcess(process.hProcess, &exit_code) != 0)
            result.exit_status = static_cast<int>(exit_code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(console);
    CloseHandle(nothing);
    result.console = read_file(console_file);
    std::remove(console_file.c_str());
    return result;
}

#else

std::string program_path() {
    return QUORVANTELMIX_EXE;
}

// Runs the program in `directory` after the shell commands `setup`, with `arguments`.
static ProcessResult run_in_shell(const std::string& directory, const std::string& setup,
                                  const std::string& arguments) {
    // The console goes to a file beside the directory, so the directory holds only what the
    // program itself made.
    const std::string console_file = directory + ".console";
    const std::string command = "cd '" + directory + "' && " + setup + " '" + program_path() +
                                "' " + arguments + " < /dev/null > '" + console_file + "'";
    const int status = std::system(command.c_str());
    ProcessResult result{-1, read_file(console_file)};
    if (status != -1 && WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
    std::remove(console_file.c_str());
    return result;
}

ProcessResult run_program_in(const std::string& directory, const std::string& arguments) {
    return run_in_shell(directory, "", arguments);
}

ProcessResult run_program_after(const std::string& directory, const std::string& setup) {
    return run_in_shell(directory, setup + ";", "");
}

std::string rename_back_fails_library() {
    return QUORVANTELMIX_RENAME_BACK_FAILS;
}

ProcessResult run_program_with_file_limit(const std::string& directory, long file_bytes,
                                          const std::string& preload) {
    ProcessResult result{-1, ""};
    int console[2];
    if (pipe(console) != 0) return result;
    const std::string program = program_path();
    const pid_t child = fork();
    if (child == 0) {
        dup2(console[1], STDOUT_FILENO);
        close(console[0]);
        close(console[1]);
        const int nothing = open("/dev/null", O_RDONLY);
        if (nothing >= 0) dup2(nothing, STDIN_FILENO);
        // A write beyond the limit would end the process with SIGXFSZ; ignored, it fails.
        signal(SIGXFSZ, SIG_IGN);
        if (!preload.empty()) {
            setenv("LD_PRELOAD", preload.c_str(), 1);
            // A program built with AddressSanitizer would refuse a library loaded before it.
            const char* options = getenv("ASAN_OPTIONS");
            const std::string asan =
                std::string(options != nullptr ? options : "") + ":verify_asan_link_order=0";
            setenv("ASAN_OPTIONS", asan.c_str(), 1);
        }
        const rlimit limit{static_cast<rlim_t>(file_bytes), static_cast<rlim_t>(file_bytes)};
        if (setrlimit(RLIMIT_FSIZE, &limit) == 0 && chdir(directory.c_str()) == 0)
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(console[1]);
    char block[4096];
    ssize_t got = 0;
    while ((got = read(console[0], block, sizeof block)) > 0)
        result.console.append(block, static_cast<std::size_t>(got));
    close(console[0]);
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
        result.exit_status = WEXITSTATUS(status);
    return result;
}

long largest_child_kilobytes() {
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}

#endif
