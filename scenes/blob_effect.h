#pragma once
// What the scenes hand the effect for a lit, textured, environment-mapped blob, and the
// device states such a blob is drawn with.

#include <optional>

#include "platform/d3dx9/d3dx9.h"

class EffectBinding;
class TextureObject;

struct BlobEffectValues {
    D3DXMATRIX worldViewProjection;
    D3DXMATRIX world;
    D3DXVECTOR4 eyePosition;
    D3DXVECTOR4 lightDirection1;
    D3DXVECTOR4 lightDirection2;
    D3DXVECTOR4 ambient;
    D3DXVECTOR4 diffuse1;
    D3DXVECTOR4 diffuse2;
    // Absent where a scene leaves the effect file's default in place.
    std::optional<D3DXVECTOR4> envMapBlend;
    TextureObject* base = nullptr;
    TextureObject* environment = nullptr;
    float offset[3] = {};
};

// In the order the scenes set them: matrices, eye, light directions, colours, blend factor,
// textures, offset.
void SetBlobEffectValues(EffectBinding* effect, const BlobEffectValues& values);

// The texture offset every blob drifts by: (0.5 sin(0.5154639 t), 0.5 cos t, z).
void SetBlobOffset(float offset[3], float t, float z);

// Stage 0 colour = texture x diffuse, alpha off.
void SetModulateStage(IDirect3DDevice9* device);

// Depth test, the overlay's ambient, no fixed-function lighting, no culling, stage 0
// modulating: the states the effect-drawn blobs are drawn with.
void SetBlobDrawStates(IDirect3DDevice9* device);
