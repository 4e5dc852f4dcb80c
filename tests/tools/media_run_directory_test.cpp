#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "rar/rar_reader.h"
#include "tools/quillmoor-media/media_catalogue.h"
#include "tools/quillmoor-media/text_renderer.h"

namespace {

namespace fs = std::filesystem;

const fs::path kRun = fs::path(QUILLMOOR_BINARY_DIR) / "run";
const fs::path kStaging = fs::path(QUILLMOOR_BINARY_DIR) / "media-staging";

std::vector<uint8_t> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(MediaCatalogue, ArchiveHoldsTheExtractionListInOrder) {
    const media::TextRenderer text("");
    const auto members = media::ArchiveMembers(text);
    ASSERT_EQ(members.size(), 54u);
    EXPECT_EQ(members.front().path, "data\\blobby02.x");
    EXPECT_EQ(members[16].path, "data\\meshes\\water033.jpg");
    EXPECT_EQ(members[43].path, "data\\textures\\grace_cross.dds");
    EXPECT_EQ(members.back().path, "data\\textures\\circle01.dds");
    EXPECT_EQ(media::LooseImages(text).size(), 14u); // three credits, ten greetings, the closing logo
}

// Checks the media that the build generated into this build directory.
TEST(GeneratedRunDirectory, EveryMemberUnpacksToTheGeneratedBytes) {
    const fs::path archive = kRun / "data.rar";
    ASSERT_TRUE(fs::exists(archive)) << "media not generated in " << kRun
                                     << ": build the quillmoor_media target";
    const media::TextRenderer text("");
    for (const media::MediaFile& f : media::ArchiveMembers(text)) {
        SCOPED_TRACE(f.path);
        std::uint8_t* data = nullptr;
        std::uint32_t size = 0;
        ASSERT_TRUE(RarReader::Extract(f.path.c_str(), archive.c_str(), nullptr, &data, &size));
        std::string loose = f.path;
        for (char& c : loose) {
            c = c == '\\' ? '/' : c;
        }
        const std::vector<uint8_t> expected = ReadAll(kStaging / loose);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(std::vector<uint8_t>(data, data + size), expected);
        std::free(data);
    }
    for (const media::MediaFile& f : media::LooseImages(text)) {
        EXPECT_GT(fs::file_size(kRun / f.path), 1000u) << f.path;
    }
    EXPECT_GT(fs::file_size(kRun / "z.ogg"), 1000000u);
    EXPECT_TRUE(fs::is_directory(kRun / "data" / "meshes"));
}

} // namespace
