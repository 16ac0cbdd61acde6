// SPDX-License-Identifier: MIT
#include "render/ModelRenderer.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <unordered_map>
#include <utility>

#include "math/View.h"
#include "render/DrawBatch.h"
#include "render/RenderState.h"
#include "render/Texture.h"
#include "render/ViewVolume.h"

namespace {

bool ValidObject(const ModelInstance& instance, int32_t object)
{
    return instance.model && object >= 0 && object < instance.model->count;
}

// A triangle whose corners all name points of the object (loaders are not trusted here).
bool TriangleInRange(const ModelObject& o, const ModelTriangle& t)
{
    return t.a >= 0 && t.a < o.pointCount && t.b >= 0 && t.b < o.pointCount && t.c >= 0 &&
           t.c < o.pointCount;
}

// The triangles of an object whose indices are good, in drawing order.
template <typename Visit>
void ForEachTriangle(const ModelObject& o, Visit visit)
{
    if (!o.points || !o.triangles) return;
    for (int32_t t = 0; t < o.triangleCount; ++t)
        if (TriangleInRange(o, o.triangles[t])) visit(o.triangles[t]);
}

float ClampUnit(float s)
{
    if (!(s >= 0.0f))  // negative, or NaN from a broken normal
        return 0.0f;
    return s > 1.0f ? 1.0f : s;
}

// ---- The geometry of every drawn object ---------------------------------------------------------
//
// A textured object's triangles go to GL once, as a display list shared by every instance of
// the model, with the points' own texture coordinates. A shaded object's corners stay here, in
// arrays: each time it is drawn, the ramp coordinate of every corner is worked out on the CPU
// (each different normal once) and the arrays go to GL with it (see ShadedFill).
//
// Each object is drawn under its own transform. An instance with no pose (the game's ships
// never pose their parts) has every object turned alike, so all its shaded objects can go as
// one: the model's fill holds them all, each moved by its pivots and in its own colour.
//
// The outline is every edge of a back face, drawn as a wide black line over the fills with the
// depth test letting it through where it meets them. The edges are kept once each, with the
// faces on either side, so that an edge between two back faces is drawn once rather than once
// for each face; which faces turn away is worked out from where the eye is.

struct EdgeTable {
    struct Edge {
        GLuint from, to;  // corners, in the direction of the face on the left
        int32_t left;  // faces: left's direction; right -1 for an edge of one face only
        int32_t right;
    };
    std::vector<float> xyz;  // corners with the same place made one
    std::vector<Vector3D> normals;  // per face: (b - a) x (c - a), counter-clockwise in front
    std::vector<float> offsets;  // per face: dot(normal, a)
    std::vector<Edge> edges;
};

// Welds corners by place and pairs up the faces on either side of each edge.
class EdgeTableBuilder {
public:
    void Add(const ModelObject& o, const Vector3D& offset)
    {
        ForEachTriangle(o, [&](const ModelTriangle& tri) {
            const int32_t face = static_cast<int32_t>(table_.normals.size());
            const ModelPoint* p[3] = {&o.points[tri.a], &o.points[tri.b], &o.points[tri.c]};
            Vector3D q[3];
            GLuint corner[3];
            for (int c = 0; c < 3; ++c) {
                q[c] = Vector3D{p[c]->x + offset.x, p[c]->y + offset.y, p[c]->z + offset.z};
                corner[c] = Corner(q[c]);
            }
            const Vector3D n = Cross(q[1] - q[0], q[2] - q[0]);
            table_.normals.push_back(n);
            table_.offsets.push_back(Dot(n, q[0]));
            for (int c = 0; c < 3; ++c) AddEdge(corner[c], corner[(c + 1) % 3], face);
        });
    }
    EdgeTable Finish() { return std::move(table_); }

private:
    GLuint Corner(const Vector3D& q)
    {
        const auto found = corners_.emplace(std::array<float, 3>{q.x, q.y, q.z},
                                            static_cast<GLuint>(table_.xyz.size() / 3));
        if (found.second) table_.xyz.insert(table_.xyz.end(), {q.x, q.y, q.z});
        return found.first->second;
    }
    void AddEdge(GLuint from, GLuint to, int32_t face)
    {
        if (from == to) return;  // a corner twice: GL draws no line for it either
        const std::pair<GLuint, GLuint> key{std::min(from, to), std::max(from, to)};
        const auto found = edges_.find(key);
        if (found != edges_.end() && table_.edges[found->second].right < 0) {
            table_.edges[found->second].right = face;
            return;
        }
        // New, or a third face on the edge: that one keeps an entry of its own.
        edges_[key] = table_.edges.size();
        table_.edges.push_back(EdgeTable::Edge{from, to, face, -1});
    }

