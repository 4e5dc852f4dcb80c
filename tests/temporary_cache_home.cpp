// Linked into every test program: the program's runs, and the demo processes it starts,
// keep their caches (the effect translations) out of the user's own: in one cache in the
// build directory, shared by every test process, so the hundred-odd demo runs translate the
// effects once instead of once each. The cache writes by rename, so parallel tests can share
// it. Tests of the cache itself set their own; programs built without a build directory
// (the fuzzers' replays) get a fresh directory under TMPDIR, removed when they end.

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/temp_directory.h"

namespace {

class TemporaryCacheHome {
  public:
    TemporaryCacheHome() {
#ifdef QUILLMOOR_BINARY_DIR
        const std::filesystem::path shared = std::filesystem::path(QUILLMOOR_BINARY_DIR) / "test-cache";
        std::error_code error;
        std::filesystem::create_directories(shared, error);
        if (!error) {
            ::setenv("XDG_CACHE_HOME", shared.c_str(), 1);
            return;
        }
#endif
        directory_ = TestTemp::MakeDirectory("quillmoor-test-cache");
        ::setenv("XDG_CACHE_HOME", directory_.c_str(), 1);
    }
    ~TemporaryCacheHome() {
        std::error_code ignored;
        if (!directory_.empty()) {
            std::filesystem::remove_all(directory_, ignored);
        }
    }

  private:
    std::string directory_;
};

const TemporaryCacheHome temporaryCacheHome;

} // namespace
