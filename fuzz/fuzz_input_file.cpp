#include "fuzz/fuzz_input_file.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <unistd.h>

namespace {

// One file per extension, reused for every input and removed when the process ends.
struct InputFiles {
    std::map<std::string, std::string> paths;
    ~InputFiles() {
        for (const auto& [extension, path] : paths) {
            std::remove(path.c_str());
        }
    }
};

[[noreturn]] void Fail(const std::string& path) {
    std::perror(path.c_str());
    std::abort(); // without its input file a run would test nothing: stop loudly
}

} // namespace

namespace FuzzInputFile {

const std::string& Write(const std::uint8_t* data, std::size_t size, const char* extension) {
    static InputFiles files;
    std::string& path = files.paths[extension];
    if (path.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        path = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/quillmoor-fuzz-" +
               std::to_string(getpid()) + extension;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        Fail(path);
    }
    if (size > 0 && std::fwrite(data, 1, size, file) != size) {
        Fail(path);
    }
    std::fclose(file);
    return path;
}

} // namespace FuzzInputFile