    EdgeTable table_;
    std::map<std::array<float, 3>, GLuint> corners_;
    std::map<std::pair<GLuint, GLuint>, size_t> edges_;
};

// Shaded corners kept on the CPU: their places, their normals (each different one once, as
// its bits go) and, in a model's fill of several objects, their colours.
struct ShadedFill {
    std::vector<float> xyz;
    std::vector<GLubyte> rgb;  // empty: the caller sets the one colour
    std::vector<Vector3D> normals;
    std::vector<uint32_t> normalOf;  // per corner
    bool Empty() const { return xyz.empty(); }

    void Add(const ModelPoint& q, const Vector3D& normal, const Vector3D& offset)
    {
        xyz.insert(xyz.end(), {q.x + offset.x, q.y + offset.y, q.z + offset.z});
        std::array<uint32_t, 3> bits;
        std::memcpy(bits.data(), &normal.x, sizeof(float));
        std::memcpy(bits.data() + 1, &normal.y, sizeof(float));
        std::memcpy(bits.data() + 2, &normal.z, sizeof(float));
        const auto found = seen_.emplace(bits, static_cast<uint32_t>(normals.size()));
        if (found.second) normals.push_back(normal);
        normalOf.push_back(found.first->second);
    }
    void Finish() { seen_.clear(); }

private:
    std::map<std::array<uint32_t, 3>, uint32_t> seen_;
};

struct PartGeometry {
    GLuint list = 0;  // textured objects: their triangles
    ShadedFill fill;  // shaded objects: their corners
    bool drawable = false;  // something to draw
    bool drawn = false;  // not a never-drawn reference point
    bool textured = false;
    EdgeTable edges;  // shaded objects: what the outline is drawn from
    Vector3D centre;  // bounding sphere of the drawn corners, in the object's frame
    float radius = 0.0f;
    // What the lists were made from.
    const ModelPoint* points = nullptr;
    const ModelTriangle* triangles = nullptr;
    int32_t pointCount = 0;
    int32_t triangleCount = 0;
    int32_t red = 0, green = 0, blue = 0;
    int32_t parent = 0;
    Vector3D pivot;
};

struct ModelGeometry {
    uint64_t revision = 0;
    std::vector<PartGeometry> parts;
    bool anyTextured = false;  // some object is drawn with a picture
    ShadedFill fill;  // every shaded object, unposed, with its colours
    EdgeTable edges;  // the outline of the same corners
    Vector3D centre;  // bounding sphere of the fill list's corners, in the model's frame
    float radius = 0.0f;
};

std::unordered_map<const Model*, ModelGeometry> gGeometry;
uint32_t gGeometryContext = 0;  // the context the lists were made in

void DeleteList(GLuint& list)
{
    if (list != 0) glDeleteLists(list, 1);
    list = 0;
}

void DeleteLists(ModelGeometry& g)
{
    g.anyTextured = false;
    for (PartGeometry& p : g.parts) DeleteList(p.list);
    g.parts.clear();
    g.fill = ShadedFill{};
    g.edges = EdgeTable{};
}

bool SameSource(const PartGeometry& p, const ModelObject& o)
{
    return p.drawn == !IsNeverDrawn(o) && p.textured == (o.textureId != -1) &&
           p.points == o.points && p.triangles == o.triangles && p.pointCount == o.pointCount &&
           p.triangleCount == o.triangleCount && p.red == o.red && p.green == o.green &&
           p.blue == o.blue && p.parent == o.parent && p.pivot.x == o.pivot.x &&
           p.pivot.y == o.pivot.y && p.pivot.z == o.pivot.z;
}

// The corners of an object's triangles whose indices are good, in drawing order.
template <typename Visit>
void ForEachCorner(const ModelObject& o, Visit visit)
{
    ForEachTriangle(o, [&](const ModelTriangle& tri) {
        visit(o.points[tri.a], tri.na);
        visit(o.points[tri.b], tri.nb);
        visit(o.points[tri.c], tri.nc);
    });
}

// Grows a box by points, then gives the sphere around the box's middle.
struct Bounds {
    bool any = false;
    Vector3D lo, hi;
    std::vector<Vector3D> seen;

