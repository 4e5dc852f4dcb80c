#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "assets/archive_extractor.h"
#include "rar/crc32.h"
#include "rar/rar_reader.h"
#include "rar/rar_writer.h"
#include "tests/temp_directory.h"

namespace {

namespace fs = std::filesystem;

// The extraction list as the files land on disk (directories as created by the test).
const std::vector<std::string> kListed = {
    "data/blobby02.x",
    "data/blobby12.x",
    "data/meshes/blobby_sphere.x",
    "data/meshes/blobby13.x",
    "data/meshes/blobby15.x",
    "data/meshes/blobby19.x",
    "data/meshes/blobby21.x",
    "data/meshes/blobby23.x",
    "data/meshes/blobroom01.x",
    "data/meshes/blobroom02.x",
    "data/meshes/blobroom02_tube.x",
    "data/meshes/blobroom03.x",
    "data/meshes/blobroom03_wasser.x",
    "data/meshes/finalroom.x",
    "data/meshes/finalroom_wasser.x",
    "data/meshes/stapel.x",
    "data/meshes/water033.jpg",
    "data/meshes/water033.bmp",
    "data/meshes/ASPH_02.bmp",
    "data/meshes/BLUE_TUB.bmp",
    "data/meshes/GRATE_01.bmp",
    "data/meshes/MARB005.bmp",
    "data/meshes/METAL004.bmp",
    "data/meshes/METAL018.bmp",
    "data/meshes/METAL019.bmp",
    "data/meshes/METAL023.bmp",
    "data/meshes/METAL025.bmp",
    "data/meshes/METAL030.bmp",
    "data/meshes/METAL032.bmp",
    "data/meshes/METAL043.bmp",
    "data/meshes/STEEL_01.bmp",
    "data/meshes/STEEL_02.bmp",
    "data/meshes/STEEL_03.bmp",
    "data/meshes/STEEL_05.bmp",
    "data/meshes/STEEL_06.bmp",
    "data/meshes/WALL_03.bmp",
    "data/meshes/WALL_07.bmp",
    "data/meshes/metal025.jpg",
    "data/Textures/black.bmp",
    "data/Textures/blob.jpg",
    "data/Textures/circle.tga",
    "data/Textures/circle01.png",
    "data/Textures/flare.tga",
    "data/Textures/grace_cross.dds",
    "data/Textures/greets_alder.jpg",
    "data/Textures/neuronflare.jpg",
    "data/Textures/neuronma.jpg",
    "data/Textures/overlay02.tga",
    "data/Textures/overlay03.tga",
    "data/Textures/overlay04.tga",
    "data/Textures/overlay05.bmp",
    "data/Textures/tmqlogo.jpg",
    "data/Textures/sync_block.tga",
    "data/Textures/circle01.dds",
};

std::string Content(const std::string& name) {
    std::string s;
    for (int i = 0; i < 50; ++i) {
        s += name + " line " + std::to_string(i) + "\n";
    }
    return s;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Repeat(const std::string& line, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) {
        s += line;
    }
    return s;
}

std::size_t CountFiles(const fs::path& root) {
    std::size_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        n += e.is_regular_file();
    }
    return n;
}

// Runs in a temporary working directory with data/, data/meshes/ and data/Textures/ (the
// capital on purpose: the list says "textures").
class ArchiveExtractorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        oldDir_ = fs::current_path();
        root_ = TestTemp::MakeDirectory("qm_extract");
        fs::create_directories(root_ / "work/data/meshes");
        fs::create_directories(root_ / "work/data/Textures");
        fs::current_path(root_ / "work");
        RarReader::ForgetSolidState();
    }
    void TearDown() override {
        fs::current_path(oldDir_);
        fs::remove_all(root_);
    }
    // Packs every listed member (names in the archive's "\" spelling, some in other case)
    // plus `extra` members.
    void PackArchive(const std::vector<RarWriter::Member>& extra = {}, std::size_t skip = kListed.size()) {
        std::vector<RarWriter::Member> members;
        for (std::size_t i = 0; i < kListed.size(); ++i) {
            if (i == skip) {
                continue;
            }
            std::string name = kListed[i];
            for (char& c : name) {
                c = c == '/' ? '\\' : c;
            }
            if (i % 7 == 3) {
                for (char& c : name) {
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                }
            }
            const std::string content = Content(kListed[i]);
            members.push_back({name, std::vector<std::uint8_t>(content.begin(), content.end())});
        }
        members.insert(members.end(), extra.begin(), extra.end());
        ASSERT_TRUE(RarWriter::Write("data.rar", members, true));
    }
    fs::path oldDir_;
    fs::path root_;
};

TEST_F(ArchiveExtractorTest, ExtractsEveryListedMemberThenLeavesOnlyCircle01Dds) {
    PackArchive();
    testing::internal::CaptureStdout();
    ArchiveExtractor::ExtractAll();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), Repeat("OK.\n\n", 54));
    for (const std::string& path : kListed) {
        SCOPED_TRACE(path);
        EXPECT_EQ(ReadFile(path), Content(path));
    }
    EXPECT_EQ(CountFiles("data"), 54u);

    ArchiveExtractor::DeleteExtracted();
    EXPECT_EQ(CountFiles("data"), 1u);
    EXPECT_TRUE(fs::exists("data/Textures/circle01.dds"));
}

