#include "tools/quillmoor-media/media_catalogue.h"

#include "tools/quillmoor-media/blob_meshes.h"
#include "tools/quillmoor-media/dds_file.h"
#include "tools/quillmoor-media/image_files.h"
#include "tools/quillmoor-media/room_meshes.h"
#include "tools/quillmoor-media/texture_designs.h"
#include "tools/quillmoor-media/x_file_writer.h"

namespace media {

namespace {

using Rgb = std::array<float, 3>;

MediaFile Text(const char* path, Mesh (*make)()) {
    return {path, [make] { return WriteXText(make()); }};
}
MediaFile Binary(const char* path, Mesh (*make)()) {
    return {path, [make] { return WriteXBinary(make()); }};
}
MediaFile Picture(const std::string& path, std::function<Image()> make) {
    return {path, [path, make] { return EncodeImage(make(), path); }};
}

} // namespace

std::vector<MediaFile> ArchiveMembers(const TextRenderer& text) {
    const TextRenderer* t = &text;
    return {
        Text("data\\blobby02.x", MakeOpeningBlob),
        Text("data\\blobby12.x", MakeFlightRing),
        Binary("data\\meshes\\blobby_sphere.x", MakeBackdropSphere),
        Text("data\\meshes\\blobby13.x", MakeHelixTower),
        Text("data\\meshes\\blobby15.x", MakeCreditsBlob),
        Text("data\\meshes\\blobby19.x", MakeSwirlBlob),
        Text("data\\meshes\\blobby21.x", MakePulseBlob),
        Text("data\\meshes\\blobby23.x", MakeWobbleBlob),
        Text("data\\meshes\\blobroom01.x", MakeBlobRoom01),
        Text("data\\meshes\\blobroom02.x", MakeBlobRoom02),
        Text("data\\meshes\\blobroom02_tube.x", MakeBlobRoom02Tube),
        Text("data\\meshes\\blobroom03.x", MakeBlobRoom03),
        Text("data\\meshes\\blobroom03_wasser.x", MakeBlobRoom03Water),
        Text("data\\meshes\\finalroom.x", MakeFinalRoom),
        Text("data\\meshes\\finalroom_wasser.x", MakeFinalRoomWater),
        Text("data\\meshes\\stapel.x", MakeStack),
        Picture("data\\meshes\\water033.jpg", [] { return MakeWaterTexture(33); }),
        Picture("data\\meshes\\water033.bmp", [] { return MakeWaterTexture(34); }),
        Picture("data\\meshes\\ASPH_02.bmp", MakeAsphaltTexture),
        Picture("data\\meshes\\BLUE_TUB.bmp", MakeTubeTexture),
        Picture("data\\meshes\\GRATE_01.bmp", MakeGrateTexture),
        Picture("data\\meshes\\MARB005.bmp", MakeMarbleTexture),
        Picture("data\\meshes\\METAL004.bmp",
                [] {
                    return MakeMetalPanelTexture(4, Rgb{0.7f, 0.75f, 0.85f});
                }),
        Picture("data\\meshes\\METAL018.bmp",
                [] {
                    return MakeMetalPanelTexture(18, Rgb{0.8f, 0.8f, 0.9f});
                }),
        Picture("data\\meshes\\METAL019.bmp",
                [] {
                    return MakeMetalPanelTexture(19, Rgb{0.6f, 0.7f, 0.8f});
                }),
        Picture("data\\meshes\\METAL023.bmp",
                [] {
                    return MakeMetalPanelTexture(23, Rgb{0.75f, 0.7f, 0.65f});
                }),
        Picture("data\\meshes\\METAL025.bmp",
                [] {
                    return MakeMetalPanelTexture(25, Rgb{0.65f, 0.7f, 0.9f});
                }),
        Picture("data\\meshes\\METAL030.bmp",
                [] {
                    return MakeMetalPanelTexture(30, Rgb{0.55f, 0.6f, 0.7f});
                }),
        Picture("data\\meshes\\METAL032.bmp",
                [] {
                    return MakeMetalPanelTexture(32, Rgb{0.7f, 0.7f, 0.8f});
                }),
        Picture("data\\meshes\\METAL043.bmp",
                [] {
                    return MakeMetalPanelTexture(43, Rgb{0.8f, 0.75f, 0.7f});
                }),
        Picture("data\\meshes\\STEEL_01.bmp",
                [] {
                    return MakeBrushedSteelTexture(1, Rgb{0.8f, 0.85f, 0.9f});
                }),
        Picture("data\\meshes\\STEEL_02.bmp",
                [] {
                    return MakeBrushedSteelTexture(2, Rgb{0.75f, 0.8f, 0.85f});
                }),
        Picture("data\\meshes\\STEEL_03.bmp",
                [] {
                    return MakeBrushedSteelTexture(3, Rgb{0.7f, 0.75f, 0.8f});
                }),
        Picture("data\\meshes\\STEEL_05.bmp",
                [] {
                    return MakeBrushedSteelTexture(5, Rgb{0.8f, 0.8f, 0.85f});
                }),
        Picture("data\\meshes\\STEEL_06.bmp",
                [] {
                    return MakeBrushedSteelTexture(6, Rgb{0.7f, 0.8f, 0.95f});
                }),
        Picture("data\\meshes\\WALL_03.bmp",
                [] {
                    return MakeWallTexture(3, Rgb{0.7f, 0.72f, 0.8f});
                }),
        Picture("data\\meshes\\WALL_07.bmp",
                [] {
                    return MakeWallTexture(7, Rgb{0.65f, 0.7f, 0.75f});
                }),
        Picture("data\\meshes\\metal025.jpg",
                [] {
                    return MakeMetalPanelTexture(125, Rgb{0.6f, 0.65f, 0.85f});
                }),
        Picture("data\\textures\\black.bmp", [] { return Image(16, 16); }),
        Picture("data\\textures\\blob.jpg", MakeBlobTexture),
        Picture("data\\textures\\circle.tga", [] { return MakeRingTexture(128, 0.8f, 0.06f, 0.0f); }),
        Picture("data\\textures\\circle01.png", [] { return MakeRingTexture(128, 0.78f, 0.08f, 0.25f); }),
        Picture("data\\textures\\flare.tga",
                [] {
                    return MakeFlareTexture(64, Rgb{1.0f, 1.0f, 1.0f}, Rgb{0.3f, 0.5f, 1.0f}, true);
                }),
        // Uncompressed: every pixel of every textured blob samples this cube trilinearly, and
        // on the software rasteriser a DXT1 cube made that the dearest part of the shading.
        {"data\\textures\\grace_cross.dds",
         [] { return WriteDds(MakeEnvironmentCube(128), DdsFormat::A8R8G8B8); }},
        Picture("data\\textures\\greets_alder.jpg", [t] { return MakeGreetingImage(*t, "alder", 1); }),
        Picture("data\\textures\\neuronflare.jpg",
                [] {
                    return MakeFlareTexture(128, Rgb{1.0f, 0.9f, 0.8f}, Rgb{1.0f, 0.25f, 0.15f}, false);
                }),
        Picture("data\\textures\\neuronma.jpg", MakeNeuronTexture),
        Picture("data\\textures\\overlay02.tga", [t] { return MakeBandOverlay(*t, true); }),
        Picture("data\\textures\\overlay03.tga", [t] { return MakeBandOverlay(*t, false); }),
        Picture("data\\textures\\overlay04.tga", [t] { return MakeFrameOverlay(*t); }),
        Picture("data\\textures\\overlay05.bmp", MakeStrobeMaskTexture),
        Picture("data\\textures\\tmqlogo.jpg", [t] { return MakeTitleLogo(*t); }),
        Picture("data\\textures\\sync_block.tga", MakeSyncBlockTexture),
        {"data\\textures\\circle01.dds",
         [] { return WriteDds({MakeRingTexture(128, 0.78f, 0.08f, 0.25f)}, DdsFormat::Dxt5); }},
    };
}

std::vector<MediaFile> LooseImages(const TextRenderer& text) {
    const TextRenderer* t = &text;
    std::vector<MediaFile> files = {
        Picture("data/textures/fenlow.jpg", [t] { return MakeCreditImage(*t, "code", "fenlow"); }),
        Picture("data/textures/orwick.jpg", [t] { return MakeCreditImage(*t, "music", "orwick"); }),
        Picture("data/textures/tamsel.jpg", [t] { return MakeCreditImage(*t, "graphics", "tamsel"); }),
        Picture("data/textures/vesper2004.jpg", [t] { return MakeClosingLogo(*t); }),
    };
    // "greets_cedarjpg" is the name the demo asks for, without the dot.
    const char* names[][2] = {{"greets_oakhut.jpg", "oakhut"},     {"greets_maple.jpg", "maple"},
                              {"greets_larchwen.jpg", "larchwen"}, {"greets_juniper.jpg", "juniper"},
                              {"greets_hazel.jpg", "hazel"},       {"greets_firwood.jpg", "firwood"},
                              {"greets_elmwood.jpg", "elmwood"},   {"greets_dogwood.jpg", "dogwood"},
                              {"greets_cedarjpg", "cedar"},        {"greets_birch.jpg", "birch"}};
    int seed = 2;
    for (const auto& n : names) {
        const std::string label = n[1];
        const int s = seed++;
        files.push_back(Picture(std::string("data/textures/") + n[0],
                                [t, label, s] { return MakeGreetingImage(*t, label, s); }));
    }
    return files;
}

} // namespace media
