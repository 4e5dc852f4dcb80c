#pragma once
// Extracts one named member of a RAR 1.5-2.0 archive (plain, normal or solid) into memory
// and checks it against its stored CRC-32. Not re-entrant: calls must not overlap.

#include <cstdint>

class RarReader {
  public:
    // On success `*data` points to `*size` bytes allocated with malloc (the caller frees
    // them) and the result is true; on failure `*data` is null and `*size` is 0. The member
    // name matches case-insensitively, with "\", "/" and "_" all alike. `password` may be null.
    //
    // Successive calls on the same unchanged solid archive asking for members in archive
    // order continue decoding where the previous call stopped instead of starting over.
    static bool Extract(const char* memberName, const char* archivePath, const char* password,
                        std::uint8_t** data, std::uint32_t* size);

    // Drops the decoder state kept between calls (the next call starts from the archive's start).
    static void ForgetSolidState();
};
