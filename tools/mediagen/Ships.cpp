#include "Ships.h"

#include <cmath>

namespace mediagen {

namespace {

constexpr V3 kX{1, 0, 0}, kY{0, 1, 0}, kZ{0, 0, 1};

V3 Turned(V3 v, V3 axis, float degrees)   // Rodrigues' rotation about a unit axis
{
    float a = degrees * 3.14159265f / 180.0f;
    float c = std::cos(a), s = std::sin(a);
    return v * c + Cross(axis, v) * s + axis * (Dot(axis, v) * (1.0f - c));
}

// A hexagonal cross-section of the hull, flat on top and bottom.
Ring HullSection(float z, float y, float halfWidth, float halfHeight)
{
    return {{halfWidth, y, z},
            {halfWidth * 0.55f, y + halfHeight, z},
            {-halfWidth * 0.55f, y + halfHeight, z},
            {-halfWidth, y, z},
            {-halfWidth * 0.55f, y - halfHeight, z},
            {halfWidth * 0.55f, y - halfHeight, z}};
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The player's ship: a slim faceted hull with a bubble canopy and four wings in an X, each
// with an engine pod at its root and a gun at its tip. Names other than the guns and the eye
// marker are lower case, so the game's part lookup (which matches characters anywhere in a
// name) finds exactly "W0" to "W3" and "V".

MeshModel MakePlayerShip()
{
    MeshModel m;
    const int hull = m.AddPart("hull", -1, {0, 0, 0}, 244, 244, 238);
    // The nose drops away in front of the canopy, so that from the pilot's eye nothing of
    // the hull lies within the near plane's reach (15 model units) inside the view.
    m.Loft(hull,
           {{{0, -1.5f, -84}},
            HullSection(-62, -1.0f, 5.0f, 3.5f),
            HullSection(-30, -0.5f, 8.5f, 5.5f),
            HullSection(8, 1.5f, 10.0f, 7.5f),
            HullSection(38, 1.5f, 10.0f, 7.5f),
            HullSection(52, 1.5f, 7.5f, 5.5f)},
           false, false, true);

    // The canopy sits on the hull's back; its bottom is hidden inside the hull.
    const int canopy = m.AddPart("canopy", hull, {0, 6.5f, -16}, 80, 180, 255);
    {
        std::vector<Ring> rings;
        rings.push_back({{0, 0.5f, -15}});
        const float zs[3] = {-8, 2, 12};
        const float rs[3] = {4.8f, 6.0f, 4.6f};
        const float hs[3] = {5.0f, 7.5f, 5.0f};
        for (int i = 0; i < 3; ++i) {
            Ring r;
            for (int k = 0; k <= 4; ++k) {
                float a = 3.14159265f * k / 4.0f;
                r.push_back({rs[i] * std::cos(a), hs[i] * std::sin(a), zs[i]});
            }
            rings.push_back(r);
        }
        rings.push_back({{0, 0.5f, 20}});
        // Each ring is a half ellipse; the loft closes it with a flat underside in the hull.
        m.Loft(canopy, rings, true, false, false);
    }
    // The pilot's eye, a never-drawn marker inside the canopy.
    m.AddPart("V", canopy, {0, 6.0f, -2}, 158, 0, 158);

    // Wings: root on the hull side, tilted 13 degrees out of the horizontal.
    struct WingLayout {
        const char* name;
        const char* engine;
        const char* gun;
        float side;   // +1 right, -1 left
        float tilt;   // +1 upper, -1 lower
    };
    const WingLayout wings[4] = {
        {"wing right top", "engine right top", "W0", 1, 1},
        {"wing left top", "engine left top", "W1", -1, 1},
        {"wing right low", "engine right low", "W2", 1, -1},
        {"wing left low", "engine left low", "W3", -1, -1},
    };
    const float span = 50.0f, dihedral = 13.0f;
    // The glow at the back of each engine: one textured part drawn with the game's particle
    // picture (texture 3), bright in the middle and cut away at its edge.
    const int exhaust = m.AddPart("exhaust", hull, {0, 0, 0}, 255, 176, 80);
    m.Part(exhaust).textureId = 3;
    for (const WingLayout& w : wings) {
        V3 root{w.side * 8.0f, 1.5f + w.tilt * 2.0f, 20};
        const int wing = m.AddPart(w.name, hull, root, 240, 64, 52);
        V3 out = Turned(V3{w.side, 0, 0}, kZ, w.side * w.tilt * dihedral);   // along the span
        // Planform: swept leading edge, straight trailing edge (local z from the root).
        m.Slab(wing, {V3{0, 0, -22}, out * span + V3{0, 0, -2}, out * span + V3{0, 0, 16}, V3{0, 0, 18}}, 2.6f);

        // Engine pod a little out along the span, longer than the wing's chord.
        V3 podCentre = out * 12.0f;
        const int engine = m.AddPart(w.engine, wing, podCentre, 200, 206, 220);
        {
            V3 n = Normalised(Cross(out, kZ));   // the wing's normal, to stand the pod on it
            if (Dot(n, kY) * w.tilt < 0.0f)
                n = n * -1.0f;
            V3 c = n * 3.0f;
            std::vector<Ring> rings = {Ellipse(c + V3{0, 0, -24}, out, n, 3.8f, 3.8f, 6, 30),
                                       Ellipse(c + V3{0, 0, 28}, out, n, 5.2f, 5.2f, 6, 30)};
            m.Loft(engine, rings, true, true, true);
            // Model-space centre of the engine's back end, just behind its cap.
            V3 back = root + podCentre + c + V3{0, 0, 28.6f};
            const float r = 6.2f;
            const V3 quad[4] = {back + out * r + n * r, back - out * r + n * r, back - out * r - n * r,
                                back + out * r - n * r};
            const float uv[8] = {1, 0, 0, 0, 0, 1, 1, 1};
            m.TexturedQuad(exhaust, quad, uv, kZ);
        }

        // The gun at the tip: its origin is the muzzle, the barrel runs back from it.
        V3 tip = out * (span + 1.5f);
        const int gun = m.AddPart(w.gun, wing, tip + V3{0, 0, -34}, 140, 146, 164);
        V3 across = Normalised(Cross(kZ, out));
        m.Loft(gun,
               {Ellipse({0, 0, 0}, out, across, 1.1f, 1.1f, 4, 45), Ellipse({0, 0, 24}, out, across, 2.7f, 2.7f, 4, 45),
                Ellipse({0, 0, 46}, out, across, 2.7f, 2.7f, 4, 45)},
               false, true, true);
    }
    return m;
}

// ---------------------------------------------------------------------------------------
// The enemy fighter: a round cockpit with a red eye of a window, two struts and two large
// flat six-sided wing panels. The two guns sit under the cockpit's chin.

MeshModel MakeEnemyFighter()
{
    MeshModel m;
    const int cockpit = m.AddPart("cockpit", -1, {0, 0, 0}, 176, 182, 196);
    // Poles toward the struts, where they are hidden.
    m.Ellipsoid(cockpit, {0, 0, 0}, kX, kY, 18.0f, 18.0f, 18.0f, 8, 4);

    const int window = m.AddPart("window", cockpit, {0, 0, -17.0f}, 255, 64, 48);
    {
        // A six-sided window standing just proud of the cockpit's front facets.
        Ring rim = Ellipse({0, 0, 0}, kX, kY, 7.0f, 7.0f, 6, 0);
        m.Pyramid(window, rim, {0, 0, -1.8f}, false);
    }

    for (int side = -1; side <= 1; side += 2) {
        const int strut = m.AddPart(side > 0 ? "strut right" : "strut left", cockpit, {side * 15.0f, 0, 0},
                                    150, 156, 172);
        float x0 = 0.0f, x1 = side * 33.5f;
        // Both ends are buried, in the cockpit and in the panel.
        m.Box(strut, {std::fmin(x0, x1), -4.5f, -6.0f}, {std::fmax(x0, x1), 4.5f, 6.0f},
              MeshModel::kSkipMinusX | MeshModel::kSkipPlusX);

        const int panel = m.AddPart(side > 0 ? "panel right" : "panel left", strut, {side * 35.0f, 0, 0},
                                    96, 104, 128);
        std::vector<V3> outline = {{0, 58, -14}, {0, 58, 14}, {0, 0, 42}, {0, -58, 14}, {0, -58, -14}, {0, 0, -42}};
        m.Slab(panel, outline, 3.0f);
    }

    // The two bolts of a shot fly side by side along the same line. Bolts are spheres of radius
    // 1 at the game's scale of 0.1, so the muzzles sit 28 units apart: at any aim inside the
    // 25 degree firing cone the bolts stay more than 2 units apart and never block each other
    // (which would set off a blast right in front of the fighter).
    for (int i = 0; i < 2; ++i) {
        float x = i == 0 ? 14.0f : -14.0f;
        const int gun = m.AddPart(i == 0 ? "W0" : "W1", cockpit, {x, -11.0f, -17.5f}, 88, 90, 104);
        m.Box(gun, {-1.6f, -1.6f, 0.0f}, {1.6f, 1.6f, 12.0f}, MeshModel::kSkipPlusZ);   // back end in the cockpit
    }
    return m;
}

// ---------------------------------------------------------------------------------------
// The factory: a long hall with a pitched roof, a lower shed, a storage tank joined by a pipe,
// and two tall chimneys. It stands on the ground plane: every point has y >= 0, and faces that
// would lie on the ground are left out.

MeshModel MakeFactory()
{
    MeshModel m;
    const int hall = m.AddPart("hall", -1, {0, 0, 0}, 222, 206, 170);
    m.Box(hall, {-150, 0, -60}, {70, 62, 60}, MeshModel::kSkipMinusY);

    const int roof = m.AddPart("roof", hall, {0, 62, 0}, 92, 148, 170);
    {
        // A pitched roof over the hall's length (along x), overhanging a little.
        const V3 c[8] = {{-156, 0, -66}, {76, 0, -66}, {76, 0, 66}, {-156, 0, 66},
                         {-156, 34, -2}, {76, 34, -2}, {76, 34, 2}, {-156, 34, 2}};
        m.Hexahedron(roof, c);
    }

    const int shed = m.AddPart("shed", hall, {115, 0, -30}, 196, 96, 72);
    m.Box(shed, {-45, 0, -70}, {50, 46, 55}, MeshModel::kSkipMinusY);

    const int tank = m.AddPart("tank", hall, {-60, 0, 118}, 204, 212, 220);
    m.Loft(tank, {Ellipse({0, 0, 0}, kX, kZ, 38, 38, 8), Ellipse({0, 90, 0}, kX, kZ, 38, 38, 8)}, true, false, true);

    // A pipe from the tank into the hall's wall, both ends buried.
    const int pipe = m.AddPart("pipe", tank, {0, 48, 0}, 170, 170, 178);
    m.Loft(pipe, {Ellipse({0, 0, -20}, kX, kY, 7, 7, 6), Ellipse({0, 0, -66}, kX, kY, 7, 7, 6)}, true, false, false);

    for (int i = 0; i < 2; ++i) {
        V3 base = i == 0 ? V3{-110, 0, 0} : V3{-60, 0, 0};
        float height = i == 0 ? 250.0f : 205.0f;
        const int chimney = m.AddPart(i == 0 ? "chimney tall" : "chimney short", hall, base, 190, 78, 60);
        m.Loft(chimney, {Ellipse({0, 0, 0}, kX, kZ, 15, 15, 6, 30), Ellipse({0, height, 0}, kX, kZ, 10, 10, 6, 30)},
               true, false, true);
    }
    return m;
}

}  // namespace mediagen
