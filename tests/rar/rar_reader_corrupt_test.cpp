// Damaged input: every prefix and many byte flips of real archives must end cleanly.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "rar/crc32.h"
#include "tests/rar/rar_test_support.h"

namespace {

namespace fs = std::filesystem;

std::vector<char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::vector<char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class RarReaderCorruptTest : public ::testing::Test {
  protected:
    void SetUp() override { dir_ = TestTemp::MakeDirectory("qm_rarbad"); }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

struct DamageCase {
    const char* archive;
    const char* member;
    std::uint32_t crc;
    std::size_t flipStride; // flip one byte every this many positions
};

constexpr DamageCase kDamage[] = {
    {"test_v2solid5.rar", "p5_solid.bin", 0x10751aba, 7},
    {"test_v2.rar", "pMM.bin", 0x10751aba, 97},
    {"test_v2.rar", "p3.bin", 0x10751aba, 97},
    {"rar2-unix-owner.rar", "file.txt", 0x7e3265a8, 1},
    {"rar202-comment-nopsw.rar", "FILE2.TXT", 0x785fc3e3, 1},
};

// A damaged archive either fails or yields bytes with the stored CRC: never a crash, a hang
// or a wrong result reported as success.
TEST_F(RarReaderCorruptTest, TruncatedAndFlippedArchivesFailCleanly) {
    for (const DamageCase& c : kDamage) {
        SCOPED_TRACE(c.archive);
        const std::vector<char> original = ReadBytes(RarTest::RealArchive(c.archive));
        ASSERT_FALSE(original.empty());
        const fs::path damaged = dir_ / "damaged.rar";
        for (std::size_t cut = 0; cut < original.size();
             cut += std::max<std::size_t>(1, original.size() / 150)) {
            WriteBytes(damaged,
                       std::vector<char>(original.begin(), original.begin() + static_cast<long>(cut)));
            const RarTest::Extracted e = RarTest::Extract(c.member, damaged.string());
            if (e.ok) {
                EXPECT_EQ(Crc32::Compute(e.bytes.data(), e.bytes.size()), c.crc) << "cut at " << cut;
            } else {
                EXPECT_TRUE(e.nullOnFailure);
            }
        }
        for (std::size_t pos = 0; pos < original.size(); pos += c.flipStride) {
            std::vector<char> bytes = original;
            bytes[pos] = static_cast<char>(bytes[pos] ^ 0x5A);
            WriteBytes(damaged, bytes);
            const RarTest::Extracted e = RarTest::Extract(c.member, damaged.string());
            if (e.ok) {
                EXPECT_EQ(Crc32::Compute(e.bytes.data(), e.bytes.size()), c.crc) << "flip at " << pos;
            } else {
                EXPECT_TRUE(e.nullOnFailure);
            }
        }
    }
}

TEST_F(RarReaderCorruptTest, BrokenHeaderCrcIsLoggedAndTheMemberStillExtracts) {
    std::vector<char> bytes = ReadBytes(RarTest::RealArchive("rar2-unix-owner.rar"));
    bytes[20] = static_cast<char>(bytes[20] ^ 0xFF); // header CRC of file.txt
    WriteBytes(dir_ / "a.rar", bytes);
    RarTest::LogCapture log;
    const RarTest::Extracted e = RarTest::Extract("file.txt", (dir_ / "a.rar").string());
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(Crc32::Compute(e.bytes.data(), e.bytes.size()), 0x7e3265a8u);
    EXPECT_NE(log.Text().find("(line 719 in rar_reader):\n              - file header broken\n"),
              std::string::npos);
}

struct StartCase {
    const char* name;
    std::vector<char> bytes;
    std::vector<const char*> messages; // in order
};

TEST_F(RarReaderCorruptTest, ArchiveStartMessages) {
    const std::vector<StartCase> cases = {
        {"missing", {}, {"(line 923 in rar_reader):\n              - Error opening file.\n"}},
        {"short", {'R', 'a', 'r'}, {"(line 916 in rar_reader):\n              - Not a RAR file\n"}},
        {"old",
         {'R', 'E', '~', '^', 0, 0, 0, 0},
         {"(line 857 in rar_reader):\n              - Attention: format as OLD detected! Can't handel "
          "archive!\n",
          "- Not a RAR file\n"}},
        {"unknown",
         {'M', 'Z', 0, 0, 0, 0, 0, 0},
         {"(line 885 in rar_reader):\n              - unknown archive type (only plain RAR supported (normal "
          "and "
          "solid archives), SFX and Volumes are NOT supported!)\n",
          "(line 916 in rar_reader):\n              - Not a RAR file\n"}},
        {"cut main header",
         {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00, 0x00, 0x00, 0x73},
         {"- Not a RAR file\n"}},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = dir_ / "start.rar";
        fs::remove(path);
        if (std::string(c.name) != "missing") {
            WriteBytes(path, c.bytes);
        }
        RarTest::LogCapture log;
        EXPECT_FALSE(RarTest::Extract("x", path.string()).ok);
        const std::string text = log.Text();
        std::size_t at = 0;
        for (const char* message : c.messages) {
            at = text.find(message, at);
            ASSERT_NE(at, std::string::npos) << message << "\n" << text;
        }
        EXPECT_NE(
            text.find(
                "(line 454 in rar_reader):\n              - Error - couldn't extract >x< and allocated 0 "
                "Bytes of unused memory!\n",
                at),
            std::string::npos);
    }
}

TEST(RarDebugLog, UncreatableLocationDisablesLogging) {
    RarDebugLog::StartAt("/nonexistent-dir/sub/debug_rar.txt");
    EXPECT_FALSE(RarDebugLog::Enabled());
    RarDebugLog::Write(1, "nothing"); // must not crash
    RarDebugLog::StartAt(nullptr);
    EXPECT_FALSE(RarDebugLog::Enabled());
}

} // namespace
