// An archive from bytes: every file block the reader finds is extracted, as
// `quillmoor-rar test` does, so the block walk, both decoders and the solid-state resume
// all see the input.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_input_file.h"
#include "rar/rar_block.h"
#include "rar/rar_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = FuzzInputFile::Write(data, size, ".rar");
    // The file keeps its name between inputs: the reader must not take it for the archive
    // it decoded last time.
    RarReader::ForgetSolidState();

    std::vector<std::string> names;
    {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
        RarMainHeader main;
        if (!file || ReadArchiveStart(file.get(), main) != RarArchiveStart::Archive) {
            return 0;
        }
        SeekTo(file.get(), 7 + std::max<std::int64_t>(main.headerSize, RarFormat::kMainHeaderSize));
        RarBlockHeader block;
        while (ReadNextBlock(file.get(), block)) {
            if (block.type == RarFormat::kBlockFile) {
                names.push_back(block.name);
            }
            if (!SeekTo(file.get(), block.NextPosition())) {
                break;
            }
        }
    }
    for (const std::string& name : names) {
        std::uint8_t* member = nullptr;
        std::uint32_t memberSize = 0;
        if (RarReader::Extract(name.c_str(), path.c_str(), nullptr, &member, &memberSize) && memberSize > 0) {
            // Touch the first and last byte so a short buffer shows up as an overrun here.
            volatile std::uint8_t edge = member[0] ^ member[memberSize - 1];
            (void)edge;
        }
        std::free(member);
    }
    return 0;
}
