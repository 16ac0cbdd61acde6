#include "render/ModelRenderer.h"

#include <GL/gl.h>

#include <cmath>
#include <unordered_map>

#include "math/View.h"
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

float ClampUnit(float s)
{
    if (!(s >= 0.0f))   // negative, or NaN from a broken normal
        return 0.0f;
    return s > 1.0f ? 1.0f : s;
}

// ---- The geometry of every drawn object, kept in GL ------------------------------------------
//
// The triangles go to GL once, as display lists shared by every instance of the model. A
// shaded object's corners carry their normals as texture coordinates; the texture matrix turns
// them into the ramp coordinate (see LoadRampMatrix). A textured object's corners carry the
// points' own texture coordinates.
//
// Each object has a list of its own, drawn under its own transform. An instance with no pose
// (the game's ships never pose their parts) has every object turned alike, so all its shaded
// objects can go as one: the model's fill list holds them all, each moved by its pivots and
// in its own colour, and its outline list the same corners without colour.

struct PartGeometry {
    GLuint list = 0;        // 0: nothing to draw
    bool drawn = false;     // not a never-drawn reference point
    bool textured = false;
    Vector3D centre;        // bounding sphere of the drawn corners, in the object's frame
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
    GLuint fill = 0;        // every shaded object, unposed, with its colours; 0: none
    GLuint outline = 0;     // the same corners without colours
    Vector3D centre;        // bounding sphere of the fill list's corners, in the model's frame
    float radius = 0.0f;
};

std::unordered_map<const Model*, ModelGeometry> gGeometry;
uint32_t gGeometryContext = 0;   // the context the lists were made in

void DeleteList(GLuint& list)
{
    if (list != 0)
        glDeleteLists(list, 1);
    list = 0;
}

void DeleteLists(ModelGeometry& g)
{
    for (PartGeometry& p : g.parts)
        DeleteList(p.list);
    g.parts.clear();
    DeleteList(g.fill);
    DeleteList(g.outline);
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
    if (!o.points || !o.triangles)
        return;
    for (int32_t t = 0; t < o.triangleCount; ++t) {
        const ModelTriangle& tri = o.triangles[t];
        if (!TriangleInRange(o, tri))
            continue;
        visit(o.points[tri.a], tri.na);
        visit(o.points[tri.b], tri.nb);
        visit(o.points[tri.c], tri.nc);
    }
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
        for (const Vector3D& p : seen)
            radius = std::fmax(radius, Distance(p, centre));
    }
};

void Corner(const ModelPoint& q, const Vector3D& normal, bool textured, const Vector3D& offset)
{
    if (textured)
        glTexCoord2f(q.u, q.v);
    else
        glTexCoord3f(normal.x, normal.y, normal.z);
    glVertex3f(q.x + offset.x, q.y + offset.y, q.z + offset.z);
}

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
    if (!p.drawn)
        return p;

    Bounds bounds;
    ForEachCorner(o, [&](const ModelPoint& q, const Vector3D&) { bounds.Add({q.x, q.y, q.z}); });
    if (!bounds.any)
        return p;
    bounds.Sphere(p.centre, p.radius);

    p.list = glGenLists(1);
    if (p.list == 0)
        return p;
    const Vector3D none{0.0f, 0.0f, 0.0f};
    glNewList(p.list, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    ForEachCorner(o, [&](const ModelPoint& q, const Vector3D& n) { Corner(q, n, p.textured, none); });
    glEnd();
    glEndList();
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
        if (o.parent == current)
            return true;
        if (o.parent < 0 || o.parent >= model.count)
            return false;
        current = o.parent;
    }
    return false;
}

// The fill and outline lists of every shaded object of the model, unposed.
void CompileUnposed(const Model& model, ModelGeometry& g)
{
    std::vector<Vector3D> offsets(static_cast<size_t>(model.count));
    std::vector<bool> included(static_cast<size_t>(model.count), false);
    Bounds bounds;
    for (int32_t k = 0; k < model.count; ++k) {
        const size_t i = static_cast<size_t>(k);
        const PartGeometry& part = g.parts[i];
        if (part.list == 0 || part.textured || !PivotSum(model, k, offsets[i]))
            continue;
        included[i] = true;
        const Vector3D offset = offsets[i];
        ForEachCorner(model.objects[k], [&](const ModelPoint& q, const Vector3D&) {
            bounds.Add({q.x + offset.x, q.y + offset.y, q.z + offset.z});
        });
    }
    if (!bounds.any)
        return;
    bounds.Sphere(g.centre, g.radius);

    for (bool coloured : {true, false}) {
        GLuint list = glGenLists(1);
        if (list == 0)
            return;
        glNewList(list, GL_COMPILE);
        glBegin(GL_TRIANGLES);
        for (int32_t k = 0; k < model.count; ++k) {
            const size_t i = static_cast<size_t>(k);
            if (!included[i])
                continue;
            const ModelObject& o = model.objects[k];
            if (coloured)
                glColor3ub(static_cast<GLubyte>(o.red), static_cast<GLubyte>(o.green),
                           static_cast<GLubyte>(o.blue));
            ForEachCorner(o, [&](const ModelPoint& q, const Vector3D& n) {
                Corner(q, n, false, offsets[i]);
            });
        }
        glEnd();
        glEndList();
        (coloured ? g.fill : g.outline) = list;
    }
}

