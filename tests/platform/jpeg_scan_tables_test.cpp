#include "platform/d3dx9/jpeg_scan_tables.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Segment(std::uint8_t marker, const Bytes& body) {
    const std::size_t length = body.size() + 2;
    Bytes out = {0xFF, marker, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// One Huffman table of class (0 DC, 1 AC) and slot, with a single one-bit code for symbol 0.
Bytes Table(std::uint8_t tableClass, std::uint8_t slot) {
    Bytes body = {static_cast<std::uint8_t>(tableClass << 4 | slot), 1};
    body.resize(body.size() + 15, 0);
    body.push_back(0);
    return body;
}

// A one-component baseline scan with the DC and AC tables of slot 0: spectral 0..63.
Bytes Scan() {
    return Segment(0xDA, {1, 1, 0x00, 0, 63, 0});
}

Bytes Jpeg(const std::vector<Bytes>& parts) {
    Bytes out = {0xFF, 0xD8};
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    const Bytes end = {0x00, 0xFF, 0xD9};
    out.insert(out.end(), end.begin(), end.end());
    return out;
}

TEST(JpegScanTables, AScanIsRefusedOnlyWhenATableItUsesWasNeverDefined) {
    const Bytes frame = Segment(0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0});
    const Bytes padding = {0x00, 0x21, 0x11, 0x00};
    const struct {
        const char* name;
        Bytes file;
        bool accepted;
    } cases[] = {
        {"both tables defined", Jpeg({Segment(0xC4, Table(0, 0)), Segment(0xC4, Table(1, 0)), frame, Scan()}),
         true},
        {"AC table missing", Jpeg({Segment(0xC4, Table(0, 0)), frame, Scan()}), false},
        {"DC table missing", Jpeg({Segment(0xC4, Table(1, 0)), frame, Scan()}), false},
        // stb skips stray bytes between segments, so the walk must not stop at them.
        {"AC table missing behind padding", Jpeg({Segment(0xC4, Table(0, 0)), padding, frame, Scan()}),
         false},
        {"both defined, padding between",
         Jpeg({Segment(0xC4, Table(0, 0)), padding, Segment(0xC4, Table(1, 0)), padding, frame, Scan()}),
         true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JpegScanTables::ScansUseDefinedTables(c.file.data(), c.file.size()), c.accepted) << c.name;
    }
}

} // namespace
