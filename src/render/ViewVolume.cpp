// SPDX-License-Identifier: MIT
#include "render/ViewVolume.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace {

// Row i of a column-major 4 x 4 matrix.
void Row(const float m[16], int i, float out[4])
{
    for (int j = 0; j < 4; ++j) out[j] = m[4 * j + i];
}

// a * b, column-major, as glMultMatrix composes them.
void Multiply(const float a[16], const float b[16], float out[16])
{
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[4 * k + r] * b[4 * c + k];
            out[4 * c + r] = sum;
        }
}

ViewVolume gScene;
bool gSceneStale = true;

}  // namespace

const ViewVolume& SceneViewVolume()
{
    if (gSceneStale) {
        gScene = CurrentViewVolume();
        gSceneStale = false;
    }
    return gScene;
}

void ViewChanged() { gSceneStale = true; }

ViewVolume CurrentViewVolume()
{
    ViewVolume v;
    float projection[16], modelView[16], clip[16];
    GLint viewport[4] = {0, 0, 0, 0};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::copy(modelView, modelView + 16, v.modelView);
    Multiply(projection, modelView, clip);

    float rows[4][4];
    for (int i = 0; i < 4; ++i) Row(clip, i, rows[i]);
    // A point is inside when -w <= x, y, z <= w: each plane is w + row or w - row.
    for (int p = 0; p < 6; ++p) {
        const float sign = (p % 2 == 0) ? 1.0f : -1.0f;
        const float* axis = rows[p / 2];
        float* plane = v.planes[p];
        for (int j = 0; j < 4; ++j) plane[j] = rows[3][j] + sign * axis[j];
        const float length =
            std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
        if (!(length > 0.0f) || !std::isfinite(length)) return v;
        for (int j = 0; j < 4; ++j) plane[j] /= length;
    }
    for (int j = 0; j < 4; ++j) v.depthRow[j] = rows[3][j];

    // One unit across the view at depth 1 is half the viewport times the projection's scale
    // on that axis (the model-view matrix of a camera keeps lengths).
    const float sx = 0.5f * static_cast<float>(viewport[2]) * std::fabs(projection[0]);
    const float sy = 0.5f * static_cast<float>(viewport[3]) * std::fabs(projection[5]);
    v.pixelsPerUnit = sx < sy ? sx : sy;

    // The eye sits at the origin of eye space.
    float orientation = 0.0f;
    v.eyeKnown = UndoAffine(modelView, Vector3D{0.0f, 0.0f, 0.0f}, v.eye, orientation);
    const float flips = orientation * projection[0] * projection[5];
    v.winding = flips < 0.0f ? -1.0f : 1.0f;
    v.valid = v.pixelsPerUnit > 0.0f && std::isfinite(v.pixelsPerUnit);
    return v;
}

bool UndoAffine(const float m[16], const Vector3D& point, Vector3D& local, float& orientation)
{
    if (m[3] != 0.0f || m[7] != 0.0f || m[11] != 0.0f || m[15] != 1.0f) return false;
    // The columns of the 3 x 3 part, and the rows of its inverse from their cross products.
    const Vector3D a{m[0], m[1], m[2]}, b{m[4], m[5], m[6]}, c{m[8], m[9], m[10]};
    const Vector3D bc = Cross(b, c), ca = Cross(c, a), ab = Cross(a, b);
    const float det = Dot(a, bc);
    if (!(std::fabs(det) > 1e-30f) || !std::isfinite(det)) return false;
    const Vector3D d{point.x - m[12], point.y - m[13], point.z - m[14]};
    local = Vector3D{Dot(bc, d) / det, Dot(ca, d) / det, Dot(ab, d) / det};
    orientation = det > 0.0f ? 1.0f : -1.0f;
    return std::isfinite(local.x) && std::isfinite(local.y) && std::isfinite(local.z);
}

bool SphereOutside(const ViewVolume& v, const Vector3D& c, float radius, float pixels)
{
    if (!v.valid || !(radius >= 0.0f) || !std::isfinite(radius)) return false;
    float grown = radius;
    if (pixels > 0.0f) {
        // A pixel covers the most ground at the far side of the sphere.
        const float* d = v.depthRow;
        const float dLength = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        const float depth = d[0] * c.x + d[1] * c.y + d[2] * c.z + d[3] + radius * dLength;
        if (depth > 0.0f) grown += pixels * depth / v.pixelsPerUnit;
    }
    // A little slack for rounding: the sphere must lie clearly outside.
    grown = grown * 1.001f + 1e-3f;
    for (const auto& p : v.planes) {
        const float distance = p[0] * c.x + p[1] * c.y + p[2] * c.z + p[3];
        if (distance < -grown) return true;
    }
    return false;
}
