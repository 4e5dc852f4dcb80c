#include "shell/run_modes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <fstream>

namespace {

// The framework's keywords, in its order, and whether a ":" value follows. A token that
// one of them matches belongs to the framework and is skipped here exactly as it parses it.
struct FrameworkKeyword {
    std::wstring_view name;
    bool takesValue;
};
constexpr FrameworkKeyword frameworkKeywords[] = {
    {L"adapter", true},
    {L"windowed", false},
    {L"fullscreen", false},
    {L"forcehal", false},
    {L"forceref", false},
    {L"forcepurehwvp", false},
    {L"forcehwvp", false},
    {L"forceswvp", false},
    {L"width", true},
    {L"height", true},
    {L"startx", true},
    {L"starty", true},
    {L"constantframetime", true},
    {L"quitafterframe", true},
    {L"noerrormsgboxes", false},
};

enum class Keyword { Capture, Fps, Until, Shots, Out, Clock, TraceFrom, TraceUntil, Trace, Data, Help };

// Longer keywords before their prefixes ("tracefrom" before "trace").
struct RunKeyword {
    std::wstring_view name;
    Keyword keyword;
    bool takesValue;
};
constexpr RunKeyword runKeywords[] = {
    {L"capture", Keyword::Capture, true},
    {L"fps", Keyword::Fps, true},
    {L"until", Keyword::Until, true},
    {L"shots", Keyword::Shots, true},
    {L"out", Keyword::Out, true},
    {L"clock", Keyword::Clock, true},
    {L"tracefrom", Keyword::TraceFrom, true},
    {L"traceuntil", Keyword::TraceUntil, true},
    {L"trace", Keyword::Trace, true},
    {L"data", Keyword::Data, true},
    {L"help", Keyword::Help, false},
};

constexpr std::size_t maxValueLength = 4096;
constexpr std::size_t maxListFileBytes = std::size_t{16} << 20;
constexpr int maxFps = 1000;
constexpr double maxSeconds = 24.0 * 3600.0;

bool IsBlank(wchar_t c) {
    return static_cast<unsigned>(c) <= 32;
}

bool StartsWithKeyword(std::wstring_view text, std::wstring_view keyword) {
    if (text.size() < keyword.size()) {
        return false;
    }
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        if (std::towlower(static_cast<wint_t>(text[i])) != static_cast<wint_t>(keyword[i])) {
            return false;
        }
    }
    return true;
}

