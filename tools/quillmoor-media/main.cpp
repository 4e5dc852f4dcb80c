// Writes the demo's default media into a run directory: the archive members packed into data.rar
// (and copied loose into a staging directory), the images read loose from disk, the effect file
// copied from media/, and the music z.ogg.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "rar/rar_writer.h"
#include "tools/quillmoor-media/media_catalogue.h"
#include "tools/quillmoor-media/music_track.h"
#include "tools/quillmoor-media/text_renderer.h"

namespace fs = std::filesystem;

namespace {

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string ToSlashes(std::string p) {
    for (char& c : p) {
        if (c == '\\') {
            c = '/';
        }
    }
    return p;
}

struct Options {
    fs::path runDir;
    fs::path stagingDir;
    fs::path mediaDir;
    std::string font;
    std::string part = "all"; // "images", "music" or "all"
};

bool Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--run") {
            o.runDir = value;
        } else if (key == "--staging") {
            o.stagingDir = value;
        } else if (key == "--media") {
            o.mediaDir = value;
        } else if (key == "--font") {
            o.font = value;
        } else if (key == "--part") {
            o.part = value;
        } else {
            return false;
        }
    }
    return !o.runDir.empty() && !o.stagingDir.empty();
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int WriteImages(const Options& o) {
    const media::TextRenderer text(o.font);
    if (!text.HasFont()) {
        std::fprintf(stderr,
                     "quillmoor-media: WARNING: font '%s' cannot be read: the text in the generated images "
                     "falls back to the blocky built-in font (install fonts-dejavu-core, or pass --font)\n",
                     o.font.c_str());
    }
    std::vector<RarWriter::Member> members;
    for (const media::MediaFile& f : media::ArchiveMembers(text)) {
        members.push_back({f.path, f.build()});
        // The loose copy lets tests and people look at a member without unpacking.
        if (!WriteFile(o.stagingDir / ToSlashes(f.path), members.back().bytes)) {
            std::fprintf(stderr, "quillmoor-media: cannot write %s\n", f.path.c_str());
            return 1;
        }
    }
    // Solid: the members share one compressed stream, so the many similar meshes and bitmaps
    // pack against each other. The reader unpacks the members before a wanted one as it goes.
    std::error_code made;
    fs::create_directories(o.runDir, made);
    std::string error;
    // Level 3, the packer's default: data.rar is packed in every build, where -m4 would take
    // about seven times as long (13 s of CPU here) for a 15 % smaller archive. LZ blocks only:
    // the demo unpacks the archive at every start, and audio blocks (which the bitmaps would
    // get) unpack several times slower per byte; 3 % more bytes make the unpacking 18 % faster.
    if (!RarWriter::Write((o.runDir / "data.rar").string(), members,
                          {.solid = true, .level = 3, .audioBlocks = false}, &error)) {
        std::fprintf(stderr, "quillmoor-media: cannot write data.rar: %s\n", error.c_str());
        return 1;
    }
    for (const media::MediaFile& f : media::LooseImages(text)) {
        if (!WriteFile(o.runDir / f.path, f.build())) {
            std::fprintf(stderr, "quillmoor-media: cannot write %s\n", f.path.c_str());
            return 1;
        }
    }
    // The extractor writes files only: the directories must be there.
    std::error_code ec;
    fs::create_directories(o.runDir / "data" / "meshes", ec);
    fs::create_directories(o.runDir / "data" / "textures", ec);
    fs::create_directories(o.runDir / "data" / "shader", ec);
    const fs::path effect = o.mediaDir / "diffuse.fx";
    if (!o.mediaDir.empty() && fs::exists(effect)) {
        fs::copy_file(effect, o.runDir / "data" / "shader" / "diffuse.fx",
                      fs::copy_options::overwrite_existing, ec);
    }
    // Marks a complete run for the build's dependency check.
    return WriteFile(o.stagingDir / "images.stamp", {}) ? 0 : 1;
}

int WriteMusic(const Options& o) {
    const std::vector<uint8_t> ogg = media::EncodeMusicTrack();
    if (ogg.empty() || !WriteFile(o.runDir / "z.ogg", ogg)) {
        std::fprintf(stderr, "quillmoor-media: cannot write z.ogg\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!Parse(argc, argv, o)) {
        std::fprintf(stderr, "usage: quillmoor-media --run DIR --staging DIR [--media DIR] [--font FILE.ttf] "
                             "[--part images|music|all]\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    int rc = 0;
    if (o.part == "images" || o.part == "all") {
        rc = WriteImages(o);
        std::fprintf(stderr, "quillmoor-media: meshes and images in %.1f s\n", Seconds(start));
    }
    if (rc == 0 && (o.part == "music" || o.part == "all")) {
        const auto music = std::chrono::steady_clock::now();
        rc = WriteMusic(o);
        std::fprintf(stderr, "quillmoor-media: music in %.1f s\n", Seconds(music));
    }
    return rc;
}
