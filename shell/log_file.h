#pragma once
// The plain-text run log "bramble.txt": opened and closed around every write so that what
// was written survives a crash. Start and end banners come from the one global object. The
// object is made during static initialisation, before the program knows where its run
// directory is; the start banner (dated then) is written by the first write or by
// SetDirectory, whichever comes first, so it lands in the log the run settles on; without
// either, the program writes no log at all.

#include <ctime>
#include <string>

class LogFile {
  public:
    static constexpr const char* fileName = "bramble.txt";
    // Longest message kept; longer text is cut there (the longest real one is a loading
    // line with a path, well below this).
    static constexpr int messageCapacity = 1024;

    // The one global object writes the start banner when constructed and the end banner
    // when destroyed.
    LogFile();
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Where the log goes from now on: `directory`/bramble.txt (empty: the working directory).
    // Writes the start banner if it is still to come.
    static void SetDirectory(const std::string& directory);

    // printf-style; the log adds the line break.
    static void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void NewLines(int count);

    // The first open of a run truncates the file, later ones append; when the file cannot
    // be opened the write goes to standard output.
    static void Open();
    static void Close();

    // The 24-character date text of the banners, e.g. "Wed Jan 02 02:03:55 1980".
    static std::string DateText(std::time_t when);

    // Makes the next write truncate again, as at the start of a run; only for tests.
    static void ResetForTest();
};
