#include "shell/run_modes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

RunModeOptions ParseArgs(const std::wstring& args) {
    return RunModes::Parse(L"quillmoor " + args);
}

TEST(RunModesParse, NoArgumentsMeansPlainPlaying) {
    const RunModeOptions o = RunModes::Parse(L"\"/opt/my demo/quillmoor\"");
    EXPECT_FALSE(o.FixedClock());
    EXPECT_FALSE(o.trace);
    EXPECT_FALSE(o.help);
    EXPECT_EQ(o.fps, 60);
    EXPECT_EQ(o.untilSeconds, 190);
    EXPECT_TRUE(o.errors.empty());
}

struct ParseCase {
    const wchar_t* args;
    bool capture;
    std::string capturePath;
    int fps;
    double until;
    std::vector<double> shots;
    std::string out;
    std::vector<int> clock;
    bool help;
    std::size_t errors;
};

TEST(RunModesParse, KeywordsValuesAndFrameworkPrecedence) {
    const ParseCase cases[] = {
        {L"-capture:out.mp4", true, "out.mp4", 60, 190, {}, ".", {}, false, 0},
        {L"/CAPTURE:Out.MKV -FPS:30 -until:12.5", true, "Out.MKV", 30, 12.5, {}, ".", {}, false, 0},
        // A quoted token keeps its blanks.
        {L"\"-capture:/tmp/my videos/q.mp4\" -windowed",
         true,
         "/tmp/my videos/q.mp4",
         60,
         190,
         {},
         ".",
         {},
         false,
         0},
        {L"capture:frames", true, "frames", 60, 190, {}, ".", {}, false, 0},
        {L"-shots:70,12.5,70 -out:shots", false, "", 60, 190, {12.5, 70}, "shots", {}, false, 0},
        {L"-clock:0,16,-5,69204", false, "", 60, 190, {}, ".", {0, 16, -5, 69204}, false, 0},
        {L"-help", false, "", 60, 190, {}, ".", {}, true, 0},
        {L"-HeLp", false, "", 60, 190, {}, ".", {}, true, 0},
        // Framework keywords come first and take their values with them.
        {L"-width:640 -height:480 -windowed -quitafterframe:5 -constantframetime",
         false,
         "",
         60,
         190,
         {},
         ".",
         {},
         false,
         0},
        // "height" is the framework's even though "help" would start the same way... it does
        // not: only a whole keyword matches.
        {L"-heightx", false, "", 60, 190, {}, ".", {}, false, 0},
        // Keywords run together are read one after the other, as the framework reads them.
        {L"-windowedhelp", false, "", 60, 190, {}, ".", {}, true, 0},
        {L"-helpme", false, "", 60, 190, {}, ".", {}, true, 0},
        // Each value that cannot be used is refused with a line of its own.
        {L"-fps:0 -fps:abc -fps:2.5 -until:-1 -until:", false, "", 60, 190, {}, ".", {}, false, 5},
        {L"-fps -capture", false, "", 60, 190, {}, ".", {}, false, 2},
        {L"-shots:1,,2 -clock:1.5 -clock:x", false, "", 60, 190, {}, ".", {}, false, 3},
        {L"-capture: -out:", false, "", 60, 190, {}, ".", {}, false, 2},
        // Unknown tokens are skipped; a run-mode keyword without its value is not.
        {L"-bogus /x:1 fpsy", false, "", 60, 190, {}, ".", {}, false, 1},
        {L"-clock:0,,16 -clock:16, -clock:,16 -shots:1e999", false, "", 60, 190, {}, ".", {}, false, 4},
        // One clock per run: two of them cannot be asked for together.
        {L"-capture:a.mp4 -shots:1", true, "a.mp4", 60, 190, {1}, ".", {}, false, 1},
        {L"-capture:a.mp4 -clock:1", true, "a.mp4", 60, 190, {}, ".", {1}, false, 1},
    };
    for (const ParseCase& c : cases) {
        const RunModeOptions o = ParseArgs(c.args);
        const std::string label = std::string(c.args, c.args + std::wcslen(c.args));
        EXPECT_EQ(o.capture, c.capture) << label;
        EXPECT_EQ(o.capturePath, c.capturePath) << label;
        EXPECT_EQ(o.fps, c.fps) << label;
        EXPECT_EQ(o.untilSeconds, c.until) << label;
        EXPECT_EQ(o.shots, !c.shots.empty()) << label;
        EXPECT_EQ(o.shotSeconds, c.shots) << label;
        EXPECT_EQ(o.outDirectory, c.out) << label;
        EXPECT_EQ(o.clock, !c.clock.empty()) << label;
        EXPECT_EQ(o.clockMilliseconds, c.clock) << label;
        EXPECT_EQ(o.help, c.help) << label;
        EXPECT_EQ(o.errors.size(), c.errors) << label;
    }
}

TEST(RunModesParse, TraceAndItsWindow) {
    RunModeOptions o = ParseArgs(L"-trace:calls.jsonl -tracefrom:69 -traceuntil:69.5");
    EXPECT_TRUE(o.trace);
    EXPECT_EQ(o.tracePath, "calls.jsonl");
    EXPECT_EQ(o.traceFromSeconds, 69);
    EXPECT_EQ(o.traceUntilSeconds, 69.5);

    o = ParseArgs(L"-trace:t.jsonl");
    EXPECT_EQ(o.traceFromSeconds, 0);
    EXPECT_TRUE(std::isinf(o.traceUntilSeconds));

    // -tracefrom is not -trace with the value "from...".
    o = ParseArgs(L"-tracefrom:3");
    EXPECT_FALSE(o.trace);
    EXPECT_EQ(o.traceFromSeconds, 3);
}

