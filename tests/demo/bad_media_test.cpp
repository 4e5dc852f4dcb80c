// Bad media in place of the generated ones, one file at a time: missing, empty, cut short,
// or a valid file of the wrong kind. The real binary plays scripted frames of the scene that
// reads the file and must end as a normal run does: exit code 0, no crash, and (in the
// sanitizer build) no sanitizer report.
//
// To keep each run short, its archive holds only what the scene under test loads (its
// meshes, the images their materials name, its textures), rebuilt with the bad member in
// place; the other scenes start without media, as they do when the archive is missing.
// Files that ship beside the archive (the credits' and greetings' images) are replaced in
// the run directory instead.

#include "tests/demo/whole_program_fixture.h"

#include <stb_image_write.h>

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

// Each scene's frames (-clock positions in milliseconds, start, middle and end of its
// window) and a mesh and a texture it loads itself. The other media it loads go into the
// archive unchanged. The water room's water mesh was read and written at a fixed 32-byte
// stride, past the end of a mesh with smaller vertices (a crash at start-up).
struct SceneMedia {
    const char* name;
    const char* frames;
    const char* mesh;
    const char* texture;
    std::vector<std::string> otherMedia;
};

const SceneMedia scenes[] = {
    {"OpeningBlob",
     "-clock:500,14000,27900",
     "data\\blobby02.x",
     "data\\textures\\circle01.dds",
     {"data\\textures\\sync_block.tga", "data\\textures\\black.bmp", "data\\textures\\tmqlogo.jpg",
      "data\\textures\\overlay04.tga"}},
    {"CameraFlight",
     "-clock:28100,35000,42600",
     "data\\blobby12.x",
     "data\\textures\\neuronma.jpg",
     {"data\\textures\\grace_cross.dds", "data\\textures\\neuronflare.jpg", "data\\textures\\overlay04.tga"}},
    {"WobblingBlob",
     "-clock:42800,50000,56000",
     "data\\meshes\\blobby23.x",
     "data\\textures\\sync_block.tga",
     {"data\\meshes\\blobby21.x", "data\\textures\\blob.jpg", "data\\textures\\overlay04.tga",
      "data\\textures\\grace_cross.dds"}},
    {"TwistingStack",
     "-clock:56200,63000,69100",
     "data\\meshes\\stapel.x",
     "data\\textures\\flare.tga",
     {"data\\meshes\\blobby_sphere.x", "data\\textures\\blob.jpg", "data\\textures\\sync_block.tga",
      "data\\textures\\overlay04.tga", "data\\textures\\grace_cross.dds"}},
    {"CreditsBlob",
     "-clock:69300,77000,84700",
     "data\\meshes\\blobby15.x",
     "data\\textures\\fenlow.jpg",
     {"data\\textures\\orwick.jpg", "data\\textures\\tamsel.jpg", "data\\textures\\blob.jpg",
      "data\\textures\\overlay02.tga", "data\\textures\\overlay03.tga", "data\\textures\\grace_cross.dds"}},
    {"CutBlob",
     "-clock:84900,92000,99900",
     "data\\meshes\\blobby13.x",
     "data\\textures\\grace_cross.dds",
     {"data\\textures\\blob.jpg", "data\\textures\\overlay04.tga", "data\\textures\\black.bmp"}},
    {"SwirlBlob",
     "-clock:100100,107000,112900",
     "data\\meshes\\blobby19.x",
     "data\\textures\\blob.jpg",
     {"data\\meshes\\blobby_sphere.x", "data\\textures\\black.bmp", "data\\textures\\overlay04.tga",
      "data\\textures\\grace_cross.dds"}},
    {"BeatRoom",
     "-clock:113100,126000,139800",
     "data\\meshes\\blobroom02.x",
     "data\\textures\\overlay05.bmp",
     {"data\\meshes\\blobroom02_tube.x", "data\\meshes\\blobby21.x", "data\\textures\\sync_block.tga",
      "data\\textures\\overlay04.tga", "data\\textures\\blob.jpg", "data\\textures\\grace_cross.dds"}},
    {"WaterRoom",
     "-clock:140000,150000,158700",
     "data\\meshes\\blobroom03_wasser.x",
     "data\\textures\\overlay04.tga",
     {"data\\meshes\\blobroom03.x"}},
    {"FinalRoom",
     "-clock:160300,175000,189900",
     "data\\meshes\\finalroom_wasser.x",
     "data\\textures\\vesper2004.jpg",
     {"data\\meshes\\finalroom.x", "data\\textures\\flare.tga", "data\\textures\\black.bmp",
      "data\\textures\\overlay04.tga", "data\\textures\\neuronflare.jpg",
      "data\\textures\\greets_oakhut.jpg"}},
};

