// Outside fuzz builds each target is this small program instead of libFuzzer's: it feeds
// the files named on the command line (every file of a directory) to the target once, so
// the normal and sanitizer test suites replay the inputs that once broke something.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputFiles(const fs::path& argument) {
    std::error_code error;
    if (!fs::is_directory(argument, error)) {
        return {argument};
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(argument, error)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const fs::path& file : InputFiles(argv[i])) {
            std::ifstream in(file, std::ios::binary);
            if (!in) {
                std::fprintf(stderr, "cannot read %s\n", file.c_str());
                return 1;
            }
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            std::printf("%s\n", file.c_str());
            std::fflush(stdout); // the name of the input is out before any crash
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++replayed;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    return replayed > 0 ? 0 : 1;
}
