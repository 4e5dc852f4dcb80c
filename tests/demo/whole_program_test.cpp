// The real quillmoor binary on the generated media: run modes, extraction, log and trace.

#include "tests/demo/picture_comparison.h"
#include "tests/demo/whole_program_fixture.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

int CountOf(const std::string& text, const std::string& what) {
    int count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

struct ImageSize {
    unsigned width = 0;
    unsigned height = 0;
    bool operator==(const ImageSize&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ImageSize& size) {
    return out << size.width << " x " << size.height;
}

// Width and height from a PNG file's IHDR chunk (big-endian, bytes 16..23); 0 x 0 when the
// file is not a PNG.
ImageSize PngSize(const fs::path& path) {
    const std::string png = ReadFile(path);
    if (png.size() < 24 || png.substr(1, 3) != "PNG") {
        return {};
    }
    const auto be32 = [&](std::size_t at) {
        return (static_cast<unsigned>(static_cast<unsigned char>(png[at])) << 24) |
               (static_cast<unsigned>(static_cast<unsigned char>(png[at + 1])) << 16) |
               (static_cast<unsigned>(static_cast<unsigned char>(png[at + 2])) << 8) |
               static_cast<unsigned>(static_cast<unsigned char>(png[at + 3]));
    };
    return {be32(16), be32(20)};
}

TEST_F(WholeProgram, HelpPrintsUsageAndExitsZero) {
    const RunResult r = Run("-help");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Usage: quillmoor"), std::string::npos);
    EXPECT_NE(r.out.find("-capture:FILE"), std::string::npos);
}

TEST_F(WholeProgram, ScriptedClockRunExtractsRendersCleansUpAndLogs) {
    ASSERT_TRUE(CopyMedia()) << "no generated media in " << runDirectory;
    const RunResult r = Run("-clock:0,16,69204,139863,190001 -trace:trace.jsonl");
    ASSERT_EQ(r.exitCode, 0) << r.err;

    // One result line per member of the extraction list, all of them good.
    EXPECT_EQ(CountOf(r.out, "OK.\n\n"), 54) << r.out;
    EXPECT_EQ(CountOf(r.out, "Error creating binary output file"), 0);
    // Of the extracted files only the DDS circle stays.
    EXPECT_TRUE(fs::exists(work / "data" / "textures" / "circle01.dds"));
    EXPECT_FALSE(fs::exists(work / "data" / "textures" / "blob.jpg"));
    EXPECT_FALSE(fs::exists(work / "data" / "blobby02.x"));
    EXPECT_FALSE(fs::exists(work / "data" / "meshes" / "finalroom.x"));

    const std::string log = ReadFile(work / "bramble.txt");
    const std::string date = "[A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}";
    const std::regex layout("\n-------------------- Corvel log started on: " + date +
                            " --------------------\n\n"
                            "(Loading [^\n]*\n)+"
                            "\n-------------------- Corvel log ended on: " +
                            date + " --------------------\n\n\n\n");
    EXPECT_TRUE(std::regex_match(log, layout)) << log;
    EXPECT_NE(log.find("Loading data//textures//blob.jpg ...\n"), std::string::npos);

    // The trace holds the scripted music times, one frame each; nothing is drawn past 190 s.
    const std::string trace = ReadFile(work / "trace.jsonl");
    std::istringstream lines(trace);
    std::string line;
    std::vector<double> times;
    const std::regex timeField("\"t\":([-0-9.e]+)");
    int clears = 0, clearsLate = 0;
    while (std::getline(lines, line)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(line, m, timeField)) << line;
        const double t = std::stod(m[1]);
        if (times.empty() || times.back() != t) {
            times.push_back(t);
        }
        if (line.find("\"call\":\"IDirect3DDevice9::Clear\"") != std::string::npos) {
            ++clears;
            clearsLate += t > 190 ? 1 : 0;
        }
    }
    ASSERT_GE(times.size(), 4u) << trace.substr(0, 2000);
    EXPECT_NEAR(times[0], 0.0, 1e-6);
    EXPECT_NEAR(times[1], 0.016, 1e-6);
    EXPECT_NEAR(times[2], 69.204, 1e-4);
    EXPECT_NEAR(times[3], 139.863, 1e-4);
    EXPECT_GT(clears, 0);
    EXPECT_EQ(clearsLate, 0);
}

const unsigned char* PixelAt(const PictureComparison::Picture& picture, int x, int y) {
    return &picture.rgb[(static_cast<std::size_t>(y) * picture.width + x) * 3];
}

// The median of one colour channel along a row.
int RowMedian(const PictureComparison::Picture& picture, int y, int channel) {
    std::vector<int> values;
    for (int x = 0; x < picture.width; ++x) {
        values.push_back(PixelAt(picture, x, y)[channel]);
    }
    std::nth_element(values.begin(), values.begin() + picture.width / 2, values.end());
    return values[static_cast<std::size_t>(picture.width / 2)];
}

// Coarse checks of what every frame of the opening must show, free of formulas (the picture
// guard's reference frames are the finer net): the frame overlay's two blue border lines
// lit between black bars and the picture, a 3D area that is a picture and not one flat
// colour, and a picture that moves on with the music.
TEST_F(WholeProgram, ShotsShowTheOverlayAndAMovingPicture) {
    ASSERT_TRUE(CopyMedia()) << "no generated media in " << runDirectory;
    const RunResult r = Run("-shots:12.5,13 -fps:2 -out:shots");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    PictureComparison::Picture shots[2];
    const char* names[2] = {"shot_012.500.png", "shot_013.000.png"};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(names[i]);
        ASSERT_TRUE(PictureComparison::LoadPicture(work / "shots" / names[i], &shots[i]));
        const PictureComparison::Picture& shot = shots[i];
        ASSERT_EQ(shot.width, 800);
        ASSERT_EQ(shot.height, 600);
        // The border lines are rows 56-57 and 542-543.
        for (int y : {56, 57, 542, 543}) {
            EXPECT_GT(RowMedian(shot, y, 2), 150) << "border row " << y << " is not lit";
            EXPECT_GT(RowMedian(shot, y, 2), RowMedian(shot, y, 0) + 80)
                << "border row " << y << " is not blue";
        }
        for (int y : {20, 40, 560, 580}) {
            EXPECT_LT(RowMedian(shot, y, 2), 10) << "bar row " << y << " is not black";
        }
        std::set<std::uint32_t> colours;
        for (int y = 100; y < 500; ++y) {
            for (int x = 100; x < 700; ++x) {
                const unsigned char* p = PixelAt(shot, x, y);
                colours.insert(static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]));
            }
        }
        EXPECT_GT(colours.size(), 100u) << "the 3D area is (nearly) one flat colour";
    }
    int moved = 0, area = 0;
    for (int y = 100; y < 500; ++y) {
        for (int x = 100; x < 700; ++x, ++area) {
            const unsigned char* a = PixelAt(shots[0], x, y);
            const unsigned char* b = PixelAt(shots[1], x, y);
            moved += std::abs(a[0] - b[0]) > 24 || std::abs(a[1] - b[1]) > 24 || std::abs(a[2] - b[2]) > 24
                         ? 1
                         : 0;
        }
    }
    EXPECT_GT(moved, area / 50) << "12.5 s and 13 s show (nearly) the same picture";
}