    void Add(const Vector3D& p)
    {
        if (!any) {
            lo = hi = p;
            any = true;
        }
        lo = Vector3D{std::fmin(lo.x, p.x), std::fmin(lo.y, p.y), std::fmin(lo.z, p.z)};
        hi = Vector3D{std::fmax(hi.x, p.x), std::fmax(hi.y, p.y), std::fmax(hi.z, p.z)};
        seen.push_back(p);
    }
    void Sphere(Vector3D& centre, float& radius) const
    {
        centre = (lo + hi) * 0.5f;
        radius = 0.0f;
        for (const Vector3D& p : seen) radius = std::fmax(radius, Distance(p, centre));
    }
};

PartGeometry CompilePart(const ModelObject& o)
{
    PartGeometry p;
    p.drawn = !IsNeverDrawn(o);
    p.textured = o.textureId != -1;
    p.points = o.points;
    p.triangles = o.triangles;
    p.pointCount = o.pointCount;
    p.triangleCount = o.triangleCount;
    p.red = o.red;
    p.green = o.green;
    p.blue = o.blue;
    p.parent = o.parent;
    p.pivot = o.pivot;
    if (!p.drawn) return p;

    Bounds bounds;
    ForEachCorner(o, [&](const ModelPoint& q, const Vector3D&) { bounds.Add({q.x, q.y, q.z}); });
    if (!bounds.any) return p;
    bounds.Sphere(p.centre, p.radius);

    const Vector3D none{0.0f, 0.0f, 0.0f};
    if (!p.textured) {
        ForEachCorner(o, [&](const ModelPoint& q, const Vector3D& n) { p.fill.Add(q, n, none); });
        p.fill.Finish();
        EdgeTableBuilder edges;
        edges.Add(o, none);
        p.edges = edges.Finish();
        p.drawable = true;
        return p;
    }
    p.list = glGenLists(1);
    if (p.list == 0) return p;
    glNewList(p.list, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    ForEachCorner(o, [&](const ModelPoint& q, const Vector3D&) {
        glTexCoord2f(q.u, q.v);
        glVertex3f(q.x, q.y, q.z);
    });
    glEnd();
    glEndList();
    p.drawable = true;
    return p;
}

// The sum of the pivots from the object up to its root: where the object's origin lies in
// the model when nothing is posed. False for a broken parent chain.
bool PivotSum(const Model& model, int32_t object, Vector3D& sum)
{
    sum = Vector3D{0.0f, 0.0f, 0.0f};
    int32_t current = object;
    for (int32_t n = 0; n < kMaxChain; ++n) {
        const ModelObject& o = model.objects[current];
        sum = sum + o.pivot;
        if (o.parent == current) return true;
        if (o.parent < 0 || o.parent >= model.count) return false;
        current = o.parent;
    }
    return false;
}

// The fill list and the outline edges of every shaded object of the model, unposed.
void CompileUnposed(const Model& model, ModelGeometry& g)
{
    std::vector<Vector3D> offsets(static_cast<size_t>(model.count));
    std::vector<bool> included(static_cast<size_t>(model.count), false);
    Bounds bounds;
    for (int32_t k = 0; k < model.count; ++k) {
        const size_t i = static_cast<size_t>(k);
        const PartGeometry& part = g.parts[i];
        if (!part.drawable || part.textured || !PivotSum(model, k, offsets[i])) continue;
        included[i] = true;
        const Vector3D offset = offsets[i];
        ForEachCorner(model.objects[k], [&](const ModelPoint& q, const Vector3D&) {
            bounds.Add({q.x + offset.x, q.y + offset.y, q.z + offset.z});
        });
    }
    if (!bounds.any) return;
    bounds.Sphere(g.centre, g.radius);

    EdgeTableBuilder edges;
    for (int32_t k = 0; k < model.count; ++k) {
        const size_t i = static_cast<size_t>(k);
        if (!included[i]) continue;
        const ModelObject& o = model.objects[k];
        ForEachCorner(o, [&](const ModelPoint& q, const Vector3D& n) {
            g.fill.Add(q, n, offsets[i]);
            g.fill.rgb.insert(g.fill.rgb.end(),
                              {static_cast<GLubyte>(o.red), static_cast<GLubyte>(o.green),
                               static_cast<GLubyte>(o.blue)});
        });
        edges.Add(o, offsets[i]);
    }
    g.fill.Finish();
    g.edges = edges.Finish();
}

// The lists of the model, made or remade where the model changed since they were made.
ModelGeometry& GeometryOf(const Model& model)
{
    if (gGeometryContext != GLContextSerial()) {
        // A new context: the old lists went with the old one. What waits was asked for in
        // this context (making one drops what waited), and goes before the lists are remade.
        FlushDrawBatch();
        gGeometry.clear();
        gGeometryContext = GLContextSerial();
    }
    ModelGeometry& g = gGeometry[&model];
    bool fresh =
        g.revision == model.Revision() && g.parts.size() == static_cast<size_t>(model.count);
    for (size_t k = 0; fresh && k < g.parts.size(); ++k)
        fresh = SameSource(g.parts[k], model.objects[k]);
    if (!fresh) {
        FlushDrawBatch();  // what waits may point at the geometry about to be remade
        DeleteLists(g);
        g.revision = model.Revision();
        g.parts.reserve(static_cast<size_t>(model.count));
        for (int32_t k = 0; k < model.count; ++k) {
            g.parts.push_back(CompilePart(model.objects[k]));
            g.anyTextured = g.anyTextured || (g.parts.back().drawable && g.parts.back().textured);
        }
        CompileUnposed(model, g);
    }
    return g;
}

// ---- Drawing --------------------------------------------------------------------------------

// The ramp coordinate of a corner: its normal turned with the object (the rotation-only matrix,
// with the division by w, not renormalised), dotted with the light and clamped to 0..1, all at
// the corner, before GL interpolates it across the triangle.
float RampCoordinate(const PartMatrix& rotation, const Vector3D& normal, const Vector3D& light)
{
    return ClampUnit(Dot(rotation.TransformPoint(normal), light));
}

// Draws a shaded fill under the current model-view matrix with the ramp texture bound: the
// ramp coordinate of each different normal once, then every corner's, then the arrays. The
// vertex array stays switched on when the caller had it on.
// Appends the ramp coordinate of every corner of the fill to ramp.
void AppendRamp(const ShadedFill& f, const PartMatrix& rotation, const Vector3D& light,
                std::vector<float>& ramp)
{
    static std::vector<float> shade;
    shade.resize(f.normals.size());
    for (size_t i = 0; i < f.normals.size(); ++i)
        shade[i] = RampCoordinate(rotation, f.normals[i], light);
    const size_t at = ramp.size();
    ramp.resize(at + f.normalOf.size());
    for (size_t c = 0; c < f.normalOf.size(); ++c) ramp[at + c] = shade[f.normalOf[c]];
}

void DrawShadedFill(const ShadedFill& f, const PartMatrix& rotation, const Vector3D& light)
{
    static std::vector<float> ramp;
    ramp.clear();
    AppendRamp(f, rotation, light, ramp);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, f.xyz.data());
    glTexCoordPointer(1, GL_FLOAT, 0, ramp.data());
    if (!f.rgb.empty()) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_UNSIGNED_BYTE, 0, f.rgb.data());
    }
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(f.normalOf.size()));
    if (!f.rgb.empty()) glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

