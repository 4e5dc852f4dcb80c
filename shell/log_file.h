#pragma once
// The plain-text run log "bramble.txt": opened and closed around every write so that what
// was written survives a crash. Start and end banners come from the one global object.

class LogFile {
  public:
    // printf-style; the log adds the line break.
    static void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void NewLines(int count);
};
