// SPDX-License-Identifier: MIT
#include "render/Model.h"

#include <cmath>
#include <cstring>
#include <new>

namespace {

char* CopyText(const char* text)
{
    if (!text) text = "";
    size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}

void FreeObject(ModelObject& object)
{
    delete[] object.points;
    delete[] object.triangles;
    delete[] object.name;
    object = ModelObject();
}

// Appends one default element: a new block one larger, the old contents copied over.
template <typename T>
int32_t GrowByOne(T*& block, int32_t& count)
{
    T* grown = new T[static_cast<size_t>(count) + 1];
    for (int32_t i = 0; i < count; ++i) grown[i] = block[i];
    delete[] block;
    block = grown;
    return count++;
}

}  // namespace

bool IsNeverDrawn(const ModelObject& object)
{
    return (object.red == 158 || object.red == 159) && object.green == 0 &&
           object.blue == object.red;
}

// ---- Model ------------------------------------------------------------------------------

namespace {
uint64_t gLastRevision = 0;
}  // namespace

Model::Model() : revision(++gLastRevision) {}

void Model::Touch() { revision = ++gLastRevision; }

void Model::Clear()
{
    Touch();
    for (int32_t i = 0; i < count; ++i) FreeObject(objects[i]);
    delete[] objects;
    objects = nullptr;
    count = 0;
}

int32_t Model::AddObject()
{
    Touch();
    int32_t index = GrowByOne(objects, count);
    ModelObject& object = objects[index];
    object = ModelObject();
    object.parent = index;
    object.name = CopyText("");
    return index;
}

int32_t Model::AddPoint(int32_t object, float x, float y, float z)
{
    Touch();
    if (object < 0 || object >= count) return -1;
    ModelObject& o = objects[object];
    int32_t index = GrowByOne(o.points, o.pointCount);
    o.points[index] = ModelPoint();
    o.points[index].x = x;
    o.points[index].y = y;
    o.points[index].z = z;
    return index;
}

int32_t Model::AddTriangle(int32_t object, int32_t a, int32_t b, int32_t c)
{
    Touch();
    if (object < 0 || object >= count) return -1;
    ModelObject& o = objects[object];
    int32_t index = GrowByOne(o.triangles, o.triangleCount);
    o.triangles[index] = ModelTriangle();
    o.triangles[index].a = a;
    o.triangles[index].b = b;
    o.triangles[index].c = c;
    return index;
}

void Model::SetPivot(int32_t object, float x, float y, float z)
{
    if (object < 0 || object >= count) return;
    objects[object].pivot = {x, y, z};
}

void Model::SetNormal(int32_t object, int32_t triangle, int corner, float x, float y, float z)
{
    Touch();
    if (object < 0 || object >= count) return;
    ModelObject& o = objects[object];
    if (triangle < 0 || triangle >= o.triangleCount) return;
    ModelTriangle& t = o.triangles[triangle];
    Vector3D n{x, y, z};
    if (corner == 0) t.na = n;
    else if (corner == 1) t.nb = n;
    else if (corner == 2) t.nc = n;
}

void Model::SetTexCoord(int32_t object, int32_t point, float u, float v)
{
    Touch();
    if (object < 0 || object >= count) return;
    ModelObject& o = objects[object];
    if (point < 0 || point >= o.pointCount) return;
    o.points[point].u = u;
    o.points[point].v = v;
}

void Model::SetColor(int32_t object, int32_t red, int32_t green, int32_t blue)
{
    if (object < 0 || object >= count) return;
    objects[object].red = red;
    objects[object].green = green;
    objects[object].blue = blue;
}

void Model::SetAllWhite()
{
    for (int32_t i = 0; i < count; ++i) SetColor(i, 255, 255, 255);
}

void Model::SetName(int32_t object, const char* text)
{
    if (object < 0 || object >= count) return;
    char* copy = CopyText(text);
    delete[] objects[object].name;
    objects[object].name = copy;
}

