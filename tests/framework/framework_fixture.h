#pragma once
// A fresh framework per test, with the scripted Direct3D object installed before Init and
// the process command line set as the test asks.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_direct3d.h"
#include "framework/framework.h"
#include "framework/framework_state.h"

class FrameworkTest : public ::testing::Test {
  protected:
    FakeDirect3D direct3D;

    void SetUp() override {
        FrameworkState::ResetForTest();
        direct3D.adapters.push_back(StandardAdapter());
        FrameworkState::Get().direct3D = &direct3D;
        SetCommandLine({});
    }

    void TearDown() override {
        FrameworkState::ResetForTest();
        SetCommandLine({});
    }

    static void SetCommandLine(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "quillmoor");
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        SetProcessCommandLine(static_cast<int>(argv.size()), argv.data());
    }

    static FrameworkState& State() { return FrameworkState::Get(); }

    // Init (with the command line), window and device, as the demo asks for them.
    HRESULT StartLikeDemo(AdjustSettingsCallback adjust = nullptr) {
        HRESULT hr = Framework::Init(true, true, false);
        if (FAILED(hr))
            return hr;
        hr = Framework::OpenWindow(L"tmq - Quillmoor", nullptr, nullptr, nullptr, CW_USEDEFAULT,
                                   CW_USEDEFAULT);
        if (FAILED(hr))
            return hr;
        return Framework::CreateDevice(0, false, 800, 600, nullptr, adjust);
    }
};