// A window on a 640 x 480 screen would be clamped to 620 x 380; the files keep the size
// asked for (800 x 600, or -width and -height).
TEST_F(WholeProgram, OutputSizeDoesNotDependOnTheDisplay) {
    ASSERT_EQ(std::system("command -v xvfb-run >/dev/null 2>&1"), 0)
        << "xvfb-run is not installed (scripts/install-deps.sh installs it)";
    ASSERT_TRUE(CopyMedia()) << "no generated media in " << runDirectory;
    struct Case {
        std::string arguments;
        fs::path file;
        ImageSize expected;
    };
    fs::create_directories(work / "frames");
    const Case cases[] = {
        {"-shots:0.5 -out:shots", work / "shots" / "shot_000.500.png", {800, 600}},
        {"-capture:frames -fps:10 -until:0.1 -width:1000 -height:700",
         work / "frames" / "frame_000000.png",
         {1000, 700}},
    };
    // SDL's own X11 driver on the Xvfb screen, not the offscreen driver the tests run with.
    const std::string smallScreen = "xvfb-run -a -s '-screen 0 640x480x24' env -u SDL_VIDEODRIVER";
    for (const Case& c : cases) {
        const RunResult r = Run(c.arguments, smallScreen);
        ASSERT_EQ(r.exitCode, 0) << c.arguments << "\n" << r.err;
        EXPECT_EQ(PngSize(c.file), c.expected) << c.arguments;
    }
}