std::string Narrow(std::wstring_view wide) {
    std::string out;
    for (wchar_t w : wide) {
        const auto c = static_cast<std::uint32_t>(w);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x110000) {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Whole-text numbers only: a value with trailing rubbish is refused rather than guessed.
bool ReadNumber(const std::string& text, double* value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(v)) {
        return false;
    }
    *value = v;
    return true;
}

// Values separated by commas, blanks or line breaks; an empty value between two commas,
// or a comma at either end, is refused. `bad` gets the first value that is not a number.
bool ReadList(const std::string& text, std::vector<double>* values, std::string* bad) {
    values->clear();
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    bool wantValue = true; // at the start, and after a comma
    bool afterComma = false;
    std::size_t at = 0;
    while (true) {
        while (at < text.size() && isSpace(text[at])) {
            ++at;
        }
        if (at == text.size()) {
            break;
        }
        if (text[at] == ',') {
            if (wantValue) {
                *bad = "an empty value";
                return false;
            }
            wantValue = afterComma = true;
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && text[end] != ',' && !isSpace(text[end])) {
            ++end;
        }
        double v = 0;
        if (!ReadNumber(text.substr(at, end - at), &v)) {
            *bad = "'" + text.substr(at, std::min<std::size_t>(end - at, 40)) + "'";
            return false;
        }
        values->push_back(v);
        wantValue = afterComma = false;
        at = end;
    }
    if (afterComma || values->empty()) {
        *bad = "an empty value";
        return false;
    }
    return true;
}

// The text of -clock:@FILE or -shots:@FILE, read no further than the size limit (the
// file may be a device that never ends).
bool ReadListFile(const std::string& path, std::string* text, std::string* error) {
    std::error_code ignored;
    std::ifstream in;
    if (!std::filesystem::is_directory(path, ignored)) {
        in.open(path, std::ios::binary);
    }
    if (!in) {
        *error = "cannot read '" + path + "'";
        return false;
    }
    text->clear();
    char chunk[65536];
    while (text->size() <= maxListFileBytes && in.read(chunk, sizeof chunk).gcount() > 0) {
        text->append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad() || text->size() > maxListFileBytes) {
        *error = "'" + path + "' is not a readable list of at most " +
                 std::to_string(maxListFileBytes >> 20) + " MiB";
        return false;
    }
    return true;
}

class Parser {
  public:
    explicit Parser(std::wstring_view line) : line(line) {}

    RunModeOptions Run() {
        SkipProgramName();
        while (true) {
            while (pos < line.size() && IsBlank(line[pos])) {
                ++pos;
            }
            if (pos >= line.size()) {
                break;
            }
            if (line[pos] == L'"') {
                // A quoted token: its text, blanks included, is one token.
                const std::size_t close = line.find(L'"', pos + 1);
                const std::size_t end = close == std::wstring_view::npos ? line.size() : close;
                ParseToken(line.substr(pos + 1, end - pos - 1));
                pos = close == std::wstring_view::npos ? line.size() : close + 1;
                continue;
            }
            std::size_t end = pos;
            while (end < line.size() && !IsBlank(line[end])) {
                ++end;
            }
            ParseToken(line.substr(pos, end - pos));
            pos = end;
        }
        Finish();
        return options;
    }

  private:
    void SkipProgramName() {
        if (!line.empty() && line[0] == L'"') {
            const std::size_t close = line.find(L'"', 1);
            pos = close == std::wstring_view::npos ? line.size() : close + 1;
        } else {
            while (pos < line.size() && !IsBlank(line[pos])) {
                ++pos;
            }
        }
    }

    // A token may hold several keywords run together ("-windowedx" is "windowed" then "x"),
    // as the framework reads it.
    void ParseToken(std::wstring_view token) {
        std::size_t at = 0;
        while (at < token.size()) {
            if (token[at] == L'-' || token[at] == L'/') {
                ++at;
            }
            const std::wstring_view rest = token.substr(at);
            if (rest.empty()) {
                return;
            }
            bool matched = false;
            for (const FrameworkKeyword& k : frameworkKeywords) {
                if (StartsWithKeyword(rest, k.name)) {
                    at += k.name.size();
                    if (k.takesValue && at < token.size() && token[at] == L':') {
                        return; // the value runs to the end of the token
                    }
                    matched = true;
                    break;
                }
            }
            if (matched) {
                continue;
            }
            for (const RunKeyword& k : runKeywords) {
                if (StartsWithKeyword(rest, k.name)) {
                    at += k.name.size();
                    if (!k.takesValue) {
                        Apply(k.keyword, k.name, std::string());
                    } else if (at < token.size() && token[at] == L':') {
                        std::wstring_view value = token.substr(at + 1);
                        if (value.size() > maxValueLength) {
                            Refuse(k.name, "value longer than " + std::to_string(maxValueLength) +
                                               " characters" + LongListHint(k.keyword));
                        } else {
                            Apply(k.keyword, k.name, Narrow(value));
                        }
                        return;
                    } else {
                        Refuse(k.name, "needs a value after ':'");
                    }
                    matched = true;
                    break;
                }
            }
            if (!matched) {
                return; // unknown: the rest of the token is skipped
            }
        }
    }

    void Refuse(std::wstring_view keyword, const std::string& what) {
        options.errors.push_back("-" + Narrow(keyword) + ": " + what);
    }

    static std::string LongListHint(Keyword keyword) {
        if (keyword == Keyword::Clock) {
            return " (put a long list in a file and use -clock:@FILE)";
        }
        if (keyword == Keyword::Shots) {
            return " (put a long list in a file and use -shots:@FILE)";
        }
        return "";
    }

    // A list given in place, or read from the file named after '@'.
    bool ReadListValue(std::wstring_view name, const std::string& value, std::vector<double>* values,
                       const std::string& what) {
        std::string text = value;
        std::string source;
        if (!value.empty() && value[0] == '@') {
            std::string error;
            if (value.size() == 1) {
                Refuse(name, "needs a file name after '@'");
                return false;
            }
            if (!ReadListFile(value.substr(1), &text, &error)) {
                Refuse(name, error);
                return false;
            }
            source = " in '" + value.substr(1) + "'";
        }
        std::string bad;
        if (!ReadList(text, values, &bad)) {
            Refuse(name, bad + source + " is not " + what);
            return false;
        }
        return true;
    }

    void Apply(Keyword keyword, std::wstring_view name, const std::string& value) {
        double number = 0;
        switch (keyword) {
        case Keyword::Capture:
            if (value.empty()) {
                Refuse(name, "needs a file name");
                return;
            }
            options.capture = true;
            options.capturePath = value;
            return;
        case Keyword::Fps:
            if (!ReadNumber(value, &number) || number != std::floor(number) || number < 1 ||
                number > maxFps) {
                Refuse(name, "'" + value + "' is not a frame rate from 1 to " + std::to_string(maxFps));
                return;
            }
            options.fps = static_cast<int>(number);
            return;
        case Keyword::Until:
            if (!ReadNumber(value, &number) || number <= 0 || number > maxSeconds) {
                Refuse(name, "'" + value + "' is not a positive number of seconds");
                return;
            }
            options.untilSeconds = number;
            return;
        case Keyword::Shots: {
            std::vector<double> times;
            if (!ReadListValue(name, value, &times, "a list of music times in seconds")) {
                return;
            }
            if (std::any_of(times.begin(), times.end(), [](double t) { return t < 0 || t > maxSeconds; })) {
                Refuse(name, "music times run from 0 to " + std::to_string(static_cast<int>(maxSeconds)) +
                                 " seconds");
                return;
            }
            std::sort(times.begin(), times.end());
            times.erase(std::unique(times.begin(), times.end()), times.end());
            options.shots = true;
            options.shotSeconds = times;
            return;
        }
        case Keyword::Out:
            if (value.empty()) {
                Refuse(name, "needs a directory");
                return;
            }
            options.outDirectory = value;
            return;
        case Keyword::Clock: {
            std::vector<double> positions;
            if (!ReadListValue(name, value, &positions, "a list of whole milliseconds")) {
                return;
            }
            if (std::any_of(positions.begin(), positions.end(), [](double ms) {
                    return ms != std::floor(ms) || ms < -2147483647.0 || ms > 2147483647.0;
                })) {
                Refuse(name, "positions are whole milliseconds within 32 bits");
                return;
            }
            options.clock = true;
            options.clockMilliseconds.clear();
            for (double ms : positions) {
                options.clockMilliseconds.push_back(static_cast<int>(ms));
            }
            return;
        }
        case Keyword::Trace:
            if (value.empty()) {
                Refuse(name, "needs a file name");
                return;
            }
            options.trace = true;
            options.tracePath = value;
            return;
        case Keyword::TraceFrom:
        case Keyword::TraceUntil:
            if (!ReadNumber(value, &number)) {
                Refuse(name, "'" + value + "' is not a music time in seconds");
                return;
            }
            (keyword == Keyword::TraceFrom ? options.traceFromSeconds : options.traceUntilSeconds) = number;
            return;
        case Keyword::Data:
            if (value.empty()) {
                Refuse(name, "needs a directory");
                return;
            }
            options.dataDirectory = value;
            return;
        case Keyword::Help:
            options.help = true;
            return;
        }
    }

    // One clock drives a run: scripted positions, screenshots and a capture exclude each other.
    void Finish() {
        if (options.clock && (options.shots || options.capture)) {
            options.errors.push_back("-clock runs alone: it cannot be combined with -shots or -capture");
        } else if (options.shots && options.capture) {
            options.errors.push_back("-shots runs alone: it cannot be combined with -capture");
        }
    }

    std::wstring_view line;
    std::size_t pos = 0;
    RunModeOptions options;
};

constexpr const char* usageText =
    "Usage: quillmoor [options]\n"
    "\n"
    "Options are words with '-' or '/' in front, matched case-insensitively; values follow\n"
    "a colon (-width:1024).\n"
    "\n"
    "Playing:\n"
    "  -windowed                 play in a window instead of full screen\n"
    "  -fullscreen               full screen at the desktop resolution\n"
    "  -width:N -height:N        back-buffer (and window) size\n"
    "  -adapter:N                display number\n"
    "  -startx:N -starty:N       window position\n"
    "  -forcehal -forceref       device type: the hardware device (the system's OpenGL)\n"
    "                            or the reference device (Mesa's software rasteriser)\n"
    "  -forcehwvp -forceswvp -forcepurehwvp\n"
    "                            vertex processing\n"
    "  -constantframetime[:S]    fixed framework time step\n"
    "  -quitafterframe:N         quit after N + 1 presented frames\n"
    "  -noerrormsgboxes          report failures only through the exit code\n"
    "\n"
    "Rendering offscreen (800x600 frames, or -width x -height, on any display; the music\n"
    "follows a fixed step of 1000/fps milliseconds per frame, so the output is the same\n"
    "every run):\n"
    "  -capture:FILE             render to a video with the music (.mp4, .mkv; needs ffmpeg),\n"
    "                            or to numbered PNGs when FILE is an existing directory\n"
    "  -fps:N                    frames per second of -capture and -shots (default 60)\n"
    "  -until:SECONDS            end of -capture in music seconds (default 190)\n"
    "  -shots:T1,T2,...          save a PNG at each music time (seconds), then quit\n"
    "  -out:DIR                  directory of the -shots files (default: current)\n"
    "  -clock:MS1,MS2,...        one scripted music position per frame, then quit\n"
    "  -clock:@FILE -shots:@FILE the list from FILE (commas, blanks or line breaks)\n"
    "  -trace:FILE               one JSON line per platform call of each rendered frame\n"
    "  -tracefrom:T -traceuntil:T  music seconds that bound the trace\n"
    "  -help                     this text\n"
    "\n"
    "Media: the run directory holds data.rar, z.ogg and data/. It is -data:DIR when given,\n"
    "else the installed media (share/quillmoor beside the installed bin/) for an installed\n"
    "quillmoor, else the current directory; it is made current for the run. The log\n"
    "bramble.txt goes there too, or, when it is read-only, to $XDG_STATE_HOME/quillmoor\n"
    "(~/.local/state/quillmoor), with the archive extracted into a private directory under\n"
    "$XDG_RUNTIME_DIR/quillmoor (else ~/.cache/quillmoor) that is removed after the run.\n"
    "  -data:DIR                 the run directory\n"
    "\n"
    "A run-mode value that cannot be used (say -fps:0, or an -out directory that cannot\n"
    "be written) ends the run before anything plays, with a message on standard error\n"
    "and exit code 64.\n"
    "\n"
    "Hot keys: Escape quits, Pause stops the framework clock, F3 switches between the\n"
    "hardware and the reference device (re-creating it; the picture stays the same), F8\n"
    "toggles wireframe, Alt+Enter switches between window and full screen.\n";

} // namespace

RunModeOptions RunModes::Parse(std::wstring_view commandLine) {
    return Parser(commandLine).Run();
}

std::string RunModes::Usage() {
    return usageText;
}

void RunModes::AnchorPaths(RunModeOptions* options, const std::string& base) {
    const auto anchor = [&](std::string* path) {
        if (!path->empty() && path->front() != '/') {
            *path = (std::filesystem::path(base) / *path).lexically_normal().string();
        }
    };
    anchor(&options->capturePath);
    anchor(&options->outDirectory);
    anchor(&options->tracePath);
}
