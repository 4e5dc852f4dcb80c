#pragma once
// Shared set-up of the cache and mesh object tests.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stb_image_write.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "assets/resource_cache.h"
#include "platform/d3d9/recording_device.h"
#include "shell/device_holder.h"
#include "shell/log_file.h"
#include "tests/temp_directory.h"

// Runs each test in a fresh working directory with a recording device in the holder, an
// empty cache and a fresh log, since the cache reads paths and the log writes "bramble.txt"
// relative to the working directory.
class AssetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous = std::filesystem::current_path();
        dir = TestTemp::MakeDirectory("qm_assets");
        std::filesystem::create_directories(dir / "data" / "textures");
        std::filesystem::create_directories(dir / "data" / "meshes");
        std::filesystem::current_path(dir);
        device = new RecordingDevice();
        DeviceHolder::Get()->device = device;
        ResourceCache::ReleaseAll();
        LogFile::ResetForTest();
    }
    void TearDown() override {
        DeviceHolder::Get()->device = nullptr;
        ResourceCache::ReleaseAll();
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(dir);
        // Textures and meshes made in a test keep the device alive, as they would in the
        // demo; the device is left to the process.
    }
    static void WritePng(const std::string& path) {
        const unsigned char pixels[2 * 2 * 4] = {255, 0, 0,   255, 0, 255, 0, 255,
                                                 0,   0, 255, 255, 9, 9,   9, 255};
        ASSERT_TRUE(stbi_write_png(path.c_str(), 2, 2, 4, pixels, 8));
    }
    static std::vector<std::string> LogLines() {
        std::ifstream in(LogFile::fileName);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("Loading", 0) == 0) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    std::filesystem::path previous;
    std::filesystem::path dir;
    RecordingDevice* device = nullptr;
};
