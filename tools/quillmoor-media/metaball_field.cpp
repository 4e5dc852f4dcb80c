#include "tools/quillmoor-media/metaball_field.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace media {

float MetaballField::Value(Vec3 p) const {
    float sum = 0.0f;
    for (const Metaball& b : balls_) {
        const Vec3 d = p - b.centre;
        const float q = Dot(d, d) / (b.radius * b.radius);
        if (q < 1.0f) {
            const float w = 1.0f - q;
            sum += b.strength * w * w * w;
        }
    }
    return sum - threshold_;
}

Vec3 MetaballField::Gradient(Vec3 p) const {
    Vec3 g;
    for (const Metaball& b : balls_) {
        const Vec3 d = p - b.centre;
        const float r2 = b.radius * b.radius;
        const float q = Dot(d, d) / r2;
        if (q < 1.0f) {
            const float w = 1.0f - q;
            g = g + d * (-6.0f * b.strength * w * w / r2);
        }
    }
    return g;
}

Bounds MetaballField::Extent() const {
    Bounds b;
    for (const Metaball& m : balls_) {
        b.min = {std::min(b.min.x, m.centre.x - m.radius), std::min(b.min.y, m.centre.y - m.radius),
                 std::min(b.min.z, m.centre.z - m.radius)};
        b.max = {std::max(b.max.x, m.centre.x + m.radius), std::max(b.max.y, m.centre.y + m.radius),
                 std::max(b.max.z, m.centre.z + m.radius)};
    }
    return b;
}

namespace {

struct Grid {
    Vec3 origin;
    float cell = 1.0f;
    int nx = 0, ny = 0, nz = 0; // grid points per axis
    std::vector<float> values;