// The largest factor by which the matrix stretches a length (rotation and uniform scale:
// the scale).
float Stretch(const PartMatrix& m)
{
    float most = 0.0f;
    for (int j = 0; j < 3; ++j) {
        const float* c = m.m + 4 * j;
        most = std::fmax(most, std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]));
    }
    return most;
}

float OutlineFactor(const ModelInstance& instance)
{
    const float d = Distance(instance.position, CameraEye);
    return static_cast<float>(
        std::exp(-5.0 * (d - FrustumParams.near) / (FrustumParams.far - FrustumParams.near)));
}

float OutlineWidth(float factor)
{
    const float width = 4.0f * factor;
    return width > 0.0f ? width : 1.0f / 1024.0f;  // too far to see; GL takes no zero or NaN
}

void BeginOutline(float width)
{
    glLineWidth(width);
    glColor3f(0.0f, 0.0f, 0.0f);
    glDepthFunc(GL_LEQUAL);
    glEnableClientState(GL_VERTEX_ARRAY);
}

void EndOutline()
{
    glDisableClientState(GL_VERTEX_ARRAY);
    glDepthFunc(GL_LESS);
    glLineWidth(1.0f);
}

// Appends to lines the corner pairs of the edges of the faces that turn away from an eye at
// `eye` (in the table's frame); winding -1 when the matrices mirror the faces. Every edge when
// the eye is not known.
void AppendOutline(const EdgeTable& t, const Vector3D& eye, float winding, bool eyeKnown,
                   std::vector<GLuint>& lines)
{
    static std::vector<char> away;
    away.resize(t.normals.size());
    for (size_t f = 0; f < t.normals.size(); ++f)
        away[f] = !eyeKnown || (Dot(t.normals[f], eye) - t.offsets[f]) * winding < 0.0f;
    // Each edge goes the way a face that turns away has it (GL leaves out a line's last pixel).
    for (const EdgeTable::Edge& e : t.edges) {
        if (away[static_cast<size_t>(e.left)]) {
            lines.push_back(e.from);
            lines.push_back(e.to);
        } else if (e.right >= 0 && away[static_cast<size_t>(e.right)]) {
            lines.push_back(e.to);
            lines.push_back(e.from);
        }
    }
}

