// Packing speed and packed size of our RAR 2.0 packer per level, next to zlib's deflate at
// levels 6 and 9 (what gzip -6 and gzip -9 run) on the same bytes. Throughput is in input
// bytes per second of CPU time; the "packed" counter is the whole archive (or deflate
// stream) in bytes, "ratio" that over the input.
//
// Inputs:
//  - media: the generated demo media from QUILLMOOR_MEDIA_DIR (else <build>/media-staging),
//    every file a member of one solid archive, as data.rar packs them;
//  - test16k: the 16 KiB file of tests/data/rar/test_v2.rar, read by our reader;
//  - speech: a 16-bit mono recording from QUILLMOOR_SPEECH_WAV (bench/pack-sizes.sh makes
//    one with espeak-ng), skipped when the variable is not set.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "bench/media_dir.h"
#include "rar/rar_reader.h"
#include "rar/rar_writer.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<RarWriter::Member> LoadInput(const std::string& name) {
    std::vector<RarWriter::Member> members;
    if (name == "media") {
        std::vector<fs::path> paths;
        std::error_code ec;
        const fs::path root = BenchMedia::Dir();
        for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it); it.increment(ec)) {
            if (it->is_regular_file() && it->path().extension() != ".stamp") {
                paths.push_back(it->path());
            }
        }
        std::sort(paths.begin(), paths.end());
        for (const fs::path& p : paths) {
            members.push_back({fs::relative(p, root).string(), ReadFile(p)});
        }
    } else if (name == "test16k") {
        const char* archive = std::getenv("QUILLMOOR_RAR_TEST_ARCHIVE");
        const std::string path = archive != nullptr ? archive : QUILLMOOR_SOURCE_DIR "/tests/data/rar/test_v2.rar";
        std::uint8_t* data = nullptr;
        std::uint32_t size = 0;
        if (RarReader::Extract("p0.bin", path.c_str(), nullptr, &data, &size)) {
            members.push_back({"p0.bin", {data, data + size}});
            std::free(data);
        }
    } else if (name == "speech") {
        if (const char* wav = std::getenv("QUILLMOOR_SPEECH_WAV")) {
            members.push_back({"speech.wav", ReadFile(wav)});
        }
    }
    return members;
}

const std::vector<RarWriter::Member>& Input(const std::string& name) {
    static std::map<std::string, std::vector<RarWriter::Member>> inputs;
    auto it = inputs.find(name);
    if (it == inputs.end()) {
        it = inputs.emplace(name, LoadInput(name)).first;
    }
    return it->second;
}

std::size_t TotalBytes(const std::vector<RarWriter::Member>& members) {
    std::size_t total = 0;
    for (const RarWriter::Member& m : members) {
        total += m.bytes.size();
    }
    return total;
}

void Report(benchmark::State& state, std::size_t input, std::size_t packed) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input));
    state.counters["packed"] = static_cast<double>(packed);
    state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(input);
}

void RarPack(benchmark::State& state, const std::string& name, int level, bool multimedia) {
    const std::vector<RarWriter::Member>& members = Input(name);
    if (members.empty() || TotalBytes(members) == 0) {
        state.SkipWithError(("no input for " + name).c_str());
        return;
    }
    std::size_t packed = 0;
    for (auto _ : state) {
        const std::vector<std::uint8_t> archive =
            RarWriter::Build(members, {.solid = true, .level = level, .multimedia = multimedia});
        packed = archive.size();
        benchmark::DoNotOptimize(archive.data());
    }
    Report(state, TotalBytes(members), packed);
}

void Deflate(benchmark::State& state, const std::string& name, int level) {
    const std::vector<RarWriter::Member>& members = Input(name);
    std::vector<std::uint8_t> bytes;
    for (const RarWriter::Member& m : members) {
        bytes.insert(bytes.end(), m.bytes.begin(), m.bytes.end());
    }
    if (bytes.empty()) {
        state.SkipWithError(("no input for " + name).c_str());
        return;
    }
    std::vector<std::uint8_t> out(compressBound(bytes.size()));
    uLongf packed = 0;
    for (auto _ : state) {
        packed = out.size();
        compress2(out.data(), &packed, bytes.data(), bytes.size(), level);
        benchmark::DoNotOptimize(out.data());
    }
    Report(state, bytes.size(), packed);
}

const bool kRegistered = [] {
    for (const char* input : {"media", "test16k", "speech"}) {
        const std::string name = input;
        for (int level = 0; level <= 5; ++level) {
            benchmark::RegisterBenchmark(("RarPack/" + name + "/m" + std::to_string(level)).c_str(),
                                         [name, level](benchmark::State& s) { RarPack(s, name, level, false); })
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark(("RarPack/" + name + "/m5-mm").c_str(),
                                     [name](benchmark::State& s) { RarPack(s, name, 5, true); })
            ->Unit(benchmark::kMillisecond);
        for (int level : {6, 9}) {
            benchmark::RegisterBenchmark(("Deflate/" + name + "/" + std::to_string(level)).c_str(),
                                         [name, level](benchmark::State& s) { Deflate(s, name, level); })
                ->Unit(benchmark::kMillisecond);
        }
    }
    return true;
}();

} // namespace
