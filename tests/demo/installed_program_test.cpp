// `cmake --install` into a temporary prefix, then the installed quillmoor run from another
// directory: it finds its media, writes its log where it may, extracts only into a place of
// its own, and leaves the directory it was started in alone but for the files asked for.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tests/temp_directory.h"

namespace {

namespace fs = std::filesystem;

const fs::path buildDirectory = QUILLMOOR_BINARY_DIR;

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

// Width and height of a PNG (IHDR, big-endian at bytes 16..23); 0 x 0 when not a PNG.
std::pair<unsigned, unsigned> PngSize(const fs::path& path) {
    const std::string png = ReadFile(path);
    if (png.size() < 24 || png.substr(1, 3) != "PNG") {
        return {0, 0};
    }
    const auto be32 = [&](std::size_t at) {
        unsigned value = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            value = value << 8 | static_cast<unsigned char>(png[at + i]);
        }
        return value;
    };
    return {be32(16), be32(20)};
}

// Every path under `root`, relative to it.
std::set<std::string> Listing(const fs::path& root) {
    std::set<std::string> paths;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(root, error)) {
        paths.insert(fs::relative(entry.path(), root).string());
    }
    return paths;
}

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class InstalledProgram : public ::testing::Test {
  protected:
    // One install for all the tests: it copies some megabytes of media.
    static void SetUpTestSuite() {
        root = TestTemp::MakeDirectory("quillmoor-install");
        // Traversable by the unprivileged user some tests run as.
        fs::permissions(root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
        prefix = root / "prefix";
        installed = Shell("'" + std::string(QUILLMOOR_CMAKE_COMMAND) + "' --install '" +
                          buildDirectory.string() + "' --prefix '" + prefix.string() + "' >'" +
                          (root / "install.txt").string() + "' 2>&1") == 0;
    }
    static void TearDownTestSuite() {
        if (!root.empty()) {
            std::error_code error;
            fs::remove_all(root, error);
        }
    }

    void SetUp() override {
        ASSERT_TRUE(fs::exists(buildDirectory / "run" / "quillmoor") &&
                    fs::exists(buildDirectory / "run" / "data.rar"))
            << "the program and its media are not built in " << buildDirectory;
        ASSERT_TRUE(installed) << ReadFile(root / "install.txt");
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        scratch = root / name;
        fs::create_directories(scratch / "start");
        fs::create_directories(scratch / "home");
        fs::create_directories(scratch / "runtime");
        fs::permissions(scratch / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    }

    // Runs `program` with `args` from scratch/start, with HOME and XDG_RUNTIME_DIR of its own.
    RunResult Run(const fs::path& program, const std::string& args, const std::string& asUser = "") {
        const std::string command = "cd '" + (scratch / "start").string() + "' && " + asUser +
                                    " env -u XDG_STATE_HOME -u XDG_CACHE_HOME" + " HOME='" +
                                    (scratch / "home").string() + "' XDG_RUNTIME_DIR='" +
                                    (scratch / "runtime").string() +
                                    "' SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout 600 '" +
                                    program.string() + "' " + args + " >'" + (scratch / "out.txt").string() +
                                    "' 2>'" + (scratch / "err.txt").string() + "' </dev/null";
        RunResult result;
        result.exitCode = Shell(command);
        result.out = ReadFile(scratch / "out.txt");
        result.err = ReadFile(scratch / "err.txt");
        return result;
    }

    static inline fs::path root;
    static inline fs::path prefix;
    static inline bool installed = false;
    fs::path scratch;
};

TEST_F(InstalledProgram, InstallPutsProgramsMediaDesktopEntryAndIcon) {
    for (const char* file :
         {"bin/quillmoor", "bin/quillmoor-rar", "share/quillmoor/data.rar", "share/quillmoor/z.ogg",
          "share/quillmoor/data/shader/diffuse.fx", "share/quillmoor/data/textures/greets_birch.jpg",
          "share/quillmoor/data/textures/greets_cedarjpg", "share/applications/quillmoor.desktop"}) {
        EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;
    }
    EXPECT_TRUE(fs::is_directory(prefix / "share/quillmoor/data/meshes"));
    EXPECT_EQ(::access((prefix / "bin/quillmoor").c_str(), X_OK), 0);
    const std::string entry = ReadFile(prefix / "share/applications/quillmoor.desktop");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u) << entry;
    for (const char* line :
         {"\nType=Application\n", "\nExec=quillmoor\n", "\nIcon=quillmoor\n", "\nName=Quillmoor\n"}) {
        EXPECT_NE(entry.find(line), std::string::npos) << line;
    }
    for (unsigned size : {48u, 256u}) {
        const std::string sized = std::to_string(size) + "x" + std::to_string(size);
        EXPECT_EQ(PngSize(prefix / "share/icons/hicolor" / sized / "apps/quillmoor.png"),
                  std::make_pair(size, size))
            << sized;
    }
}

// The prefix is the user's own here, so the run directory is writable: log and extraction there.
TEST_F(InstalledProgram, RunsFromAnotherDirectoryWithItsInstalledMedia) {
    const RunResult r = Run(prefix / "bin/quillmoor", "-shots:0.5 -out:shots");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(CountOf(r.out, "OK.\n\n"), 54) << r.out;
    EXPECT_EQ(Listing(scratch / "start"), (std::set<std::string>{"shots", "shots/shot_000.500.png"}));
    EXPECT_EQ(PngSize(scratch / "start/shots/shot_000.500.png"), std::make_pair(800u, 600u));
    const fs::path runDirectory = prefix / "share/quillmoor";
    EXPECT_NE(ReadFile(runDirectory / "bramble.txt").find("Loading data//textures//blob.jpg ...\n"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(runDirectory / "data/meshes/blobby02.x"));
    fs::remove(runDirectory / "bramble.txt");
    fs::remove(runDirectory / "data/textures/circle01.dds"); // the one member the demo keeps
}

// A run directory the user cannot write: it stays as installed, the archive is extracted into
// a private directory that is gone after the run, and the log is in the XDG state directory.
TEST_F(InstalledProgram, ReadOnlyRunDirectoryIsReadThrough) {
    const fs::path runDirectory = prefix / "share/quillmoor";
    const std::set<std::string> before = Listing(runDirectory);
    std::string asUser;
    if (::geteuid() == 0) {
        // Root may write anywhere: the run is made as an unprivileged user instead.
        if (Shell("command -v setpriv >/dev/null && id nobody >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "running as root without setpriv or the user nobody";
        }
        fs::permissions(scratch, fs::perms::all, fs::perm_options::add);
        ASSERT_EQ(Shell("chown -R nobody '" + scratch.string() + "'"), 0);
        asUser = "setpriv --reuid=nobody --regid=nogroup --clear-groups";
    } else {
        ASSERT_EQ(Shell("chmod -R a-w '" + runDirectory.string() + "'"), 0);
    }
    const RunResult r = Run(prefix / "bin/quillmoor", "-shots:0.5 -out:shots", asUser);
    if (::geteuid() != 0) {
        Shell("chmod -R u+w '" + runDirectory.string() + "'");
    }
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(CountOf(r.out, "OK.\n\n"), 54) << r.out;
    EXPECT_EQ(Listing(runDirectory), before);
    EXPECT_EQ(PngSize(scratch / "start/shots/shot_000.500.png"), std::make_pair(800u, 600u));
    EXPECT_EQ(Listing(scratch / "start"), (std::set<std::string>{"shots", "shots/shot_000.500.png"}));
    const std::string log = ReadFile(scratch / "home/.local/state/quillmoor/bramble.txt");
    EXPECT_NE(log.find("Loading data//textures//blob.jpg ...\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Corvel log ended on"), std::string::npos) << log;
    EXPECT_EQ(Listing(scratch / "runtime"), (std::set<std::string>{"quillmoor"}));
}

TEST_F(InstalledProgram, DataOptionNamesTheRunDirectory) {
    const fs::path media = scratch / "media";
    fs::copy(prefix / "share/quillmoor", media, fs::copy_options::recursive);
    const RunResult r = Run(prefix / "bin/quillmoor", "-clock:0,1000 -data:../media");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(CountOf(r.out, "OK.\n\n"), 54) << r.out;
    EXPECT_NE(ReadFile(media / "bramble.txt").find("Loading data//textures//blob.jpg ...\n"),
              std::string::npos);
    EXPECT_TRUE(Listing(scratch / "start").empty());

    const RunResult missing = Run(prefix / "bin/quillmoor", "-clock:0 -data:no-such-directory");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("-data: no directory no-such-directory"), std::string::npos) << missing.err;
    EXPECT_TRUE(Listing(scratch / "start").empty()); // not even a log
}

} // namespace
