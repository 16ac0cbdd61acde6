// SPDX-License-Identifier: MIT
#include "render/Model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

constexpr float kTol = 1e-5f;

void ExpectNear(const Vector3D& actual, const Vector3D& expected, const char* what)
{
    EXPECT_NEAR(actual.x, expected.x, kTol) << what;
    EXPECT_NEAR(actual.y, expected.y, kTol) << what;
    EXPECT_NEAR(actual.z, expected.z, kTol) << what;
}

Vector3D World(const ModelInstance& instance, int32_t object, Vector3D p)
{
    EXPECT_TRUE(instance.PartPointToWorld(object, p));
    return p;
}

// root (pivot a) <- child (pivot b) <- grandchild (pivot c), each with one point at its origin.
struct Chain3 {
    Model model;
    Chain3(Vector3D a, Vector3D b, Vector3D c)
    {
        for (int i = 0; i < 3; ++i) {
            model.AddObject();
            model.AddPoint(i, 0, 0, 0);
        }
        model.SetPivot(0, a.x, a.y, a.z);
        model.SetPivot(1, b.x, b.y, b.z);
        model.SetPivot(2, c.x, c.y, c.z);
        model.SetParent(1, 0);
        model.SetParent(2, 1);
    }
};

TEST(ModelEditing, AddedObjectsAndPointsStartWithTheirDefaults)
{
    Model model;
    EXPECT_EQ(model.AddObject(), 0);
    EXPECT_EQ(model.AddObject(), 1);
    const ModelObject& o = model.objects[1];
    EXPECT_EQ(o.textureId, -1);
    EXPECT_EQ(o.parent, 1);
    EXPECT_EQ(o.red + o.green + o.blue, 3 * 255);
    EXPECT_STREQ(o.name, "");
    EXPECT_EQ(model.AddPoint(1, 1, 2, 3), 0);
    EXPECT_EQ(model.objects[1].points[0].u, -1.0f);
    EXPECT_EQ(model.objects[1].points[0].v, -1.0f);

    // Bad object indices change nothing.
    EXPECT_EQ(model.AddPoint(2, 0, 0, 0), -1);
    EXPECT_EQ(model.AddPoint(-1, 0, 0, 0), -1);
    EXPECT_EQ(model.AddTriangle(5, 0, 0, 0), -1);
    EXPECT_EQ(model.PointCount(7), 0);
    EXPECT_FALSE(model.SetParent(0, 2));
    model.SetColor(9, 1, 2, 3);
    model.SetPivot(-3, 1, 1, 1);
    EXPECT_EQ(model.count, 2);
    EXPECT_EQ(model.PointCount(1), 1);

    // Normals: only corners 0..2 of an existing triangle.
    EXPECT_EQ(model.AddTriangle(1, 0, 0, 0), 0);
    model.SetNormal(1, 0, 1, 0, 1, 0);
    model.SetNormal(1, 0, 3, 9, 9, 9);
    model.SetNormal(1, 1, 0, 9, 9, 9);
    const ModelTriangle& t = model.objects[1].triangles[0];
    EXPECT_EQ(t.na, (Vector3D{0, 0, 0}));
    EXPECT_EQ(t.nb, (Vector3D{0, 1, 0}));
    EXPECT_EQ(t.nc, (Vector3D{0, 0, 0}));
    model.SetTexCoord(1, 0, 0.25f, 0.75f);
    model.SetTexCoord(1, 1, 9, 9);
    EXPECT_EQ(model.objects[1].points[0].u, 0.25f);

    model.SetColor(0, 158, 0, 158);
    EXPECT_TRUE(IsNeverDrawn(model.objects[0]));
    model.SetColor(0, 159, 0, 158);
    EXPECT_FALSE(IsNeverDrawn(model.objects[0]));
    model.SetAllWhite();
    EXPECT_EQ(model.objects[0].red, 255);

    model.Clear();
    EXPECT_EQ(model.count, 0);
    EXPECT_EQ(model.objects, nullptr);
}

