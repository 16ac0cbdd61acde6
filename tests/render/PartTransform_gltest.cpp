// SPDX-License-Identifier: MIT
// The part transform the model library composes on the CPU must be the matrix OpenGL builds
// from the same glTranslatef / glScalef / glRotatef calls. Here GL composes it the long way,
// call by call, for a table of instances, poses and parent chains.
#include <cmath>
#include <string>

#include "GLFixture.h"
#include "render/Model.h"

namespace {

// Objects: 0 root, 1 child of 0, 2 child of 1, 3 child of 2, 4 a second root, 5 child of 4.
void BuildChainModel(Model& model)
{
    const float pivots[6][3] = {{1, 2, 3},        {0, 0.5f, -2}, {-1, 0, 0},
                                {0.25f, 1, 0.5f}, {-3, 0, 0},    {0, -1, 4}};
    const int parents[6] = {0, 0, 1, 2, 4, 4};
    for (int k = 0; k < 6; ++k) {
        ASSERT_EQ(model.AddObject(), k);
        model.SetPivot(k, pivots[k][0], pivots[k][1], pivots[k][2]);
    }
    for (int k = 0; k < 6; ++k) ASSERT_TRUE(model.SetParent(k, parents[k]));
}

// The transform of object k built with GL calls in the documented order.
void ComposeWithGL(const ModelInstance& inst, int32_t k, bool rotationOnly)
{
    const Model& model = *inst.model;
    int32_t chain[kMaxChain];
    int n = 0;
    for (int32_t c = k;; c = model.objects[c].parent) {
        chain[n++] = c;
        if (model.objects[c].parent == c) break;
    }
    // Instance orientation: R1 takes (0, 0, -1) to forward, R2 the turned up to up.
    float a1, a2;
    Vector3D axis1, axis2;
    TurnBetween(Vector3D{0, 0, -1}, inst.forward, Vector3D{0, 1, 0}, a1, axis1);
    Vector3D upTurned{0, 1, 0}, forwardTurned{0, 0, -1};
    Vector3D tmp = axis1;
    RotateAroundAxis(upTurned, a1, tmp);
    tmp = axis1;
    RotateAroundAxis(forwardTurned, a1, tmp);
    TurnBetween(upTurned, inst.up, forwardTurned, a2, axis2);

    if (!rotationOnly) {
        Vector3D t{0, 0, 0};
        for (int i = n - 1; i >= 0; --i) {
            Vector3D p = model.objects[chain[i]].pivot;
            Vector3D ax = axis1;
            RotateAroundAxis(p, a1, ax);
            ax = axis2;
            RotateAroundAxis(p, a2, ax);
            for (int j = n - 1; j > i; --j) {
                PartPose pose = inst.poses[chain[j]];
                if (pose.angleA != 0.0f) RotateAroundAxis(p, pose.angleA, pose.axisA);
                if (pose.angleB != 0.0f) RotateAroundAxis(p, pose.angleB, pose.axisB);
            }
            t = t + p;
        }
        const Vector3D at = inst.position + t * inst.scale;
        glTranslatef(at.x, at.y, at.z);
        glScalef(inst.scale, inst.scale, inst.scale);
    }
    for (int i = 0; i < n; ++i) {
        const PartPose& pose = inst.poses[chain[i]];
        if (pose.angleB != 0.0f) glRotatef(pose.angleB, pose.axisB.x, pose.axisB.y, pose.axisB.z);
        if (pose.angleA != 0.0f) glRotatef(pose.angleA, pose.axisA.x, pose.axisA.y, pose.axisA.z);
    }
    glRotatef(a2, axis2.x, axis2.y, axis2.z);
    glRotatef(a1, axis1.x, axis1.y, axis1.z);
}

struct InstanceCase {
    const char* what;
    Vector3D position, forward, up;
    float scale;
};

struct PoseCase {
    const char* what;
    struct Entry {
        int object;
        float angleA;
        Vector3D axisA;
        float angleB;
        Vector3D axisB;
    } entries[3];
    int count;
};

const InstanceCase kInstances[] = {
    {"default frame", {0, 0, 0}, {0, 0, -1}, {0, 1, 0}, 1.0f},
    {"moved and scaled", {100, -20, 35}, {0, 0, -1}, {0, 1, 0}, 2.5f},
    {"facing +x", {5, 6, 7}, {1, 0, 0}, {0, 1, 0}, 1.0f},
    {"banked and pitched", {-40, 12, 9}, {0.3f, 0.4f, -0.8f}, {0.5f, 0.8f, 0.3f}, 0.75f},
    {"turned right round", {1, 2, 3}, {0, 0, 1}, {0, 1, 0}, 1.0f},
    {"upside down", {0, 10, 0}, {0, 0, -1}, {0, -1, 0}, 3.0f},
    {"long unnormalised vectors", {7, 7, 7}, {-4, 1, 2}, {0, 5, 0}, 0.1f},
};

const PoseCase kPoses[] = {
    {"no poses", {}, 0},
    {"root turned", {{0, 30, {0, 1, 0}, 0, {}}}, 1},
    {"middle of the chain, both rotations",
     {{1, 45, {1, 0, 0}, -20, {0, 0, 1}}, {2, 0, {}, 90, {0, 1, 0}}},
     2},
    {"every level, odd axes",
     {{0, 12, {1, 1, 0}, 0, {}}, {1, -70, {0, 2, 1}, 33, {3, 0, -1}}, {3, 150, {1, 1, 1}, 0, {}}},
     3},
    {"second root", {{4, 60, {0, 0, 1}, 15, {1, 0, 0}}, {5, -35, {0, 1, 0}, 0, {}}}, 2},
};

}  // namespace

