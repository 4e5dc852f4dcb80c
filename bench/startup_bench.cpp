// Start-up, stage by stage: extracting data.rar, loading each mesh and each texture of the
// generated media on the real GL device (llvmpipe without a GPU), translating the effect,
// and setting up the GL device; and the .x parser's throughput on text and binary forms of
// one mesh. The whole-program figure is scripts/bench-startup.sh.
//
// Inputs: the generated media in QUILLMOOR_MEDIA_DIR (else <build>/media-staging) and the
// run directory QUILLMOOR_RUN_DIR (else <build>/run) for data.rar and the effect file.
// Headless runs need SDL_VIDEODRIVER=offscreen (scripts/headless-env.sh).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assets/archive_extractor.h"
#include "bench/media_dir.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/effect_parser.h"
#include "platform/d3dx9/effect_cache.h"
#include "platform/d3dx9/effect_translation.h"
#include "platform/d3dx9/x_file_parser.h"
#include "tools/quillmoor-media/blob_meshes.h"
#include "tools/quillmoor-media/x_file_writer.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One 800 x 600 windowed device for the whole run, as the demo asks for in a window.
IDirect3DDevice9* Device() {
    static IDirect3DDevice9* device = [] {
        IDirect3D9* direct3D = Direct3DCreate9(D3D_SDK_VERSION);
        IDirect3DDevice9* created = nullptr;
        if (direct3D == nullptr) {
            return created;
        }
        D3DPRESENT_PARAMETERS p{};
        p.BackBufferWidth = 800;
        p.BackBufferHeight = 600;
        p.BackBufferFormat = D3DFMT_X8R8G8B8;
        p.BackBufferCount = 1;
        p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.Windowed = TRUE;
        p.EnableAutoDepthStencil = TRUE;
        p.AutoDepthStencilFormat = D3DFMT_D24S8;
        direct3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &created);
        return created;
    }();
    return device;
}

// Standard output off while the extractor prints its result lines.
class QuietStdout {
  public:
    QuietStdout() {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
    }

  private:
    int saved_;
};

void BM_Extract(benchmark::State& state) {
    const fs::path archive = BenchMedia::RunDir() / ArchiveExtractor::kArchiveName;
    if (!fs::exists(archive)) {
        state.SkipWithError("no data.rar (set QUILLMOOR_RUN_DIR)");
        return;
    }
    const fs::path previous = fs::current_path();
    const fs::path work = fs::temp_directory_path() / ("qm_startup_bench_" + std::to_string(::getpid()));
    for (const char* dir : {"data/meshes", "data/textures"}) {
        fs::create_directories(work / dir);
    }
    fs::copy_file(archive, work / ArchiveExtractor::kArchiveName, fs::copy_options::overwrite_existing);
    fs::current_path(work);
    {
        QuietStdout quiet;
        for (auto _ : state) {
            ArchiveExtractor::ExtractAll();
        }
    }
    fs::current_path(previous);
    fs::remove_all(work);
}
BENCHMARK(BM_Extract)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// A mesh as an effect-drawn mesh loads it: read and parse, attribute sort, clone into the
// drawing vertex format.
void BM_Mesh(benchmark::State& state, const std::string& name) {
    const fs::path path = BenchMedia::Dir() / "data" / name;
    IDirect3DDevice9* device = Device();
    if (device == nullptr || !fs::exists(path)) {
        state.SkipWithError("no device or no mesh");
        return;
    }
    const std::wstring wide = path.wstring();
    for (auto _ : state) {
        ID3DXMesh* loaded = nullptr;
        ID3DXMesh* sorted = nullptr;
        ID3DXMesh* drawn = nullptr;
        DWORD materials = 0;
        if (FAILED(D3DXLoadMeshFromXW(wide.c_str(), D3DXMESH_DYNAMIC | D3DXMESH_SYSTEMMEM, device, nullptr,
                                      nullptr, nullptr, &materials, &loaded)) ||
            FAILED(loaded->Optimize(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr, &sorted)) ||
            FAILED(sorted->CloneMeshFVF(D3DXMESH_WRITEONLY, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, device,
                                        &drawn))) {
            state.SkipWithError("mesh did not load");
            return;
        }
        drawn->Release();
        sorted->Release();
        loaded->Release();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(fs::file_size(path)));
}

void BM_Texture(benchmark::State& state, const std::string& name, bool cube) {
    const fs::path path = BenchMedia::Dir() / "data" / name;
    IDirect3DDevice9* device = Device();
    if (device == nullptr || !fs::exists(path)) {
        state.SkipWithError("no device or no image");
        return;
    }
    const std::wstring wide = path.wstring();
    for (auto _ : state) {
        IDirect3DBaseTexture9* texture = nullptr;
        HRESULT hr = E_FAIL;
        if (cube) {
            IDirect3DCubeTexture9* created = nullptr;
            hr = D3DXCreateCubeTextureFromFileW(device, wide.c_str(), &created);
            texture = created;
        } else {
            IDirect3DTexture9* created = nullptr;
            hr = D3DXCreateTextureFromFileW(device, wide.c_str(), &created);
            texture = created;
        }
        if (FAILED(hr)) {
            state.SkipWithError("texture did not load");
            return;
        }
        texture->Release();
    }
}

