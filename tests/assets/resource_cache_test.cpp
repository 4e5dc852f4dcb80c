#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stb_image_write.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "assets/resource_cache.h"
#include "assets/texture_object.h"
#include "tests/assets/resource_cache_test_fixture.h"

namespace {

TEST_F(AssetTest, RepeatedRequestsShareOneTextureAndLogEachTime) {
    WritePng("data/textures/circle01.png");
    TextureObject* first = ResourceCache::GetTexture("data//textures//circle01.png");
    TextureObject* second = ResourceCache::GetTexture("data//textures//circle01.png");
    TextureObject* third = ResourceCache::GetTexture("data//textures//circle01.png");
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first->texture, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, third);
    EXPECT_EQ(device->CallsNamed("CreateTexture").size(), 1u);
    EXPECT_EQ(LogLines(), std::vector<std::string>(3, "Loading data//textures//circle01.png ..."));
}

TEST_F(AssetTest, KeysAreExactBytesButTheKindIsNotPartOfTheKey) {
    WritePng("data/textures/blob.png");
    TextureObject* slashes = ResourceCache::GetTexture("data//textures//blob.png");
    TextureObject* backslashes = ResourceCache::GetTexture("data\\textures\\blob.png");
    TextureObject* upper = ResourceCache::GetTexture("data//textures//BLOB.png");
    EXPECT_NE(slashes, backslashes);
    EXPECT_NE(slashes, upper);
    EXPECT_NE(upper->texture, nullptr) << "same file through the case-insensitive path rules";
    EXPECT_EQ(device->CallsNamed("CreateTexture").size(), 3u);

    const size_t logged = LogLines().size();
    EXPECT_EQ(ResourceCache::GetCubeTexture("data//textures//blob.png"), slashes);
    EXPECT_EQ(LogLines().size(), logged) << "cube requests write no log line";
    EXPECT_TRUE(device->CallsNamed("CreateCubeTexture").empty());
}

TEST_F(AssetTest, MissingFileIsCachedAsAnEmptyObjectThatClearsTheStage) {
    TextureObject* missing = ResourceCache::GetTexture("data//textures//gone.png");
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->texture, nullptr);
    // Appearing later changes nothing: the name is not tried again.
    WritePng("data/textures/gone.png");
    EXPECT_EQ(ResourceCache::GetTexture("data//textures//gone.png"), missing);
    EXPECT_EQ(missing->texture, nullptr);
    EXPECT_TRUE(device->CallsNamed("CreateTexture").empty());
    device->ClearCalls();
    EXPECT_EQ(missing->Bind(3), D3D_OK);
    ASSERT_EQ(device->Calls().size(), 1u);
    EXPECT_EQ(device->Calls()[0].name, "SetTexture");
    EXPECT_EQ(device->Calls()[0].args, (std::vector<std::string>{"3", "null"}));
}

TEST_F(AssetTest, CubeRequestLoadsACubeMap) {
    WritePng("data/textures/sky.png");
    TextureObject* cube = ResourceCache::GetCubeTexture("data//textures//sky.png");
    EXPECT_NE(cube->texture, nullptr);
    EXPECT_EQ(device->CallsNamed("CreateCubeTexture").size(), 1u);
    EXPECT_TRUE(LogLines().empty());
    // ... and a later 2D request for the same name gets the cube object.
    EXPECT_EQ(ResourceCache::GetTexture("data//textures//sky.png"), cube);
}

// The cache owns its textures: releasing it drops the last reference to each, so nothing
// is left for the process to leak.
TEST_F(AssetTest, ReleaseAllDropsTheCachesReferenceToEveryTexture) {
    WritePng("data/textures/plain.png");
    WritePng("data/textures/sky.png");
    IDirect3DBaseTexture9* plain = ResourceCache::GetTexture("data//textures//plain.png")->texture;
    IDirect3DBaseTexture9* sky = ResourceCache::GetCubeTexture("data//textures//sky.png")->texture;
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(sky, nullptr);
    plain->AddRef();
    sky->AddRef();
    ResourceCache::ReleaseAll();
    EXPECT_EQ(plain->Release(), 0u);
    EXPECT_EQ(sky->Release(), 0u);

    // A fresh cache loads the file again.
    device->ClearCalls();
    EXPECT_NE(ResourceCache::GetTexture("data//textures//plain.png")->texture, nullptr);
    EXPECT_EQ(device->CallsNamed("CreateTexture").size(), 1u);
}

} // namespace
