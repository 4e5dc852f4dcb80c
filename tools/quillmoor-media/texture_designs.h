#pragma once

#include <string>
#include <vector>

#include "tools/quillmoor-media/image.h"
#include "tools/quillmoor-media/text_renderer.h"

namespace media {

// Procedural pictures for every texture the demo loads. Sizes are powers of two.
Image MakeWaterTexture(int seed);
Image MakeAsphaltTexture();
Image MakeTubeTexture();
Image MakeGrateTexture();
Image MakeMarbleTexture();
Image MakeMetalPanelTexture(int seed, std::array<float, 3> tint);
Image MakeBrushedSteelTexture(int seed, std::array<float, 3> tint);
Image MakeWallTexture(int seed, std::array<float, 3> tint);
Image MakeBlobTexture();
Image MakeNeuronTexture();
Image MakeRingTexture(int size, float radius, float width, float glow);
Image MakeFlareTexture(int size, std::array<float, 3> core, std::array<float, 3> halo, bool withAlpha);
Image MakeSyncBlockTexture();
Image MakeStrobeMaskTexture();
// Faces +X, -X, +Y, -Y, +Z, -Z of the environment cube map.
std::vector<Image> MakeEnvironmentCube(int size);

Image MakeFrameOverlay(const TextRenderer& text);            // overlay04.tga, 1024 × 1024
Image MakeBandOverlay(const TextRenderer& text, bool upper); // overlay02/03.tga
Image MakeTitleLogo(const TextRenderer& text);               // tmqlogo.jpg
Image MakeCreditImage(const TextRenderer& text, const std::string& role, const std::string& name);
Image MakeGreetingImage(const TextRenderer& text, const std::string& name, int seed);
Image MakeClosingLogo(const TextRenderer& text);

} // namespace media
