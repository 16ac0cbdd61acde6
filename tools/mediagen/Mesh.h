// SPDX-License-Identifier: MIT
// Authoring of the game's models: a small hierarchy of parts, each made of simple solids
// (boxes, prisms, lofts, ellipsoids, slabs). Every solid turns its triangles counter-clockwise
// as seen from outside and gets per-corner normals: flat faces keep their face normal, faces
// of one smooth surface share averaged normals. The result is handed to the game's own model
// library (ToModel) and saved in its binary form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Model;

namespace mediagen {

struct V3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

V3 operator+(V3 a, V3 b);
V3 operator-(V3 a, V3 b);
V3 operator*(V3 a, float k);
float Dot(V3 a, V3 b);
V3 Cross(V3 a, V3 b);
float Length(V3 a);
V3 Normalised(V3 a);

struct MeshTriangle {
    int a, b, c;
    int group;  // faces of one smooth surface share a group; -1 is a flat face
    V3 normal[3];
};

struct MeshPart {
    std::string name;
    int parent = -1;  // -1: a root
    V3 pivot;  // origin relative to the parent's origin
    int red = 255, green = 255, blue = 255;
    int textureId = -1;  // -1: shaded colour with outline; else a game texture name
    std::vector<V3> points;  // relative to the part's origin
    std::vector<float> uv;  // u, v per point (textured parts only)
    std::vector<MeshTriangle> triangles;
};

// A ring of points around an axis: a cross-section of a prism or a loft.
using Ring = std::vector<V3>;

// count points on an ellipse centred at centre in the plane spanned by unit axes u and v, with
// half sizes ru and rv; the first point lies along u (turned by phase degrees).
Ring Ellipse(V3 centre, V3 u, V3 v, float ru, float rv, int count, float phaseDegrees = 0.0f);

class MeshModel {
public:
    // Adds a part and returns its index. parent -1 makes a root.
    int AddPart(const std::string& name, int parent, V3 pivot, int red, int green, int blue);
    MeshPart& Part(int index) { return parts_[static_cast<size_t>(index)]; }
    const std::vector<MeshPart>& Parts() const { return parts_; }

    // Solids, in the part's own frame. smooth: the side faces form one smooth surface.
    // A box with the eight corners given as two faces of four (near face, then far face, each
    // in the same turning order). Faces whose outward normal lies along a direction in skip
    // are left out (for faces buried in another solid or lying on the ground).
    enum : unsigned {
        kSkipNone = 0,
        kSkipMinusX = 1,
        kSkipPlusX = 2,
        kSkipMinusY = 4,
        kSkipPlusY = 8,
        kSkipMinusZ = 16,
        kSkipPlusZ = 32
    };
    void Hexahedron(int part, const V3 corners[8], unsigned skip = kSkipNone);
    void Box(int part, V3 lo, V3 hi, unsigned skip = kSkipNone);
    // Surfaces joining consecutive rings (all of the same size). A ring of one point is an apex.
    // Caps close the first and last rings with flat faces.
    void Loft(int part, const std::vector<Ring>& rings, bool smooth, bool capStart, bool capEnd);
    // An ellipsoid with its poles along the unit axis (radii: along axis, then across).
    void Ellipsoid(int part, V3 centre, V3 axis, V3 across, float rAxis, float rAcross1,
                   float rAcross2, int sectors, int bands);
    // A convex outline (in order around) extruded by thickness along its normal, centred on it.
    void Slab(int part, const std::vector<V3>& outline, float thickness);
    // A pyramid from a convex outline to an apex (the outline's own face is left open when
    // openBase is set).
    void Pyramid(int part, const std::vector<V3>& outline, V3 apex, bool openBase);

    // A flat textured square: corners in turning order with their texture coordinates. Its
    // front faces along normal.
    void TexturedQuad(int part, const V3 corners[4], const float uv[8], V3 normal);

    // Averages normals of smooth surfaces, then checks every triangle: indices in range,
    // corners not degenerate, each corner normal of unit length and on the front side.
    // False with a message in *why when a part is broken.
    bool Finish(std::string* why);

    // Fills a Model (cleared first) through the model library's editing operations.
    bool ToModel(Model& model, std::string* why) const;

    // Radius the game would compute at scale 0.1: mean of the largest x and z in model space.
    float GameRadius() const;
    // World (model-space) position of a part's origin.
    V3 PartOrigin(int part) const;
    // Lowest y over all points in model space.
    float LowestY() const;

private:
    // Adds a triangle whose front must face away from inside (the winding is turned if not).
    void Face(int part, int a, int b, int c, V3 inside, int group);
    int AddPoint(int part, V3 p);
    int NewGroup() { return nextGroup_++; }

    std::vector<MeshPart> parts_;
    int nextGroup_ = 0;
};

}  // namespace mediagen
