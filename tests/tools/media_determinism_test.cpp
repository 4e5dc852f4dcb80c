#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/temp_directory.h"

namespace {

namespace fs = std::filesystem;

std::map<std::string, std::vector<char>> ReadTree(const fs::path& root) {
    std::map<std::string, std::vector<char>> files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file()) {
            std::ifstream in(e.path(), std::ios::binary);
            files[fs::relative(e.path(), root).generic_string()] = {std::istreambuf_iterator<char>(in),
                                                                    std::istreambuf_iterator<char>()};
        }
    }
    return files;
}

// Two runs of the generator into fresh directories give the same files, byte for byte: the
// archive, the loose images, the effect and the music.
TEST(MediaGenerator, TwoRunsWriteIdenticalBytes) {
    const fs::path tool = fs::path(QUILLMOOR_BINARY_DIR) / "tools" / "quillmoor-media" / "quillmoor-media";
    ASSERT_TRUE(fs::exists(tool)) << tool << " missing: build the quillmoor-media target";
    const fs::path dir = TestTemp::MakeDirectory("qm_media_twice");
    std::map<std::string, std::vector<char>> runs[2];
    for (int i = 0; i < 2; ++i) {
        const fs::path out = dir / std::to_string(i);
        const std::string cmd = "'" + tool.string() + "' --run '" + (out / "run").string() + "' --staging '" +
                                (out / "staging").string() +
                                "' --media '" QUILLMOOR_TEST_DATA "/../../media'" +
                                " --font /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf 2>/dev/null";
        const int status = std::system(cmd.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << cmd;
        runs[i] = ReadTree(out / "run");
    }
    fs::remove_all(dir);
    ASSERT_TRUE(runs[0].count("data.rar"));
    ASSERT_TRUE(runs[0].count("z.ogg"));
    ASSERT_TRUE(runs[0].count("data/shader/diffuse.fx"));
    EXPECT_EQ(runs[0].size(), runs[1].size());
    for (const auto& [name, bytes] : runs[0]) {
        const auto other = runs[1].find(name);
        ASSERT_NE(other, runs[1].end()) << name;
        EXPECT_TRUE(bytes == other->second) << name << " differs between the runs";
    }
}

} // namespace
