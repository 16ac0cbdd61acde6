// SPDX-License-Identifier: MIT
// Small hand-built model shapes for render tests.
#pragma once

#include <cmath>

#include "math/Vector.h"
#include "render/Model.h"

// Adds a quad (two triangles a-b-c, a-c-d, counter-clockwise from the front) with one normal
// for every corner.
inline void AddQuad(Model& m, int obj, const Vector3D corners[4], const Vector3D& normal)
{
    int p[4];
    for (int i = 0; i < 4; ++i) p[i] = m.AddPoint(obj, corners[i].x, corners[i].y, corners[i].z);
    const int tris[2][3] = {{p[0], p[1], p[2]}, {p[0], p[2], p[3]}};
    for (const auto& t : tris) {
        const int tri = m.AddTriangle(obj, t[0], t[1], t[2]);
        for (int c = 0; c < 3; ++c) m.SetNormal(obj, tri, c, normal.x, normal.y, normal.z);
    }
}

// A square of side 2h in the plane x = x0 facing -x (toward a camera at the origin looking
// along +x, which sees +z to the right and +y up), centred on (x0, y, z).
inline void AddFacingSquare(Model& m, int obj, float x0, float y, float z, float h,
                            const Vector3D& normal)
{
    const Vector3D corners[4] = {
        {x0, y - h, z - h}, {x0, y - h, z + h}, {x0, y + h, z + h}, {x0, y + h, z - h}};
    AddQuad(m, obj, corners, normal);
}

// A closed box of half sizes (hx, hy, hz) centred on the object origin, outward normals.
inline void AddBox(Model& m, int obj, float hx, float hy, float hz)
{
    const Vector3D n[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    const Vector3D half{hx, hy, hz};
    auto scaled = [&](const Vector3D& v) {
        return Vector3D{v.x * half.x, v.y * half.y, v.z * half.z};
    };
    for (const Vector3D& normal : n) {
        // Two axes across the normal, u x v = normal, so the corners run counter-clockwise.
        Vector3D u = std::fabs(normal.x) > 0 ? Vector3D{0, 1, 0} : Vector3D{1, 0, 0};
        Vector3D v = Cross(normal, u);
        u = Cross(v, normal);
        const Vector3D corners[4] = {scaled(normal - u - v), scaled(normal + u - v),
                                     scaled(normal + u + v), scaled(normal - u + v)};
        AddQuad(m, obj, corners, normal);
    }
}

// A closed cube of side 2h centred on the object origin.
inline void AddCube(Model& m, int obj, float h) { AddBox(m, obj, h, h, h); }