TEST_F(WholeProgram, MissingMediaStillRunsAndReportsEachMember) {
    fs::create_directories(work / "data" / "meshes");
    fs::create_directories(work / "data" / "textures");
    const RunResult r = Run("-clock:0,1000");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(CountOf(r.out, "  o Error creating binary output file!\n\n"), 54);
    // The one member not on the delete list stays behind, empty.
    EXPECT_TRUE(fs::exists(work / "data" / "textures" / "circle01.dds"));
    EXPECT_EQ(fs::file_size(work / "data" / "textures" / "circle01.dds"), 0u);
}

TEST_F(WholeProgram, CaptureIntoADirectoryWritesNumberedFrames) {
    ASSERT_TRUE(CopyMedia()) << "no generated media in " << runDirectory;
    fs::create_directories(work / "frames");
    const RunResult r = Run("-capture:frames -fps:20 -until:0.2");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (int i = 0; i < 4; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.png", i);
        EXPECT_TRUE(fs::exists(work / "frames" / name)) << name;
    }
    EXPECT_FALSE(fs::exists(work / "frames" / "frame_000004.png"));
    EXPECT_NE(r.err.find("4/4 frames"), std::string::npos) << r.err;
}

TEST_F(WholeProgram, CaptureToAVideoMuxesTheMusic) {
    ASSERT_EQ(std::system("ffmpeg -version >/dev/null 2>&1 && ffprobe -version >/dev/null 2>&1"), 0)
        << "ffmpeg is not installed (scripts/install-deps.sh installs it)";
    ASSERT_TRUE(CopyMedia()) << "no generated media in " << runDirectory;
    const RunResult r = Run("-capture:demo.mp4 -fps:10 -until:0.5");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string probe = "ffprobe -v error -show_entries stream=codec_type,width,height -of csv=p=0 '" +
                              (work / "demo.mp4").string() + "' > '" + (directory / "probe.txt").string() +
                              "'";
    ASSERT_EQ(std::system(probe.c_str()), 0);
    const std::string streams = ReadFile(directory / "probe.txt");
    EXPECT_NE(streams.find("video,800,600"), std::string::npos) << streams;
    EXPECT_NE(streams.find("audio"), std::string::npos) << streams;
}

// A run mode that cannot be used ends the run before anything plays: no media extracted,
// nothing written, a message naming the option, exit code 64. Before, most of these played
// the whole demo in real time with a warning, or failed only after start-up.
TEST_F(WholeProgram, UnusableRunModesEndTheRunBeforeAnythingPlays) {
    ASSERT_TRUE(CopyMedia()) << "no generated media in " << runDirectory;
    std::ofstream(work / "a-file") << "not a directory";
    std::string overlongClock;
    for (int ms = 0; overlongClock.size() <= 4096; ms += 16) {
        overlongClock += (overlongClock.empty() ? "" : ",") + std::to_string(ms);
    }
    struct Refused {
        std::string args;
        std::string message;
    };
    const Refused cases[] = {
        {"-fps:0 -capture:frames.mkv", "-fps: '0' is not a frame rate"},
        {"-clock:" + overlongClock, "-clock:@FILE"},
        {"-clock:0,16,soon", "-clock: 'soon'"},
        {"-clock:@no-such-list.txt", "-clock: cannot read 'no-such-list.txt'"},
        {"-shots:1,x -out:shots", "-shots: 'x'"},
        {"-until:-5 -capture:frames.mkv", "-until: '-5'"},
        // Output paths are named as made absolute against the directory the run started in.
        {"-shots:1 -out:a-file/shots",
         "-out: cannot write into the directory '" + (work / "a-file/shots").string()},
        {"-capture:no-such-dir/demo.mp4 -fps:10 -until:0.3",
         "-capture: cannot create '" + (work / "no-such-dir/demo.mp4").string()},
        {"-clock:0 -trace:no-such-dir/t.jsonl",
         "-trace: cannot write '" + (work / "no-such-dir/t.jsonl").string()},
        {"-clock:0 -shots:1", "-clock runs alone"},
    };
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.args.substr(0, 80));
        const RunResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 64);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("nothing played"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << "media were extracted";
    }
    EXPECT_FALSE(fs::exists(work / "shots"));
    EXPECT_FALSE(fs::exists(work / "frames.mkv"));
    EXPECT_FALSE(fs::exists(work / "data" / "textures" / "blob.jpg"));
}