using PartTransformTest = GLFixture;

TEST_F(PartTransformTest, CpuMatrixEqualsGLMatrixStack)
{
    Model model;
    BuildChainModel(model);
    for (const InstanceCase& ic : kInstances) {
        for (const PoseCase& pc : kPoses) {
            ModelInstance inst;
            inst.AttachModel(&model);
            inst.position = ic.position;
            inst.forward = ic.forward;
            inst.up = ic.up;
            inst.scale = ic.scale;
            for (int e = 0; e < pc.count; ++e) {
                PartPose& p = inst.poses[pc.entries[e].object];
                p.angleA = pc.entries[e].angleA;
                p.axisA = pc.entries[e].axisA;
                p.angleB = pc.entries[e].angleB;
                p.axisB = pc.entries[e].axisB;
            }
            for (int32_t k = 0; k < model.count; ++k) {
                for (bool rotationOnly : {false, true}) {
                    SCOPED_TRACE(::testing::Message()
                                 << ic.what << " / " << pc.what << " / object " << k
                                 << (rotationOnly ? " rotation only" : ""));
                    PartMatrix cpu;
                    ASSERT_TRUE(inst.ComputePartMatrix(k, rotationOnly, cpu));

                    glPushMatrix();
                    glLoadIdentity();
                    ComposeWithGL(inst, k, rotationOnly);
                    const std::vector<double> gl = Matrix(GL_MODELVIEW_MATRIX);
                    glLoadIdentity();
                    inst.ApplyPartTransform(k, rotationOnly);
                    const std::vector<double> applied = Matrix(GL_MODELVIEW_MATRIX);
                    glPopMatrix();

                    // Rotations stay within float noise; translations scale with their size.
                    for (int i = 0; i < 16; ++i) {
                        const double tolerance = 1e-4 * (1.0 + std::fabs(gl[i]));
                        EXPECT_NEAR(cpu.m[i], gl[i], tolerance) << "element " << i;
                        EXPECT_NEAR(applied[i], gl[i], tolerance) << "applied, element " << i;
                    }
                }
            }
        }
    }
}
