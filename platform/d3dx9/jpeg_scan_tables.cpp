#include "platform/d3dx9/jpeg_scan_tables.h"

namespace {

constexpr std::uint8_t kMarkerStart = 0xFF;
constexpr std::uint8_t kStartOfImage = 0xD8;
constexpr std::uint8_t kEndOfImage = 0xD9;
constexpr std::uint8_t kDefineHuffmanTables = 0xC4;
constexpr std::uint8_t kStartOfScan = 0xDA;
constexpr std::uint8_t kFirstRestart = 0xD0;
constexpr std::uint8_t kLastRestart = 0xD7;
constexpr int kTableSlots = 4;
constexpr std::size_t kCodeLengthCounts = 16;

struct DefinedTables {
    bool dc[kTableSlots] = {};
    bool ac[kTableSlots] = {};
};

bool IsStandalone(std::uint8_t marker) {
    return marker == kStartOfImage || marker == 0x01 || (marker >= kFirstRestart && marker <= kLastRestart);
}

void RecordTables(const std::uint8_t* segment, std::size_t length, DefinedTables& tables) {
    std::size_t at = 0;
    while (at + 1 + kCodeLengthCounts <= length) {
        const unsigned tableClass = segment[at] >> 4, slot = segment[at] & 0x0F;
        std::size_t values = 0;
        for (std::size_t i = 0; i < kCodeLengthCounts; ++i) {
            values += segment[at + 1 + i];
        }
        at += 1 + kCodeLengthCounts + values;
        if (at > length || slot >= kTableSlots) {
            return;
        }
        (tableClass == 0 ? tables.dc : tables.ac)[slot] = true;
    }
}

// A scan header: component count, (component, DC << 4 | AC) per component, then the
// spectral start and end and the successive-approximation bits. A DC table is decoded in a
// first DC pass (spectral start 0, no refinement), an AC table whenever AC terms are in it.
bool ScanTablesDefined(const std::uint8_t* segment, std::size_t length, const DefinedTables& tables) {
    if (length < 1) {
        return true;
    }
    const std::size_t components = segment[0];
    if (length < 1 + 2 * components + 3) {
        return true;
    }
    const std::uint8_t* tail = segment + 1 + 2 * components;
    const bool usesDc = tail[0] == 0 && (tail[2] >> 4) == 0;
    const bool usesAc = tail[1] > 0;
    for (std::size_t i = 0; i < components; ++i) {
        const unsigned selectors = segment[2 + 2 * i];
        const unsigned dc = selectors >> 4, ac = selectors & 0x0F;
        if ((usesDc && (dc >= kTableSlots || !tables.dc[dc])) ||
            (usesAc && (ac >= kTableSlots || !tables.ac[ac]))) {
            return false;
        }
    }
    return true;
}

// Past the entropy-coded data after a scan header: to the next marker that is neither a
// stuffed zero nor a restart marker.
std::size_t SkipEntropyCodedData(const std::uint8_t* data, std::size_t size, std::size_t at) {
    while (at + 1 < size) {
        if (data[at] == kMarkerStart && data[at + 1] != 0 &&
            !(data[at + 1] >= kFirstRestart && data[at + 1] <= kLastRestart)) {
            return at;
        }
        ++at;
    }
    return size;
}

} // namespace

namespace JpegScanTables {

bool ScansUseDefinedTables(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || data[0] != kMarkerStart || data[1] != kStartOfImage) {
        return true;
    }
    DefinedTables tables;
    std::size_t at = 2;
    while (at + 1 < size) {
        if (data[at] != kMarkerStart) {
            // stb takes bytes between segments for padding and reads on to the next marker.
            ++at;
            continue;
        }
        const std::uint8_t marker = data[at + 1];
        if (marker == kMarkerStart) {
            ++at; // fill byte
            continue;
        }
        if (marker == kEndOfImage) {
            return true;
        }
        if (IsStandalone(marker)) {
            at += 2;
            continue;
        }
        if (at + 4 > size) {
            return true;
        }
        const std::size_t length = std::size_t{data[at + 2]} << 8 | data[at + 3];
        if (length < 2 || at + 2 + length > size) {
            return true;
        }
        const std::uint8_t* segment = data + at + 4;
        if (marker == kDefineHuffmanTables) {
            RecordTables(segment, length - 2, tables);
        } else if (marker == kStartOfScan) {
            if (!ScanTablesDefined(segment, length - 2, tables)) {
                return false;
            }
            at = SkipEntropyCodedData(data, size, at + 2 + length);
            continue;
        }
        at += 2 + length;
    }
    return true;
}

} // namespace JpegScanTables