// Draws those edges.
void DrawOutline(const EdgeTable& t, const Vector3D& eye, float winding, bool eyeKnown)
{
    static std::vector<GLuint> lines;
    lines.clear();
    AppendOutline(t, eye, winding, eyeKnown, lines);
    if (lines.empty()) return;
    glVertexPointer(3, GL_FLOAT, 0, t.xyz.data());
    glDrawElements(GL_LINES, static_cast<GLsizei>(lines.size()), GL_UNSIGNED_INT, lines.data());
}

// The outline of edges drawn under transform m, with the eye of the view.
void DrawOutline(const EdgeTable& t, const PartMatrix& m, const ViewVolume& view)
{
    Vector3D eye;
    float orientation = 1.0f;
    const bool known = view.eyeKnown && UndoAffine(m.m, view.eye, eye, orientation);
    glPushMatrix();
    glMultMatrixf(m.m);
    DrawOutline(t, eye, view.winding * orientation, known);
    glPopMatrix();
}

// Which texture target the drawing has switched on, so each change is made once.
enum class Target { None, Ramp, Image };

struct TextureState {
    Target target = Target::None;
    GLuint image = 0;

    void UseRamp()
    {
        if (target == Target::Ramp) return;
        if (target == Target::Image) glDisable(GL_TEXTURE_2D);
        glEnable(GL_TEXTURE_1D);
        glBindTexture(GL_TEXTURE_1D, RAMP_TEXTURE);
        target = Target::Ramp;
    }
    void UseImage(GLuint name)
    {
        if (target == Target::Ramp) glDisable(GL_TEXTURE_1D);
        if (target != Target::Image) glEnable(GL_TEXTURE_2D);
        if (target != Target::Image || image != name) glBindTexture(GL_TEXTURE_2D, name);
        target = Target::Image;
        image = name;
    }
    void Off()
    {
        if (target == Target::Ramp) glDisable(GL_TEXTURE_1D);
        else if (target == Target::Image) glDisable(GL_TEXTURE_2D);
        target = Target::None;
    }
};