// The lists of the model, made or remade where the model changed since they were made.
ModelGeometry& GeometryOf(const Model& model)
{
    if (gGeometryContext != GLContextSerial()) {
        // A new context: the old lists went with the old one.
        gGeometry.clear();
        gGeometryContext = GLContextSerial();
    }
    ModelGeometry& g = gGeometry[&model];
    bool fresh = g.revision == model.Revision() && g.parts.size() == static_cast<size_t>(model.count);
    for (size_t k = 0; fresh && k < g.parts.size(); ++k)
        fresh = SameSource(g.parts[k], model.objects[k]);
    if (!fresh) {
        DeleteLists(g);
        g.revision = model.Revision();
        g.parts.reserve(static_cast<size_t>(model.count));
        for (int32_t k = 0; k < model.count; ++k)
            g.parts.push_back(CompilePart(model.objects[k]));
        CompileUnposed(model, g);
    }
    return g;
}

// ---- Drawing --------------------------------------------------------------------------------

// The texture matrix that turns a corner normal n, given as texture coordinate (n, 1), into
// the ramp coordinate s = dot(R n, L) = dot(n, R^T L), R being the object's rotation and L
// the light. Nearest filtering and clamping of the ramp do the rest: below 0 is the darkest
// texel, 1 and above the brightest.
void LoadRampMatrix(const PartMatrix& rotation, const Vector3D& light)
{
    const float* m = rotation.m;
    GLfloat t[16] = {0};
    for (int j = 0; j < 3; ++j)
        t[4 * j] = m[4 * j] * light.x + m[4 * j + 1] * light.y + m[4 * j + 2] * light.z;
    t[15] = 1.0f;
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(t);
    glMatrixMode(GL_MODELVIEW);
}

void LoadIdentityTextureMatrix()
{
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
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
    return width > 0.0f ? width : 1.0f / 1024.0f;   // too far to see; GL takes no zero or NaN
}

void BeginOutline(float width)
{
    glLineWidth(width);
    glColor3f(0.0f, 0.0f, 0.0f);
    glDepthFunc(GL_LEQUAL);
    glPolygonMode(GL_BACK, GL_LINE);
    glCullFace(GL_FRONT);
}

void EndOutline()
{
    glCullFace(GL_BACK);
    glDepthFunc(GL_LESS);
    glPolygonMode(GL_BACK, GL_FILL);
    glLineWidth(1.0f);
}

// Which texture target the drawing has switched on, so each change is made once.
enum class Target { None, Ramp, Image };

struct TextureState {
    Target target = Target::None;
    GLuint image = 0;
    bool rampMatrix = false;   // the texture matrix holds a ramp matrix, not the identity

    void UseRamp()
    {
        if (target == Target::Ramp)
            return;
        if (target == Target::Image)
            glDisable(GL_TEXTURE_2D);
        glEnable(GL_TEXTURE_1D);
        glBindTexture(GL_TEXTURE_1D, RAMP_TEXTURE);
        target = Target::Ramp;
    }
    void UseImage(GLuint name)
    {
        if (target == Target::Ramp)
            glDisable(GL_TEXTURE_1D);
        if (target != Target::Image)
            glEnable(GL_TEXTURE_2D);
        if (target != Target::Image || image != name)
            glBindTexture(GL_TEXTURE_2D, name);
        target = Target::Image;
        image = name;
        if (rampMatrix) {
            LoadIdentityTextureMatrix();
            rampMatrix = false;
        }
    }
    void Off()
    {
        if (target == Target::Ramp)
            glDisable(GL_TEXTURE_1D);
        else if (target == Target::Image)
            glDisable(GL_TEXTURE_2D);
        target = Target::None;
        if (rampMatrix) {
            LoadIdentityTextureMatrix();
            rampMatrix = false;
        }
    }
};

