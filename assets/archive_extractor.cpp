#include "assets/archive_extractor.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "assets/extraction_worker.h"
#include "platform/d3dx9/x_mesh_cache.h"
#include "platform/fs/windows_path.h"
#include "rar/rar_reader.h"

namespace {

constexpr const char* kExtractionList[] = {
    "data\\blobby02.x",
    "data\\blobby12.x",
    "data\\meshes\\blobby_sphere.x",
    "data\\meshes\\blobby13.x",
    "data\\meshes\\blobby15.x",
    "data\\meshes\\blobby19.x",
    "data\\meshes\\blobby21.x",
    "data\\meshes\\blobby23.x",
    "data\\meshes\\blobroom01.x",
    "data\\meshes\\blobroom02.x",
    "data\\meshes\\blobroom02_tube.x",
    "data\\meshes\\blobroom03.x",
    "data\\meshes\\blobroom03_wasser.x",
    "data\\meshes\\finalroom.x",
    "data\\meshes\\finalroom_wasser.x",
    "data\\meshes\\stapel.x",
    "data\\meshes\\water033.jpg",
    "data\\meshes\\water033.bmp",
    "data\\meshes\\ASPH_02.bmp",
    "data\\meshes\\BLUE_TUB.bmp",
    "data\\meshes\\GRATE_01.bmp",
    "data\\meshes\\MARB005.bmp",
    "data\\meshes\\METAL004.bmp",
    "data\\meshes\\METAL018.bmp",
    "data\\meshes\\METAL019.bmp",
    "data\\meshes\\METAL023.bmp",
    "data\\meshes\\METAL025.bmp",
    "data\\meshes\\METAL030.bmp",
    "data\\meshes\\METAL032.bmp",
    "data\\meshes\\METAL043.bmp",
    "data\\meshes\\STEEL_01.bmp",
    "data\\meshes\\STEEL_02.bmp",
    "data\\meshes\\STEEL_03.bmp",
    "data\\meshes\\STEEL_05.bmp",
    "data\\meshes\\STEEL_06.bmp",
    "data\\meshes\\WALL_03.bmp",
    "data\\meshes\\WALL_07.bmp",
    "data\\meshes\\metal025.jpg",
    "data\\textures\\black.bmp",
    "data\\textures\\blob.jpg",
    "data\\textures\\circle.tga",
    "data\\textures\\circle01.png",
    "data\\textures\\flare.tga",
    "data\\textures\\grace_cross.dds",
    "data\\textures\\greets_alder.jpg",
    "data\\textures\\neuronflare.jpg",
    "data\\textures\\neuronma.jpg",
    "data\\textures\\overlay02.tga",
    "data\\textures\\overlay03.tga",
    "data\\textures\\overlay04.tga",
    "data\\textures\\overlay05.bmp",
    "data\\textures\\tmqlogo.jpg",
    "data\\textures\\sync_block.tga",
    "data\\textures\\circle01.dds",
};

// Extraction entries 17, 18, 1-16, 19-53: everything but circle01.dds.
constexpr const wchar_t* kDeleteList[] = {
    L"data\\meshes\\water033.jpg",
    L"data\\meshes\\water033.bmp",
    L"data\\blobby02.x",
    L"data\\blobby12.x",
    L"data\\meshes\\blobby_sphere.x",
    L"data\\meshes\\blobby13.x",
    L"data\\meshes\\blobby15.x",
    L"data\\meshes\\blobby19.x",
    L"data\\meshes\\blobby21.x",
    L"data\\meshes\\blobby23.x",
    L"data\\meshes\\blobroom01.x",
    L"data\\meshes\\blobroom02.x",
    L"data\\meshes\\blobroom02_tube.x",
    L"data\\meshes\\blobroom03.x",
    L"data\\meshes\\blobroom03_wasser.x",
    L"data\\meshes\\finalroom.x",
    L"data\\meshes\\finalroom_wasser.x",
    L"data\\meshes\\stapel.x",
    L"data\\meshes\\ASPH_02.bmp",
    L"data\\meshes\\BLUE_TUB.bmp",
    L"data\\meshes\\GRATE_01.bmp",
    L"data\\meshes\\MARB005.bmp",
    L"data\\meshes\\METAL004.bmp",
    L"data\\meshes\\METAL018.bmp",
    L"data\\meshes\\METAL019.bmp",
    L"data\\meshes\\METAL023.bmp",
    L"data\\meshes\\METAL025.bmp",
    L"data\\meshes\\METAL030.bmp",
    L"data\\meshes\\METAL032.bmp",
    L"data\\meshes\\METAL043.bmp",
    L"data\\meshes\\STEEL_01.bmp",
    L"data\\meshes\\STEEL_02.bmp",
    L"data\\meshes\\STEEL_03.bmp",
    L"data\\meshes\\STEEL_05.bmp",
    L"data\\meshes\\STEEL_06.bmp",
    L"data\\meshes\\WALL_03.bmp",
    L"data\\meshes\\WALL_07.bmp",
    L"data\\meshes\\metal025.jpg",
    L"data\\textures\\black.bmp",
    L"data\\textures\\blob.jpg",
    L"data\\textures\\circle.tga",
    L"data\\textures\\circle01.png",
    L"data\\textures\\flare.tga",
    L"data\\textures\\grace_cross.dds",
    L"data\\textures\\greets_alder.jpg",
    L"data\\textures\\neuronflare.jpg",
    L"data\\textures\\neuronma.jpg",
    L"data\\textures\\overlay02.tga",
    L"data\\textures\\overlay03.tga",
    L"data\\textures\\overlay04.tga",
    L"data\\textures\\overlay05.bmp",
    L"data\\textures\\tmqlogo.jpg",
    L"data\\textures\\sync_block.tga",
};

static_assert(std::size(kExtractionList) == 54);
static_assert(std::size(kDeleteList) == 53);

} // namespace

namespace {

constexpr const char* kErrorLine = "  o Error creating binary output file!\n\n";
constexpr const char* kOkLine = "OK.\n\n";

// The worker decoding ahead of ExtractAll, then the one that wrote and is building meshes.
std::unique_ptr<ExtractionWorker> decoding;
std::unique_ptr<ExtractionWorker> finishing;

} // namespace

void ArchiveExtractor::ExtractMember(const char* path) {
    // The archive name follows the same path rules as every other file ("DATA.RAR" finds it).
    const std::optional<std::string> archive = WindowsPath::ResolveForReading(kArchiveName);
    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    const bool extracted =
        RarReader::Extract(path, archive ? archive->c_str() : kArchiveName, nullptr, &data, &size);
    std::fputs(ExtractionWorker::WriteMember(path, extracted, data, size, nullptr) ? kOkLine : kErrorLine,
               stdout);
    std::free(data);
}

void ArchiveExtractor::StartDecoding() {
    if (decoding == nullptr) {
        XMeshCache::Keep();
        decoding = std::make_unique<ExtractionWorker>(kExtractionList, kArchiveName);
    }
}

void ArchiveExtractor::ExtractAll() {
    StartDecoding();
    decoding->WriteFiles();
    for (std::size_t i = 0; i < std::size(kExtractionList); ++i) {
        std::fputs(decoding->WaitWritten(i) ? kOkLine : kErrorLine, stdout);
    }
    finishing = std::move(decoding);
}

void ArchiveExtractor::Stop() {
    decoding.reset();
    finishing.reset();
    XMeshCache::Forget();
}

void ArchiveExtractor::DeleteExtracted() {
    Stop();
    for (const wchar_t* path : kDeleteList) {
        DeleteFileW(path);
    }
}
