#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "rar/rar_writer.h"
#include "tests/temp_directory.h"
#include "tools/quillmoor-rar/member_name.h"
#include "tools/quillmoor-rar/rar_command.h"

namespace {

namespace fs = std::filesystem;

TEST(RarCommand, OneLetterCommandsOfTheOldArchiverAreAliases) {
    const struct {
        const char* word;
        RarCommand command;
    } cases[] = {
        {"list", RarCommand::List},       {"l", RarCommand::List},     {"L", RarCommand::List},
        {"test", RarCommand::Test},       {"t", RarCommand::Test},     {"T", RarCommand::Test},
        {"extract", RarCommand::Extract}, {"x", RarCommand::Extract},  {"pack", RarCommand::Pack},
        {"a", RarCommand::Pack},          {"p", RarCommand::Print},    {"print", RarCommand::Print},
        {"", RarCommand::Unknown},        {"e", RarCommand::Unknown},  {"lt", RarCommand::Unknown},
        {"tests", RarCommand::Unknown},   {"-t", RarCommand::Unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseRarCommand(c.word), c.command) << "'" << c.word << "'";
    }
}

TEST(RarCommand, PackedNamesAreRelative) {
    const struct {
        const char* path;
        const char* name;
        const char* dropped;
    } cases[] = {
        {"data/blob.jpg", "data/blob.jpg", ""},
        {"./data//blob.jpg", "data/blob.jpg", ""},
        {"data/x/../blob.jpg", "data/blob.jpg", ""},
        {"/tmp/data/blob.jpg", "tmp/data/blob.jpg", "/"},
        {"//tmp/blob.jpg", "tmp/blob.jpg", "/"},
        {"/../tmp/blob.jpg", "tmp/blob.jpg", "/"},
        {"../blob.jpg", "blob.jpg", "../"},
        {"../../data/blob.jpg", "data/blob.jpg", "../../"},
        {"data/../../blob.jpg", "blob.jpg", "../"},
        {"..blob/..x", "..blob/..x", ""},
        {"/", "", "/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const PackedMemberName named = MemberNameFor(c.path);
        EXPECT_EQ(named.name, c.name);
        EXPECT_EQ(named.dropped, c.dropped);
    }
}

// Runs the built tool on an archive in a temporary directory.
class RarToolTest : public testing::Test {
  protected:
    void SetUp() override {
        tool_ = fs::path(QUILLMOOR_BINARY_DIR) / "tools" / "quillmoor-rar" / "quillmoor-rar";
        ASSERT_TRUE(fs::exists(tool_)) << tool_ << " missing: build the quillmoor-rar target";
        dir_ = TestTemp::MakeDirectory("qm_rar_tool");
        std::vector<RarWriter::Member> members;
        for (int i = 0; i < 3; ++i) {
            std::string text;
            for (int k = 0; k < 400; ++k) {
                text += "vertex " + std::to_string(k * (i + 1)) + ";\n";
            }
            members.push_back({"data\\m" + std::to_string(i) + ".x", {text.begin(), text.end()}});
        }
        members_ = members;
        ASSERT_TRUE(RarWriter::Write((dir_ / "in.rar").string(), members, true));
    }
    void TearDown() override {
        if (!dir_.empty()) {
            fs::remove_all(dir_);
        }
    }
    // Exit code of the tool run in `dir_` (or `from`); its standard output lands in `out`,
    // its standard error in `err_`.
    int Run(const std::string& args, std::string& out, const fs::path& from = {}) {
        const fs::path captured = dir_ / "stdout.txt", errors = dir_ / "stderr.txt";
        const std::string cmd = "cd '" + (from.empty() ? dir_ : from).string() + "' && '" + tool_.string() +
                                "' " + args + " > '" + captured.string() + "' 2> '" + errors.string() + "'";
        const int status = std::system(cmd.c_str());
        out = ReadText(captured);
        err_ = ReadText(errors);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static std::string ReadText(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string err_;
    fs::path tool_, dir_;
    std::vector<RarWriter::Member> members_;
};

TEST_F(RarToolTest, ShortAndLongCommandsDoTheSame) {
    const struct {
        const char* shortForm;
        const char* longForm;
    } pairs[] = {{"l in.rar", "list in.rar"}, {"t in.rar", "test in.rar"}};
    for (const auto& p : pairs) {
        SCOPED_TRACE(p.shortForm);
        std::string a, b;
        EXPECT_EQ(Run(p.shortForm, a), 0);
        EXPECT_EQ(Run(p.longForm, b), 0);
        EXPECT_EQ(a, b);
        for (const RarWriter::Member& m : members_) {
            EXPECT_NE(a.find(m.name), std::string::npos);
        }
    }
    std::string tested;
    Run("t in.rar", tested);
    EXPECT_EQ(tested.find("FAILED"), std::string::npos);
}

TEST_F(RarToolTest, PackExtractAndPrintByLetter) {
    std::string out;
    ASSERT_EQ(Run("x in.rar unpacked", out), 0);
    for (const RarWriter::Member& m : members_) {
        std::string loose = m.name;
        loose[4] = '/';
        std::ifstream in(dir_ / "unpacked" / loose, std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                              std::istreambuf_iterator<char>()};
        EXPECT_EQ(bytes, m.bytes) << m.name;
    }
    ASSERT_EQ(Run("a repacked.rar unpacked", out), 0);
    ASSERT_EQ(Run("t repacked.rar", out), 0);
    EXPECT_EQ(out.find("FAILED"), std::string::npos);

    ASSERT_EQ(Run("p in.rar 'data\\m1.x'", out), 0);
    EXPECT_EQ(out, std::string(members_[1].bytes.begin(), members_[1].bytes.end()));
    // "p" never writes an archive: the one named stays as it was.
    const auto before = fs::file_size(dir_ / "in.rar");
    EXPECT_NE(Run("p in.rar unpacked", out), 0);
    EXPECT_EQ(fs::file_size(dir_ / "in.rar"), before);
}

TEST_F(RarToolTest, PackOptionsAsTheHelpSpellsThem) {
    std::string out;
    ASSERT_EQ(Run("x in.rar unpacked", out), 0);
    const struct {
        const char* pack;
        int exitCode;
        const char* listed; // in the listing of the packed archive, when packing succeeds
    } cases[] = {
        {"a -m0 o.rar unpacked", 0, " stored "},
        {"a -m1 o.rar unpacked", 0, " m1 "},
        {"a -m5 -mm --not-solid o.rar unpacked", 0, "normal archive"},
        {"a -s -m3 o.rar unpacked", 0, "solid archive"},
        {"a o.rar unpacked", 0, " m3 "},
        {"a -- o.rar unpacked", 0, " m3 "},
        {"a -m6 o.rar unpacked", 2, nullptr},
        {"a -mx o.rar unpacked", 2, nullptr},
        {"a --solid o.rar unpacked", 2, nullptr},
        {"a -m3 o.rar", 2, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pack);
        fs::remove(dir_ / "o.rar");
        ASSERT_EQ(Run(c.pack, out), c.exitCode);
        if (c.exitCode != 0) {
            EXPECT_FALSE(fs::exists(dir_ / "o.rar"));
            continue;
        }
        ASSERT_EQ(Run("t o.rar", out), 0);
        EXPECT_EQ(out.find("FAILED"), std::string::npos);
        ASSERT_EQ(Run("l o.rar", out), 0);
        EXPECT_NE(out.find(c.listed), std::string::npos) << out;
    }
}

// Absolute paths and paths above the current directory pack under relative names, which
// extract below the destination; the tool says which prefixes it removed.
TEST_F(RarToolTest, PackedNamesStayBelowTheDestination) {
    fs::create_directories(dir_ / "work" / "inner");
    fs::create_directories(dir_ / "src" / "sub");
    std::ofstream(dir_ / "src" / "sub" / "f.bin") << "absolute";
    std::ofstream(dir_ / "src" / "g.bin") << "above";
    const fs::path absolute = fs::absolute(dir_ / "src" / "sub" / "f.bin").lexically_normal();
    std::string out;
    ASSERT_EQ(Run("a o.rar '" + absolute.string() + "' ../../src/g.bin", out, dir_ / "work" / "inner"), 0);
    EXPECT_NE(err_.find("removing leading '/'"), std::string::npos) << err_;
    EXPECT_NE(err_.find("removing leading '../../'"), std::string::npos) << err_;
    ASSERT_EQ(Run("l work/inner/o.rar", out), 0);
    std::string absoluteName = absolute.relative_path().string();
    std::replace(absoluteName.begin(), absoluteName.end(), '/', '\\');
    EXPECT_NE(out.find("  " + absoluteName + "\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  src\\g.bin\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("\\..\\"), std::string::npos) << out;

    ASSERT_EQ(Run("x work/inner/o.rar dest", out), 0);
    EXPECT_EQ(ReadText(dir_ / "dest" / absolute.relative_path()), "absolute");
    EXPECT_EQ(ReadText(dir_ / "dest" / "src" / "g.bin"), "above");
    // Nothing outside the destination was touched.
    EXPECT_EQ(ReadText(dir_ / "src" / "g.bin"), "above");
    EXPECT_FALSE(fs::exists(dir_ / "work" / "src"));
}

// Inputs are mapped where they can be; a pipe or an empty file is read instead.
TEST_F(RarToolTest, PacksFilesThatCannotBeMapped) {
    std::ofstream(dir_ / "empty.bin").close();
    const std::string fed = "through a pipe";
    // The writer waits for the tool to open the pipe; `timeout` ends it should the tool not.
    ASSERT_EQ(std::system(("cd '" + dir_.string() + "' && mkfifo pipe && (timeout 20 sh -c \"printf '" + fed +
                           "' > pipe\" &)")
                              .c_str()),
              0);
    std::string out;
    ASSERT_EQ(Run("a o.rar empty.bin pipe", out), 0) << err_;
    ASSERT_EQ(Run("p o.rar pipe", out), 0);
    EXPECT_EQ(out, fed);
    ASSERT_EQ(Run("l o.rar", out), 0);
    EXPECT_NE(out.find("2 members"), std::string::npos) << out;
    EXPECT_NE(out.find("  empty.bin\n"), std::string::npos) << out;
}

// The archive is written beside its name and renamed into place: a pack that fails leaves
// an archive of that name as it was, and nothing else behind.
TEST_F(RarToolTest, AFailedPackLeavesTheArchiveAsItWas) {
    const fs::path deep = dir_ / std::string(150, 'd') / std::string(150, 'e');
    fs::create_directories(deep);
    std::ofstream(deep / "f.bin") << "a name longer than an archive can hold";
    const std::string before = ReadText(dir_ / "in.rar");
    const struct {
        const char* what;
        std::string pack;
        const char* said;
    } cases[] = {
        {"missing input", "a in.rar missing.bin", "cannot read missing.bin"},
        {"name too long", "a in.rar " + deep.lexically_relative(dir_).string(), "over 259 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string out;
        EXPECT_EQ(Run(c.pack, out), 1);
        EXPECT_NE(err_.find(c.said), std::string::npos) << err_;
        EXPECT_EQ(ReadText(dir_ / "in.rar"), before);
        for (const auto& e : fs::directory_iterator(dir_)) {
            EXPECT_EQ(e.path().filename().string().rfind("in.rar.", 0), std::string::npos) << e.path();
        }
    }
}

TEST_F(RarToolTest, EveryCommandHasHelp) {
    for (const char* command : {"l", "list", "t", "test", "x", "extract", "p", "print", "a", "pack"}) {
        SCOPED_TRACE(command);
        std::string out;
        ASSERT_EQ(Run(std::string(command) + " --help", out), 0);
        EXPECT_EQ(out.rfind("usage: quillmoor-rar ", 0), 0u) << out;
    }
    std::string out;
    ASSERT_EQ(Run("a --help", out), 0);
    for (const char* option : {"-s", "--not-solid", "-m0", "-m5", "-mm"}) {
        EXPECT_NE(out.find(option), std::string::npos) << option;
    }
}

// Interrupted while it packs, the tool removes the archive it was writing under a
// temporary name and ends as the signal ends it; the archive of that name stays as it was.
TEST_F(RarToolTest, AnInterruptedPackLeavesNothingBehind) {
    {
        // Enough for -m5 to take seconds; the tool is stopped as soon as it starts writing.
        std::mt19937 random(3);
        std::ofstream big(dir_ / "big.txt");
        for (int i = 0; i < 400000; ++i) {
            big << "vertex " << random() % 100000 << ";\n";
        }
    }
    const std::string before = ReadText(dir_ / "in.rar");
    auto partials = [&] {
        int count = 0;
        for (const auto& e : fs::directory_iterator(dir_)) {
            count += e.path().filename().string().rfind("in.rar.", 0) == 0 ? 1 : 0;
        }
        return count;
    };
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(dir_.c_str()) == 0) {
            std::freopen("/dev/null", "w", stdout);
            execl(tool_.c_str(), "quillmoor-rar", "a", "-m5", "in.rar", "big.txt",
                  static_cast<char*>(nullptr));
        }
        _exit(127);
    }
    bool seen = false;
    int status = 0;
    for (int wait = 0; wait < 3000 && !seen; ++wait) {
        seen = partials() > 0;
        if (!seen && waitpid(pid, &status, WNOHANG) == pid) {
            FAIL() << "the tool ended before its archive appeared, status " << status;
        }
        if (!seen) {
            usleep(10000);
        }
    }
    ASSERT_TRUE(seen);
    kill(pid, SIGTERM);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(partials(), 0);
    EXPECT_EQ(ReadText(dir_ / "in.rar"), before);
}

// An archive named by a symbolic link is replaced where the link points; the link stays.
TEST_F(RarToolTest, PackingThroughALinkReplacesItsTarget) {
    fs::create_directories(dir_ / "store");
    std::ofstream(dir_ / "store" / "real.rar") << "old";
    fs::create_symlink(fs::path("store") / "real.rar", dir_ / "link.rar");
    std::ofstream(dir_ / "f.bin") << "through a link";
    std::string out;
    ASSERT_EQ(Run("a link.rar f.bin", out), 0) << err_;
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.rar"));
    ASSERT_EQ(Run("p store/real.rar f.bin", out), 0) << err_;
    EXPECT_EQ(out, "through a link");
    for (const auto& e : fs::directory_iterator(dir_ / "store")) {
        EXPECT_EQ(e.path().filename(), "real.rar");
    }
}

// The README shows the same usage lines and pack options as the tool's help.
TEST_F(RarToolTest, TheReadmeSpellsCommandsAndOptionsAsTheHelpDoes) {
    const std::string readme =
        ReadText(fs::path(QUILLMOOR_TEST_DATA).parent_path().parent_path() / "README.md");
    ASSERT_FALSE(readme.empty());
    std::string usage, packHelp;
    ASSERT_EQ(Run("--help", usage), 0);
    ASSERT_EQ(Run("a --help", packHelp), 0);
    std::istringstream readmeLines(readme);
    std::set<std::string> readmeOptions, helpOptions;
    int usageLines = 0;
    bool inOptionTable = false;
    for (std::string line; std::getline(readmeLines, line);) {
        if (line.rfind("    quillmoor-rar ", 0) == 0) {
            ++usageLines;
            EXPECT_NE(usage.find(line.substr(4) + "\n"), std::string::npos) << line;
        }
        if (line.rfind("| pack option |", 0) == 0) {
            inOptionTable = true;
        } else if (inOptionTable && line.rfind("| `", 0) == 0) {
            // The first column: `-s`, or `-m1` .. `-m5`.
            const std::string cell = line.substr(2, line.find(" |", 2) - 2);
            for (std::size_t at = cell.find('`'); at != std::string::npos;
                 at = cell.find('`', cell.find('`', at + 1) + 1)) {
                readmeOptions.insert(cell.substr(at + 1, cell.find('`', at + 1) - at - 1));
            }
        } else if (inOptionTable && line.empty()) {
            inOptionTable = false;
        }
    }
    EXPECT_EQ(usageLines, 5);
    std::istringstream helpLines(packHelp);
    for (std::string line; std::getline(helpLines, line);) {
        std::istringstream words(line);
        std::string first, second, third;
        if (line.rfind("  -", 0) == 0 && words >> first >> second >> third) {
            helpOptions.insert(first);
            if (second == "..") {
                helpOptions.insert(third);
            }
        }
    }
    EXPECT_EQ(readmeOptions, helpOptions);
    EXPECT_TRUE(helpOptions.count("--not-solid") == 1 && helpOptions.count("-m5") == 1) << packHelp;
}

} // namespace
