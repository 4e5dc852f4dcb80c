#pragma once
// The fixed-function pipeline as one family of generated GLSL programs. The few bits that
// change the code (lighting on or off, pre-transformed vertices, 2D or cube texture on stage
// 0) pick a program; everything else (matrices, material and its colour sources, lights,
// stage 0 operations, alpha test) is uniforms.
//
// Lighting follows Direct3D 9 per vertex, in camera space:
//   colour = emissive + ambient_m × (global ambient + Σ atten·spot·ambient_l)
//          + diffuse_m × Σ atten·spot·diffuse_l·max(N·L, 0), clamped to 0..1,
//   alpha = alpha of the diffuse material source,
//   atten = 1 / (a0 + a1·d + a2·d²) for point and spot lights, 0 beyond Range, 1 for
//   directional lights.

#include "platform/d3d9/device_state.h"
#include "platform/d3d9/gl_headers.h"

#include <map>

struct FixedFunctionKey {
    bool lighting = false;
    bool pretransformed = false;
    bool cubeTexture = false;
    auto operator<=>(const FixedFunctionKey&) const = default;
};

// What a draw needs besides the device state.
struct FixedFunctionInputs {
    DWORD fvf = 0;
    bool hasTexture = false;
    bool depthFixup = false; // map 0..1 depth to GL's -1..1 when clip control is missing
    UINT targetWidth = 0;
    UINT targetHeight = 0;
};

class FixedFunctionShaders {
  public:
    FixedFunctionShaders() = default;
    FixedFunctionShaders(const FixedFunctionShaders&) = delete;
    FixedFunctionShaders& operator=(const FixedFunctionShaders&) = delete;
    ~FixedFunctionShaders();

    static FixedFunctionKey KeyFor(const DeviceState& state, const FixedFunctionInputs& inputs);

    // Uses the program for the state (compiling it on first use) and uploads its uniforms.
    // False if the program could not be built.
    bool Use(const DeviceState& state, const FixedFunctionInputs& inputs);

    // Drops every program (with the context that owns them current).
    void Release();

  private:
    struct Program;
    Program* Get(const FixedFunctionKey& key);
    std::map<FixedFunctionKey, Program*> programs_;
};