// The fill of one object under the current model-view matrix.
void FillPart(const ModelInstance& instance, const ModelObject& o, const PartGeometry& g,
              const PartMatrix& rotation, const Vector3D& light, TextureState& texture)
{
    glColor3ub(static_cast<GLubyte>(o.red), static_cast<GLubyte>(o.green),
               static_cast<GLubyte>(o.blue));
    if (g.textured) {
        texture.UseImage(static_cast<GLuint>(o.textureId + instance.textureOffset));
        glCallList(g.list);
    } else {
        texture.UseRamp();
        DrawShadedFill(g.fill, rotation, light);
    }
}

// Edges whose outline is still to be drawn, and their transform.
struct VisiblePart {
    const EdgeTable* edges;
    PartMatrix transform;
};

// ---- Ships that wait for a draw batch (render/DrawBatch.h) ------------------------------------
//
// A waiting ship keeps what it would have sent: its transform, the ramp coordinates of its
// corners and the corner pairs of its outline, all worked out when it was asked for. The batch
// then sends every fill under one setting of the fill state and every outline under one setting
// of the outline state, rather than switching between them ship by ship. An outline is then
// tested against the depth of all the fills rather than of those drawn before it; where another
// ship's fill is nearer it hides the outline in either order, so the picture is the same.
struct WaitingShip {
    const ModelGeometry* geometry;
    std::array<float, 16> view;  // the camera's model-view matrix it was asked for under
    PartMatrix transform;
    size_t rampAt;  // into ShipQueue::ramps
    size_t linesAt;  // into ShipQueue::lines
    size_t lineCount;
    float outlineWidth;
};

struct ShipQueue {
    std::vector<WaitingShip> ships;
    std::vector<float> ramps;
    std::vector<GLuint> lines;

    void Clear()
    {
        ships.clear();
        ramps.clear();
        lines.clear();
    }
};

ShipQueue gWaiting;

void QueueShip(const ModelGeometry& g, const float* view, const PartMatrix& whole,
               const PartMatrix& rotation, const Vector3D& light, const Vector3D& eye,
               float winding, bool eyeKnown, float outlineWidth)
{
    NoteWaitingModel();
    WaitingShip ship{&g, {}, whole, gWaiting.ramps.size(), gWaiting.lines.size(), 0, outlineWidth};
    std::copy(view, view + 16, ship.view.begin());
    AppendRamp(g.fill, rotation, light, gWaiting.ramps);
    AppendOutline(g.edges, eye, winding, eyeKnown, gWaiting.lines);
    ship.lineCount = gWaiting.lines.size() - ship.linesAt;
    gWaiting.ships.push_back(ship);
}

}  // namespace

size_t WaitingModels() { return gWaiting.ships.size(); }

void DrawWaitingFills(size_t from, size_t to)
{
    to = std::min(to, gWaiting.ships.size());
    const ShadedFill* arrays = nullptr;  // the fill whose corners and colours GL points at
    for (size_t i = from; i < to; ++i) {
        const WaitingShip& ship = gWaiting.ships[i];
        const ShadedFill& f = ship.geometry->fill;
        if (&f != arrays) {
            glVertexPointer(3, GL_FLOAT, 0, f.xyz.data());
            glColorPointer(3, GL_UNSIGNED_BYTE, 0, f.rgb.data());
            arrays = &f;
        }
        glTexCoordPointer(1, GL_FLOAT, 0, gWaiting.ramps.data() + ship.rampAt);
        glLoadMatrixf(ship.view.data());
        glMultMatrixf(ship.transform.m);
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(f.normalOf.size()));
    }
}

