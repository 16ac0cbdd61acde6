// SPDX-License-Identifier: MIT
// Hierarchical polygon models and their placement in the world.
//
// A Model is a table of objects (parts). Each object has its own points and triangles, a colour
// or a texture, a parent and a pivot: the position of its origin relative to its parent's origin
// (a root's parent is itself). Models are authored looking along -z with +y up.
//
// A ModelInstance places one shared Model in the world (position, forward, up, uniform scale)
// and holds one PartPose per object. The transform of an object is composed on the CPU, in the
// same order and with the same rotation formula as glRotatef/glTranslatef/glScalef would
// compose it, so entity logic and tools need no GL context; ApplyPartTransform hands the same
// matrix to GL when drawing.
#pragma once

#include "math/Vector.h"

#include <cstdint>
#include <string>

struct ModelPoint {
    float x = 0.0f, y = 0.0f, z = 0.0f;  // in the object's own frame
    float u = -1.0f, v = -1.0f;  // texture coordinates (textured objects only)
};

struct ModelTriangle {
    int32_t a = 0, b = 0, c = 0;  // point indices; counter-clockwise from outside is the front
    Vector3D na, nb, nc;  // one normal per corner, in the object's frame
};

struct ModelObject {
    ModelPoint* points = nullptr;  // owned
    ModelTriangle* triangles = nullptr;  // owned
    int32_t textureId = -1;  // -1: shaded colour with outline; else a GL texture name
    int32_t pointCount = 0;
    int32_t triangleCount = 0;
    int32_t red = 255, green = 255, blue = 255;  // only the low 8 bits reach GL
    int32_t parent = 0;  // its own index for a root
    Vector3D pivot;  // origin relative to the parent's origin
    char* name = nullptr;  // owned; "" when unnamed
};

// Objects of colour (158, 0, 158) or (159, 0, 159) are reference points, never drawn.
bool IsNeverDrawn(const ModelObject& object);

// Longest parent chain (object to root, both included) a model may hold.
constexpr int32_t kMaxChain = 32;

class Model {
public:
    Model();
    ~Model() { Clear(); }
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    void Clear();  // frees everything; count 0

    // Marks the points, triangles or normals changed, so that drawing code keeping a copy of
    // them (the model renderer's display lists) makes a new one. The editing and allocating
    // calls below do it themselves; code writing the tables directly calls it when done.
    void Touch();
    // Changes with every Touch; never the same for two models or two states of one model.
    uint64_t Revision() const { return revision; }

    // Editing. Every object index is checked; a bad one changes nothing and gives -1 / 0.
    int32_t AddObject();  // white root with no points, no texture, pivot 0, name ""
    int32_t AddPoint(int32_t object, float x, float y, float z);  // u = v = -1
    int32_t AddTriangle(int32_t object, int32_t a, int32_t b, int32_t c);  // a, b, c unchecked
    void SetPivot(int32_t object, float x, float y, float z);
    void SetNormal(int32_t object, int32_t triangle, int corner, float x, float y, float z);
    void SetTexCoord(int32_t object, int32_t point, float u, float v);
    void SetColor(int32_t object, int32_t red, int32_t green, int32_t blue);
    void SetAllWhite();
    void SetName(int32_t object, const char* text);  // none or "" gives ""
    // Makes parent the object's parent; both must be valid indices. Chains are not checked
    // here (see CheckModelStructure).
    bool SetParent(int32_t object, int32_t parent);

    int32_t FindObject(const char* name) const;  // lowest index with exactly that name, or -1
    int32_t PointCount(int32_t object) const;  // 0 for a bad index
    const char* ObjectName(int32_t object) const;  // "" for a bad index

    // Objects in hierarchy order: roots in index order, then their children level by level.
    // A new array (delete[]) of count entries; *length = count. Objects that never reach a
    // root are left out and the slots they leave at the end hold -1.
    int32_t* HierarchyOrder(int32_t* length) const;

    // For loaders: replaces the model by count empty objects (no name, no tables, parent =
    // own index), and sizes one object's tables once. False on a bad count or index.
    bool AllocateObjects(int32_t count);
    bool AllocatePoints(int32_t object, int32_t pointCount);
    bool AllocateTriangles(int32_t object, int32_t triangleCount);

