#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3dx9/x_mesh_cache.h"
#include "platform/fs/windows_path.h"
#include "tests/temp_directory.h"

namespace {

namespace fs = std::filesystem;

std::string Fixture(const char* name) {
    std::ifstream in(std::string(QUILLMOOR_TEST_DATA) + "/x/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A quad whose first corner sits at x = `x` (one digit), so two versions have the same size.
std::string Quad(char x) {
    std::string text = Fixture("lit_quad.x");
    const std::size_t corner = text.find("-0.5;-0.5;0.5;,");
    text.replace(corner, 4, std::string(1, x) + ".00");
    return text;
}

float FirstX(const XMeshCache::Built& built) {
    return built.data.vertices.empty() ? -1.0f : built.data.vertices[0].position[0];
}

FileBytes::Identity IdentityOf(const fs::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    const auto identity = FileBytes::IdentityOf(file);
    std::fclose(file);
    return *identity;
}

class XMeshCacheTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = TestTemp::MakeDirectory("qm_xmeshcache");
        path_ = dir_ / "mesh.x";
        Write(path_, Quad('1'));
    }
    void TearDown() override {
        XMeshCache::Forget();
        fs::remove_all(dir_);
    }
    static void Write(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    }
    // Replaced the way an editor saves: a new file renamed over the old one.
    void Replace(const std::string& text) {
        Write(dir_ / "new.x", text);
        fs::rename(dir_ / "new.x", path_);
    }
    std::shared_ptr<const XMeshCache::Built> Load() {
        return XMeshCache::Load(WindowsPath::Widen(path_.string()));
    }

    fs::path dir_;
    fs::path path_;
};

TEST_F(XMeshCacheTest, WhileKeepingAFileLoadedTwiceIsBuiltOnce) {
    XMeshCache::Keep();
    const auto first = Load();
    const auto second = Load();
    ASSERT_EQ(first->result, D3D_OK);
    EXPECT_EQ(FirstX(*first), 1.0f);
    EXPECT_EQ(first.get(), second.get());
}

TEST_F(XMeshCacheTest, AFileReplacedBetweenLoadsIsReadAgain) {
    XMeshCache::Keep();
    EXPECT_EQ(FirstX(*Load()), 1.0f);
    Replace(Quad('2'));
    EXPECT_EQ(FirstX(*Load()), 2.0f);
}

TEST_F(XMeshCacheTest, WithoutKeepingEveryLoadReadsTheFile) {
    const auto first = Load();
    Write(path_, Quad('3')); // rewritten in place, same size, possibly the same time stamps
    const auto second = Load();
    EXPECT_EQ(FirstX(*first), 1.0f);
    EXPECT_EQ(FirstX(*second), 3.0f);
}

TEST_F(XMeshCacheTest, OfferedBytesAreWhatTheLoadOfThatFileGets) {
    XMeshCache::Keep();
    // Bytes that differ from the file on purpose, to show which ones the load used.
    const std::string offered = Quad('4');
    auto bytes = std::shared_ptr<std::uint8_t[]>(new std::uint8_t[offered.size()]);
    std::copy(offered.begin(), offered.end(), bytes.get());
    XMeshCache::Offer(IdentityOf(path_), bytes, offered.size());

    EXPECT_EQ(FirstX(*Load()), 4.0f);
    EXPECT_FALSE(XMeshCache::BuildNextOffered()); // the load built it
    XMeshCache::Forget();
    EXPECT_EQ(FirstX(*Load()), 1.0f);
}

TEST_F(XMeshCacheTest, OfferedFilesBuildInOrderAndAChangedFileIsNotTakenForThem) {
    XMeshCache::Keep();
    const std::string bad = "xof 0303txt 0032\nMesh {";
    auto bytes = std::shared_ptr<std::uint8_t[]>(new std::uint8_t[bad.size()]);
    std::copy(bad.begin(), bad.end(), bytes.get());
    XMeshCache::Offer(IdentityOf(path_), bytes, bad.size());
    EXPECT_TRUE(XMeshCache::BuildNextOffered());
    EXPECT_FALSE(XMeshCache::BuildNextOffered());
    EXPECT_EQ(Load()->result, D3DXERR_INVALIDDATA); // the offered (truncated) bytes

    Replace(Quad('5'));
    EXPECT_EQ(FirstX(*Load()), 5.0f);
}

TEST_F(XMeshCacheTest, AMissingFileFails) {
    XMeshCache::Keep();
    EXPECT_EQ(XMeshCache::Load(WindowsPath::Widen((dir_ / "absent.x").string()))->result, E_FAIL);
}

} // namespace