TEST(ModelEditing, NamesAreCopiedAndFoundExactly)
{
    Model model;
    for (int i = 0; i < 3; ++i) model.AddObject();
    char buffer[8] = "W0";
    model.SetName(0, "Body");
    model.SetName(1, buffer);
    model.SetName(2, "W0");
    buffer[0] = 'X';  // the model holds its own copy
    EXPECT_EQ(model.FindObject("W0"), 1);  // the lower of two equal names
    EXPECT_EQ(model.FindObject("body"), -1);
    EXPECT_EQ(model.FindObject("Body"), 0);
    EXPECT_EQ(model.FindObject(nullptr), -1);
    model.SetName(0, "");
    EXPECT_STREQ(model.objects[0].name, "");
    model.SetName(0, nullptr);
    ASSERT_NE(model.objects[0].name, nullptr);
    EXPECT_STREQ(model.objects[0].name, "");
}

TEST(ModelHierarchy, OrderListsRootsThenLevelsAndSkipsOrphans)
{
    Model model;
    for (int i = 0; i < 7; ++i) model.AddObject();
    // 0 root; 1 root; 2 under 3; 3 under 0; 4 under 2; 5 and 6 point at each other.
    model.SetParent(2, 3);
    model.SetParent(3, 0);
    model.SetParent(4, 2);
    model.SetParent(5, 6);
    model.SetParent(6, 5);
    int32_t length = 0;
    std::unique_ptr<int32_t[]> order(model.HierarchyOrder(&length));
    ASSERT_EQ(length, 7);
    const int32_t expected[] = {0, 1, 3, 2, 4, -1, -1};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(order[i], expected[i]) << i;

    std::string why;
    EXPECT_FALSE(CheckModelStructure(model, &why));
    EXPECT_NE(why.find("object 5"), std::string::npos) << why;

    Model empty;
    EXPECT_EQ(empty.HierarchyOrder(&length), nullptr);
    EXPECT_EQ(length, 0);
}

TEST(ModelTransform, DefaultOrientationIsTranslationAndScaleOnly)
{
    Model model;
    model.AddObject();
    model.SetPivot(0, 1, 2, 3);
    model.AddPoint(0, 1, 0, 0);
    ModelInstance instance;
    instance.AttachModel(&model);
    instance.position = {10, 0, 0};
    instance.scale = 2;

    PartMatrix m;
    ASSERT_TRUE(instance.ComputePartMatrix(0, false, m));
    const float expected[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 12, 4, 6, 1};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], expected[i]) << i;

    std::unique_ptr<float[]> points(instance.GetPartWorldPoints(0));
    ASSERT_NE(points, nullptr);
    EXPECT_EQ(points[0], 1.0f);
    ExpectNear({points[1], points[2], points[3]}, {14, 4, 6}, "position + scale (pivot + v)");
}

TEST(ModelTransform, TurnedInstanceRotatesPivotAndPoints)
{
    Model model;
    model.AddObject();
    model.SetPivot(0, 0, 0, -2);
    ModelInstance instance;
    instance.AttachModel(&model);
    instance.position = {5, 0, 0};
    instance.forward = {1, 0, 0};  // a quarter turn: -z goes to +x, +x goes to +z
    ExpectNear(World(instance, 0, {1, 0, 0}), {5 + 2, 0, 1}, "turned pivot plus turned point");
    ExpectNear(World(instance, 0, {0, 0, -1}), {5 + 2 + 1, 0, 0}, "forward point");

    Vector3D f, u;
    ASSERT_TRUE(instance.GetPartDirections(0, f, u));
    ExpectNear(f, {1, 0, 0}, "forward");
    ExpectNear(u, {0, 1, 0}, "up");

    // A roll: up along +x with forward unchanged turns +y to +x and +x to -y.
    instance.forward = {0, 0, -1};
    instance.up = {1, 0, 0};
    instance.position = {0, 0, 0};
    model.SetPivot(0, 0, 0, 0);
    ExpectNear(World(instance, 0, {0, 1, 0}), {1, 0, 0}, "rolled up");
    ExpectNear(World(instance, 0, {1, 0, 0}), {0, -1, 0}, "rolled right");
    // Unnormalised vectors give the same turn.
    instance.forward = {0, 0, -7};
    instance.up = {3, 0, 0};
    ExpectNear(World(instance, 0, {0, 1, 0}), {1, 0, 0}, "unnormalised");
}