// -clock:@FILE plays the positions listed in the file, one per frame, then quits.
TEST_F(WholeProgram, ClockListFromAFile) {
    ASSERT_TRUE(CopyMedia()) << "no generated media in " << runDirectory;
    std::ofstream(work / "clock.txt") << "0\n16\n\n69204, 100000\n";
    const RunResult r = Run("-clock:@clock.txt -trace:t.jsonl");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string trace = ReadFile(work / "t.jsonl");
    for (const char* frame : {"\"frame\":0,\"t\":0,", "\"frame\":1,\"t\":0.016,", "\"frame\":2,\"t\":69.204,",
                              "\"frame\":3,\"t\":100."}) {
        EXPECT_NE(trace.find(frame), std::string::npos) << frame;
    }
    EXPECT_EQ(trace.find("\"frame\":4,"), std::string::npos) << "a frame past the list";
}

TEST_F(WholeProgram, TraceWindowBoundsTheTracedFrames) {
    ASSERT_TRUE(CopyMedia()) << "no generated media in " << runDirectory;
    const RunResult r = Run("-clock:0,16,69204,100000 -trace:t.jsonl -tracefrom:60 -traceuntil:70");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string trace = ReadFile(work / "t.jsonl");
    EXPECT_GT(CountOf(trace, "\"call\":\"IDirect3DDevice9::BeginScene\""), 0);
    EXPECT_EQ(CountOf(trace, "\n"), CountOf(trace, "\"frame\":2,\"t\":69.204,")) << trace.substr(0, 500);
}

// One traced line: {"frame":N,"t":SECONDS,"call":"NAME","args":["...",...]} and maybe "result".
struct TraceRecord {
    int frame = -1;
    double t = 0;
    std::string call;
    std::vector<std::string> args;
    std::string result;
};

// Parses the trace's own lines (its strings hold no escaped quotes in these records).
std::vector<TraceRecord> ParseTrace(const std::string& text, std::vector<std::string>* malformed) {
    const std::regex line("\\{\"frame\":([0-9]+),\"t\":([-0-9.e]+),\"call\":\"([^\"]+)\","
                          "\"args\":\\[(.*)\\](,\"result\":([^}]*))?\\}");
    const std::regex argument("\"((?:[^\"\\\\]|\\\\.)*)\"");
    std::vector<TraceRecord> records;
    std::istringstream lines(text);
    std::string text_line;
    while (std::getline(lines, text_line)) {
        std::smatch m;
        if (!std::regex_match(text_line, m, line)) {
            malformed->push_back(text_line);
            continue;
        }
        TraceRecord record;
        record.frame = std::stoi(m[1]);
        record.t = std::stod(m[2]);
        record.call = m[3];
        const std::string args = m[4];
        for (auto it = std::sregex_iterator(args.begin(), args.end(), argument); it != std::sregex_iterator();
             ++it) {
            record.args.push_back((*it)[1]);
        }
        record.result = m[6];
        records.push_back(std::move(record));
    }
    return records;
}

