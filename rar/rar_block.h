#pragma once
// The block structure of RAR 1.5-2.0 archives: the marker, the main header and the blocks
// after it, read the way the reader walks them.

#include <cstdint>
#include <cstdio>
#include <string>

namespace RarFormat {

constexpr unsigned char kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr unsigned char kAlternativeMarker[7] = {'T', 'o', 'b', 'r', 'i', 'm', '!'};
constexpr unsigned char kOldMarker[4] = {'R', 'E', '~', '^'};

constexpr std::size_t kMainHeaderSize = 13;
constexpr std::size_t kFileHeaderSize = 32;
constexpr std::size_t kNameLimit = 259;

constexpr std::uint8_t kBlockMain = 0x73;
constexpr std::uint8_t kBlockFile = 0x74;
constexpr std::uint8_t kBlockSub = 0x77;

constexpr std::uint16_t kMainSolid = 0x0008;
constexpr std::uint16_t kFileHasData = 0x8000;
constexpr std::uint16_t kFileContinuesSolid = 0x0010;
constexpr std::uint16_t kFileEncrypted = 0x0004;

constexpr std::uint8_t kMethodStored = 0x30;
constexpr std::uint8_t kMinVersion = 13;
constexpr std::uint8_t kMaxVersion = 20;

} // namespace RarFormat

struct RarMainHeader {
    std::uint16_t crc = 0;
    std::uint8_t type = 0;
    std::uint16_t flags = 0;
    std::uint16_t headerSize = 0;
};

enum class RarArchiveStart {
    Archive,      // a marker and a complete main header
    NotArchive,   // too short, or the main header is cut off
    OldFormat,    // the pre-1.5 "RE~^" signature
    UnknownFormat // anything else: self-extracting, RAR 5, not RAR at all
};

// Reads the marker and main header from the start of `file`, leaving the position just
// after the 13-byte main header.
RarArchiveStart ReadArchiveStart(std::FILE* file, RarMainHeader& header);

struct RarBlockHeader {
    std::int64_t start = 0;
    std::uint16_t headerCrc = 0;
    std::uint8_t type = 0;
    std::uint16_t flags = 0;
    std::uint16_t headerSize = 0;
    std::uint32_t packedSize = 0;
    std::uint32_t unpackedSize = 0;
    std::uint8_t hostOs = 0;
    std::uint32_t dataCrc = 0;
    std::uint32_t fileTime = 0;
    std::uint8_t versionNeeded = 0;
    std::uint8_t method = 0;
    std::uint16_t nameSize = 0;
    std::uint32_t attributes = 0;
    std::string name; // cut to kNameLimit bytes
    bool headerCrcMatches = true;

    std::int64_t NextPosition() const;
    // Member data starts after the whole header, which may carry fields behind the name.
    std::int64_t DataPosition() const { return start + headerSize; }
};

// Reads the next file (0x74) or sub-block (0x77) header, skipping every other block type.
// False when there is none; the file position is then where it was. On success the
// position is just after the header bytes read.
bool ReadNextBlock(std::FILE* file, RarBlockHeader& block);

bool SeekTo(std::FILE* file, std::int64_t position);
