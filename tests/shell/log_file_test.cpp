#include "shell/log_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>

#include "tests/temp_directory.h"

namespace {

namespace fs = std::filesystem;

// Each test runs in a fresh temporary working directory, as a new run would.
class LogFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous = fs::current_path();
        directory = TestTemp::MakeDirectory("quillmoor-log");
        fs::current_path(directory);
        LogFile::ResetForTest();
    }
    void TearDown() override {
        LogFile::ResetForTest();
        fs::current_path(previous);
        fs::remove_all(directory);
    }
    static std::string Contents() {
        std::ifstream in(LogFile::fileName, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path previous;
    fs::path directory;
};

TEST_F(LogFileTest, FirstWriteOfARunTruncatesLaterOnesAppend) {
    std::ofstream(LogFile::fileName) << "an earlier run's log\n";
    LogFile::Print("first");
    LogFile::Print("second %d", 2);
    LogFile::NewLines(2);
    EXPECT_EQ(Contents(), "first\nsecond 2\n\n\n");
}

TEST_F(LogFileTest, PercentSignsInArgumentsAreCopiedUnchanged) {
    LogFile::Print("Loading %s ...", "data//textures//100%_%s%d.jpg");
    LogFile::Print("Loading ... %s", "%n%%");
    EXPECT_EQ(Contents(), "Loading data//textures//100%_%s%d.jpg ...\nLoading ... %n%%\n");
}

TEST_F(LogFileTest, OverlongMessagesAreCutAtTheBuffer) {
    const std::string longName(5000, 'x');
    LogFile::Print("%s", longName.c_str());
    EXPECT_EQ(Contents(), std::string(LogFile::messageCapacity - 1, 'x') + "\n");
}

TEST_F(LogFileTest, WholeRunHasBannersAroundTheMessagesInTheDocumentedLayout) {
    {
        LogFile log;
        LogFile::Print("Loading %s ...", "data//textures//blob.jpg");
        LogFile::Print("Loading ... %s", "METAL004.bmp");
    }
    const std::string date = "[A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}";
    const std::regex layout("\n"
                            "-------------------- Corvel log started on: " +
                            date +
                            " --------------------\n"
                            "\n"
                            "Loading data//textures//blob.jpg ...\n"
                            "Loading ... METAL004.bmp\n"
                            "\n"
                            "-------------------- Corvel log ended on: " +
                            date +
                            " --------------------\n"
                            "\n\n\n");
    const std::string text = Contents();
    EXPECT_TRUE(std::regex_match(text, layout)) << text;
}

// The global log is made before the run knows its log directory: the start banner waits for
// it and nothing is written in the working directory.
TEST_F(LogFileTest, StartBannerGoesWhereTheDirectoryIsSetLater) {
    fs::create_directory("state");
    {
        LogFile log;
        EXPECT_FALSE(fs::exists(LogFile::fileName));
        LogFile::SetDirectory((directory / "state").string());
        LogFile::Print("Loading %s ...", "a.tga");
    }
    EXPECT_FALSE(fs::exists(LogFile::fileName));
    std::ifstream in(directory / "state" / LogFile::fileName, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_TRUE(std::regex_match(text.str(), std::regex("\n-+ Corvel log started on: [^\n]+ -+\n\n"
                                                        "Loading a.tga ...\n"
                                                        "\n-+ Corvel log ended on: [^\n]+ -+\n\n\n\n")))
        << text.str();
}

TEST_F(LogFileTest, UnopenableFileSendsTheWriteToStandardOutput) {
    fs::create_directory(LogFile::fileName); // a directory cannot be opened as the log
    testing::internal::CaptureStdout();
    LogFile::Print("Loading %s ...", "a.tga");
    LogFile::Print("still here");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Loading a.tga ...\nstill here\n");
}

TEST(LogFileDate, DateTextIsTheFixedWidthEnglishForm) {
    const char* oldZone = std::getenv("TZ");
    const std::string saved = oldZone ? oldZone : "";
    setenv("TZ", "UTC", 1);
    tzset();
    struct Case {
        std::time_t when;
        const char* text;
    };
    const Case cases[] = {
        {0, "Thu Jan 01 00:00:00 1970"},
        {1009937035, "Wed Jan 02 02:03:55 2002"},
        {1723456789, "Mon Aug 12 09:59:49 2024"},
        {1734567890, "Thu Dec 19 00:24:50 2024"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LogFile::DateText(c.when), c.text);
    }
    if (oldZone) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

} // namespace
