// Compressed .x files need an inflate, and the browser build has no zlib (Debian's emscripten
// has no ports): such a file is reported unreadable. The default media use text and binary .x.
#include "platform/d3dx9/mszip.h"

#include <cstdio>

std::optional<std::vector<std::uint8_t>> Mszip::Inflate(const std::uint8_t*, std::size_t) {
    std::fprintf(stderr, "compressed .x files cannot be read in the browser build (no inflate here); "
                         "store the mesh as a text or binary .x file\n");
    return std::nullopt;
}
