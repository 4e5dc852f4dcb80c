// Runs the real quillmoor binary on the generated media, headless, in a scratch copy of its
// run directory. Skipped when the binary or the media have not been built.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path runDirectory = fs::path(QUILLMOOR_BINARY_DIR) / "run";
const fs::path binary = runDirectory / "quillmoor";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int CountOf(const std::string& text, const std::string& what) {
    int count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class WholeProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(binary)) {
            GTEST_SKIP() << "no binary at " << binary;
        }
        char pattern[] = "/tmp/quillmoor-run-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
        runtime = directory / "runtime";
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
        work = directory / "work";
        fs::create_directories(work);
    }
    void TearDown() override {
        if (!directory.empty()) {
            fs::remove_all(directory);
        }
    }

    // The media of the run directory (not the binary, not logs of other runs).
    bool CopyMedia() {
        if (!fs::exists(runDirectory / "data.rar") || !fs::exists(runDirectory / "z.ogg")) {
            return false;
        }
        fs::copy_file(runDirectory / "data.rar", work / "data.rar");
        fs::copy_file(runDirectory / "z.ogg", work / "z.ogg");
        fs::copy(runDirectory / "data", work / "data", fs::copy_options::recursive);
        return true;
    }

    RunResult Run(const std::string& args) {
        const std::string command = "cd '" + work.string() +
                                    "' && env SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy " +
                                    "XDG_RUNTIME_DIR='" + runtime.string() + "' timeout 600 '" +
                                    binary.string() + "' " + args + " >'" + (directory / "out.txt").string() +
                                    "' 2>'" + (directory / "err.txt").string() + "' </dev/null";
        const int status = std::system(command.c_str());
        RunResult result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = ReadFile(directory / "out.txt");
        result.err = ReadFile(directory / "err.txt");
        return result;
    }

    fs::path directory;
    fs::path runtime;
    fs::path work;
};

TEST_F(WholeProgram, HelpPrintsUsageAndExitsZero) {
    const RunResult r = Run("-help");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Usage: quillmoor"), std::string::npos);
    EXPECT_NE(r.out.find("-capture:FILE"), std::string::npos);
}

TEST_F(WholeProgram, ScriptedClockRunExtractsRendersCleansUpAndLogs) {
    if (!CopyMedia()) {
        GTEST_SKIP() << "no generated media in " << runDirectory;
    }
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
    const std::regex timeField("\"time\":([-0-9.e]+)");
    int clears = 0, clearsLate = 0;
    while (std::getline(lines, line)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(line, m, timeField)) << line;
        const double t = std::stod(m[1]);
        if (times.empty() || times.back() != t) {
            times.push_back(t);
        }
        if (line.find("\"call\":\"Clear\"") != std::string::npos) {
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

TEST_F(WholeProgram, ShotsAreSavedAtTheirTimes) {
    if (!CopyMedia()) {
        GTEST_SKIP() << "no generated media in " << runDirectory;
    }
    const RunResult r = Run("-shots:0.5,1 -fps:10 -out:shots");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* name : {"shot_000.500.png", "shot_001.000.png"}) {
        const std::string png = ReadFile(work / "shots" / name);
        ASSERT_GT(png.size(), 24u) << name;
        EXPECT_EQ(png.substr(1, 3), "PNG");
        // IHDR width and height, big-endian, at bytes 16..23.
        const auto be32 = [&](std::size_t at) {
            return (static_cast<unsigned char>(png[at]) << 24) |
                   (static_cast<unsigned char>(png[at + 1]) << 16) |
                   (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
        };
        EXPECT_EQ(be32(16), 800u) << name;
        EXPECT_EQ(be32(20), 600u) << name;
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
    if (!CopyMedia()) {
        GTEST_SKIP() << "no generated media in " << runDirectory;
    }
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
    if (std::system("ffmpeg -version >/dev/null 2>&1 && ffprobe -version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no ffmpeg";
    }
    if (!CopyMedia()) {
        GTEST_SKIP() << "no generated media in " << runDirectory;
    }
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

TEST_F(WholeProgram, UnusableCaptureTargetFailsWithAMessage) {
    if (!CopyMedia()) {
        GTEST_SKIP() << "no generated media in " << runDirectory;
    }
    const RunResult r = Run("-capture:no-such-dir/demo.mp4 -fps:10 -until:0.3");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("capture ended after"), std::string::npos) << r.err;
}

TEST_F(WholeProgram, TraceWindowBoundsTheTracedFrames) {
    if (!CopyMedia()) {
        GTEST_SKIP() << "no generated media in " << runDirectory;
    }
    const RunResult r = Run("-clock:0,16,69204,100000 -trace:t.jsonl -tracefrom:60 -traceuntil:70");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string trace = ReadFile(work / "t.jsonl");
    EXPECT_GT(CountOf(trace, "\"call\":\"BeginScene\""), 0);
    EXPECT_EQ(CountOf(trace, "\n"), CountOf(trace, "\"frame\":2,\"time\":69.204")) << trace.substr(0, 500);
}

} // namespace
