// Extracting every member of a solid archive, one call each, in archive order: the demo's
// start-up pattern. Also the packer on the same data.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "rar/rar_reader.h"
#include "rar/rar_writer.h"

namespace {

std::vector<RarWriter::Member> MediaLikeMembers(int count, std::size_t size) {
    std::mt19937 gen(42);
    std::vector<RarWriter::Member> members;
    for (int i = 0; i < count; ++i) {
        std::vector<std::uint8_t> bytes(size);
        // Smooth ramps with noise: compressible like mesh text and bitmaps, not trivially.
        for (std::size_t k = 0; k < size; ++k) {
            bytes[k] = static_cast<std::uint8_t>((k * (i + 1)) / 64 + (gen() % 4));
        }
        members.push_back({"data\\member" + std::to_string(i) + ".bin", std::move(bytes)});
    }
    return members;
}

const std::string& ArchivePath(int count, std::size_t size) {
    static std::string path;
    if (path.empty()) {
        path = (std::filesystem::temp_directory_path() / ("qm_bench_" + std::to_string(::getpid()) + ".rar"))
                   .string();
        RarWriter::Write(path, MediaLikeMembers(count, size), true);
        std::atexit([] { std::filesystem::remove(path); });
    }
    return path;
}

// state.range(0) == 1 forgets the decoder state before each call: every call then decodes
// the archive from its start, as a reader without the resume would.
void BM_ExtractAllMembersSolid(benchmark::State& state) {
    constexpr int kMembers = 54;
    constexpr std::size_t kSize = 256 * 1024;
    const std::string& path = ArchivePath(kMembers, kSize);
    for (auto _ : state) {
        for (int i = 0; i < kMembers; ++i) {
            std::uint8_t* data = nullptr;
            std::uint32_t size = 0;
            const std::string name = "data\\member" + std::to_string(i) + ".bin";
            if (state.range(0) == 1) {
                RarReader::ForgetSolidState();
            }
            if (!RarReader::Extract(name.c_str(), path.c_str(), nullptr, &data, &size)) {
                state.SkipWithError("extraction failed");
                return;
            }
            std::free(data);
        }
    }
    state.SetBytesProcessed(state.iterations() * kMembers * static_cast<std::int64_t>(kSize));
}
BENCHMARK(BM_ExtractAllMembersSolid)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PackSolid(benchmark::State& state) {
    const std::vector<RarWriter::Member> members = MediaLikeMembers(8, 256 * 1024);
    for (auto _ : state) {
        benchmark::DoNotOptimize(RarWriter::Build(members, true));
    }
    state.SetBytesProcessed(state.iterations() * 8 * 256 * 1024);
}
BENCHMARK(BM_PackSolid)->Unit(benchmark::kMillisecond);

} // namespace
