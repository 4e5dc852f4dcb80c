// Linked into every test program: the program's runs, and the demo processes it starts,
// keep their caches (the effect translations) in a fresh directory under TMPDIR instead
// of the user's own, removed again when the program ends.

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/temp_directory.h"

namespace {

class TemporaryCacheHome {
  public:
    TemporaryCacheHome() : directory_(TestTemp::MakeDirectory("quillmoor-test-cache")) {
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