// The timeline's boundary frames, run once through the real binary: per scripted time the
// music time read and the scenes dispatched, in render order (windows are inclusive and
// compared in single precision: 28000 ms reads 28.0000019, inside the flight only).
TEST_F(WholeProgram, BoundaryFramesDispatchTheScenesOfTheirWindows) {
    ASSERT_TRUE(CopyMedia()) << "no generated media in " << runDirectory;
    struct Expected {
        int milliseconds;
        std::vector<std::string> scenes;
    };
    const Expected expected[] = {
        {0, {"OpeningBlobScene"}},
        {28000, {"CameraFlightScene"}},
        {69204, {"TwistStackScene", "CreditsBlobScene"}},
        {84827, {"CreditsBlobScene", "CutBlobScene"}},
        {100000, {"SwirlBlobScene"}},
        {113000, {"BeatRoomScene"}},
        {139863, {"BeatRoomScene", "WaterRoomScene"}},
        {160248, {"WaterRoomScene", "FinalRoomScene"}},
        {190001, {}},
    };
    std::string clock;
    for (const Expected& e : expected) {
        clock += (clock.empty() ? "" : ",") + std::to_string(e.milliseconds);
    }
    const RunResult r = Run("-clock:" + clock + " -trace:t.jsonl");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> malformed;
    const std::vector<TraceRecord> records = ParseTrace(ReadFile(work / "t.jsonl"), &malformed);
    EXPECT_TRUE(malformed.empty()) << malformed.front();

    const int frames = static_cast<int>(std::size(expected));
    std::vector<std::vector<const TraceRecord*>> byFrame(frames);
    for (const TraceRecord& record : records) {
        ASSERT_GE(record.frame, 0);
        ASSERT_LT(record.frame, frames) << record.call;
        byFrame[record.frame].push_back(&record);
    }
    for (int frame = 0; frame < frames; ++frame) {
        const Expected& e = expected[frame];
        SCOPED_TRACE(e.milliseconds);
        std::vector<const TraceRecord*> reads, dispatches;
        int draws = 0;
        for (const TraceRecord* record : byFrame[frame]) {
            EXPECT_NEAR(record->t, e.milliseconds / 1000.0, 1e-4);
            if (record->call == "FSOUND_Stream_GetTime") {
                reads.push_back(record);
            } else if (record->call == "SceneTimeline::Dispatch") {
                dispatches.push_back(record);
            } else if (record->call.starts_with("IDirect3DDevice9::Draw")) {
                ++draws;
            }
        }
        ASSERT_EQ(reads.size(), 1u);
        EXPECT_EQ(reads[0]->result, std::to_string(e.milliseconds));
        ASSERT_EQ(dispatches.size(), 1u);
        EXPECT_EQ(dispatches[0]->args, e.scenes);
        // The time is read before the dispatch that uses it.
        EXPECT_LT(reads[0], dispatches[0]);
        if (e.scenes.empty()) {
            EXPECT_EQ(draws, 0);
        } else {
            EXPECT_GT(draws, 0);
        }
    }

    // Buffer contents written by the scenes appear at Unlock: offset, size, then the bytes.
    const std::regex hex("[0-9a-f]*");
    int hexUnlocks = 0;
    for (const TraceRecord& record : records) {
        if (record.call == "IDirect3DVertexBuffer9::Unlock" ||
            record.call == "IDirect3DIndexBuffer9::Unlock") {
            ASSERT_EQ(record.args.size(), 4u);
            const std::size_t size = std::stoul(record.args[2]);
            if (size <= 4096) {
                EXPECT_EQ(record.args[3].size(), 2 * size);
                EXPECT_TRUE(std::regex_match(record.args[3], hex)) << record.args[3];
                hexUnlocks += size > 0 ? 1 : 0;
            } else {
                EXPECT_TRUE(std::regex_match(record.args[3], std::regex("crc32:[0-9A-F]{8}")))
                    << record.args[3];
            }
        }
    }
    EXPECT_GT(hexUnlocks, 0);
}

} // namespace

// -quitafterframe:N presents N + 1 frames and ends with exit code 0, also when a trace run
// wrapped the device: the demo's resources and the tracer leave no reference on the device.
TEST_F(WholeProgram, QuitAfterFrameRendersItsFramesAndExitsZero) {
    ASSERT_TRUE(CopyMedia()) << "no generated media in " << runDirectory;
    const RunResult r = Run("-windowed -quitafterframe:3 -trace:q.jsonl");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> malformed;
    std::vector<int> dispatchedFrames;
    std::vector<int> presentedFrames;
    for (const TraceRecord& record : ParseTrace(ReadFile(work / "q.jsonl"), &malformed)) {
        if (record.call == "SceneTimeline::Dispatch") {
            dispatchedFrames.push_back(record.frame);
        }
        if (record.call == "IDirect3DDevice9::Present") {
            presentedFrames.push_back(record.frame);
        }
    }
    EXPECT_TRUE(malformed.empty());
    EXPECT_EQ(dispatchedFrames, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(presentedFrames, (std::vector<int>{0, 1, 2, 3}));
}
