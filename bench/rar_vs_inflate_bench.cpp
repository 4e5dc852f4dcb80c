// Decode speed of our RAR 2.0 reader next to zlib's inflate on the same bytes. Each input is
// packed once by our packer (one member) and once by zlib's deflate at level 6; the
// benchmarks then time RarReader::Extract of the member (archive in the page cache,
// header walk and CRC-32 check included) and uncompress() of the zlib stream (Adler-32
// check included). Throughput is in uncompressed bytes per second.
//
// Inputs: the generated demo media (mesh text, and the images: bmp, tga, dds, jpg) from
// QUILLMOOR_MEDIA_DIR, else <build>/media-staging next to this executable's directory;
// and 16 MiB of generated English-like text.

#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/media_dir.h"
#include "rar/rar_reader.h"
#include "rar/rar_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* Words[] = {
    "the",   "blob",  "room",   "water", "light", "camera", "music", "beat", "of",     "and",
    "a",     "to",    "in",     "is",    "that",  "it",     "with",  "as",   "for",    "on",
    "flare", "trail", "stack",  "twist", "frame", "scene",  "demo",  "cut",  "render", "time",
    "quill", "moor",  "vertex", "mesh",  "shot",  "fade",   "glow",  "tube", "greet",  "logo",
};

std::vector<std::uint8_t> TextLike(std::size_t size) {
    std::mt19937 gen(7);
    // Zipf-like choice: common words far more often than rare ones.
    std::vector<double> weights;
    for (std::size_t i = 0; i < std::size(Words); ++i) {
        weights.push_back(1.0 / double(i + 1));
    }
    std::discrete_distribution<int> word(weights.begin(), weights.end());
    std::vector<std::uint8_t> text;
    text.reserve(size + 16);
    int inLine = 0;
    while (text.size() < size) {
        const std::string w = Words[word(gen)];
        text.insert(text.end(), w.begin(), w.end());
        inLine += int(w.size()) + 1;
        text.push_back(inLine > 72 ? '\n' : ' ');
        inLine = inLine > 72 ? 0 : inLine;
    }
    text.resize(size);
    return text;
}

// Every file under the media directory whose extension is in `extensions`, concatenated
// in name order.
std::vector<std::uint8_t> MediaFiles(const std::vector<std::string>& extensions) {
    std::vector<fs::path> paths;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(BenchMedia::Dir(), ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        std::string ext = it->path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (it->is_regular_file() &&
            std::find(extensions.begin(), extensions.end(), ext) != extensions.end()) {
            paths.push_back(it->path());
        }
    }
    std::sort(paths.begin(), paths.end());
    std::vector<std::uint8_t> bytes;
    for (const fs::path& p : paths) {
        std::ifstream in(p, std::ios::binary);
        bytes.insert(bytes.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return bytes;
}

struct Packed {
    std::vector<std::uint8_t> original;
    std::string rarPath;
    std::size_t rarSize = 0;
    std::vector<std::uint8_t> deflated;
};

const Packed& Input(const std::string& name) {
    static std::map<std::string, Packed> inputs;
    auto found = inputs.find(name);
    if (found != inputs.end()) {
        return found->second;
    }
    Packed& p = inputs[name];
    if (name == "text") {
        p.original = TextLike(16u << 20);
    } else if (name == "meshes") {
        p.original = MediaFiles({".x"});
    } else {
        p.original = MediaFiles({".bmp", ".tga", ".dds", ".jpg", ".png"});
    }
    if (p.original.empty()) {
        return p;
    }
    const std::vector<std::uint8_t> archive =
        RarWriter::Build({{"data\\" + name + ".bin", p.original}}, false);
    p.rarSize = archive.size();
    p.rarPath =
        (fs::temp_directory_path() / ("qm_inflate_bench_" + std::to_string(::getpid()) + "_" + name + ".rar"))
            .string();
    std::ofstream(p.rarPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(archive.data()), std::streamsize(archive.size()));
    static const bool cleanup = [] {
        std::atexit([] {
            for (auto& [n, packed] : inputs) {
                std::error_code ec;
                fs::remove(packed.rarPath, ec);
            }
        });
        return true;
    }();
    (void)cleanup;
    uLongf bound = compressBound(p.original.size());
    p.deflated.resize(bound);
    compress2(p.deflated.data(), &bound, p.original.data(), p.original.size(), 6);
    p.deflated.resize(bound);
    return p;
}

void Report(benchmark::State& state, const Packed& p, std::size_t packedSize) {
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(p.original.size()));
    state.counters["MiB"] = double(p.original.size()) / (1 << 20);
    state.counters["ratio"] = double(packedSize) / double(p.original.size());
}

void BM_RarExtract(benchmark::State& state, const std::string& name) {
    const Packed& p = Input(name);
    if (p.original.empty()) {
        state.SkipWithError("no input files (set QUILLMOOR_MEDIA_DIR)");
        return;
    }
    const std::string member = "data\\" + name + ".bin";
    for (auto _ : state) {
        RarReader::ForgetSolidState();
        std::uint8_t* data = nullptr;
        std::uint32_t size = 0;
        if (!RarReader::Extract(member.c_str(), p.rarPath.c_str(), nullptr, &data, &size) ||
            size != p.original.size()) {
            state.SkipWithError("extraction failed");
            std::free(data);
            return;
        }
        std::free(data);
    }
    Report(state, p, p.rarSize);
}

void BM_ZlibInflate(benchmark::State& state, const std::string& name) {
    const Packed& p = Input(name);
    if (p.original.empty()) {
        state.SkipWithError("no input files (set QUILLMOOR_MEDIA_DIR)");
        return;
    }
    for (auto _ : state) {
        // Allocated per call, as Extract allocates its result.
        std::uint8_t* out = static_cast<std::uint8_t*>(std::malloc(p.original.size()));
        uLongf size = p.original.size();
        if (uncompress(out, &size, p.deflated.data(), p.deflated.size()) != Z_OK ||
            size != p.original.size()) {
            state.SkipWithError("inflate failed");
            std::free(out);
            return;
        }
        benchmark::DoNotOptimize(out);
        std::free(out);
    }
    Report(state, p, p.deflated.size());
}

#define SIDE_BY_SIDE(input)                                                                                  \
    BENCHMARK_CAPTURE(BM_RarExtract, input, #input)->Unit(benchmark::kMillisecond)->Repetitions(3);          \
    BENCHMARK_CAPTURE(BM_ZlibInflate, input, #input)->Unit(benchmark::kMillisecond)->Repetitions(3)

SIDE_BY_SIDE(text);
SIDE_BY_SIDE(meshes);
SIDE_BY_SIDE(images);

} // namespace