TEST(ModelTransform, ChildPivotsAddUpTurnedByTheInstance)
{
    Chain3 c({1, 0, 0}, {0, 2, 0}, {0, 0, 3});
    ModelInstance instance;
    instance.AttachModel(&c.model);
    ExpectNear(World(instance, 2, {0, 0, 0}), {1, 2, 3}, "pivot sum");
    ExpectNear(World(instance, 1, {0, 0, 0}), {1, 2, 0}, "child");
    instance.forward = {1, 0, 0};
    instance.position = {0, 0, 10};
    instance.scale = 0.5f;
    // The quarter turn takes (1, 2, 3) to (-3, 2, 1).
    ExpectNear(World(instance, 2, {0, 0, 0}), {-1.5f, 1, 10.5f}, "turned and scaled pivot sum");
    ExpectNear(World(instance, 2, {2, 0, 0}), {-1.5f, 1, 11.5f}, "point of the grandchild");
}

TEST(ModelTransform, PosesTurnEachObjectAboutItsOwnOriginAndCarryChildren)
{
    Chain3 c({0, 0, 0}, {2, 0, 0}, {1, 0, 0});
    ModelInstance instance;
    instance.AttachModel(&c.model);
    // The root turns a quarter about +y: the child's pivot (2, 0, 0) swings to (0, 0, -2).
    instance.poses[0].angleA = 90;
    instance.poses[0].axisA = {0, 1, 0};
    ExpectNear(World(instance, 1, {0, 0, 0}), {0, 0, -2}, "child origin");
    ExpectNear(World(instance, 1, {1, 0, 0}), {0, 0, -3}, "child point");
    ExpectNear(World(instance, 2, {0, 0, 0}), {0, 0, -3}, "grandchild origin");

    // The child turns a quarter about world +x after its parent: its own origin stays, its
    // points and the grandchild's pivot turn: (0, 0, -1) goes to (0, 1, 0).
    instance.poses[1].angleA = 90;
    instance.poses[1].axisA = {1, 0, 0};
    ExpectNear(World(instance, 1, {0, 0, 0}), {0, 0, -2}, "child origin stays");
    ExpectNear(World(instance, 1, {1, 0, 0}), {0, 1, -2}, "child point turned twice");
    ExpectNear(World(instance, 2, {0, 0, 0}), {0, 1, -2}, "grandchild carried");

    // Rotation B follows rotation A.
    instance.poses[1].angleB = 90;
    instance.poses[1].axisB = {0, 0, 1};
    ExpectNear(World(instance, 1, {1, 0, 0}), {-1, 0, -2}, "then B about +z");

    // Directions take only the rotations.
    Vector3D f, u;
    ASSERT_TRUE(instance.GetPartDirections(0, f, u));
    ExpectNear(f, {-1, 0, 0}, "root forward");

    instance.ResetPartPose(1);
    ExpectNear(World(instance, 1, {1, 0, 0}), {0, 0, -3}, "reset child");
}

TEST(ModelTransform, OppositeForwardOrUpTurnsHalfWayRoundInsteadOfNotAtAll)
{
    Model model;
    model.AddObject();
    ModelInstance instance;
    instance.AttachModel(&model);
    struct Case {
        Vector3D forward, up;
        Vector3D right;  // where the model's +x ends up
    };
    const Case cases[] = {
        {{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}},  // heading along +z exactly
        {{1e-8f, 0, 1}, {0, 1, 0}, {-1, 0, 0}},  // within float noise of it
        {{0, 0, -1}, {0, -1, 0}, {-1, 0, 0}},  // upside down
        {{0, 0, 1}, {0, -1, 0}, {1, 0, 0}},  // both
        {{0, 0, -1}, {2e-8f, -1, 0}, {-1, 0, 0}},  // upside down within noise
    };
    for (const Case& c : cases) {
        instance.forward = c.forward;
        instance.up = c.up;
        Vector3D f, u;
        ASSERT_TRUE(instance.GetPartDirections(0, f, u));
        Vector3D nf = c.forward, nu = c.up;
        Normalize(nf);
        Normalize(nu);
        ExpectNear(f, nf, "forward");
        ExpectNear(u, nu, "up");
        ExpectNear(World(instance, 0, {1, 0, 0}), c.right, "right");
    }
}

