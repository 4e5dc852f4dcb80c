#pragma once
// The fixed-function pipeline as one family of generated GLSL programs. The state that
// decides what the code does picks a program, compiled once for it with that state as
// constants: lighting on or off with the lights' kinds and the material's colour sources,
// pre-transformed vertices, the texture coordinate set and its transform, stage 0's colour
// and alpha operations and arguments, a 2D or cube texture or none, specular addition and
// the alpha test's comparison. So the rasteriser runs no branch over a light, a stage or a
// test that is off. Values (matrices, material and light colours and places, texture factor,
// alpha reference) stay uniforms.
//
// Lighting follows Direct3D 9 per vertex, in camera space:
//   colour = emissive + ambient_m × (global ambient + Σ atten·spot·ambient_l)
//          + diffuse_m × Σ atten·spot·diffuse_l·max(N·L, 0), clamped to 0..1,
//   alpha = alpha of the diffuse material source,
//   atten = 1 / (a0 + a1·d + a2·d²) for point and spot lights, 0 beyond Range, 1 for
//   directional lights.

#include "platform/d3d9/device_state.h"
#include "platform/d3d9/gl_headers.h"

#include <array>
#include <map>

struct FixedFunctionKey {
    bool lighting = false;
    bool pretransformed = false;
    bool cubeTexture = false;
    bool hasTexture = false;
    bool depthFixup = false;
    bool normalize = false;
    bool specular = false; // D3DRS_SPECULARENABLE: specular lighting and its addition
    int lightCount = 0;
    // Plain arrays: libc++ (the browser build's) has no three-way comparison for std::array.
    int lightTypes[8]{};
    int materialSources[4]{}; // diffuse, ambient, specular, emissive
    int texCoordIndex = 0;
    bool texTransform = false;
    int colorStage[3]{}; // operation, argument 1, argument 2
    int alphaStage[3]{};
    int alphaFunc = D3DCMP_ALWAYS; // D3DCMP_ALWAYS while the alpha test is off
    auto operator<=>(const FixedFunctionKey&) const = default;
};

// What a draw needs besides the device state.
struct FixedFunctionInputs {
    DWORD fvf = 0;
    bool hasTexture = false;
    bool depthFixup = false; // map 0..1 depth to GL's -1..1 when clip control is missing
    UINT targetWidth = 0;
    UINT targetHeight = 0;
    int subpixelBits = 8; // GL_SUBPIXEL_BITS, for the pixel-centre shift
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
