#pragma once
// Runs the real quillmoor binary on the generated media, headless, in a scratch copy of its
// run directory under TMPDIR. The build makes both; a test without them fails.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "tests/temp_directory.h"

namespace fs = std::filesystem;

inline const fs::path runDirectory = fs::path(QUILLMOOR_BINARY_DIR) / "run";
inline const fs::path binary = runDirectory / "quillmoor";

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class WholeProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(binary)) << "no binary at " << binary << ": build the quillmoor target";
        directory = TestTemp::MakeDirectory("quillmoor-run");
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

    // Runs the binary headless on SDL's offscreen display, or on `display` (a command that
    // starts a display and runs the rest of the line on it) when given.
    RunResult Run(const std::string& args, const std::string& display = "env SDL_VIDEODRIVER=offscreen") {
        const std::string command =
            "cd '" + work.string() + "' && " + display + " env SDL_AUDIODRIVER=dummy " + "XDG_RUNTIME_DIR='" +
            runtime.string() + "' timeout 600 '" + binary.string() + "' " + args + " >'" +
            (directory / "out.txt").string() + "' 2>'" + (directory / "err.txt").string() + "' </dev/null";
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
