// SPDX-License-Identifier: MIT
#include "Mesh.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "render/Model.h"

namespace mediagen {

V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

V3 operator*(V3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }

float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

V3 Cross(V3 a, V3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Length(V3 a) { return std::sqrt(Dot(a, a)); }

V3 Normalised(V3 a)
{
    float l = Length(a);
    return l > 0.0f ? a * (1.0f / l) : a;
}

Ring Ellipse(V3 centre, V3 u, V3 v, float ru, float rv, int count, float phaseDegrees)
{
    Ring ring;
    for (int i = 0; i < count; ++i) {
        double a = (phaseDegrees + 360.0 * i / count) * 3.14159265358979 / 180.0;
        ring.push_back(centre + u * static_cast<float>(ru * std::cos(a)) +
                       v * static_cast<float>(rv * std::sin(a)));
    }
    return ring;
}

int MeshModel::AddPart(const std::string& name, int parent, V3 pivot, int red, int green, int blue)
{
    MeshPart p;
    p.name = name;
    p.parent = parent;
    p.pivot = pivot;
    p.red = red;
    p.green = green;
    p.blue = blue;
    parts_.push_back(p);
    return static_cast<int>(parts_.size()) - 1;
}

int MeshModel::AddPoint(int part, V3 p)
{
    auto& pts = Part(part).points;
    pts.push_back(p);
    return static_cast<int>(pts.size()) - 1;
}

void MeshModel::Face(int part, int a, int b, int c, V3 inside, int group)
{
    const auto& pts = Part(part).points;
    V3 pa = pts[static_cast<size_t>(a)], pb = pts[static_cast<size_t>(b)],
       pc = pts[static_cast<size_t>(c)];
    V3 n = Cross(pb - pa, pc - pa);
    V3 centre = (pa + pb + pc) * (1.0f / 3.0f);
    if (Dot(n, centre - inside) < 0.0f) std::swap(b, c);
    MeshTriangle t{a, b, c, group, {}};
    Part(part).triangles.push_back(t);
}

void MeshModel::Hexahedron(int part, const V3 corners[8], unsigned skip)
{
    int idx[8];
    V3 centre{};
    for (int i = 0; i < 8; ++i) {
        idx[i] = AddPoint(part, corners[i]);
        centre = centre + corners[i] * 0.125f;
    }
    // Faces as corner quads: near, far, then the four sides.
    const int quads[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4},
                             {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    for (const auto& q : quads) {
        V3 a = corners[q[0]], b = corners[q[1]], c = corners[q[2]], d = corners[q[3]];
        V3 n = Normalised(Cross(b - a, c - a));
        V3 mid = (a + b + c + d) * 0.25f;
        if (Dot(n, mid - centre) < 0.0f) n = n * -1.0f;
        const unsigned along = n.x < -0.99f   ? kSkipMinusX
                               : n.x > 0.99f  ? kSkipPlusX
                               : n.y < -0.99f ? kSkipMinusY
                               : n.y > 0.99f  ? kSkipPlusY
                               : n.z < -0.99f ? kSkipMinusZ
                               : n.z > 0.99f  ? kSkipPlusZ
                                              : 0u;
        if (skip & along) continue;
        Face(part, idx[q[0]], idx[q[1]], idx[q[2]], centre, -1);
        Face(part, idx[q[0]], idx[q[2]], idx[q[3]], centre, -1);
    }
}

void MeshModel::Box(int part, V3 lo, V3 hi, unsigned skip)
{
    const V3 c[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z},
                     {lo.x, hi.y, lo.z}, {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z},
                     {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
    Hexahedron(part, c, skip);
}

static V3 Centroid(const Ring& r)
{
    V3 c{};
    for (const V3& p : r) c = c + p * (1.0f / static_cast<float>(r.size()));
    return c;
}

void MeshModel::Loft(int part, const std::vector<Ring>& rings, bool smooth, bool capStart,
                     bool capEnd)
{
    size_t k = 0;
    for (const Ring& r : rings) k = std::max(k, r.size());
    std::vector<std::vector<int>> idx;
    for (const Ring& r : rings) {
        std::vector<int> ring;
        for (const V3& p : r) ring.push_back(AddPoint(part, p));
        idx.push_back(ring);
    }
    int group = smooth ? NewGroup() : -1;
    for (size_t i = 0; i + 1 < rings.size(); ++i) {
        V3 inside = (Centroid(rings[i]) + Centroid(rings[i + 1])) * 0.5f;
        const auto& a = idx[i];
        const auto& b = idx[i + 1];
        for (size_t j = 0; j < k; ++j) {
            size_t j1 = (j + 1) % k;
            if (a.size() == 1) {
                Face(part, a[0], b[j], b[j1], inside, group);
            } else if (b.size() == 1) {
                Face(part, a[j], a[j1], b[0], inside, group);
            } else {
                Face(part, a[j], a[j1], b[j1], inside, group);
                Face(part, a[j], b[j1], b[j], inside, group);
            }
        }
    }
    auto cap = [&](size_t which, size_t neighbour) {
        const auto& r = idx[which];
        if (r.size() < 3) return;
        V3 inside = Centroid(rings[neighbour]);
        for (size_t j = 1; j + 1 < r.size(); ++j) Face(part, r[0], r[j], r[j + 1], inside, -1);
    };
    if (capStart && rings.size() > 1) cap(0, 1);
    if (capEnd && rings.size() > 1) cap(rings.size() - 1, rings.size() - 2);
}

void MeshModel::Ellipsoid(int part, V3 centre, V3 axis, V3 across, float rAxis, float rAcross1,
                          float rAcross2, int sectors, int bands)
{
    V3 w = Normalised(Cross(axis, across));
    std::vector<Ring> rings;
    rings.push_back({centre - axis * rAxis});
    for (int b = 1; b < bands; ++b) {
        double t = 3.14159265358979 * b / bands;
        float along = -static_cast<float>(std::cos(t)) * rAxis;
        float s = static_cast<float>(std::sin(t));
        rings.push_back(
            Ellipse(centre + axis * along, across, w, rAcross1 * s, rAcross2 * s, sectors));
    }
    rings.push_back({centre + axis * rAxis});
    Loft(part, rings, true, false, false);
}

void MeshModel::Slab(int part, const std::vector<V3>& outline, float thickness)
{
    V3 n = Normalised(Cross(outline[1] - outline[0], outline[2] - outline[0]));
    Ring top, bottom;
    for (const V3& p : outline) {
        top.push_back(p + n * (thickness * 0.5f));
        bottom.push_back(p - n * (thickness * 0.5f));
    }
    Loft(part, {top, bottom}, false, true, true);
}

void MeshModel::Pyramid(int part, const std::vector<V3>& outline, V3 apex, bool openBase)
{
    Loft(part, {outline, {apex}}, false, !openBase, false);
}

void MeshModel::TexturedQuad(int part, const V3 corners[4], const float uv[8], V3 normal)
{
    MeshPart& p = Part(part);
    p.uv.resize(p.points.size() * 2, -1.0f);
    int idx[4];
    V3 centre{};
    for (int i = 0; i < 4; ++i) {
        idx[i] = AddPoint(part, corners[i]);
        Part(part).uv.push_back(uv[2 * i]);
        Part(part).uv.push_back(uv[2 * i + 1]);
        centre = centre + corners[i] * 0.25f;
    }
    V3 inside = centre - normal;
    Face(part, idx[0], idx[1], idx[2], inside, -1);
    Face(part, idx[0], idx[2], idx[3], inside, -1);
}

bool MeshModel::Finish(std::string* why)
{
    auto fail = [&](const MeshPart& p, const char* what) {
        if (why) *why = "part \"" + p.name + "\": " + what;
        return false;
    };
    for (MeshPart& p : parts_) {
        if (p.name.empty() || p.name[0] == ' ' || p.name[0] == '\t')
            return fail(p, "a name must be non-empty and must not start with white space");
        std::vector<V3> faceNormal;
        for (const MeshTriangle& t : p.triangles) {
            int n = static_cast<int>(p.points.size());
            if (t.a < 0 || t.b < 0 || t.c < 0 || t.a >= n || t.b >= n || t.c >= n)
                return fail(p, "a triangle index is out of range");
            V3 a = p.points[static_cast<size_t>(t.a)], b = p.points[static_cast<size_t>(t.b)],
               c = p.points[static_cast<size_t>(t.c)];
            V3 fn = Cross(b - a, c - a);
            if (Length(fn) < 1e-6f) return fail(p, "a triangle has no area");
            faceNormal.push_back(Normalised(fn));
        }
        // Smooth surfaces: a corner takes the average of the faces of its group around the
        // point, weighted by the corner angle so that fans do not tilt it.
        for (size_t i = 0; i < p.triangles.size(); ++i) {
            MeshTriangle& t = p.triangles[i];
            const int corners[3] = {t.a, t.b, t.c};
            for (int k = 0; k < 3; ++k) {
                if (t.group < 0) {
                    t.normal[k] = faceNormal[i];
                    continue;
                }
                V3 sum{};
                for (size_t j = 0; j < p.triangles.size(); ++j) {
                    const MeshTriangle& o = p.triangles[j];
                    // A fold sharper than 75 degrees stays a crease even inside a surface.
                    if (o.group != t.group || Dot(faceNormal[j], faceNormal[i]) < 0.2588f) continue;
                    const int oc[3] = {o.a, o.b, o.c};
                    for (int m = 0; m < 3; ++m) {
                        if (oc[m] != corners[k]) continue;
                        V3 here = p.points[static_cast<size_t>(oc[m])];
                        V3 e1 = Normalised(p.points[static_cast<size_t>(oc[(m + 1) % 3])] - here);
                        V3 e2 = Normalised(p.points[static_cast<size_t>(oc[(m + 2) % 3])] - here);
                        float angle = std::acos(std::fmax(-1.0f, std::fmin(1.0f, Dot(e1, e2))));
                        sum = sum + faceNormal[j] * angle;
                    }
                }
                t.normal[k] = Normalised(sum);
            }
        }
        for (size_t i = 0; i < p.triangles.size(); ++i) {
            for (const V3& n : p.triangles[i].normal) {
                if (std::fabs(Length(n) - 1.0f) > 1e-3f)
                    return fail(p, "a corner normal is not of unit length");
                if (Dot(n, faceNormal[i]) <= 0.05f)
                    return fail(p, "a corner normal points to the back of its triangle");
            }
        }
    }
    return true;
}

bool MeshModel::ToModel(Model& model, std::string* why) const
{
    model.Clear();
    for (size_t i = 0; i < parts_.size(); ++i) {
        const MeshPart& p = parts_[i];
        int32_t o = model.AddObject();
        if (o != static_cast<int32_t>(i)) {
            if (why) *why = "the model library did not add part \"" + p.name + "\"";
            return false;
        }
        model.SetName(o, p.name.c_str());
        model.SetColor(o, p.red, p.green, p.blue);
        model.SetPivot(o, p.pivot.x, p.pivot.y, p.pivot.z);
        model.objects[o].textureId = p.textureId;
        if (p.parent >= 0 && !model.SetParent(o, p.parent)) {
            if (why) *why = "part \"" + p.name + "\" has a bad parent";
            return false;
        }
        for (size_t k = 0; k < p.points.size(); ++k) {
            int32_t q = model.AddPoint(o, p.points[k].x, p.points[k].y, p.points[k].z);
            if (2 * k + 1 < p.uv.size()) model.SetTexCoord(o, q, p.uv[2 * k], p.uv[2 * k + 1]);
        }
        for (const MeshTriangle& t : p.triangles) {
            int32_t k = model.AddTriangle(o, t.a, t.b, t.c);
            for (int c = 0; c < 3; ++c)
                model.SetNormal(o, k, c, t.normal[c].x, t.normal[c].y, t.normal[c].z);
        }
    }
    return CheckModelStructure(model, why);
}

V3 MeshModel::PartOrigin(int part) const
{
    V3 o{};
    for (int i = part; i >= 0; i = parts_[static_cast<size_t>(i)].parent)
        o = o + parts_[static_cast<size_t>(i)].pivot;
    return o;
}

float MeshModel::GameRadius() const
{
    float maxX = -99999.0f, maxZ = -99999.0f;
    for (size_t i = 0; i < parts_.size(); ++i) {
        V3 o = PartOrigin(static_cast<int>(i));
        for (const V3& p : parts_[i].points) {
            maxX = std::fmax(maxX, o.x + p.x);
            maxZ = std::fmax(maxZ, o.z + p.z);
        }
    }
    return (maxX + maxZ) * 0.5f * 0.1f;
}

float MeshModel::LowestY() const
{
    float lowest = 1e9f;
    for (size_t i = 0; i < parts_.size(); ++i) {
        V3 o = PartOrigin(static_cast<int>(i));
        for (const V3& p : parts_[i].points) lowest = std::fmin(lowest, o.y + p.y);
    }
    return lowest;
}

}  // namespace mediagen
