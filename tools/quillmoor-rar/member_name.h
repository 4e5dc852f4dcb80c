#pragma once
// The member name a packed file gets from the path it was found under. Names are relative,
// as archivers make them: an absolute path loses its root and a path that climbs out of
// the current directory loses its leading ".." parts, so that extracting the archive
// writes below the destination and nowhere else.

#include <filesystem>
#include <string>

struct PackedMemberName {
    std::string name;    // with "/" between directories; empty when nothing names a file
    std::string dropped; // the prefix taken off ("/", "../", "/../"), empty when none
};

inline PackedMemberName MemberNameFor(const std::filesystem::path& path) {
    const std::filesystem::path normal = path.lexically_normal();
    PackedMemberName out;
    std::filesystem::path kept;
    bool leading = true;
    if (normal.has_root_path()) {
        out.dropped = normal.root_path().string();
    }
    for (const std::filesystem::path& part : normal.relative_path()) {
        if (leading && part == "..") {
            out.dropped += "../";
            continue;
        }
        leading = false;
        if (!part.empty() && part != ".") {
            kept /= part;
        }
    }
    out.name = kept.generic_string();
    return out;
}
