#include "shell/run_directory.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/fs/windows_path.h"

#ifndef QUILLMOOR_DATA_FROM_BIN
#define QUILLMOOR_DATA_FROM_BIN "../share/quillmoor"
#endif

namespace {

namespace fs = std::filesystem;

constexpr const char* programDirectory = "quillmoor";
// What marks a directory as holding the demo's media.
constexpr const char* mediaMarkers[] = {"data.rar", "z.ogg"};

bool HoldsMedia(const fs::path& directory) {
    std::error_code error;
    for (const char* marker : mediaMarkers) {
        if (fs::is_regular_file(directory / marker, error)) {
            return true;
        }
    }
    return false;
}

bool Writable(const fs::path& directory) {
    if (::access(directory.c_str(), W_OK | X_OK) != 0) {
        return false;
    }
    // Extraction writes under data/ when the run directory has one.
    std::error_code error;
    const fs::path data = directory / "data";
    return !fs::is_directory(data, error) || ::access(data.c_str(), W_OK | X_OK) == 0;
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// XDG base directories must be absolute; anything else is ignored.
std::string XdgOr(const std::string& value, const std::string& home, const char* underHome) {
    if (!value.empty() && value.front() == '/') {
        return value;
    }
    return home.empty() ? std::string() : home + "/" + underHome;
}

// Makes `directory` and its missing parents, the new ones private to the user as the XDG
// rules ask.
bool MakePrivateDirectories(const fs::path& directory) {
    std::error_code error;
    if (directory.empty()) {
        return false;
    }
    if (fs::is_directory(directory, error)) {
        return true;
    }
    if (!directory.has_parent_path() || directory.parent_path() == directory ||
        !MakePrivateDirectories(directory.parent_path())) {
        return false;
    }
    return ::mkdir(directory.c_str(), 0700) == 0 || fs::is_directory(directory, error);
}

bool MakeCurrent(const std::string& directory, std::string* error) {
    std::error_code failure;
    fs::current_path(directory, failure);
    if (failure) {
        *error = "cannot enter " + directory;
        return false;
    }
    return true;
}

} // namespace

RunEnvironment RunEnvironment::FromProcess() {
    RunEnvironment environment;
    environment.home = Variable("HOME");
    if (environment.home.empty()) {
        if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr) {
            environment.home = user->pw_dir;
        }
    }
    environment.xdgStateHome = Variable("XDG_STATE_HOME");
    environment.xdgRuntimeDir = Variable("XDG_RUNTIME_DIR");
    environment.xdgCacheHome = Variable("XDG_CACHE_HOME");
    return environment;
}

namespace RunDirectory {

std::string InstalledMedia(const std::string& executable) {
    const fs::path binary = fs::path(executable).parent_path();
    if (binary.empty() || HoldsMedia(binary)) {
        return "";
    }
    std::error_code error;
    const fs::path media = fs::weakly_canonical(binary / QUILLMOOR_DATA_FROM_BIN, error);
    return !error && HoldsMedia(media) ? media.string() : "";
}

std::string StateDirectory(const RunEnvironment& environment) {
    const std::string state = XdgOr(environment.xdgStateHome, environment.home, ".local/state");
    return state.empty() ? "" : state + "/" + programDirectory;
}

std::vector<std::string> WorkParents(const RunEnvironment& environment) {
    std::vector<std::string> parents;
    if (!environment.xdgRuntimeDir.empty() && environment.xdgRuntimeDir.front() == '/') {
        parents.push_back(environment.xdgRuntimeDir + "/" + programDirectory);
    }
    const std::string cache = XdgOr(environment.xdgCacheHome, environment.home, ".cache");
    if (!cache.empty()) {
        parents.push_back(cache + "/" + programDirectory);
    }
    return parents;
}

bool Enter(const std::string& dataOption, const RunEnvironment& environment, RunPlace* place,
           std::string* error) {
    std::error_code failure;
    const fs::path start = fs::current_path(failure);
    if (failure) {
        *error = "cannot read the current directory";
        return false;
    }
    place->startDirectory = start.string();
    fs::path run;
    if (!dataOption.empty()) {
        run = fs::absolute(dataOption, failure);
        if (failure || !fs::is_directory(run, failure)) {
            *error = "-data: no directory " + dataOption;
            return false;
        }
    } else {
        std::string installed = InstalledMedia(fs::read_symlink("/proc/self/exe", failure).string());
        run = installed.empty() ? start : fs::path(installed);
    }
    place->runDirectory = fs::weakly_canonical(run, failure).string();

    if (Writable(place->runDirectory)) {
        place->workDirectory = place->logDirectory = place->runDirectory;
        place->privateWork = false;
        return MakeCurrent(place->workDirectory, error);
    }

    // Read through: extraction goes to a directory of this run's own.
    for (const std::string& parent : WorkParents(environment)) {
        if (!MakePrivateDirectories(parent)) {
            continue;
        }
        std::string pattern = parent + "/run-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            continue;
        }
        place->workDirectory = pattern;
        place->privateWork = true;
        break;
    }
    if (!place->privateWork) {
        *error = "cannot write in " + place->runDirectory + " nor make a private directory to work in";
        return false;
    }
    // Where no state directory can be made either, the log falls back to standard output.
    place->logDirectory = StateDirectory(environment);
    MakePrivateDirectories(place->logDirectory);
    WindowsPath::SetReadFallback(place->runDirectory);
    return MakeCurrent(place->workDirectory, error);
}

void Leave(const RunPlace& place) {
    // The start directory may be gone meanwhile; the private one is removed all the same.
    std::error_code error;
    fs::current_path(place.startDirectory, error);
    if (place.privateWork) {
        WindowsPath::SetReadFallback("");
        fs::remove_all(place.workDirectory, error);
    }
}

} // namespace RunDirectory