bool Model::SetParent(int32_t object, int32_t parent)
{
    if (object < 0 || object >= count || parent < 0 || parent >= count) return false;
    objects[object].parent = parent;
    return true;
}

int32_t Model::FindObject(const char* name) const
{
    if (!name) return -1;
    for (int32_t i = 0; i < count; ++i) {
        if (std::strcmp(ObjectName(i), name) == 0) return i;
    }
    return -1;
}

int32_t Model::PointCount(int32_t object) const
{
    if (object < 0 || object >= count) return 0;
    return objects[object].pointCount;
}

const char* Model::ObjectName(int32_t object) const
{
    if (object < 0 || object >= count || !objects[object].name) return "";
    return objects[object].name;
}

int32_t* Model::HierarchyOrder(int32_t* length) const
{
    if (length) *length = count;
    if (count <= 0) return nullptr;
    int32_t* depth = new int32_t[static_cast<size_t>(count)];
    int32_t* order = new int32_t[static_cast<size_t>(count)];
    int32_t listed = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (objects[i].parent == i) {
            depth[i] = 0;
            order[listed++] = i;
        } else {
            depth[i] = -1;
        }
    }
    for (int32_t level = 1;; ++level) {
        int32_t assigned = 0;
        for (int32_t i = 0; i < count; ++i) {
            int32_t parent = objects[i].parent;
            if (depth[i] == -1 && parent >= 0 && parent < count && depth[parent] == level - 1) {
                depth[i] = level;
                order[listed++] = i;
                ++assigned;
            }
        }
        if (assigned == 0) break;
    }
    for (int32_t i = listed; i < count; ++i) order[i] = -1;
    delete[] depth;
    return order;
}

bool Model::AllocateObjects(int32_t newCount)
{
    Touch();
    if (newCount < 0) return false;
    Clear();
    if (newCount == 0) return true;
    objects = new (std::nothrow) ModelObject[static_cast<size_t>(newCount)];
    if (!objects) return false;
    count = newCount;
    for (int32_t i = 0; i < count; ++i) objects[i].parent = i;
    return true;
}

bool Model::AllocatePoints(int32_t object, int32_t pointCount)
{
    Touch();
    if (object < 0 || object >= count || pointCount < 0) return false;
    ModelObject& o = objects[object];
    delete[] o.points;
    o.points = nullptr;
    o.pointCount = 0;
    if (pointCount == 0) return true;
    o.points = new (std::nothrow) ModelPoint[static_cast<size_t>(pointCount)];
    if (!o.points) return false;
    o.pointCount = pointCount;
    return true;
}

bool Model::AllocateTriangles(int32_t object, int32_t triangleCount)
{
    Touch();
    if (object < 0 || object >= count || triangleCount < 0) return false;
    ModelObject& o = objects[object];
    delete[] o.triangles;
    o.triangles = nullptr;
    o.triangleCount = 0;
    if (triangleCount == 0) return true;
    o.triangles = new (std::nothrow) ModelTriangle[static_cast<size_t>(triangleCount)];
    if (!o.triangles) return false;
    o.triangleCount = triangleCount;
    return true;
}

namespace {

bool Finite(float value) { return std::isfinite(value); }
bool Finite(const Vector3D& v) { return Finite(v.x) && Finite(v.y) && Finite(v.z); }

}  // namespace

