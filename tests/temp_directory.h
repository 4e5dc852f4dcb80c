#pragma once
// The one place tests make scratch directories: a new, uniquely named directory under
// $TMPDIR (the system's temporary directory when it is unset). Tests write nowhere else.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace TestTemp {

// The caller removes the directory when done.
inline std::filesystem::path MakeDirectory(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        // Nowhere to write: going on would write into the working directory instead.
        std::perror(("cannot make a temporary directory " + pattern).c_str());
        std::abort();
    }
    return pattern;
}

} // namespace TestTemp
