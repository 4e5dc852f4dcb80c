#include "shell/log_file.h"

#include <cstdarg>
#include <cstdio>

#include "platform/fs/windows_path.h"

namespace {

constexpr const char* weekdayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* monthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::FILE* stream = nullptr;
bool opened = false;
char message[LogFile::messageCapacity];

void WriteBanner(const char* format, int trailingNewLines) {
    const std::string date = LogFile::DateText(std::time(nullptr));
    LogFile::NewLines(1);
    LogFile::Print(format, date.c_str());
    LogFile::NewLines(trailingNewLines);
}

} // namespace

LogFile::LogFile() {
    WriteBanner("-------------------- Corvel log started on: %s --------------------", 1);
}

LogFile::~LogFile() {
    WriteBanner("-------------------- Corvel log ended on: %s --------------------", 3);
}

void LogFile::Open() {
    stream = WindowsPath::OpenFile(fileName, opened ? "a" : "w");
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
    Open();
    for (int i = 0; i < count; ++i) {
        std::fputc('\n', stream);
    }
    Close();
}

void LogFile::Print(const char* format, ...) {
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
}