TEST(RunModesParse, DataDirectoryAndOutputPathsAnchoredAtTheStart) {
    RunModeOptions o = ParseArgs(L"-data:/usr/share/quillmoor -shots:1 -trace:t.jsonl");
    EXPECT_EQ(o.dataDirectory, "/usr/share/quillmoor");
    RunModes::AnchorPaths(&o, "/home/me/videos");
    EXPECT_EQ(o.outDirectory, "/home/me/videos/");
    EXPECT_EQ(o.tracePath, "/home/me/videos/t.jsonl");

    o = ParseArgs(L"\"-capture:my clips/q.mp4\" -data");
    EXPECT_TRUE(o.dataDirectory.empty());
    EXPECT_EQ(o.errors.size(), 1u); // -data without a directory
    RunModes::AnchorPaths(&o, "/home/me");
    EXPECT_EQ(o.capturePath, "/home/me/my clips/q.mp4");

    o = ParseArgs(L"-capture:/tmp/q.mp4 -out:../shots");
    RunModes::AnchorPaths(&o, "/home/me/videos");
    EXPECT_EQ(o.capturePath, "/tmp/q.mp4"); // absolute paths stay
    EXPECT_EQ(o.outDirectory, "/home/me/shots");
}

TEST(RunModesParse, OverlongValuesAreRefused) {
    const RunModeOptions o = ParseArgs(L"-capture:" + std::wstring(10000, L'a'));
    EXPECT_FALSE(o.capture);
    EXPECT_EQ(o.errors.size(), 1u);
}

// A clock list over the command line's value limit is refused, pointing at -clock:@FILE
// (it used to be dropped with a warning, and the run played in real time instead).
TEST(RunModesParse, AnOverlongClockListIsRefusedAndPointsAtTheFileForm) {
    std::wstring list;
    for (int ms = 0; list.size() <= 4096; ms += 16) {
        list += (list.empty() ? L"" : L",") + std::to_wstring(ms);
    }
    const RunModeOptions o = ParseArgs(L"-clock:" + list);
    EXPECT_FALSE(o.clock);
    ASSERT_EQ(o.errors.size(), 1u);
    EXPECT_NE(o.errors[0].find("-clock:@FILE"), std::string::npos) << o.errors[0];
}

class ListFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/qm_lists_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    std::wstring Write(const std::string& name, const std::string& text) {
        const std::filesystem::path path = directory / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.wstring();
    }

    std::filesystem::path directory;
};

TEST_F(ListFileTest, ClockAndShotListsComeFromFilesOfAnyLength) {
    std::string clock;
    std::vector<int> expected;
    for (int frame = 0; frame < 3000; ++frame) {
        expected.push_back(frame * 16);
        clock += (frame == 0 ? "" : frame % 10 == 0 ? ",\n" : ", ") + std::to_string(frame * 16);
    }
    RunModeOptions o = ParseArgs(L"-clock:@" + Write("clock.txt", clock));
    EXPECT_TRUE(o.errors.empty()) << o.errors.front();
    EXPECT_TRUE(o.clock);
    EXPECT_EQ(o.clockMilliseconds, expected);

    o = ParseArgs(L"-shots:@" + Write("shots.txt", "70\n12.5\r\n70\n"));
    EXPECT_TRUE(o.errors.empty());
    EXPECT_EQ(o.shotSeconds, (std::vector<double>{12.5, 70}));
}

TEST_F(ListFileTest, UnreadableOrBadListFilesAreRefusedByName) {
    struct Case {
        std::wstring args;
        const char* mentions;
    };
    const Case cases[] = {
        {L"-clock:@" + (directory / "missing.txt").wstring(), "missing.txt"},
        {L"-clock:@" + directory.wstring(), "qm_lists_"},
        {L"-clock:@" + Write("empty.txt", ""), "empty.txt"},
        {L"-clock:@" + Write("words.txt", "0 16 thirty-two"), "'thirty-two' in"},
        {L"-clock:@" + Write("fraction.txt", "0,16.5"), "whole milliseconds"},
        {L"-shots:@" + Write("negative.txt", "-1"), "from 0"},
        {L"-clock:@", "file name"},
    };
    for (const Case& c : cases) {
        const RunModeOptions o = ParseArgs(c.args);
        const std::string label(c.args.begin(), c.args.end());
        EXPECT_FALSE(o.clock || o.shots) << label;
        ASSERT_EQ(o.errors.size(), 1u) << label;
        EXPECT_NE(o.errors[0].find(c.mentions), std::string::npos) << label << ": " << o.errors[0];
    }
}

TEST(RunModesUsage, NamesEveryRunModeKeyword) {
    const std::string usage = RunModes::Usage();
    for (const char* keyword :
         {"-capture:", "-fps:", "-until:", "-shots:", "-out:", "-clock:", "-trace:", "-tracefrom:",
          "-traceuntil:", "-data:", "-help", "-windowed", "-quitafterframe:", "-clock:@FILE"}) {
        EXPECT_NE(usage.find(keyword), std::string::npos) << keyword;
    }
    EXPECT_NE(usage.find("exit code " + std::to_string(RunModes::UnusableRunModeExitCode)),
              std::string::npos);
}

} // namespace
