// replay_main.cpp - runs the fuzz target once on each file named on the command line, or on each
// file in a named directory: the seed corpus and the regression cases, replayed as a test.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// Reads the whole file `path`; false when it cannot be read.
static bool read_whole_file(const std::string& path, std::vector<std::uint8_t>* bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    bytes->clear();
    std::uint8_t block[65536];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0)
        bytes->insert(bytes->end(), block, block + got);
    const bool read = std::ferror(file) == 0;
    std::fclose(file);
    return read;
}

// Adds `path` to `files`, or every regular file in it when it is a directory.
static bool collect(const std::string& path, std::vector<std::string>* files) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    if (!S_ISDIR(info.st_mode)) {
        files->push_back(path);
        return true;
    }
    DIR* directory = opendir(path.c_str());
    if (directory == nullptr) return false;
    while (const dirent* entry = readdir(directory)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat entry_info;
        const std::string entry_path = path + "/" + name;
        if (stat(entry_path.c_str(), &entry_info) == 0 && S_ISREG(entry_info.st_mode))
            files->push_back(entry_path);
    }
    closedir(directory);
    return true;
}

int main(int argc, char** argv) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (!collect(argv[i], &files)) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 1;
    }
    std::vector<std::uint8_t> bytes;
    for (const std::string& file : files) {
        if (!read_whole_file(file, &bytes)) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            return 1;
        }
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%zu inputs replayed, every property held\n", files.size());
    return 0;
}
