#include "shell/run_directory.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/temp_directory.h"

namespace {

namespace fs = std::filesystem;

struct XdgCase {
    RunEnvironment environment;
    std::string state;
    std::vector<std::string> workParents;
};

TEST(RunDirectory, XdgDirectoriesFollowTheVariablesAndIgnoreRelativeOnes) {
    const XdgCase cases[] = {
        {{"/home/me", "", "", ""}, "/home/me/.local/state/quillmoor", {"/home/me/.cache/quillmoor"}},
        {{"/home/me", "/srv/state", "/run/user/1000", "/srv/cache"},
         "/srv/state/quillmoor",
         {"/run/user/1000/quillmoor", "/srv/cache/quillmoor"}},
        {{"/home/me", "state", "run", "cache"},
         "/home/me/.local/state/quillmoor",
         {"/home/me/.cache/quillmoor"}},
        {{"", "", "", ""}, "", {}},
    };
    for (const XdgCase& c : cases) {
        SCOPED_TRACE(c.environment.xdgStateHome + " | " + c.environment.xdgRuntimeDir);
        EXPECT_EQ(RunDirectory::StateDirectory(c.environment), c.state);
        EXPECT_EQ(RunDirectory::WorkParents(c.environment), c.workParents);
    }
}

// bin/quillmoor with share/quillmoor beside it is an installed program; a program with its
// media beside it (a build's run directory) is not.
TEST(RunDirectory, InstalledMediaAreFoundBesideTheBinDirectoryOnly) {
    const fs::path root = TestTemp::MakeDirectory("quillmoor-layout");
    fs::create_directories(root / "bin");
    fs::create_directories(root / "share" / "quillmoor");
    EXPECT_EQ(RunDirectory::InstalledMedia((root / "bin" / "quillmoor").string()), "");
    std::ofstream(root / "share" / "quillmoor" / "z.ogg") << "music";
    EXPECT_EQ(RunDirectory::InstalledMedia((root / "bin" / "quillmoor").string()),
              (root / "share" / "quillmoor").string());
    std::ofstream(root / "bin" / "data.rar") << "archive";
    EXPECT_EQ(RunDirectory::InstalledMedia((root / "bin" / "quillmoor").string()), "");
    fs::remove_all(root);
}

} // namespace