bool CheckModelStructure(const Model& model, std::string* why)
{
    auto fail = [why](int32_t object, const std::string& problem) {
        if (why) *why = "object " + std::to_string(object) + ": " + problem;
        return false;
    };
    if (model.count < 0 || (model.count > 0 && !model.objects)) return fail(0, "no object table");
    for (int32_t k = 0; k < model.count; ++k) {
        const ModelObject& o = model.objects[k];
        if (o.parent < 0 || o.parent >= model.count)
            return fail(k, "parent " + std::to_string(o.parent) + " is not an object");
        if (o.pointCount < 0 || (o.pointCount > 0 && !o.points)) return fail(k, "bad point table");
        if (o.triangleCount < 0 || (o.triangleCount > 0 && !o.triangles))
            return fail(k, "bad triangle table");
        for (int32_t t = 0; t < o.triangleCount; ++t) {
            const ModelTriangle& tri = o.triangles[t];
            for (int32_t index : {tri.a, tri.b, tri.c}) {
                if (index < 0 || index >= o.pointCount) {
                    return fail(k, "triangle " + std::to_string(t) + " uses point " +
                                       std::to_string(index) + " of " +
                                       std::to_string(o.pointCount));
                }
            }
        }
        // A coordinate that is not a number (or is infinite) spoils every sum it meets: the
        // collision radius, the view volume test, the light ramp.
        auto failNamed = [&](const std::string& problem) {
            if (why)
                *why = "object " + std::to_string(k) + " (\"" + (o.name ? o.name : "") +
                       "\"): " + problem;
            return false;
        };
        if (!Finite(o.pivot)) return failNamed("pivot is not a finite number");
        for (int32_t i = 0; i < o.pointCount; ++i) {
            const ModelPoint& p = o.points[i];
            if (!Finite(p.x) || !Finite(p.y) || !Finite(p.z) || !Finite(p.u) || !Finite(p.v))
                return failNamed("point " + std::to_string(i) + " is not a finite number");
        }
        for (int32_t t = 0; t < o.triangleCount; ++t) {
            const ModelTriangle& tri = o.triangles[t];
            if (!Finite(tri.na) || !Finite(tri.nb) || !Finite(tri.nc))
                return failNamed("triangle " + std::to_string(t) +
                                 " has a normal that is not a finite number");
        }
    }
    // Parent chains: the walk from an object reaches a root within kMaxChain objects; a cycle
    // never reaches one.
    for (int32_t k = 0; k < model.count; ++k) {
        int32_t current = k;
        for (int32_t length = 1;; ++length) {
            int32_t parent = model.objects[current].parent;
            if (parent == current) break;
            if (length == kMaxChain)
                return fail(k, "parent chain is cyclic or longer than " +
                                   std::to_string(kMaxChain) + " objects");
            current = parent;
        }
    }
    return true;
}

// ---- PartMatrix ---------------------------------------------------------------------------

PartMatrix PartMatrix::Identity()
{
    PartMatrix r;
    for (int i = 0; i < 16; ++i) r.m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    return r;
}

void PartMatrix::Multiply(const PartMatrix& right)
{
    float result[16];
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += static_cast<double>(m[k * 4 + row]) * right.m[column * 4 + k];
            result[column * 4 + row] = static_cast<float>(sum);
        }
    }
    std::memcpy(m, result, sizeof m);
}

void PartMatrix::Rotate(float angle, const Vector3D& axis)
{
    if (angle == 0.0f) return;
    double x = axis.x, y = axis.y, z = axis.z;
    double length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0) return;
    x /= length;
    y /= length;
    z /= length;
    // glRotatef converts its degrees itself, in double precision.
    const double radians = angle * (3.14159265358979323846 / 180.0);
    const double c = std::cos(radians), s = std::sin(radians), t = 1.0 - c;
    PartMatrix r = Identity();
    r.m[0] = static_cast<float>(t * x * x + c);
    r.m[1] = static_cast<float>(t * x * y + s * z);
    r.m[2] = static_cast<float>(t * x * z - s * y);
    r.m[4] = static_cast<float>(t * x * y - s * z);
    r.m[5] = static_cast<float>(t * y * y + c);
    r.m[6] = static_cast<float>(t * y * z + s * x);
    r.m[8] = static_cast<float>(t * x * z + s * y);
    r.m[9] = static_cast<float>(t * y * z - s * x);
    r.m[10] = static_cast<float>(t * z * z + c);
    Multiply(r);
}

void PartMatrix::Translate(float x, float y, float z)
{
    PartMatrix r = Identity();
    r.m[12] = x;
    r.m[13] = y;
    r.m[14] = z;
    Multiply(r);
}

