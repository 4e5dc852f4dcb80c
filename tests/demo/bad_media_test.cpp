// Bad media in place of the generated ones, one member of the archive at a time: missing,
// empty, cut short, or a valid file of the wrong kind. The real binary plays scripted frames
// of the scene that reads it and must end as a normal run does: exit code 0, no crash, and
// (in the sanitizer build) no sanitizer report.
//
// To keep each run short, its archive holds only what the scene under test loads (its
// meshes, the images their materials name, its textures), rebuilt with the bad member in
// place; the other scenes start without media, as they do when the archive is missing.

#include "tests/demo/whole_program_fixture.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "rar/rar_reader.h"
#include "rar/rar_writer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The frames of the water room and what it loads. Its water mesh was read and written at a
// fixed 32-byte stride, past the end of a mesh with smaller vertices (a crash at start-up).
constexpr const char* waterRoomFrames = "-clock:140000,150000,158700";
const std::vector<std::string> waterRoomMembers = {
    "data\\meshes\\blobroom03.x", "data\\meshes\\blobroom03_wasser.x", "data\\textures\\overlay04.tga"};

enum class Bad {
    Missing,          // not in the archive at all
    Empty,            // zero bytes
    Truncated,        // the first half of the file
    PositionOnlyMesh, // a valid .x mesh with 12-byte vertices: no normals, no texture coordinates
    MeshWithoutFaces, // a valid .x mesh whose face list is empty
    OneTexelImage,    // a valid 1 x 1 TGA image
};

struct BadMediaCase {
    const char* name;
    const char* member;
    Bad bad;
};

const BadMediaCase badMediaCases[] = {
    {"WaterMeshMissing", "data\\meshes\\blobroom03_wasser.x", Bad::Missing},
    {"WaterMeshEmpty", "data\\meshes\\blobroom03_wasser.x", Bad::Empty},
    {"WaterMeshCutShort", "data\\meshes\\blobroom03_wasser.x", Bad::Truncated},
    {"WaterMeshWithAnotherVertexLayout", "data\\meshes\\blobroom03_wasser.x", Bad::PositionOnlyMesh},
    {"WaterMeshWithoutFaces", "data\\meshes\\blobroom03_wasser.x", Bad::MeshWithoutFaces},
    {"OverlayOfOneTexel", "data\\textures\\overlay04.tga", Bad::OneTexelImage},
};

void PrintTo(const BadMediaCase& c, std::ostream* out) {
    *out << c.name;
}

constexpr const char* positionOnlyMesh = R"(xof 0303txt 0032
Mesh Flat {
 4;
 -100.0;0.0;-100.0;,
 100.0;0.0;-100.0;,
 100.0;0.0;100.0;,
 -100.0;0.0;100.0;;
 2;
 3;0,1,2;,
 3;0,2,3;;
 MeshMaterialList { 1; 2; 0, 0;; Material { 0.5;0.6;0.9;1.0;; 8.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } }
}
)";

constexpr const char* meshWithoutFaces = R"(xof 0303txt 0032
Mesh Nothing {
 3;
 0.0;0.0;0.0;,
 1.0;0.0;0.0;,
 0.0;1.0;0.0;;
 0;;
}
)";

Bytes Text(const char* text) {
    return Bytes(text, text + std::char_traits<char>::length(text));
}

// An uncompressed 32-bit true-colour TGA of one texel.
Bytes OneTexelTga() {
    Bytes tga(18, 0);
    tga[2] = 2;   // uncompressed true colour
    tga[12] = 1;  // width
    tga[14] = 1;  // height
    tga[16] = 32; // bits per pixel
    tga[17] = 8;  // alpha bits
    for (std::uint8_t b : {0x40, 0x80, 0xC0, 0xFF}) {
        tga.push_back(b);
    }
    return tga;
}

Bytes Replacement(Bad bad, const Bytes& original) {
    switch (bad) {
    case Bad::Missing:
    case Bad::Empty:
        return {};
    case Bad::Truncated:
        return Bytes(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(original.size() / 2));
    case Bad::PositionOnlyMesh:
        return Text(positionOnlyMesh);
    case Bad::MeshWithoutFaces:
        return Text(meshWithoutFaces);
    case Bad::OneTexelImage:
        return OneTexelTga();
    }
    return {};
}

class BadMediaTest : public WholeProgram, public ::testing::WithParamInterface<BadMediaCase> {
  protected:
    // A member of the generated archive, read once for all cases.
    static const Bytes& Member(const std::string& name) {
        static std::map<std::string, Bytes> members;
        auto found = members.find(name);
        if (found == members.end()) {
            std::uint8_t* data = nullptr;
            std::uint32_t size = 0;
            const std::string archive = (runDirectory / "data.rar").string();
            Bytes bytes;
            if (RarReader::Extract(name.c_str(), archive.c_str(), nullptr, &data, &size)) {
                bytes.assign(data, data + size);
            }
            std::free(data);
            found = members.emplace(name, std::move(bytes)).first;
        }
        return found->second;
    }

    // The scene's members and the images its meshes' materials name, beside the meshes.
    static std::vector<std::string> SceneMembers() {
        std::vector<std::string> names = waterRoomMembers;
        const std::regex textureName("TextureFilename\\s*\\{\\s*\"([^\"]+)\"");
        for (const std::string& member : waterRoomMembers) {
            if (!member.ends_with(".x")) {
                continue;
            }
            const Bytes& bytes = Member(member);
            const std::string text(bytes.begin(), bytes.end());
            const std::string directory = member.substr(0, member.rfind('\\') + 1);
            for (auto it = std::sregex_iterator(text.begin(), text.end(), textureName);
                 it != std::sregex_iterator(); ++it) {
                const std::string name = directory + (*it)[1].str();
                if (std::find(names.begin(), names.end(), name) == names.end()) {
                    names.push_back(name);
                }
            }
        }
        return names;
    }
};

TEST_P(BadMediaTest, TheSceneRunsOnAndTheRunEndsNormally) {
    ASSERT_TRUE(CopyMedia()) << "no generated media in " << runDirectory;
    const BadMediaCase& c = GetParam();
    std::vector<RarWriter::Member> members;
    for (const std::string& name : SceneMembers()) {
        const Bytes& original = Member(name);
        ASSERT_FALSE(original.empty()) << name << " is not in the generated archive";
        if (name != c.member) {
            members.push_back({name, original});
        } else if (c.bad != Bad::Missing) {
            members.push_back({name, Replacement(c.bad, original)});
        }
    }
    std::string error;
    ASSERT_TRUE(RarWriter::Write((work / "data.rar").string(), members, false, &error)) << error;

    const RunResult r = Run(waterRoomFrames);
    EXPECT_EQ(r.exitCode, 0) << r.err.substr(0, 4000);
    for (const char* report : {"AddressSanitizer", "LeakSanitizer", "runtime error:"}) {
        EXPECT_EQ(r.err.find(report), std::string::npos) << r.err.substr(0, 4000);
    }
}

INSTANTIATE_TEST_SUITE_P(OneFileAtATime, BadMediaTest, ::testing::ValuesIn(badMediaCases),
                         [](const ::testing::TestParamInfo<BadMediaCase>& info) { return info.param.name; });

} // namespace