enum class Bad {
    Missing,          // not there at all
    Empty,            // zero bytes
    Truncated,        // the first half of the file
    PositionOnlyMesh, // a valid .x mesh with 12-byte vertices: no normals, no texture coordinates
    MeshWithoutFaces, // a valid .x mesh whose face list is empty
    OneTexelImage,    // a valid 1 x 1 image in the file's own format (for a cube map: a flat one)
};

constexpr Bad meshFaults[] = {Bad::Missing, Bad::Empty, Bad::Truncated, Bad::PositionOnlyMesh,
                              Bad::MeshWithoutFaces};
constexpr Bad textureFaults[] = {Bad::Missing, Bad::Empty, Bad::Truncated, Bad::OneTexelImage};

const char* FaultName(Bad bad) {
    switch (bad) {
    case Bad::Missing:
        return "Missing";
    case Bad::Empty:
        return "Empty";
    case Bad::Truncated:
        return "CutShort";
    case Bad::PositionOnlyMesh:
        return "WithAnotherVertexLayout";
    case Bad::MeshWithoutFaces:
        return "WithoutFaces";
    case Bad::OneTexelImage:
        return "OfOneTexel";
    }
    return "";
}

struct BadMediaCase {
    const SceneMedia* scene;
    std::string file;
    Bad bad;
    std::string name;
};

std::vector<BadMediaCase> BadMediaCases() {
    std::vector<BadMediaCase> cases;
    for (const SceneMedia& scene : scenes) {
        for (Bad bad : meshFaults) {
            cases.push_back({&scene, scene.mesh, bad, std::string(scene.name) + "_Mesh" + FaultName(bad)});
        }
        for (Bad bad : textureFaults) {
            cases.push_back(
                {&scene, scene.texture, bad, std::string(scene.name) + "_Texture" + FaultName(bad)});
        }
    }
    return cases;
}

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

void AppendBytes(void* context, void* data, int size) {
    auto* bytes = static_cast<Bytes*>(context);
    bytes->insert(bytes->end(), static_cast<const std::uint8_t*>(data),
                  static_cast<const std::uint8_t*>(data) + size);
}

void AppendLittleEndian(Bytes& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// A one-level 1 x 1 A8R8G8B8 DDS image: a flat texture, also where a cube map is expected.
Bytes OneTexelDds() {
    Bytes dds = {'D', 'D', 'S', ' '};
    const std::uint32_t header[31] = {
        124,                      // size of the header
        0x1 | 0x2 | 0x4 | 0x1000, // caps, height, width, pixel format
        1,                        // height
        1,                        // width
        4,                        // pitch
        0,                        // depth
        1,                        // mip levels
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        32,   // size of the pixel format
        0x41, // RGB with alpha
        0,    // no FourCC
        32,   // bits per pixel
        0x00FF0000,
        0x0000FF00,
        0x000000FF,
        0xFF000000,
        0x1000, // a texture
        0,
        0,
        0,
        0,
    };
    for (std::uint32_t word : header) {
        AppendLittleEndian(dds, word);
    }
    AppendLittleEndian(dds, 0xFF4080C0);
    return dds;
}

// A 1 x 1 image written in the format the file's extension names.
Bytes OneTexelImage(const std::string& file) {
    const unsigned char texel[4] = {0xC0, 0x80, 0x40, 0xFF};
    const std::string extension = file.substr(file.rfind('.') + 1);
    Bytes image;
    if (extension == "jpg") {
        stbi_write_jpg_to_func(AppendBytes, &image, 1, 1, 3, texel, 90);
    } else if (extension == "tga") {
        image = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 32, 8}; // uncompressed, 32 bits
        image.insert(image.end(), texel, texel + 4);
    } else if (extension == "bmp") {
        stbi_write_bmp_to_func(AppendBytes, &image, 1, 1, 3, texel);
    } else if (extension == "png") {
        stbi_write_png_to_func(AppendBytes, &image, 1, 1, 4, texel, 4);
    } else if (extension == "dds") {
        image = OneTexelDds();
    }
    return image;
}