void PartMatrix::Scale(float s)
{
    PartMatrix r = Identity();
    r.m[0] = s;
    r.m[5] = s;
    r.m[10] = s;
    Multiply(r);
}

Vector3D PartMatrix::TransformPoint(const Vector3D& p) const
{
    const double x = p.x, y = p.y, z = p.z;
    const double w = m[3] * x + m[7] * y + m[11] * z + m[15];
    return {static_cast<float>((m[0] * x + m[4] * y + m[8] * z + m[12]) / w),
            static_cast<float>((m[1] * x + m[5] * y + m[9] * z + m[13]) / w),
            static_cast<float>((m[2] * x + m[6] * y + m[10] * z + m[14]) / w)};
}

// ---- orientation ---------------------------------------------------------------------------

void TurnBetween(const Vector3D& from, const Vector3D& to, const Vector3D& fallbackAxis,
                 float& angle, Vector3D& axis)
{
    Vector3D a = from, b = to;
    angle = AngleBetween(a, b);  // a and b come back normalised
    axis = Cross(from, to);
    if (angle == 0.0f) return;
    // Opposite directions have no cross product to turn about; near-opposite ones have one
    // made of rounding noise, pointing anywhere. Turn half way round the given axis instead.
    if (Length(Cross(a, b)) < 1e-5f && Dot(a, b) < 0.0f) {
        angle = 180.0f;
        axis = fallbackAxis;
    }
}

// ---- ModelInstance ----------------------------------------------------------------------

ModelInstance::~ModelInstance() { delete[] poses; }

ModelInstance::ModelInstance(const ModelInstance& other) { *this = other; }

ModelInstance& ModelInstance::operator=(const ModelInstance& other)
{
    if (this == &other) return *this;
    PartPose* copy = nullptr;
    if (other.poseCount > 0 && other.poses) {
        copy = new PartPose[static_cast<size_t>(other.poseCount)];
        for (int32_t i = 0; i < other.poseCount; ++i) copy[i] = other.poses[i];
    }
    delete[] poses;
    poses = copy;
    poseCount = copy ? other.poseCount : 0;
    textureOffset = other.textureOffset;
    position = other.position;
    forward = other.forward;
    up = other.up;
    scale = other.scale;
    model = other.model;
    return *this;
}

void ModelInstance::AttachModel(Model* newModel)
{
    model = newModel;
    delete[] poses;
    poses = nullptr;
    poseCount = 0;
    if (model && model->count > 0) {
        poses = new PartPose[static_cast<size_t>(model->count)]();
        poseCount = model->count;
    }
}

namespace {

// The two rotations that take the model's default frame to the instance's forward and up.
struct InstanceTurn {
    float angle1, angle2;
    Vector3D axis1, axis2;
};

InstanceTurn ComputeInstanceTurn(const Vector3D& forward, const Vector3D& up)
{
    InstanceTurn turn;
    const Vector3D defaultForward{0.0f, 0.0f, -1.0f};
    const Vector3D defaultUp{0.0f, 1.0f, 0.0f};
    TurnBetween(defaultForward, forward, defaultUp, turn.angle1, turn.axis1);
    Vector3D turnedUp = defaultUp;
    Vector3D axis = turn.axis1;
    RotateAroundAxis(turnedUp, turn.angle1, axis);
    // The up correction turns about the forward direction the first rotation produced.
    Vector3D turnedForward = defaultForward;
    axis = turn.axis1;
    RotateAroundAxis(turnedForward, turn.angle1, axis);
    TurnBetween(turnedUp, up, turnedForward, turn.angle2, turn.axis2);
    return turn;
}

void TurnVector(const PartMatrix& rotation, Vector3D& v)
{
    const float* m = rotation.m;
    const double x = v.x, y = v.y, z = v.z;
    v = {static_cast<float>(m[0] * x + m[4] * y + m[8] * z),
         static_cast<float>(m[1] * x + m[5] * y + m[9] * z),
         static_cast<float>(m[2] * x + m[6] * y + m[10] * z)};
}

PartMatrix RotationOf(float angle, const Vector3D& axis)
{
    PartMatrix r = PartMatrix::Identity();
    r.Rotate(angle, axis);
    return r;
}

}  // namespace

