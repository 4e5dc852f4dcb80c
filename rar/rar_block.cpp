#include "rar/rar_block.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "rar/crc32.h"

namespace {

std::uint16_t Le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Le32(const unsigned char* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

std::int64_t Tell(std::FILE* file) {
    return static_cast<std::int64_t>(::ftello(file));
}

} // namespace

bool SeekTo(std::FILE* file, std::int64_t position) {
    return position >= 0 && ::fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
}

RarArchiveStart ReadArchiveStart(std::FILE* file, RarMainHeader& header) {
    unsigned char marker[7];
    if (std::fread(marker, 1, sizeof marker, file) != sizeof marker) {
        return RarArchiveStart::NotArchive;
    }
    if (std::memcmp(marker, RarFormat::kMarker, 7) == 0 ||
        std::memcmp(marker, RarFormat::kAlternativeMarker, 7) == 0) {
        unsigned char main[RarFormat::kMainHeaderSize];
        if (std::fread(main, 1, sizeof main, file) != sizeof main) {
            return RarArchiveStart::NotArchive;
        }
        header.crc = Le16(main);
        header.type = main[2];
        header.flags = Le16(main + 3);
        header.headerSize = Le16(main + 5);
        return RarArchiveStart::Archive;
    }
    if (std::memcmp(marker, RarFormat::kOldMarker, 4) == 0) {
        return RarArchiveStart::OldFormat;
    }
    return RarArchiveStart::UnknownFormat;
}

std::int64_t RarBlockHeader::NextPosition() const {
    std::int64_t next = start + headerSize;
    if (flags & RarFormat::kFileHasData) {
        next += packedSize;
    }
    return next;
}

bool ReadNextBlock(std::FILE* file, RarBlockHeader& block) {
    const std::int64_t origin = Tell(file);
    std::int64_t start = origin;
    // Every skipped block moves strictly forward and reads stop at the end of the file, so
    // this ends on any input.
    for (;;) {
        unsigned char raw[RarFormat::kFileHeaderSize] = {};
        if (!SeekTo(file, start)) {
            break;
        }
        const std::size_t got = std::fread(raw, 1, sizeof raw, file);
        if (got < 7) {
            break;
        }
        RarBlockHeader b;
        b.start = start;
        b.headerCrc = Le16(raw);
        b.type = raw[2];
        b.flags = Le16(raw + 3);
        b.headerSize = Le16(raw + 5);
        b.packedSize = Le32(raw + 7);
        if (b.headerSize < 7 || b.NextPosition() <= start) {
            break;
        }
        if (b.type != RarFormat::kBlockFile && b.type != RarFormat::kBlockSub) {
            start = b.NextPosition();
            continue;
        }
        if (got < sizeof raw) {
            break; // a file header cut off by the end of the archive
        }
        b.unpackedSize = Le32(raw + 11);
        b.hostOs = raw[15];
        b.dataCrc = Le32(raw + 16);
        b.fileTime = Le32(raw + 20);
        b.versionNeeded = raw[24];
        b.method = raw[25];
        b.nameSize = Le16(raw + 26);
        b.attributes = Le32(raw + 28);
        if (b.type == RarFormat::kBlockFile) {
            // Read the whole header (at most 64 KiB) to check its CRC.
            const std::size_t covered =
                std::max<std::size_t>(b.headerSize, RarFormat::kFileHeaderSize + b.nameSize);
            std::vector<unsigned char> rest(covered - RarFormat::kFileHeaderSize);
            const std::size_t restGot = std::fread(rest.data(), 1, rest.size(), file);
            const std::size_t nameGot = std::min<std::size_t>(restGot, b.nameSize);
            b.name.assign(reinterpret_cast<const char*>(rest.data()),
                          std::min(nameGot, RarFormat::kNameLimit));
            // The archiver covers extra fields (times, salt) but not a file comment, so the
            // CRC may span the name only or the whole header.
            const std::uint32_t fixedCrc = Crc32::Update(0, raw + 2, sizeof raw - 2);
            const std::uint32_t nameCrc = Crc32::Update(fixedCrc, rest.data(), nameGot);
            const std::uint32_t wholeCrc = Crc32::Update(fixedCrc, rest.data(), restGot);
            b.headerCrcMatches = (nameCrc & 0xFFFF) == b.headerCrc ||
                                 (restGot == rest.size() && (wholeCrc & 0xFFFF) == b.headerCrc);
            SeekTo(file, start + static_cast<std::int64_t>(RarFormat::kFileHeaderSize) + nameGot);
        }
        block = b;
        return true;
    }
    SeekTo(file, origin);
    return false;
}