// Decoding ahead on the second thread must not show: a start-up that ends before extracting
// (no device) leaves no files and prints nothing, and decoding started early extracts the
// same as decoding started by ExtractAll.
TEST_F(ArchiveExtractorTest, DecodingAheadWritesNothingUntilExtractAll) {
    PackArchive();
    testing::internal::CaptureStdout();
    ArchiveExtractor::StartDecoding();
    ArchiveExtractor::Stop();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(CountFiles("data"), 0u);

    testing::internal::CaptureStdout();
    ArchiveExtractor::StartDecoding();
    EXPECT_EQ(CountFiles("data"), 0u);
    ArchiveExtractor::ExtractAll();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), Repeat("OK.\n\n", 54));
    for (const std::string& path : kListed) {
        EXPECT_EQ(ReadFile(path), Content(path)) << path;
    }
    ArchiveExtractor::DeleteExtracted();
    EXPECT_EQ(CountFiles("data"), 1u);
}

TEST_F(ArchiveExtractorTest, RunningTwiceOverwritesAndGivesTheSameResult) {
    PackArchive();
    std::ofstream("data/blobby02.x") << std::string(100000, 'x'); // longer stale file
    for (int run = 0; run < 2; ++run) {
        testing::internal::CaptureStdout();
        ArchiveExtractor::ExtractAll();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), Repeat("OK.\n\n", 54));
        EXPECT_EQ(ReadFile("data/blobby02.x"), Content("data/blobby02.x"));
        ArchiveExtractor::DeleteExtracted();
        EXPECT_EQ(CountFiles("data"), 1u);
    }
}

TEST_F(ArchiveExtractorTest, WithoutTheArchiveEveryEntryFailsAndLeavesAnEmptyFile) {
    testing::internal::CaptureStdout();
    ArchiveExtractor::ExtractAll();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              Repeat("  o Error creating binary output file!\n\n", 54));
    EXPECT_EQ(CountFiles("data"), 54u);
    for (const std::string& path : kListed) {
        EXPECT_EQ(fs::file_size(path), 0u) << path;
    }
    ArchiveExtractor::DeleteExtracted();
    EXPECT_EQ(CountFiles("data"), 1u);
}

struct SingleCase {
    const char* name;
    bool makeDirectory; // data/meshes exists
    bool inArchive;
    const char* stdoutText;
    bool fileExists;
};

TEST_F(ArchiveExtractorTest, SingleMemberOutcomes) {
    const SingleCase cases[] = {
        {"present", true, true, "OK.\n\n", true},
        {"absent from the archive", true, false, "  o Error creating binary output file!\n\n", true},
        {"directory missing", false, true, "  o Error creating binary output file!\n\n", false},
    };
    const std::size_t index = 4; // data\meshes\blobby15.x
    for (const SingleCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all("data/meshes");
        if (c.makeDirectory) {
            fs::create_directories("data/meshes");
        }
        PackArchive({}, c.inArchive ? kListed.size() : index);
        testing::internal::CaptureStdout();
        ArchiveExtractor::ExtractMember("data\\meshes\\blobby15.x");
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.stdoutText);
        EXPECT_EQ(fs::exists(kListed[index]), c.fileExists);
        EXPECT_FALSE(fs::exists("data/meshes") && !c.makeDirectory); // no directory created
    }
}

// Our writer refuses a name that climbs out of the destination, so the hostile archive is
// written with a stand-in of the same length whose bytes are then replaced, the file
// header's CRC (the low 16 bits of the CRC-32 of the header after its CRC field) with them.
void RenameMember(const std::string& archive, const std::string& from, const std::string& to) {
    ASSERT_EQ(from.size(), to.size());
    std::ifstream in(archive, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    const auto at = std::search(bytes.begin(), bytes.end(), from.begin(), from.end());
    ASSERT_NE(at, bytes.end());
    std::copy(to.begin(), to.end(), at);
    // The name follows 32 bytes of fixed fields in a file header without 64-bit sizes.
    const std::size_t header = static_cast<std::size_t>(at - bytes.begin()) - 32;
    ASSERT_EQ(bytes[header + 2], 0x74);
    const std::size_t headerSize = bytes[header + 5] | bytes[header + 6] << 8;
    const std::uint32_t crc = Crc32::Compute(bytes.data() + header + 2, headerSize - 2);
    bytes[header] = static_cast<std::uint8_t>(crc);
    bytes[header + 1] = static_cast<std::uint8_t>(crc >> 8);
    std::ofstream out(archive, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST_F(ArchiveExtractorTest, NamesInsideTheArchiveNeverChooseWhereFilesGo) {
    const std::string evil = "escaped";
    PackArchive({{"zz\\zz\\outside.txt", std::vector<std::uint8_t>(evil.begin(), evil.end())},
                 {"data\\unlisted.bin", std::vector<std::uint8_t>(evil.begin(), evil.end())}});
    RenameMember("data.rar", "zz\\zz\\outside.txt", "..\\..\\outside.txt");
    testing::internal::CaptureStdout();
    ArchiveExtractor::ExtractAll();
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(fs::exists(root_ / "outside.txt"));
    EXPECT_FALSE(fs::exists("../outside.txt"));
    EXPECT_FALSE(fs::exists("data/unlisted.bin"));
    EXPECT_EQ(CountFiles("data"), 54u);
}

} // namespace
