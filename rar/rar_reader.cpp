#include "rar/rar_reader.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "rar/crc32.h"
#include "rar/rar20_decoder.h"
#include "rar/rar_block.h"
#include "rar/rar_debug_log.h"

namespace {

constexpr std::size_t kMemberNameLimit = 287;
constexpr std::size_t kArchivePathLimit = 287;
constexpr std::size_t kPasswordLimit = 254;
constexpr std::size_t kMatchNameLimit = 511;

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

class FileSource : public ByteSource {
  public:
    explicit FileSource(std::FILE* file) : file_(file) {}
    std::size_t Read(std::uint8_t* buffer, std::size_t size) override {
        return std::fread(buffer, 1, size, file_);
    }

  private:
    std::FILE* file_;
};

// What the decoder state depends on in one block that went through it: a later call may
// continue from that state only in an archive whose blocks up to there are the same.
struct DecodedBlock {
    std::int64_t start = 0;
    std::uint16_t headerCrc = 0;
    std::uint32_t packedSize = 0;
    std::uint32_t dataCrc = 0;

    explicit DecodedBlock(const RarBlockHeader& block)
        : start(block.start), headerCrc(block.headerCrc), packedSize(block.packedSize),
          dataCrc(block.dataCrc) {}
    bool operator==(const DecodedBlock&) const = default;
};

// Which archive the decoder state belongs to and how far into it it has decoded, so that
// extracting the members of a solid archive one call each costs one pass, not n. Path, size
// and modification time stay the same when a file is replaced by a copy that keeps times,
// so a call also compares the blocks already decoded (their positions, header and data
// CRCs) before it continues, and a resumed member that still fails its CRC is decoded
// again from the archive's start (RarReader::Extract).
struct SolidProgress {
    bool valid = false;
    std::string path;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type mtime{};
    std::vector<DecodedBlock> blocks; // blocks 0 .. lastBlock as they were walked
    int lastBlock = -1;               // index of the last block whose data went through the decoder

