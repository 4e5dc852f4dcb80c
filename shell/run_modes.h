#pragma once
// The run modes beyond playing: rendering to a video or PNG files, screenshots at chosen
// music times, scripted music positions, call traces, usage. Their keywords share the
// framework's command-line syntax ("-" or "/" prefix, case-insensitive, ":" before a value)
// and are looked at only after the framework's own keywords, so they never shadow one.
// A token in double quotes is one token, blanks included (paths with blanks).
//
// A run mode asked for with a value that cannot be used ends the run before anything
// plays, with a message on standard error and UnusableRunModeExitCode: a script that asked
// for a scripted or fixed-step run never gets an interactive real-time one instead.

#include <limits>
#include <string>
#include <string_view>
#include <vector>

struct RunModeOptions {
    // -capture:FILE: a video through ffmpeg, or numbered PNGs when FILE is a directory.
    bool capture = false;
    std::string capturePath;
    int fps = 60;              // -fps:N, fixed step of capture and shots
    double untilSeconds = 190; // -until:SECONDS, end of a capture

    // -shots:T1,T2,... (music seconds) into -out:DIR.
    bool shots = false;
    std::vector<double> shotSeconds;
    std::string outDirectory = ".";

    // -clock:MS1,MS2,...: one scripted music position per frame, then quit. -clock:@FILE
    // and -shots:@FILE read the list from a file (commas, blanks or line breaks between values).
    bool clock = false;
    std::vector<int> clockMilliseconds;

    // -trace:FILE between -tracefrom:T and -traceuntil:T (music seconds, inclusive).
    bool trace = false;
    std::string tracePath;
    double traceFromSeconds = 0;
    double traceUntilSeconds = std::numeric_limits<double>::infinity();

    // -data:DIR: the run directory with the media (empty: found as run_directory.h says).
    std::string dataDirectory;

    bool help = false;

    // One line per value that cannot be used; any of them means nothing may play.
    std::vector<std::string> errors;

    // The music follows a fixed or scripted clock instead of the sound device.
    bool FixedClock() const { return capture || shots || clock; }
};

namespace RunModes {

// The exit code of a run refused for its run-mode options (EX_USAGE of sysexits.h), apart
// from the framework's codes 1 to 10.
constexpr int UnusableRunModeExitCode = 64;

// Parses a whole process command line (executable name first).
RunModeOptions Parse(std::wstring_view commandLine);

// The usage text printed by -help: the framework's options and the run modes.
std::string Usage();

// Makes the relative output paths (-capture, -out, -trace) absolute against `base`, the
// directory the program was started in, before the run directory is made current.
void AnchorPaths(RunModeOptions* options, const std::string& base);

} // namespace RunModes