Bytes Replacement(Bad bad, const std::string& file, const Bytes& original) {
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
        return OneTexelImage(file);
    }
    return {};
}

// A media file name as archived ("data\meshes\a.x") as a path under a run directory.
fs::path InRunDirectory(const fs::path& directory, const std::string& name) {
    std::string relative = name;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return directory / relative;
}

class BadMediaTest : public WholeProgram, public ::testing::WithParamInterface<BadMediaCase> {
  protected:
    // A member of the generated archive, read once for all cases; empty when the file ships
    // beside the archive instead.
    static const Bytes& ArchivedMember(const std::string& name) {
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

    static bool ShipsBesideTheArchive(const std::string& name) {
        return ArchivedMember(name).empty() && fs::exists(InRunDirectory(runDirectory, name));
    }

    static Bytes Original(const std::string& name) {
        if (ShipsBesideTheArchive(name)) {
            const std::string text = ReadFile(InRunDirectory(runDirectory, name));
            return Bytes(text.begin(), text.end());
        }
        return ArchivedMember(name);
    }

    // What the scene loads: its mesh, its texture, its other media and the images its meshes'
    // materials name, beside the meshes (the blob meshes name images that are not shipped:
    // their scenes never load material images).
    static std::vector<std::string> SceneFiles(const SceneMedia& scene) {
        std::vector<std::string> names = {scene.mesh, scene.texture};
        names.insert(names.end(), scene.otherMedia.begin(), scene.otherMedia.end());
        const std::regex textureName("TextureFilename\\s*\\{\\s*\"([^\"]+)\"");
        for (std::size_t i = 0, meshes = names.size(); i < meshes; ++i) {
            if (!names[i].ends_with(".x")) {
                continue;
            }
            const Bytes& bytes = ArchivedMember(names[i]);
            const std::string text(bytes.begin(), bytes.end());
            const std::string directory = names[i].substr(0, names[i].rfind('\\') + 1);
            for (auto it = std::sregex_iterator(text.begin(), text.end(), textureName);
                 it != std::sregex_iterator(); ++it) {
                const std::string name = directory + (*it)[1].str();
                if (!ArchivedMember(name).empty() &&
                    std::find(names.begin(), names.end(), name) == names.end()) {
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
    for (const std::string& name : SceneFiles(*c.scene)) {
        const Bytes original = Original(name);
        ASSERT_FALSE(original.empty()) << name << " is neither in the generated archive nor beside it";
        const bool bad = name == c.file;
        const Bytes bytes = bad ? Replacement(c.bad, name, original) : original;
        ASSERT_TRUE(!bad || c.bad == Bad::Missing || c.bad == Bad::Empty || !bytes.empty())
            << "no " << FaultName(c.bad) << " replacement for " << name;
        if (!ShipsBesideTheArchive(name)) {
            if (!bad || c.bad != Bad::Missing) {
                members.push_back({name, bytes});
            }
        } else if (bad) {
            const fs::path path = InRunDirectory(work, name);
            fs::remove(path);
            if (c.bad != Bad::Missing) {
                std::ofstream(path, std::ios::binary)
                    .write(reinterpret_cast<const char*>(bytes.data()),
                           static_cast<std::streamsize>(bytes.size()));
            }
        }
    }
    std::string error;
    ASSERT_TRUE(RarWriter::Write((work / "data.rar").string(), members, false, &error)) << error;

    const RunResult r = Run(c.scene->frames);
    EXPECT_EQ(r.exitCode, 0) << r.err.substr(0, 4000);
    for (const char* report : {"AddressSanitizer", "LeakSanitizer", "runtime error:"}) {
        EXPECT_EQ(r.err.find(report), std::string::npos) << r.err.substr(0, 4000);
    }
}

INSTANTIATE_TEST_SUITE_P(OneFileAtATime, BadMediaTest, ::testing::ValuesIn(BadMediaCases()),
                         [](const ::testing::TestParamInfo<BadMediaCase>& info) { return info.param.name; });

} // namespace
