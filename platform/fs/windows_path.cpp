#include "platform/fs/windows_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool Exists(const std::string& posixPath) {
    struct stat info {};
    return ::lstat(posixPath.c_str(), &info) == 0;
}

// The entry of `directory` that `component` names: the exact spelling when it exists,
// else the first case-insensitive match in byte order (so the choice does not depend on
// the order the file system lists entries in), else nothing.
std::optional<std::string> FindEntry(const std::string& directory, const std::string& component) {
    const std::string exact = directory.empty()  ? component
                              : directory == "/" ? "/" + component
                                                 : directory + "/" + component;
    if (Exists(exact)) {
        return component;
    }
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (dir == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> best;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (EqualsIgnoringCase(name, component) && (!best || name < *best)) {
            best = std::string(name);
        }
    }
    ::closedir(dir);
    return best;
}

std::string Join(bool absolute, const std::vector<std::string>& parts) {
    if (parts.empty()) {
        return absolute ? std::string("/") : std::string(".");
    }
    std::string out;
    for (const std::string& part : parts) {
        if (absolute || !out.empty()) {
            out += '/';
        }
        out += part;
    }
    return out;
}

std::string& ReadFallback() {
    static std::string directory;
    return directory;
}

bool IsDirectory(const std::string& posixPath) {
    struct stat info {};
    return ::stat(posixPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Makes the missing directories of `relativeDirectory` in the working directory, each as far
// as the read fallback has it; stops at the first the fallback does not have.
void MakeDirectoriesTheFallbackHas(const std::string& relativeDirectory) {
    std::size_t end = 0;
    while (end != std::string::npos) {
        end = relativeDirectory.find('/', end + 1);
        const std::string prefix = relativeDirectory.substr(0, end);
        if (IsDirectory(prefix)) {
            continue;
        }
        const std::optional<std::string> there = WindowsPath::Resolve(ReadFallback() + "/" + prefix);
        if (!there || !IsDirectory(*there) || ::mkdir(prefix.c_str(), 0777) != 0) {
            return;
        }
    }
}

} // namespace

namespace WindowsPath {

void SetReadFallback(std::string directory) {
    while (directory.size() > 1 && directory.back() == '/') {
        directory.pop_back();
    }
    ReadFallback() = std::move(directory);
}

std::optional<std::string> ResolveForReading(std::string_view windowsPath) {
    std::optional<std::string> path = Resolve(windowsPath);
    if (!path || ReadFallback().empty() || IsSeparator(windowsPath.front()) || Exists(*path)) {
        return path;
    }
    // The path is relative and does not climb out (Resolve checked), so it stays inside the
    // fallback too.
    std::optional<std::string> there = Resolve(ReadFallback() + "/" + *path);
    return there && Exists(*there) ? there : path;
}

std::optional<std::string> Resolve(std::string_view windowsPath) {
    if (windowsPath.empty() || windowsPath.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    // A drive letter has no meaning on this file system; refusing it keeps a path such as
    // "C:\temp\x" from turning into a relative file named "C:".
    if (windowsPath.size() >= 2 && windowsPath[1] == ':') {
        return std::nullopt;
    }
    const bool absolute = IsSeparator(windowsPath.front());

    std::vector<std::string> components;
    std::size_t pos = 0;
    while (pos < windowsPath.size()) {
        while (pos < windowsPath.size() && IsSeparator(windowsPath[pos])) {
            ++pos;
        }
        std::size_t end = pos;
        while (end < windowsPath.size() && !IsSeparator(windowsPath[end])) {
            ++end;
        }
        if (end > pos) {
            components.emplace_back(windowsPath.substr(pos, end - pos));
        }
        pos = end;
    }

    std::vector<std::string> resolved;
    bool missing = false; // once a component is absent, the rest cannot exist either
    for (const std::string& component : components) {
        if (component == ".") {
            continue;
        }
        if (component == "..") {
            if (!resolved.empty()) {
                resolved.pop_back();
            } else if (!absolute) {
                return std::nullopt; // would climb above the working directory
            }
            // Above the root of an absolute path, ".." stays at the root as POSIX has it.
            missing = false;
            continue;
        }
        if (!missing) {
            const std::string directory = (absolute || !resolved.empty()) ? Join(absolute, resolved) : "";
            if (auto found = FindEntry(directory, component)) {
                resolved.push_back(*found);
                continue;
            }
            missing = true;
        }
        resolved.push_back(component);
    }
    return Join(absolute, resolved);
}

std::FILE* OpenFile(std::string_view windowsPath, const char* mode) {
    if (mode == nullptr) {
        return nullptr;
    }
    // Windows' text-mode letter means nothing here.
    std::string posixMode;
    for (const char* m = mode; *m != '\0'; ++m) {
        if (*m != 't') {
            posixMode += *m;
        }
    }
    const bool readOnly =
        !posixMode.empty() && posixMode.front() == 'r' && posixMode.find('+') == std::string::npos;
    const std::optional<std::string> path = readOnly ? ResolveForReading(windowsPath) : Resolve(windowsPath);
    if (!path) {
        return nullptr;
    }
    if (!readOnly && !ReadFallback().empty() && !IsSeparator(windowsPath.front())) {
        const std::size_t slash = path->rfind('/');
        if (slash != std::string::npos && slash > 0) {
            MakeDirectoriesTheFallbackHas(path->substr(0, slash));
        }
    }
    return std::fopen(path->c_str(), posixMode.c_str());
}

std::FILE* OpenFile(std::wstring_view windowsPath, const char* mode) {
    return OpenFile(Narrow(windowsPath), mode);
}

} // namespace WindowsPath
