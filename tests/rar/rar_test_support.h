#pragma once
// Helpers shared by the RAR tests: the debug log read back, and extraction into a vector.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "rar/rar_debug_log.h"
#include "rar/rar_reader.h"
#include "tests/temp_directory.h"

namespace RarTest {

inline std::string RealArchive(const char* name) {
    return std::string(QUILLMOOR_TEST_DATA) + "/rar/" + name;
}

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Extracted {
    bool ok = false;
    std::vector<std::uint8_t> bytes;
    bool nullOnFailure = true;
};

inline Extracted Extract(const std::string& member, const std::string& archive,
                         const char* password = nullptr) {
    Extracted e;
    std::uint8_t* data = reinterpret_cast<std::uint8_t*>(1);
    std::uint32_t size = 12345;
    e.ok = RarReader::Extract(member.c_str(), archive.c_str(), password, &data, &size);
    if (e.ok) {
        e.bytes.assign(data, data + size);
        std::free(data);
    } else {
        e.nullOnFailure = data == nullptr && size == 0;
    }
    return e;
}

// Captures the reader's debug log in a temporary file for the lifetime of the object.
class LogCapture {
  public:
    LogCapture() : dir_(TestTemp::MakeDirectory("qm_rarlog")) {
        RarDebugLog::StartAt((dir_ / "debug_rar.txt").c_str());
    }
    ~LogCapture() {
        RarDebugLog::StartAt(nullptr);
        std::filesystem::remove_all(dir_);
    }
    std::string Text() const { return ReadText(dir_ / "debug_rar.txt"); }

  private:
    std::filesystem::path dir_;
};

} // namespace RarTest