void DrawWaitingOutlines(size_t from, size_t to)
{
    to = std::min(to, gWaiting.ships.size());
    const EdgeTable* corners = nullptr;  // the table whose corners GL points at
    float width = 1.0f;
    for (size_t i = from; i < to; ++i) {
        const WaitingShip& ship = gWaiting.ships[i];
        if (ship.lineCount == 0) continue;
        const EdgeTable& t = ship.geometry->edges;
        if (&t != corners) {
            glVertexPointer(3, GL_FLOAT, 0, t.xyz.data());
            corners = &t;
        }
        if (ship.outlineWidth != width) {
            width = ship.outlineWidth;
            glLineWidth(width);
        }
        glLoadMatrixf(ship.view.data());
        glMultMatrixf(ship.transform.m);
        glDrawElements(GL_LINES, static_cast<GLsizei>(ship.lineCount), GL_UNSIGNED_INT,
                       gWaiting.lines.data() + ship.linesAt);
    }
    if (width != 1.0f) glLineWidth(1.0f);
}

void DropWaitingModels() { gWaiting.Clear(); }

// Here rather than beside the CPU transform in Model.cpp: the models' own code calls no GL, so
// the tools that read and write models link no GL library.
void ModelInstance::ApplyPartTransform(int32_t object, bool rotationOnly) const
{
    PartMatrix m;
    if (ComputePartMatrix(object, rotationOnly, m)) glMultMatrixf(m.m);
}

std::vector<float> ComputeShading(const ModelInstance& instance, int32_t object)
{
    std::vector<float> shading;
    if (!ValidObject(instance, object)) return shading;
    PartMatrix m;
    if (!instance.ComputePartMatrix(object, true, m)) return shading;
    const ModelObject& o = instance.model->objects[object];
    const int32_t triangles = o.triangleCount > 0 && o.triangles ? o.triangleCount : 0;
    shading.resize(1 + 3 * static_cast<size_t>(triangles));

    const Vector3D light = Normalize(LightDirection);
    for (int32_t t = 0; t < triangles; ++t) {
        const ModelTriangle& tri = o.triangles[t];
        const Vector3D* normals[3] = {&tri.na, &tri.nb, &tri.nc};
        for (int c = 0; c < 3; ++c) shading[1 + 3 * t + c] = RampCoordinate(m, *normals[c], light);
    }
    shading[0] = OutlineFactor(instance);
    return shading;
}

void DrawPart(const ModelInstance& instance, int32_t object)
{
    if (!ValidObject(instance, object)) return;
    FlushDrawBatch();
    const ModelObject& o = instance.model->objects[object];
    const PartGeometry& g = GeometryOf(*instance.model).parts[static_cast<size_t>(object)];
    PartMatrix rotation;
    if (!instance.ComputePartMatrix(object, true, rotation)) return;
    if (!g.drawable) return;
    const Vector3D light = Normalize(LightDirection);
    TextureState texture;
    FillPart(instance, o, g, rotation, light, texture);
    texture.Off();
    if (!g.textured) {
        // The caller's transform is in the model-view matrix: the view read now has the eye
        // in the object's own frame.
        const ViewVolume view = CurrentViewVolume();
        BeginOutline(OutlineWidth(OutlineFactor(instance)));
        DrawOutline(g.edges, view.eye, view.winding, view.eyeKnown);
        EndOutline();
    }
    glColor3f(1.0f, 1.0f, 1.0f);
}