TEST(ModelTransform, BrokenChainsGiveNoTransform)
{
    Model model;
    for (int i = 0; i < kMaxChain + 1; ++i) {
        model.AddObject();
        if (i > 0) model.SetParent(i, i - 1);
    }
    ModelInstance instance;
    instance.AttachModel(&model);
    PartMatrix m;
    EXPECT_TRUE(instance.ComputePartMatrix(kMaxChain - 1, false, m));  // 32 objects: fine
    EXPECT_FALSE(instance.ComputePartMatrix(kMaxChain, false, m));  // 33: refused
    EXPECT_EQ(instance.GetPartWorldPoints(kMaxChain), nullptr);
    EXPECT_TRUE(CheckModelStructure(model) == false);

    model.SetParent(0, 1);  // 0 and 1 now form a cycle
    EXPECT_FALSE(instance.ComputePartMatrix(1, false, m));
    model.objects[3].parent = 99;
    EXPECT_FALSE(instance.ComputePartMatrix(3, true, m));
    Vector3D p{1, 2, 3}, f{7, 7, 7}, u;
    EXPECT_FALSE(instance.PartPointToWorld(3, p));
    EXPECT_EQ(p, (Vector3D{1, 2, 3}));
    EXPECT_FALSE(instance.GetPartDirections(3, f, u));
    EXPECT_EQ(f, (Vector3D{7, 7, 7}));
    EXPECT_FALSE(instance.ComputePartMatrix(-1, true, m));
    EXPECT_FALSE(instance.ComputePartMatrix(kMaxChain + 1, true, m));

    ModelInstance unattached;
    EXPECT_EQ(unattached.GetPartWorldPoints(0), nullptr);
    EXPECT_FALSE(unattached.SetPartOrientation(0, {1, 0, 0}, {0, 1, 0}));
}

TEST(ModelTransform, ObjectWithoutPointsGivesJustTheCount)
{
    Model model;
    model.AddObject();
    ModelInstance instance;
    instance.AttachModel(&model);
    std::unique_ptr<float[]> points(instance.GetPartWorldPoints(0));
    ASSERT_NE(points, nullptr);
    EXPECT_EQ(points[0], 0.0f);
}

TEST(ModelOrientation, SetOrientationCarriesPosesAlong)
{
    Chain3 c({0, 0, 0}, {0, 0, -2}, {0, 0, -1});
    ModelInstance instance;
    instance.AttachModel(&c.model);
    instance.poses[1].angleA = 30;
    instance.poses[1].axisA = {1, 0, 0};
    instance.poses[2].angleB = 45;
    instance.poses[2].axisB = {0, 1, 0};
    instance.poses[0].axisA = {1, 0, 0};  // inactive: left alone

    Vector3D before = World(instance, 2, {0, 0, -1});
    // A quarter turn of the whole ship to the right: everything it holds turns with it.
    instance.SetOrientation({1, 0, 0}, {0, 1, 0});
    Vector3D after = World(instance, 2, {0, 0, -1});
    RotateY(before, -90);
    ExpectNear(after, before, "posed grandchild turned with the ship");
    ExpectNear(instance.poses[1].axisA, {0, 0, 1}, "pose axis turned");
    EXPECT_EQ(instance.poses[0].axisA, (Vector3D{1, 0, 0}));

    // Turning right round (forward to its opposite) carries the poses too.
    before = World(instance, 2, {0, 0, -1});
    instance.SetOrientation({-1, 0, 0}, {0, 1, 0});
    after = World(instance, 2, {0, 0, -1});
    RotateY(before, 180);
    ExpectNear(after, before, "half turn");
}