const std::string& DemoEffectText() {
    static const std::string text = [] {
        const std::vector<std::uint8_t> bytes =
            ReadFile(BenchMedia::RunDir() / "data" / "shader" / "diffuse.fx");
        return std::string(bytes.begin(), bytes.end());
    }();
    return text;
}

// The demo's effect translated from scratch: every pass through the HLSL compiler.
void BM_EffectTranslation(benchmark::State& state) {
    EffectDescription description;
    std::string error;
    if (DemoEffectText().empty() || !ParseEffect(DemoEffectText(), &description, &error)) {
        state.SkipWithError("no effect file");
        return;
    }
    for (auto _ : state) {
        TranslatedEffect translated;
        if (!TranslateEffect(description, description.hlsl, GlslDialect::Glsl330, &translated, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
}
BENCHMARK(BM_EffectTranslation)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The same translation read back from the cache on disk (in a temporary cache home).
void BM_EffectFromCache(benchmark::State& state) {
    EffectDescription description;
    std::string error;
    TranslatedEffect translated;
    if (DemoEffectText().empty() || !ParseEffect(DemoEffectText(), &description, &error) ||
        !TranslateEffect(description, description.hlsl, GlslDialect::Glsl330, &translated, &error)) {
        state.SkipWithError("no effect file");
        return;
    }
    const fs::path home = fs::temp_directory_path() / ("qm_effect_cache_bench_" + std::to_string(::getpid()));
    const char* previous = std::getenv("XDG_CACHE_HOME");
    const std::string saved = previous != nullptr ? previous : "";
    ::setenv("XDG_CACHE_HOME", home.c_str(), 1);
    EffectCache::Store(DemoEffectText(), translated);
    for (auto _ : state) {
        if (!EffectCache::Load(DemoEffectText(), GlslDialect::Glsl330)) {
            state.SkipWithError("cache entry did not load");
            break;
        }
    }
    if (previous != nullptr) {
        ::setenv("XDG_CACHE_HOME", saved.c_str(), 1);
    } else {
        ::unsetenv("XDG_CACHE_HOME");
    }
    fs::remove_all(home);
}
BENCHMARK(BM_EffectFromCache)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Direct3D object and an 800 x 600 windowed device: window, GL context, back buffer.
void BM_GlSetUp(benchmark::State& state) {
    for (auto _ : state) {
        IDirect3D9* direct3D = Direct3DCreate9(D3D_SDK_VERSION);
        if (direct3D == nullptr) {
            state.SkipWithError("no OpenGL 3.3 context");
            return;
        }
        D3DPRESENT_PARAMETERS p{};
        p.BackBufferWidth = 800;
        p.BackBufferHeight = 600;
        p.BackBufferFormat = D3DFMT_X8R8G8B8;
        p.BackBufferCount = 1;
        p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.Windowed = TRUE;
        p.EnableAutoDepthStencil = TRUE;
        p.AutoDepthStencilFormat = D3DFMT_D24S8;
        IDirect3DDevice9* device = nullptr;
        if (FAILED(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                                          &device))) {
            direct3D->Release();
            state.SkipWithError("device creation failed");
            return;
        }
        device->Release();
        direct3D->Release();
    }
}
BENCHMARK(BM_GlSetUp)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The parser alone on one mesh (the twisting stack) written in text and in binary form.
void BM_XParse(benchmark::State& state, bool binary) {
    static const media::Mesh stack = media::MakeStack();
    const std::vector<std::uint8_t> file = binary ? media::WriteXBinary(stack) : media::WriteXText(stack);
    for (auto _ : state) {
        std::vector<XObject> objects;
        if (FAILED(XFileParser::Parse(file.data(), file.size(), objects))) {
            state.SkipWithError("parse failed");
            return;
        }
        benchmark::DoNotOptimize(objects);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file.size()));
}
BENCHMARK_CAPTURE(BM_XParse, text, false)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_XParse, binary, true)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// One benchmark per mesh and per image of the media, named by file.
const bool registered = [] {
    std::error_code ec;
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(BenchMedia::Dir() / "data", ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (it->is_regular_file()) {
            files.push_back(fs::relative(it->path(), BenchMedia::Dir() / "data"));
        }
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        std::string ext = file.extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        const std::string name = file.string();
        if (ext == ".x") {
            benchmark::RegisterBenchmark(("BM_Mesh/" + name).c_str(), BM_Mesh, name)
                ->Unit(benchmark::kMillisecond)
                ->Repetitions(5)
                ->ReportAggregatesOnly(true);
        } else if (ext == ".bmp" || ext == ".jpg" || ext == ".tga" || ext == ".png" || ext == ".dds") {
            // The cube map is the one DDS the scenes load as a cube.
            const bool cube = file.filename() == "grace_cross.dds";
            benchmark::RegisterBenchmark(("BM_Texture/" + name).c_str(), BM_Texture, name, cube)
                ->Unit(benchmark::kMillisecond)
                ->Repetitions(5)
                ->ReportAggregatesOnly(true);
        }
    }
    return true;
}();

} // namespace