void DrawInstance(const ModelInstance& instance)
{
    if (!instance.model || !instance.model->objects) return;
    const Model& model = *instance.model;
    const ModelGeometry& geometry = GeometryOf(model);
    const ViewVolume& view = SceneViewVolume();
    const float outlineWidth = OutlineWidth(OutlineFactor(instance));
    const float outlineMargin = 0.5f * outlineWidth + 1.0f;
    const Vector3D light = Normalize(LightDirection);
    const bool unposed = !instance.HasPose();

    // The fills of everything that can be seen, then the outlines of the shaded objects under
    // one setting of the outline state. The depth test makes this order give the same picture
    // as drawing each object's outline right after its fill.
    PartMatrix whole;
    if (unposed && !geometry.anyTextured) {
        // The game's ships: all their objects in one fill, and its outline under the same
        // transform after it, as the draw batch sends a run of ships.
        if (geometry.fill.Empty() || !instance.ComputeInstanceMatrix(false, whole) ||
            SphereOutside(view, whole.TransformPoint(geometry.centre),
                          geometry.radius * Stretch(whole), outlineMargin))
            return;
        PartMatrix rotation;
        instance.ComputeInstanceMatrix(true, rotation);
        Vector3D eye;
        float orientation = 1.0f;
        const bool eyeKnown = view.eyeKnown && UndoAffine(whole.m, view.eye, eye, orientation);
        // Through the batch's queue whether or not a batch is open: outside one, it is sent
        // at once, under the model-view matrix in force rather than the scene's.
        const bool batched = InDrawBatch();
        float current[16];
        if (!batched) glGetFloatv(GL_MODELVIEW_MATRIX, current);
        QueueShip(geometry, batched ? view.modelView : current, whole, rotation, light, eye,
                  view.winding * orientation, eyeKnown, outlineWidth);
        if (!batched) FlushDrawBatch();
        return;
    }

    FlushDrawBatch();  // drawn in the order asked for
    static std::vector<VisiblePart> outlined;
    outlined.clear();
    TextureState texture;
    bool drewAny = false;
    bool wholeOutlined = false;
    if (unposed && !geometry.fill.Empty() && instance.ComputeInstanceMatrix(false, whole) &&
        !SphereOutside(view, whole.TransformPoint(geometry.centre),
                       geometry.radius * Stretch(whole), outlineMargin)) {
        // Unposed, every object turns as the instance does: one rotation shades them all.
        PartMatrix rotation;
        instance.ComputeInstanceMatrix(true, rotation);
        texture.UseRamp();
        glPushMatrix();
        glMultMatrixf(whole.m);
        DrawShadedFill(geometry.fill, rotation, light);
        glPopMatrix();
        drewAny = wholeOutlined = true;
    }
    for (int32_t k = 0; k < model.count; ++k) {
        const ModelObject& o = model.objects[k];
        const PartGeometry& g = geometry.parts[static_cast<size_t>(k)];
        if (!g.drawable || (unposed && !g.textured))
            continue;  // nothing to draw, or drawn above with the model's fill
        PartMatrix m;
        if (!instance.ComputePartMatrix(k, false, m))
            continue;  // broken parent chain: there is nowhere to draw it
        const float margin = g.textured ? 1.0f : outlineMargin;
        if (SphereOutside(view, m.TransformPoint(g.centre), g.radius * Stretch(m), margin))
            continue;
        PartMatrix rotation;
        if (!g.textured && !instance.ComputePartMatrix(k, true, rotation)) continue;
        glPushMatrix();
        glMultMatrixf(m.m);
        FillPart(instance, o, g, rotation, light, texture);
        glPopMatrix();
        drewAny = true;
        if (!g.textured) outlined.push_back(VisiblePart{&g.edges, m});
    }
    texture.Off();
    if (wholeOutlined) outlined.push_back(VisiblePart{&geometry.edges, whole});
    if (!outlined.empty()) {
        BeginOutline(outlineWidth);
        for (const VisiblePart& part : outlined) DrawOutline(*part.edges, part.transform, view);
        EndOutline();
    }
    if (drewAny) glColor3f(1.0f, 1.0f, 1.0f);
}
