#include "tools/quillmoor-media/x_file_writer.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace media {

namespace {

// Six decimals keep the files exact enough and identical from build to build.
std::string Num(float v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.6f", static_cast<double>(v));
    return buffer;
}

void WriteMaterialText(std::string& out, const MeshMaterial& m) {
    out += "  Material " + m.name + " {\n   ";
    for (float c : m.diffuse) {
        out += Num(c) + ";";
    }
    out += ";\n   " + Num(m.power) + ";\n   ";
    for (float c : m.specular) {
        out += Num(c) + ";";
    }
    out += ";\n   ";
    for (float c : m.emissive) {
        out += Num(c) + ";";
    }
    out += ";\n";
    if (!m.texture.empty()) {
        out += "   TextureFilename {\n    \"" + m.texture + "\";\n   }\n";
    }
    out += "  }\n";
}

} // namespace

std::vector<uint8_t> WriteXText(const Mesh& mesh) {
    std::string out = "xof 0303txt 0032\n\n";
    const size_t n = mesh.positions.size();
    const size_t f = mesh.faces.size();
    out += "Mesh " + mesh.name + " {\n " + std::to_string(n) + ";\n";
    for (size_t i = 0; i < n; ++i) {
        const Vec3 p = mesh.positions[i];
        out += " " + Num(p.x) + ";" + Num(p.y) + ";" + Num(p.z) + ";" + (i + 1 < n ? ",\n" : ";\n");
    }
    out += " " + std::to_string(f) + ";\n";
    auto faceList = [&](std::string& o) {
        for (size_t i = 0; i < f; ++i) {
            const auto& t = mesh.faces[i];
            o += " 3;" + std::to_string(t[0]) + "," + std::to_string(t[1]) + "," + std::to_string(t[2]) +
                 ";" + (i + 1 < f ? ",\n" : ";\n");
        }
    };
    faceList(out);
    out += "\n MeshNormals {\n " + std::to_string(n) + ";\n";
    for (size_t i = 0; i < n; ++i) {
        const Vec3 p = mesh.normals[i];
        out += " " + Num(p.x) + ";" + Num(p.y) + ";" + Num(p.z) + ";" + (i + 1 < n ? ",\n" : ";\n");
    }
    out += " " + std::to_string(f) + ";\n";
    faceList(out);
    out += " }\n";
    if (!mesh.uvs.empty()) {
        out += "\n MeshTextureCoords {\n " + std::to_string(n) + ";\n";
        for (size_t i = 0; i < n; ++i) {
            out += " " + Num(mesh.uvs[i].u) + ";" + Num(mesh.uvs[i].v) + ";" + (i + 1 < n ? ",\n" : ";\n");
        }
        out += " }\n";
    }
    out += "\n MeshMaterialList {\n " + std::to_string(mesh.materials.size()) + ";\n " + std::to_string(f) +
           ";\n";
    for (size_t i = 0; i < f; ++i) {
        out += " " + std::to_string(mesh.faceMaterials[i]) + (i + 1 < f ? ",\n" : ";\n");
    }
    out += " ;\n";
    for (const MeshMaterial& m : mesh.materials) {
        WriteMaterialText(out, m);
    }
    out += " }\n}\n";
    return {out.begin(), out.end()};
}

namespace {

// Binary .x tokens (16-bit little-endian token codes).
constexpr uint16_t kTokenName = 1;
constexpr uint16_t kTokenString = 2;
constexpr uint16_t kTokenIntegerList = 6;
constexpr uint16_t kTokenFloatList = 7;
constexpr uint16_t kTokenOpenBrace = 10;
constexpr uint16_t kTokenCloseBrace = 11;
constexpr uint16_t kTokenSemicolon = 20;

class BinaryWriter {
  public:
    std::vector<uint8_t> bytes;

    void Word(uint16_t v) {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    void Dword(uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
    }
    void Name(const std::string& s) {
        Word(kTokenName);
        Dword(static_cast<uint32_t>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    void String(const std::string& s) {
        Word(kTokenString);
        Dword(static_cast<uint32_t>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
        Word(kTokenSemicolon);
    }
    void Integers(const std::vector<uint32_t>& v) {
        Word(kTokenIntegerList);
        Dword(static_cast<uint32_t>(v.size()));
        for (uint32_t x : v) {
            Dword(x);
        }
    }
    void Floats(const std::vector<float>& v) {
        Word(kTokenFloatList);
        Dword(static_cast<uint32_t>(v.size()));
        for (float x : v) {
            uint32_t bits;
            std::memcpy(&bits, &x, 4);
            Dword(bits);
        }
    }
    void Open() { Word(kTokenOpenBrace); }
    void Close() { Word(kTokenCloseBrace); }
};

} // namespace

std::vector<uint8_t> WriteXBinary(const Mesh& mesh) {
    BinaryWriter w;
    const char header[] = "xof 0303bin 0032";
    w.bytes.insert(w.bytes.end(), header, header + 16);
    const auto n = static_cast<uint32_t>(mesh.positions.size());
    const auto f = static_cast<uint32_t>(mesh.faces.size());
    std::vector<uint32_t> faceList;
    faceList.reserve(1 + f * 4);
    faceList.push_back(f);
    for (const auto& t : mesh.faces) {
        faceList.insert(faceList.end(), {3u, t[0], t[1], t[2]});
    }
    auto vectors = [&](const std::vector<Vec3>& v) {
        std::vector<float> out;
        out.reserve(v.size() * 3);
        for (const Vec3& p : v) {
            out.insert(out.end(), {p.x, p.y, p.z});
        }
        return out;
    };

    w.Name("Mesh");
    w.Name(mesh.name);
    w.Open();
    w.Integers({n});
    w.Floats(vectors(mesh.positions));
    w.Integers(faceList);

    w.Name("MeshNormals");
    w.Open();
    w.Integers({n});
    w.Floats(vectors(mesh.normals));
    w.Integers(faceList);
    w.Close();

    if (!mesh.uvs.empty()) {
        w.Name("MeshTextureCoords");
        w.Open();
        w.Integers({n});
        std::vector<float> uv;
        uv.reserve(n * 2);
        for (const Vec2& t : mesh.uvs) {
            uv.insert(uv.end(), {t.u, t.v});
        }
        w.Floats(uv);
        w.Close();
    }

    w.Name("MeshMaterialList");
    w.Open();
    std::vector<uint32_t> materialList = {static_cast<uint32_t>(mesh.materials.size()), f};
    materialList.insert(materialList.end(), mesh.faceMaterials.begin(), mesh.faceMaterials.end());
    w.Integers(materialList);
    for (const MeshMaterial& m : mesh.materials) {
        w.Name("Material");
        w.Name(m.name);
        w.Open();
        std::vector<float> values(m.diffuse.begin(), m.diffuse.end());
        values.push_back(m.power);
        values.insert(values.end(), m.specular.begin(), m.specular.end());
        values.insert(values.end(), m.emissive.begin(), m.emissive.end());
        w.Floats(values);
        if (!m.texture.empty()) {
            w.Name("TextureFilename");
            w.Open();
            w.String(m.texture);
            w.Close();
        }
        w.Close();
    }
    w.Close();
    w.Close();
    return w.bytes;
}

} // namespace media
