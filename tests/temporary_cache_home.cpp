// Linked into every test program: the program's runs, and the demo processes it starts,
// keep their caches (the effect translations) in a fresh directory under TMPDIR instead
// of the user's own, removed again when the program ends.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class TemporaryCacheHome {
  public:
    TemporaryCacheHome() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/quillmoor-test-cache-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            directory_ = pattern;
            ::setenv("XDG_CACHE_HOME", directory_.c_str(), 1);
        }
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