bool ModelInstance::ComputePartMatrix(int32_t object, bool rotationOnly, PartMatrix& out) const
{
    if (!model || object < 0 || object >= model->count) return false;

    // The chain from the object up to its root, on the stack.
    int32_t chain[kMaxChain];
    int32_t n = 0;
    int32_t current = object;
    for (;;) {
        chain[n++] = current;
        int32_t parent = model->objects[current].parent;
        if (parent == current) break;
        if (parent < 0 || parent >= model->count || n == kMaxChain) return false;
        current = parent;
    }

    const InstanceTurn turn = ComputeInstanceTurn(forward, up);
    const PartMatrix r1 = RotationOf(turn.angle1, turn.axis1);
    const PartMatrix r2 = RotationOf(turn.angle2, turn.axis2);
    // Poses beyond the attached count (a model grown after attaching) count as zero.
    auto pose = [this](int32_t k) { return (poses && k < poseCount) ? poses[k] : PartPose(); };

    PartMatrix m = PartMatrix::Identity();
    if (!rotationOnly) {
        // Each pivot gets the rotations of the objects above it, so every object turns about
        // its own origin and carries its children along.
        double tx = 0.0, ty = 0.0, tz = 0.0;
        for (int32_t i = n - 1; i >= 0; --i) {
            Vector3D p = model->objects[chain[i]].pivot;
            TurnVector(r1, p);
            TurnVector(r2, p);
            for (int32_t j = n - 1; j > i; --j) {
                PartPose above = pose(chain[j]);
                if (above.angleA != 0.0f) TurnVector(RotationOf(above.angleA, above.axisA), p);
                if (above.angleB != 0.0f) TurnVector(RotationOf(above.angleB, above.axisB), p);
            }
            tx += p.x;
            ty += p.y;
            tz += p.z;
        }
        m.Translate(static_cast<float>(position.x + scale * tx),
                    static_cast<float>(position.y + scale * ty),
                    static_cast<float>(position.z + scale * tz));
        m.Scale(scale);
    }
    for (int32_t i = 0; i < n; ++i) {
        PartPose p = pose(chain[i]);
        if (p.angleB != 0.0f) m.Rotate(p.angleB, p.axisB);
        if (p.angleA != 0.0f) m.Rotate(p.angleA, p.axisA);
    }
    m.Multiply(r2);
    m.Multiply(r1);
    out = m;
    return true;
}

bool ModelInstance::ComputeInstanceMatrix(bool rotationOnly, PartMatrix& out) const
{
    if (!model) return false;
    const InstanceTurn turn = ComputeInstanceTurn(forward, up);
    PartMatrix m = PartMatrix::Identity();
    if (!rotationOnly) {
        m.Translate(position.x, position.y, position.z);
        m.Scale(scale);
    }
    m.Multiply(RotationOf(turn.angle2, turn.axis2));
    m.Multiply(RotationOf(turn.angle1, turn.axis1));
    out = m;
    return true;
}

bool ModelInstance::HasPose() const
{
    for (int32_t i = 0; poses && i < poseCount; ++i)
        if (poses[i].angleA != 0.0f || poses[i].angleB != 0.0f) return true;
    return false;
}

float* ModelInstance::GetPartWorldPoints(int32_t object) const
{
    PartMatrix m;
    if (!ComputePartMatrix(object, false, m)) return nullptr;
    const ModelObject& o = model->objects[object];
    float* result = new float[1 + 3 * static_cast<size_t>(o.pointCount)];
    result[0] = static_cast<float>(o.pointCount);
    for (int32_t i = 0; i < o.pointCount; ++i) {
        Vector3D p = m.TransformPoint({o.points[i].x, o.points[i].y, o.points[i].z});
        result[1 + 3 * i] = p.x;
        result[2 + 3 * i] = p.y;
        result[3 + 3 * i] = p.z;
    }
    return result;
}