// The fill of one object under the current model-view matrix.
void FillPart(const ModelInstance& instance, const ModelObject& o, const PartGeometry& g,
              const PartMatrix& rotation, const Vector3D& light, TextureState& texture)
{
    if (g.textured) {
        texture.UseImage(static_cast<GLuint>(o.textureId + instance.textureOffset));
    } else {
        texture.UseRamp();
        LoadRampMatrix(rotation, light);
        texture.rampMatrix = true;
    }
    glColor3ub(static_cast<GLubyte>(o.red), static_cast<GLubyte>(o.green),
               static_cast<GLubyte>(o.blue));
    glCallList(g.list);
}

// A list whose outline is still to be drawn, and its transform.
struct VisiblePart {
    GLuint list;
    PartMatrix transform;
};

}  // namespace

std::vector<float> ComputeShading(const ModelInstance& instance, int32_t object)
{
    std::vector<float> shading;
    if (!ValidObject(instance, object))
        return shading;
    PartMatrix m;
    if (!instance.ComputePartMatrix(object, true, m))
        return shading;
    const ModelObject& o = instance.model->objects[object];
    const int32_t triangles = o.triangleCount > 0 && o.triangles ? o.triangleCount : 0;
    shading.resize(1 + 3 * static_cast<size_t>(triangles));

    const Vector3D light = Normalize(LightDirection);
    for (int32_t t = 0; t < triangles; ++t) {
        const ModelTriangle& tri = o.triangles[t];
        const Vector3D* normals[3] = {&tri.na, &tri.nb, &tri.nc};
        for (int c = 0; c < 3; ++c)
            shading[1 + 3 * t + c] = ClampUnit(Dot(m.TransformPoint(*normals[c]), light));
    }
    shading[0] = OutlineFactor(instance);
    return shading;
}

void DrawPart(const ModelInstance& instance, int32_t object)
{
    if (!ValidObject(instance, object))
        return;
    const ModelObject& o = instance.model->objects[object];
    const PartGeometry& g = GeometryOf(*instance.model).parts[static_cast<size_t>(object)];
    PartMatrix rotation;
    if (!instance.ComputePartMatrix(object, true, rotation))
        return;
    if (g.list == 0)
        return;
    const Vector3D light = Normalize(LightDirection);
    TextureState texture;
    FillPart(instance, o, g, rotation, light, texture);
    texture.Off();
    if (!g.textured) {
        BeginOutline(OutlineWidth(OutlineFactor(instance)));
        glCallList(g.list);
        EndOutline();
    }
    glColor3f(1.0f, 1.0f, 1.0f);
}

void DrawInstance(const ModelInstance& instance)
{
    if (!instance.model || !instance.model->objects)
        return;
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
    static std::vector<VisiblePart> outlined;
    outlined.clear();
    TextureState texture;
    bool drewAny = false;
    PartMatrix whole;
    bool wholeOutlined = false;
    if (unposed && geometry.fill != 0 && instance.ComputeInstanceMatrix(false, whole) &&
        !SphereOutside(view, whole.TransformPoint(geometry.centre),
                       geometry.radius * Stretch(whole), outlineMargin)) {
        PartMatrix rotation;
        instance.ComputeInstanceMatrix(true, rotation);
        texture.UseRamp();
        LoadRampMatrix(rotation, light);
        texture.rampMatrix = true;
        glPushMatrix();
        glMultMatrixf(whole.m);
        glCallList(geometry.fill);
        glPopMatrix();
        drewAny = wholeOutlined = true;
    }
    for (int32_t k = 0; k < model.count; ++k) {
        const ModelObject& o = model.objects[k];
        const PartGeometry& g = geometry.parts[static_cast<size_t>(k)];
        if (g.list == 0 || (unposed && !g.textured))
            continue;   // nothing to draw, or drawn above with the model's fill
        PartMatrix m;
        if (!instance.ComputePartMatrix(k, false, m))
            continue;   // broken parent chain: there is nowhere to draw it
        const float margin = g.textured ? 1.0f : outlineMargin;
        if (SphereOutside(view, m.TransformPoint(g.centre), g.radius * Stretch(m), margin))
            continue;
        PartMatrix rotation;
        if (!g.textured && !instance.ComputePartMatrix(k, true, rotation))
            continue;
        glPushMatrix();
        glMultMatrixf(m.m);
        FillPart(instance, o, g, rotation, light, texture);
        glPopMatrix();
        drewAny = true;
        if (!g.textured)
            outlined.push_back(VisiblePart{g.list, m});
    }
    texture.Off();
    if (wholeOutlined)
        outlined.push_back(VisiblePart{geometry.outline, whole});
    if (!outlined.empty()) {
        BeginOutline(outlineWidth);
        for (const VisiblePart& part : outlined) {
            glPushMatrix();
            glMultMatrixf(part.transform.m);
            glCallList(part.list);
            glPopMatrix();
        }
        EndOutline();
    }
    if (drewAny)
        glColor3f(1.0f, 1.0f, 1.0f);
}
