#pragma once
// Asset pixel tests on the OpenGL device: a fresh working directory (the cache and the log
// use relative paths), the device in the holder and an empty cache.

#include <filesystem>
#include <string>
#include <unistd.h>

#include "assets/resource_cache.h"
#include "shell/device_holder.h"
#include "shell/log_file.h"
#include "tests/gl_test_device.h"
#include "tests/temp_directory.h"

class AssetGlTest : public GlTest::DeviceTest {
  protected:
    void SetUp() override {
        GlTest::DeviceTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        previous = std::filesystem::current_path();
        dir = TestTemp::MakeDirectory("qm_assets_gl");
        std::filesystem::current_path(dir);
        DeviceHolder::Get()->device = device;
        ResourceCache::ReleaseAll();
        LogFile::ResetForTest();
    }
    void TearDown() override {
        if (!dir.empty()) {
            ResourceCache::ReleaseAll();
            DeviceHolder::Get()->device = nullptr;
            std::filesystem::current_path(previous);
            std::filesystem::remove_all(dir);
        }
        GlTest::DeviceTest::TearDown();
    }

    std::filesystem::path previous;
    std::filesystem::path dir;
};