    bool SameFile(const SolidProgress& other) const {
        return valid && other.valid && path == other.path && size == other.size && mtime == other.mtime;
    }
};

// Process-wide like the rest of the reader's working state.
Rar20Decoder& Decoder() {
    static Rar20Decoder* decoder = new Rar20Decoder(); // 1 MiB window, kept for the whole run
    return *decoder;
}
SolidProgress progress;

SolidProgress Identify(const std::string& path) {
    SolidProgress id;
    std::error_code error;
    id.size = std::filesystem::file_size(path, error);
    if (error) {
        return id;
    }
    id.mtime = std::filesystem::last_write_time(path, error);
    if (error) {
        return id;
    }
    id.path = path;
    id.valid = true;
    return id;
}

std::string MatchKey(std::string_view name) {
    std::string key(name.substr(0, kMatchNameLimit));
    for (char& c : key) {
        if (c == '\\' || c == '/') {
            c = '_';
        } else if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return key;
}

// A member cannot unpack to more than its packed bytes can hold: stored data is copied as
// is, and every compressed symbol takes at least one bit and writes at most 260 bytes (the
// longest match: length base 224, 31 from its extra bits, 3 added, 2 more for a far
// distance). A header that claims more is broken; believing it would allocate gigabytes
// for a few bytes of archive.
constexpr std::uint64_t kMaxUnpackedBytesPerPackedBit = 260;

bool UnpackedSizeFits(const RarBlockHeader& block, std::uintmax_t archiveSize) {
    const std::uint64_t start = static_cast<std::uint64_t>(std::max<std::int64_t>(block.DataPosition(), 0));
    const std::uint64_t available =
        archiveSize > start ? std::min<std::uint64_t>(block.packedSize, archiveSize - start) : 0;
    const std::uint64_t limit =
        block.method == RarFormat::kMethodStored ? available : available * 8 * kMaxUnpackedBytesPerPackedBit;
    return block.unpackedSize <= limit;
}

void LogDecoderMessage(unsigned line, const char* message) {
    RarDebugLog::Write(line, "%s", message);
}

struct SearchResult {
    bool ok = false;
    bool resumed = false;   // decoding went on from the state an earlier call left
    bool crcFailed = false; // the member was found but did not decode to its CRC
    std::uint8_t* output = nullptr;
    std::uint32_t size = 0;
};

// The index of the last decoded block when this call may continue from the state the last
// one left, else -1: the same file, its blocks up to there the ones decoded, and the wanted
// member not among them. Walks the blocks as the search does, without decoding or logging.
int ResumePoint(std::FILE* file, std::int64_t firstBlock, const std::string& key,
                const SolidProgress& current) {
    if (!current.SameFile(progress) || progress.lastBlock < 0 || !SeekTo(file, firstBlock)) {
        return -1;
    }
    RarBlockHeader block;
    int index = 0;
    for (; ReadNextBlock(file, block); ++index) {
        if (index <= progress.lastBlock && !(DecodedBlock(block) == progress.blocks[index])) {
            return -1;
        }
        if (block.type == RarFormat::kBlockSub) {
            break;
        }
        if (MatchKey(block.name) == key) {
            return index > progress.lastBlock ? progress.lastBlock : -1;
        }
        if (!SeekTo(file, block.NextPosition())) {
            break;
        }
    }
    return index > progress.lastBlock ? progress.lastBlock : -1;
}

SearchResult Search(const std::string& member, const std::string& archivePath) {
    SearchResult result;
    FilePtr file(std::fopen(archivePath.c_str(), "rb"), &std::fclose);
    if (!file) {
        RarDebugLog::Write(923, "Error opening file.");
        return result;
    }
    RarMainHeader main;
    switch (ReadArchiveStart(file.get(), main)) {
    case RarArchiveStart::Archive:
        break;
    case RarArchiveStart::OldFormat:
        RarDebugLog::Write(857, "Attention: format as OLD detected! Can't handel archive!");
        RarDebugLog::Write(916, "Not a RAR file");
        return result;
    case RarArchiveStart::UnknownFormat:
        RarDebugLog::Write(885,
                           "unknown archive type (only plain RAR supported (normal and solid archives), SFX "
                           "and Volumes are NOT supported!)");
        RarDebugLog::Write(916, "Not a RAR file");
        return result;
    case RarArchiveStart::NotArchive:
        RarDebugLog::Write(916, "Not a RAR file");
        return result;
    }
    std::error_code sizeError;
    const std::uintmax_t archiveSize = std::filesystem::file_size(archivePath, sizeError);
    if (sizeError) {
        RarDebugLog::Write(923, "Error opening file.");
        return result;
    }
    const bool solid = (main.flags & RarFormat::kMainSolid) != 0;
    const std::int64_t firstBlock =
        7 + static_cast<std::int64_t>(std::max<std::size_t>(main.headerSize, RarFormat::kMainHeaderSize));
    const std::string key = MatchKey(member);

    Rar20Decoder& decoder = Decoder();
    const SolidProgress current = solid ? Identify(archivePath) : SolidProgress{};
    const int resumeAfter = solid ? ResumePoint(file.get(), firstBlock, key, current) : -1;
    result.resumed = resumeAfter >= 0;
    // A resumed attempt that fails is tried again from the start, which logs what is wrong
    // with the archive itself; the state mismatch alone is not worth a line.
    const Rar20Decoder::Logger logDecoder = result.resumed
                                                ? Rar20Decoder::Logger([](unsigned, const char*) {})
                                                : Rar20Decoder::Logger(LogDecoderMessage);
    if (resumeAfter < 0) {
        progress = SolidProgress{};
        if (!decoder.Reset()) {
            RarDebugLog::Write(931, "Can't allocate memory for decompression!");
            return result;
        }
        if (solid) {
            progress = current;
        }
    }

    if (!SeekTo(file.get(), firstBlock)) {
        return result;
    }
    FileSource source(file.get());
    RarBlockHeader block;
    for (int index = 0;; ++index) {
        if (!ReadNextBlock(file.get(), block)) {
            return result;
        }
        if (!block.headerCrcMatches) {
            RarDebugLog::Write(719, "file header broken");
        }
        if (block.type == RarFormat::kBlockSub) {
            RarDebugLog::Write(960, "Sorry, sub-headers not supported.");
            return result;
        }
        if (solid && progress.valid) {
            progress.blocks.erase(progress.blocks.begin() +
                                      std::min<std::ptrdiff_t>(index, progress.blocks.size()),
                                  progress.blocks.end());
            progress.blocks.push_back(DecodedBlock(block));
        }
        const bool found = MatchKey(block.name) == key;
        if (found && !UnpackedSizeFits(block, archiveSize)) {
            RarDebugLog::Write(719, "file header broken");
            return result;
        }
        if (found) {
            // One byte at least, so that an empty member still hands back a buffer to free.
            result.output =
                static_cast<std::uint8_t*>(std::malloc(std::max<std::uint32_t>(block.unpackedSize, 1)));
            if (result.output == nullptr) {
                RarDebugLog::Write(977, "can't allocate memory for the file decompression");
                return result;
            }
        }
        if (found || solid) {
            if (block.versionNeeded < RarFormat::kMinVersion ||
                block.versionNeeded > RarFormat::kMaxVersion) {
                RarDebugLog::Write(994, "unknown compression method");
                return result;
            }
            const bool alreadyDecoded = !found && index <= resumeAfter;
            if (!alreadyDecoded && SeekTo(file.get(), block.DataPosition())) {
                if (block.method == RarFormat::kMethodStored) {
                    if (found) {
                        result.size = static_cast<std::uint32_t>(std::fread(
                            result.output, 1, std::min(block.packedSize, block.unpackedSize), file.get()));
                    }
                } else {
                    decoder.DecodeMember(source, block.packedSize, block.unpackedSize,
                                         (block.flags & RarFormat::kFileContinuesSolid) != 0,
                                         found ? result.output : nullptr, &result.size, logDecoder);
                    if (solid && progress.valid) {
                        progress.lastBlock = index;
                    }
                }
            }
            if (found) {
                // A short or stopped member leaves the tail of the buffer unwritten: it fails
                // like any other CRC mismatch, without reading that memory.
                if (result.size != block.unpackedSize ||
                    Crc32::Compute(result.output, block.unpackedSize) != block.dataCrc) {
                    result.crcFailed = true;
                    if (!result.resumed) {
                        RarDebugLog::Write(1026, "CRC32 error - file couldn't be decompressed correctly!");
                    }
                    return result;
                }
                result.size = block.unpackedSize;
                result.ok = true;
                return result;
            }
        }
        if (!SeekTo(file.get(), block.NextPosition())) {
            return result;
        }
    }
}

} // namespace

bool RarReader::Extract(const char* memberName, const char* archivePath, const char* password,
                        std::uint8_t** data, std::uint32_t* size) {
    if (data != nullptr) {
        *data = nullptr;
    }
    if (size != nullptr) {
        *size = 0;
    }
    RarDebugLog::StartOnce();
    const std::string member = std::string(memberName ? memberName : "").substr(0, kMemberNameLimit);
    const std::string archive = std::string(archivePath ? archivePath : "").substr(0, kArchivePathLimit);
    std::array<char, kPasswordLimit + 1> secret{};
    if (password != nullptr) {
        std::strncpy(secret.data(), password, kPasswordLimit);
    }
    RarDebugLog::Write(411, "Extracting >%s< from >%s< (password is >%s<)...", member.c_str(),
                       archive.c_str(), password ? secret.data() : "(null)");

    SearchResult result;
    if (data != nullptr && size != nullptr) {
        result = Search(member, archive);
        if (result.resumed && result.crcFailed) {
            std::free(result.output);
            progress = SolidProgress{};
            result = Search(member, archive);
        }
    }
    std::fill(secret.begin(), secret.end(), '\0');

    if (!result.ok) {
        std::free(result.output);
        RarDebugLog::Write(454, "Error - couldn't extract >%s< and allocated %u Bytes of unused memory!",
                           member.c_str(), 0u);
        return false;
    }
    RarDebugLog::Write(454, "Extracted %u Bytes.", result.size);
    *data = result.output;
    *size = result.size;
    return true;
}

void RarReader::ForgetSolidState() {
    progress = SolidProgress{};
}