bool ModelInstance::GetPartDirections(int32_t object, Vector3D& outForward, Vector3D& outUp) const
{
    PartMatrix m;
    if (!ComputePartMatrix(object, true, m)) return false;
    outForward = m.TransformPoint({0.0f, 0.0f, -1.0f});
    outUp = m.TransformPoint({0.0f, 1.0f, 0.0f});
    return true;
}

bool ModelInstance::PartPointToWorld(int32_t object, Vector3D& point) const
{
    PartMatrix m;
    if (!ComputePartMatrix(object, false, m)) return false;
    point = m.TransformPoint(point);
    return true;
}

void ModelInstance::SetOrientation(const Vector3D& newForward, const Vector3D& newUp)
{
    float a1, a2;
    Vector3D ax1, ax2;
    TurnBetween(forward, newForward, up, a1, ax1);
    Vector3D turnedUp = up;
    Vector3D axis = ax1;
    RotateAroundAxis(turnedUp, a1, axis);
    TurnBetween(turnedUp, newUp, newForward, a2, ax2);
    forward = newForward;
    up = newUp;
    for (int32_t i = 0; poses && i < poseCount; ++i) {
        PartPose& p = poses[i];
        if (p.angleA != 0.0f) {
            if (a1 != 0.0f) {
                axis = ax1;
                RotateAroundAxis(p.axisA, a1, axis);
            }
            if (a2 != 0.0f) {
                axis = ax2;
                RotateAroundAxis(p.axisA, a2, axis);
            }
        }
        if (p.angleB != 0.0f) {
            if (a1 != 0.0f) {
                axis = ax1;
                RotateAroundAxis(p.axisB, a1, axis);
            }
            if (a2 != 0.0f) {
                axis = ax2;
                RotateAroundAxis(p.axisB, a2, axis);
            }
        }
    }
}

bool ModelInstance::SetPartOrientation(int32_t object, const Vector3D& wantedForward,
                                       const Vector3D& wantedUp)
{
    if (!model || object < 0 || object >= model->count || !poses || object >= poseCount)
        return false;
    Vector3D baseForward = forward, baseUp = up;
    int32_t parent = model->objects[object].parent;
    if (parent != object && !GetPartDirections(parent, baseForward, baseUp)) return false;
    PartPose& p = poses[object];
    TurnBetween(baseForward, wantedForward, baseUp, p.angleA, p.axisA);
    Vector3D turnedUp = baseUp;
    Vector3D axis = p.axisA;
    RotateAroundAxis(turnedUp, p.angleA, axis);
    TurnBetween(turnedUp, wantedUp, wantedForward, p.angleB, p.axisB);
    return true;
}

void ModelInstance::ResetPartPose(int32_t object)
{
    if (!poses || object < 0 || object >= poseCount) return;
    poses[object].angleA = 0.0f;
    poses[object].angleB = 0.0f;
}

float InstanceReachRadius(const ModelInstance& instance)
{
    // A model that failed to load (none, no objects, no points) gives the default sphere.
    if (!instance.model) return 1.0f;
    float maxX = -99999.0f, maxZ = -99999.0f;
    bool anyPoint = false;
    for (int32_t k = 0; k < instance.model->count; ++k) {
        float* points = instance.GetPartWorldPoints(k);
        if (!points) continue;
        int32_t n = static_cast<int32_t>(points[0]);
        for (int32_t i = 0; i < n; ++i) {
            const float x = points[1 + 3 * i], z = points[3 + 3 * i];
            if (!std::isfinite(x) || !std::isfinite(z)) continue;  // counts as no point at all
            if (x > maxX) maxX = x;
            if (z > maxZ) maxZ = z;
            anyPoint = true;
        }
        delete[] points;
    }
    const float reach = ((maxZ - instance.position.z) + (maxX - instance.position.x)) * 0.5f;
    return anyPoint && std::isfinite(reach) ? reach : 1.0f;
}