    size_t Index(int i, int j, int k) const {
        return (static_cast<size_t>(k) * ny + static_cast<size_t>(j)) * nx + static_cast<size_t>(i);
    }
    Vec3 Point(int i, int j, int k) const { return origin + Vec3{float(i), float(j), float(k)} * cell; }
};

// Samples the field by splatting each ball over the grid points inside its support.
Grid SampleField(const MetaballField& field, float cell) {
    Grid g;
    const Bounds e = field.Extent();
    g.cell = cell;
    g.origin = e.min - Vec3{2 * cell, 2 * cell, 2 * cell};
    g.nx = static_cast<int>(std::ceil((e.max.x - e.min.x) / cell)) + 5;
    g.ny = static_cast<int>(std::ceil((e.max.y - e.min.y) / cell)) + 5;
    g.nz = static_cast<int>(std::ceil((e.max.z - e.min.z) / cell)) + 5;
    g.values.assign(static_cast<size_t>(g.nx) * g.ny * g.nz, -field.Threshold());
    for (const Metaball& b : field.Balls()) {
        const int i0 = std::max(0, static_cast<int>(std::floor((b.centre.x - b.radius - g.origin.x) / cell)));
        const int j0 = std::max(0, static_cast<int>(std::floor((b.centre.y - b.radius - g.origin.y) / cell)));
        const int k0 = std::max(0, static_cast<int>(std::floor((b.centre.z - b.radius - g.origin.z) / cell)));
        const int i1 =
            std::min(g.nx - 1, static_cast<int>(std::ceil((b.centre.x + b.radius - g.origin.x) / cell)));
        const int j1 =
            std::min(g.ny - 1, static_cast<int>(std::ceil((b.centre.y + b.radius - g.origin.y) / cell)));
        const int k1 =
            std::min(g.nz - 1, static_cast<int>(std::ceil((b.centre.z + b.radius - g.origin.z) / cell)));
        const float r2 = b.radius * b.radius;
        for (int k = k0; k <= k1; ++k) {
            for (int j = j0; j <= j1; ++j) {
                for (int i = i0; i <= i1; ++i) {
                    const Vec3 d = g.Point(i, j, k) - b.centre;
                    const float q = Dot(d, d) / r2;
                    if (q < 1.0f) {
                        const float w = 1.0f - q;
                        g.values[g.Index(i, j, k)] += b.strength * w * w * w;
                    }
                }
            }
        }
    }
    return g;
}

constexpr int kCorner[8][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0},
                               {0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};
constexpr int kEdge[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                              {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

} // namespace

Mesh PolygoniseField(const MetaballField& field, float cellSize) {
    const Grid g = SampleField(field, cellSize);
    Mesh mesh;
    const int cx = g.nx - 1, cy = g.ny - 1, cz = g.nz - 1;
    std::vector<int32_t> cellVertex(static_cast<size_t>(cx) * cy * cz, -1);
    auto cellIndex = [&](int i, int j, int k) {
        return (static_cast<size_t>(k) * cy + static_cast<size_t>(j)) * cx + static_cast<size_t>(i);
    };

    // One vertex per cell that the surface crosses, at the mean of its edge crossings.
    for (int k = 0; k < cz; ++k) {
        for (int j = 0; j < cy; ++j) {
            for (int i = 0; i < cx; ++i) {
                float v[8];
                int inside = 0;
                for (int c = 0; c < 8; ++c) {
                    v[c] = g.values[g.Index(i + kCorner[c][0], j + kCorner[c][1], k + kCorner[c][2])];
                    inside += v[c] > 0.0f ? 1 : 0;
                }
                if (inside == 0 || inside == 8) {
                    continue;
                }
                Vec3 sum;
                int count = 0;
                for (const auto& e : kEdge) {
                    const float a = v[e[0]], b = v[e[1]];
                    if ((a > 0.0f) == (b > 0.0f)) {
                        continue;
                    }
                    const float t = a / (a - b);
                    const Vec3 pa{float(kCorner[e[0]][0]), float(kCorner[e[0]][1]), float(kCorner[e[0]][2])};
                    const Vec3 pb{float(kCorner[e[1]][0]), float(kCorner[e[1]][1]), float(kCorner[e[1]][2])};
                    sum = sum + pa + (pb - pa) * t;
                    ++count;
                }
                cellVertex[cellIndex(i, j, k)] = static_cast<int32_t>(mesh.positions.size());
                mesh.positions.push_back(g.Point(i, j, k) + sum * (g.cell / float(count)));
            }
        }
    }

    // One quad per grid edge that the surface crosses, joining the four cells around the edge.
    auto emitQuad = [&](size_t a, size_t b, size_t c, size_t d) {
        const int32_t q[4] = {cellVertex[a], cellVertex[b], cellVertex[c], cellVertex[d]};
        if (q[0] < 0 || q[1] < 0 || q[2] < 0 || q[3] < 0) {
            return;
        }
        const auto u = [&](int n) { return static_cast<uint32_t>(q[n]); };
        const float d02 = Length(mesh.positions[u(0)] - mesh.positions[u(2)]);
        const float d13 = Length(mesh.positions[u(1)] - mesh.positions[u(3)]);
        if (d02 <= d13) {
            mesh.faces.push_back({u(0), u(1), u(2)});
            mesh.faces.push_back({u(0), u(2), u(3)});
        } else {
            mesh.faces.push_back({u(0), u(1), u(3)});
            mesh.faces.push_back({u(1), u(2), u(3)});
        }
    };
    for (int k = 1; k < cz; ++k) {
        for (int j = 1; j < cy; ++j) {
            for (int i = 0; i < cx; ++i) { // edges along x
                if ((g.values[g.Index(i, j, k)] > 0) != (g.values[g.Index(i + 1, j, k)] > 0)) {
                    emitQuad(cellIndex(i, j - 1, k - 1), cellIndex(i, j, k - 1), cellIndex(i, j, k),
                             cellIndex(i, j - 1, k));
                }
            }
        }
    }
    for (int k = 1; k < cz; ++k) {
        for (int j = 0; j < cy; ++j) {
            for (int i = 1; i < cx; ++i) { // edges along y
                if ((g.values[g.Index(i, j, k)] > 0) != (g.values[g.Index(i, j + 1, k)] > 0)) {
                    emitQuad(cellIndex(i - 1, j, k - 1), cellIndex(i, j, k - 1), cellIndex(i, j, k),
                             cellIndex(i - 1, j, k));
                }
            }
        }
    }
    for (int k = 0; k < cz; ++k) {
        for (int j = 1; j < cy; ++j) {
            for (int i = 1; i < cx; ++i) { // edges along z
                if ((g.values[g.Index(i, j, k)] > 0) != (g.values[g.Index(i, j, k + 1)] > 0)) {
                    emitQuad(cellIndex(i - 1, j - 1, k), cellIndex(i, j - 1, k), cellIndex(i, j, k),
                             cellIndex(i - 1, j, k));
                }
            }
        }
    }

    // Pull each vertex onto the surface along the gradient; the step is bounded by one cell.
    for (Vec3& p : mesh.positions) {
        for (int iteration = 0; iteration < 4; ++iteration) {
            const float f = field.Value(p);
            const Vec3 grad = field.Gradient(p);
            const float g2 = Dot(grad, grad);
            if (g2 < 1e-12f) {
                break;
            }
            Vec3 step = grad * (-f / g2);
            const float len = Length(step);
            if (len > cellSize * 0.5f) {
                step = step * (cellSize * 0.5f / len);
            }
            p = p + step;
        }
    }
    mesh.normals.resize(mesh.positions.size());
    for (size_t n = 0; n < mesh.positions.size(); ++n) {
        mesh.normals[n] = Normalize(field.Gradient(mesh.positions[n]) * -1.0f);
    }
    // Wind every face clockwise seen from outside (Direct3D's front face in left-handed space).
    for (auto& f : mesh.faces) {
        const Vec3 a = mesh.positions[f[0]], b = mesh.positions[f[1]], c = mesh.positions[f[2]];
        const Vec3 n = mesh.normals[f[0]] + mesh.normals[f[1]] + mesh.normals[f[2]];
        if (Dot(Cross(b - a, c - a), n) < 0.0f) {
            std::swap(f[1], f[2]);
        }
    }
    mesh.faceMaterials.assign(mesh.faces.size(), 0);
    return mesh;
}

void AssignPlanarTextureCoordinates(Mesh& mesh, float scale) {
    mesh.uvs.resize(mesh.positions.size());
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const Vec3 p = mesh.positions[i];
        mesh.uvs[i] = {(p.x * 0.8f + p.z * 0.6f) * scale, (p.y * 0.9f - p.z * 0.44f + p.x * 0.1f) * scale};
    }
}

} // namespace media
