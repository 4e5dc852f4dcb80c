#include "rar/rar_debug_log.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* kSourceName = "rar_reader";
constexpr const char* kTitle = "Quillmoor RAR 1.5-2.0 reader - debug log";

bool started = false;
bool enabled = false;
std::string logPath;
std::chrono::steady_clock::time_point startTime;

} // namespace

namespace RarDebugLog {

void StartOnce() {
    if (started) {
        return;
    }
    StartAt(std::getenv(kEnvironmentVariable));
}

void StartAt(const char* path) {
    started = true;
    enabled = false;
    if (path == nullptr || *path == '\0') {
        return;
    }
    std::FILE* f = std::fopen(path, "w");
    if (f == nullptr) {
        return;
    }
    const std::string title = kTitle;
    std::fprintf(f, "%s\n%s\n(executable compiled on %s at %s)\n\n", kTitle,
                 std::string(title.size(), '~').c_str(), __DATE__, __TIME__);
    std::fclose(f);
    logPath = path;
    enabled = true;
    startTime = std::chrono::steady_clock::now();
}

bool Enabled() {
    return enabled;
}

void Write(unsigned line, const char* format, ...) {
    if (!enabled) {
        return;
    }
    char message[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    // Reopened per entry so the log survives a crash right after it.
    std::FILE* f = std::fopen(logPath.c_str(), "a");
    if (f == nullptr) {
        return;
    }
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - startTime)
            .count();
    std::fprintf(f, " %8u ms (line %u in %s):\n              - %s\n", static_cast<unsigned>(elapsed), line,
                 kSourceName, message);
    std::fclose(f);
}

} // namespace RarDebugLog