    ModelObject* objects = nullptr;  // owned, one block
    int32_t count = 0;

private:
    uint64_t revision;
};

// True when every parent and triangle index lies in its table, every parent chain reaches a
// root within kMaxChain objects without a cycle, and every pivot, point coordinate, texture
// coordinate and normal is a finite number. Otherwise false and *why (when given) says which
// object is at fault (by index, and by name for a number that is not finite).
bool CheckModelStructure(const Model& model, std::string* why = nullptr);

// A 4 x 4 matrix in OpenGL's column-major order. The operations post-multiply exactly as the
// GL calls of the same names do.
struct PartMatrix {
    float m[16];

    static PartMatrix Identity();
    void Multiply(const PartMatrix& right);  // this = this * right
    void Rotate(float angle, const Vector3D& axis);  // glRotatef; a zero axis or angle: nothing
    void Translate(float x, float y, float z);  // glTranslatef
    void Scale(float s);  // glScalef(s, s, s)
    Vector3D TransformPoint(const Vector3D& p) const;  // with the division by w
};

struct PartPose {
    float angleA = 0.0f;  // degrees, applied first
    float angleB = 0.0f;  // degrees, applied second
    Vector3D axisA;  // world-space axes (after the instance's own orientation)
    Vector3D axisB;
};

class ModelInstance {
public:
    ModelInstance() = default;
    ~ModelInstance();
    ModelInstance(const ModelInstance& other);  // copies the poses, shares the model
    ModelInstance& operator=(const ModelInstance& other);

    // Uses model (not owned) and gives every object a zero pose.
    void AttachModel(Model* model);

    // Multiplies the current GL matrix by the object's transform (needs a current context).
    // Nothing for no model or a bad object.
    void ApplyPartTransform(int32_t object, bool rotationOnly) const;
    // The same transform on the CPU, starting from the identity. False for no model, a bad
    // object or a broken parent chain (out of range, cyclic or longer than kMaxChain).
    bool ComputePartMatrix(int32_t object, bool rotationOnly, PartMatrix& out) const;

    // The instance's own transform (translation, scale, orientation) that every object's
    // transform ends with, as the transform of an object at the origin with no pose would be.
    // False for no model.
    bool ComputeInstanceMatrix(bool rotationOnly, PartMatrix& out) const;
    // True when some object has a rotation in its pose.
    bool HasPose() const;

    // New array (delete[]): the point count as a float, then x, y, z of every point in world
    // space. None for no model or a bad object.
    float* GetPartWorldPoints(int32_t object) const;
    // The object's world forward and up: (0, 0, -1) and (0, 1, 0) under its rotation.
    bool GetPartDirections(int32_t object, Vector3D& forward, Vector3D& up) const;
    // Turns a point given in the object's frame into world space, in place.
    bool PartPointToWorld(int32_t object, Vector3D& point) const;

    // Sets forward and up and turns every active pose axis along with the instance.
    void SetOrientation(const Vector3D& newForward, const Vector3D& newUp);
    // Poses the object so that its world forward and up become the wanted ones.
    bool SetPartOrientation(int32_t object, const Vector3D& wantedForward,
                            const Vector3D& wantedUp);
    void ResetPartPose(int32_t object);  // both angles 0

    int32_t textureOffset = 0;
    Vector3D position{0.0f, 0.0f, 0.0f};
    Vector3D forward{0.0f, 0.0f, -1.0f};
    Vector3D up{0.0f, 1.0f, 0.0f};
    float scale = 1.0f;
    Model* model = nullptr;  // not owned
    PartPose* poses = nullptr;  // owned, poseCount records
    int32_t poseCount = 0;  // the model's object count when it was attached
};

// The rotation (angle in degrees, axis) that turns direction from onto direction to, as
// AngleBetween and Cross give it. When the two are opposite, or within float noise of it, the
// cross product vanishes; the turn is then 180 degrees about fallbackAxis.
void TurnBetween(const Vector3D& from, const Vector3D& to, const Vector3D& fallbackAxis,
                 float& angle, Vector3D& axis);

// The collision radius the game gives an entity with this instance: the mean of the model's
// reach along +x and +z from the instance position, over the world points of every object.
// 1 when there is no model or it has no points (a model that failed to load).
float InstanceReachRadius(const ModelInstance& instance);