TEST(ModelOrientation, SetPartOrientationReachesTheWantedFrame)
{
    Chain3 c({0, 0, 0}, {0, 1, 0}, {0, 0, -1});
    ModelInstance instance;
    instance.AttachModel(&c.model);
    instance.forward = {1, 0, 0};
    instance.poses[0].angleA = 20;
    instance.poses[0].axisA = {0, 0, 1};
    struct Case {
        int32_t object;
        Vector3D forward, up;
    };
    const Case cases[] = {
        {1, {0, 1, 0}, {-1, 0, 0}}, {2, {0, 0, 1}, {0, 1, 0}},
        {0, {-1, 0, 0}, {0, 1, 0}},  // exactly opposite the base forward
        {1, {0, -1, 0}, {1, 0, 0}}, {2, {0.6f, 0, -0.8f}, {0, -1, 0}},
    };
    for (const Case& k : cases) {
        ASSERT_TRUE(instance.SetPartOrientation(k.object, k.forward, k.up));
        Vector3D f, u;
        ASSERT_TRUE(instance.GetPartDirections(k.object, f, u));
        ExpectNear(f, k.forward, "forward");
        ExpectNear(u, k.up, "up");
    }
    EXPECT_FALSE(instance.SetPartOrientation(3, {1, 0, 0}, {0, 1, 0}));
}

TEST(ModelInstanceCopy, CopiesOwnTheirPosesAndShareTheModel)
{
    Model model;
    model.AddObject();
    model.AddObject();
    ModelInstance a;
    a.AttachModel(&model);
    a.poses[1].angleA = 10;
    ModelInstance b(a);
    b.poses[1].angleA = 20;
    EXPECT_EQ(a.poses[1].angleA, 10);
    EXPECT_EQ(b.model, &model);
    ModelInstance c;
    c = b;
    EXPECT_EQ(c.poses[1].angleA, 20);
    EXPECT_NE(c.poses, b.poses);

    // A model grown after attaching: the extra objects have no pose, not a stray one.
    model.AddObject();
    model.SetParent(2, 1);
    model.SetPivot(2, 0, 0, 5);
    Vector3D p{0, 0, 0};
    EXPECT_TRUE(a.PartPointToWorld(2, p));
    EXPECT_FALSE(a.SetPartOrientation(2, {1, 0, 0}, {0, 1, 0}));
    a.ResetPartPose(2);

    // Attaching again starts every pose at zero.
    a.AttachModel(&model);
    EXPECT_EQ(a.poseCount, 3);
    EXPECT_EQ(a.poses[1].angleA, 0);
}

TEST(ModelRadius, MeanReachAlongXAndZAtTheGamesScale)
{
    Model model;
    model.AddObject();
    model.AddPoint(0, 10, 0, 0);
    model.AddPoint(0, 0, 0, -30);
    model.AddObject();
    model.SetParent(1, 0);
    model.SetPivot(1, 0, 0, 15);
    model.AddPoint(1, 0, 0, 5);  // reaches z = 20
    ModelInstance instance;
    instance.AttachModel(&model);
    instance.scale = 0.1f;
    EXPECT_NEAR(InstanceReachRadius(instance), (1.0f + 2.0f) * 0.5f, kTol);

    // A model that failed to load leaves the default sphere of radius 1.
    ModelInstance none;
    EXPECT_EQ(InstanceReachRadius(none), 1.0f);
    Model empty;
    empty.AddObject();
    ModelInstance pointless;
    pointless.AttachModel(&empty);
    EXPECT_EQ(InstanceReachRadius(pointless), 1.0f);

    // Points that are not numbers reach nowhere: they gave the radius -99999, a ship that could
    // never be hit. Only the finite points count; none at all is the default sphere again.
    const float nan = std::nanf("");
    model.AddPoint(0, nan, 0, nan);
    model.AddPoint(1, INFINITY, 0, 0);
    EXPECT_NEAR(InstanceReachRadius(instance), (1.0f + 2.0f) * 0.5f, kTol);
    empty.AddPoint(0, nan, nan, nan);
    pointless.AttachModel(&empty);
    EXPECT_EQ(InstanceReachRadius(pointless), 1.0f);
}

}  // namespace
