#include "shell/log_file.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/fs/windows_path.h"

namespace {

constexpr const char* weekdayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* monthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

constexpr const char* startBanner = "-------------------- Corvel log started on: %s --------------------";
constexpr const char* endBanner = "-------------------- Corvel log ended on: %s --------------------";

std::FILE* stream = nullptr;
bool opened = false;
char message[LogFile::messageCapacity];
// Constant-initialised, so the log works whatever the order of static initialisation.
char path[4096] = "bramble.txt";
bool startPending = false;
std::time_t startTime = 0;

void WriteBanner(const char* format, std::time_t when, int trailingNewLines) {
    const std::string date = LogFile::DateText(when);
    LogFile::NewLines(1);
    LogFile::Print(format, date.c_str());
    LogFile::NewLines(trailingNewLines);
}

void WriteStartBannerIfPending() {
    if (startPending) {
        startPending = false;
        WriteBanner(startBanner, startTime, 1);
    }
}

} // namespace

LogFile::LogFile() {
    startTime = std::time(nullptr);
    startPending = true;
}

LogFile::~LogFile() {
    // A program that stopped before it settled where its log goes (-help, an unusable
    // -data) leaves no log behind.
    if (startPending) {
        startPending = false;
        return;
    }
    WriteBanner(endBanner, std::time(nullptr), 3);
}

void LogFile::SetDirectory(const std::string& directory) {
    const std::string file = directory.empty() ? std::string(fileName) : directory + "/" + fileName;
    if (file.size() < sizeof path) {
        std::memcpy(path, file.c_str(), file.size() + 1);
    }
    WriteStartBannerIfPending();
}

void LogFile::Open() {
    stream = WindowsPath::OpenFile(path, opened ? "a" : "w");
    opened = true;
    if (stream == nullptr) {
        stream = stdout;
    }
}

void LogFile::Close() {
    if (stream == nullptr) {
        return;
    }
    // Standard output stands in when the file cannot be opened; it stays open for the
    // extraction lines and any later write.
    if (stream == stdout) {
        std::fflush(stdout);
    } else {
        std::fclose(stream);
    }
    stream = nullptr;
}

void LogFile::NewLines(int count) {
    WriteStartBannerIfPending();
    Open();
    for (int i = 0; i < count; ++i) {
        std::fputc('\n', stream);
    }
    Close();
}

void LogFile::Print(const char* format, ...) {
    WriteStartBannerIfPending();
    va_list args;
    va_start(args, format);
    // vsnprintf never writes past the buffer; longer text is cut.
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    Open();
    std::fputs(message, stream);
    Close();
    NewLines(1);
}

std::string LogFile::DateText(std::time_t when) {
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) {
        local = std::tm{};
        local.tm_mday = 1;
        local.tm_year = 70;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %04d",
                  weekdayNames[(local.tm_wday % 7 + 7) % 7], monthNames[(local.tm_mon % 12 + 12) % 12],
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, local.tm_year + 1900);
    return text;
}

void LogFile::ResetForTest() {
    Close();
    opened = false;
    startPending = false;
    SetDirectory("");
}
