// SPDX-License-Identifier: MIT
#include "Ships.h"

#include <cmath>

namespace mediagen {

namespace {

constexpr V3 kX{1, 0, 0}, kY{0, 1, 0}, kZ{0, 0, 1};

}  // namespace

// ---------------------------------------------------------------------------------------
// The player's ship, a "skate": a broad swept delta carrying a long rounded hull, a small
// canopy far forward, an orange nose, two engines slung under the wing roots and two red
// fins standing up at the wing tips. From behind it reads as a flat arrowhead with two
// glowing engines and two upright tips. Names other than the guns and the eye marker are
// lower case, so the game's part lookup (which matches characters anywhere in a name) finds
// exactly "W0" to "W3" and "V".
//
// The guns all point along the nose (the model format holds no turn for a part), so they
// sit close around the centre line: every bolt passes within 2.1 units of a target dead
// ahead, well inside a fighter's reach. They also sit at three depths 55 model units apart
// (nose, wing roots, belly): at long frames a bolt steps 16.5 units or more between two
// looks at the world, and the staggered starts make sure one of them lands inside a target
// rather than on either side of it.

namespace {

// A rounded cross-section of the hull: an ellipse of eight points, flattened a little.
Ring RoundSection(float z, float y, float halfWidth, float halfHeight)
{
    return Ellipse({0, y, z}, kX, kY, halfWidth, halfHeight, 8, 22.5f);
}

// A gun barrel along +z from the muzzle at the part's origin.
void Barrel(MeshModel& m, int gun, float length, float r)
{
    m.Loft(gun,
           {Ellipse({0, 0, 0}, kX, kY, r * 0.7f, r * 0.7f, 4, 45),
            Ellipse({0, 0, length}, kX, kY, r, r, 4, 45)},
           false, true, true);
}

}  // namespace

MeshModel MakePlayerShip()
{
    MeshModel m;
    const int hull = m.AddPart("hull", -1, {0, 0, 0}, 236, 240, 246);
    // Smooth, so the light falls off across it in the cartoon bands.
    m.Loft(hull,
           {RoundSection(-40, 1.0f, 14.0f, 9.0f), RoundSection(-10, 1.0f, 16.5f, 10.5f),
            RoundSection(20, 1.0f, 17.0f, 10.5f), RoundSection(66, 0.0f, 11.0f, 6.5f)},
           true, false, true);
    // The long nose cone right in front of the canopy, what the pilot sees of the ship: it
    // starts about where the near plane cuts (15 model units ahead of the eye) and curves away.
    const int nose = m.AddPart("nose", hull, {0, 0, 0}, 250, 150, 40);
    m.Loft(nose,
           {RoundSection(-40, 1.0f, 14.0f, 9.0f),
            RoundSection(-70, -1.0f, 9.5f, 6.0f),
            RoundSection(-92, -3.0f, 5.0f, 3.5f),
            {{0, -4.0f, -106}}},
           true, false, false);
    // A dark band round the nose and two small vanes on its back.
    const int band = m.AddPart("band", nose, {0, 0, 0}, 70, 76, 96);
    m.Loft(band, {RoundSection(-55, 0.0f, 12.2f, 7.9f), RoundSection(-62, -0.45f, 11.2f, 7.2f)},
           true, false, false);
    for (int side = -1; side <= 1; side += 2)
        m.Slab(band,
               {V3{side * 3.5f, 1.5f, -88}, V3{side * 3.5f, 5.5f, -79}, V3{side * 3.5f, 5.5f, -74},
                V3{side * 3.5f, 3.5f, -74}},
               1.4f);

    // The canopy far forward on the back, tall enough that the eye looks down along the nose;
    // every point lies less than 15 units ahead of the eye (the near plane's distance at the
    // game's scale), so from the eye it is cut away.
    const int canopy = m.AddPart("canopy", hull, {0, 9.5f, -26}, 90, 200, 255);
    {
        std::vector<Ring> rings;
        rings.push_back({{0, 0.5f, -12}});
        const float zs[3] = {-7, 1, 8};
        const float rs[3] = {5.0f, 7.0f, 5.0f};
        const float hs[3] = {5.5f, 9.0f, 5.5f};
        for (int i = 0; i < 3; ++i) {
            Ring r;
            for (int k = 0; k <= 4; ++k) {
                float a = 3.14159265f * k / 4.0f;
                r.push_back({rs[i] * std::cos(a), hs[i] * std::sin(a), zs[i]});
            }
            rings.push_back(r);
        }
        rings.push_back({{0, 0.5f, 12}});
        m.Loft(canopy, rings, true, false, false);
    }
    // The pilot's eye, a never-drawn marker at the top of the canopy. The near plane cuts the
    // front of the hull and the root of the nose open; from this high the cut lies below the
    // lower edge of the view, where the outlines of what is inside cannot show.
    m.AddPart("V", canopy, {0, 9.5f, 0}, 158, 0, 158);

    // The delta, drooping a little toward the tips, with an upright fin at each tip.
    const int wings = m.AddPart("wings", hull, {0, 0, 0}, 52, 118, 214);
    const int fins = m.AddPart("fins", wings, {0, 0, 0}, 222, 52, 52);
    for (int side = -1; side <= 1; side += 2) {
        const float sx = static_cast<float>(side);
        m.Slab(
            wings,
            {V3{sx * 12, -1, -40}, V3{sx * 72, -7, 26}, V3{sx * 72, -7, 46}, V3{sx * 12, -1, 58}},
            3.5f);
        m.Slab(fins,
               {V3{sx * 72, -7, 18}, V3{sx * 72, 20, 38}, V3{sx * 72, 20, 50}, V3{sx * 72, -7, 48}},
               3.0f);
    }

    // Engines under the wing roots, each with the glow of its exhaust: one textured part
    // drawn with the game's particle picture (texture 3), bright in the middle.
    const int engines = m.AddPart("engines", wings, {0, 0, 0}, 200, 206, 220);
    const int exhaust = m.AddPart("exhaust", hull, {0, 0, 0}, 255, 176, 80);
    m.Part(exhaust).textureId = 3;
    for (int side = -1; side <= 1; side += 2) {
        const float sx = static_cast<float>(side);
        V3 c{sx * 24, -8, 0};
        m.Loft(engines,
               {Ellipse(c + V3{0, 0, -6}, kX, kY, 6.0f, 6.0f, 6, 0),
                Ellipse(c + V3{0, 0, 62}, kX, kY, 8.0f, 8.0f, 6, 0)},
               true, true, true);
        V3 back = c + V3{0, 0, 62.6f};
        const float r = 8.5f;
        const V3 quad[4] = {back + V3{r, r, 0}, back + V3{-r, r, 0}, back + V3{-r, -r, 0},
                            back + V3{r, -r, 0}};
        const float uv[8] = {1, 0, 0, 0, 0, 1, 1, 1};
        m.TexturedQuad(exhaust, quad, uv, kZ);
    }

    // The guns: origins are the muzzles, barrels run back from them.
    const int noseGun = m.AddPart("W0", nose, {0, -7.0f, -100}, 70, 76, 96);
    Barrel(m, noseGun, 34, 1.8f);
    for (int side = -1; side <= 1; side += 2) {
        const int gun =
            m.AddPart(side < 0 ? "W1" : "W2", wings, {side * 20.0f, -3.0f, -45}, 70, 76, 96);
        Barrel(m, gun, 30, 2.2f);
    }
    const int bellyGun = m.AddPart("W3", hull, {0, -11.5f, 10}, 70, 76, 96);
    Barrel(m, bellyGun, 30, 2.4f);
    return m;
}

// ---------------------------------------------------------------------------------------
// The enemy fighter, a "hornet": a stout pale body, sharp at both ends, carrying four broad pink
// blades in an X: two pincers reaching up, out and forward, two tail blades hanging down and
// back. It has to read at combat range (150 to 250 units, where it is 20 to 30 pixels across
// and its outline several pixels wide), so it is made of few, large, light surfaces: the
// canted blades show their faces from behind, from the side and from above alike, and from
// behind it is an X, nothing like the player's flat arrowhead. The guns are bare markers.

namespace {

// A thick tapering blade from a root section to a tip section, each a lozenge in the plane
// across the blade: from its leading edge (z0) over its back to its trailing edge (z1) and
// under its belly, thickness t across the blade's own up direction.
struct Section {
    V3 centre;  // on the blade's middle line; the section's z runs from z0 to z1
    float z0, z1, t;
};

Ring Lozenge(const Section& s, V3 up)
{
    const float mid = 0.5f * (s.z0 + s.z1);
    return Ring{
        V3{s.centre.x, s.centre.y, s.z0}, V3{s.centre.x, s.centre.y, mid} + up * (0.5f * s.t),
        V3{s.centre.x, s.centre.y, s.z1}, V3{s.centre.x, s.centre.y, mid} - up * (0.5f * s.t)};
}

// A blade leaning cant degrees from the horizontal (up for positive) on side sx, from root out
// along the lean by span. With reach, the tip's outermost corner is put at exactly that x (on
// either side), whatever the rounding of the lean made of it.
void Blade(MeshModel& m, int part, float sx, V3 root, float cant, float span, Section r, Section t,
           float reach = 0.0f)
{
    const float c = cant * 3.14159265f / 180.0f;
    const V3 along{sx * std::cos(c), std::sin(c), 0.0f};
    const V3 up{-sx * std::sin(c), std::cos(c), 0.0f};
    r.centre = root;
    t.centre = root + along * span;
    Ring tip = Lozenge(t, up);
    if (reach > 0.0f) {
        V3* outer = &tip[0];
        for (V3& p : tip)
            if (sx * p.x > sx * outer->x) outer = &p;
        outer->x = sx * reach;
    }
    m.Loft(part, {Lozenge(r, up), tip}, false, true, true);
}

}  // namespace

MeshModel MakeEnemyFighter()
{
    MeshModel m;
    const int body = m.AddPart("body", -1, {0, 0, 0}, 232, 222, 250);
    auto diamond = [](float z, float y, float w, float h) {
        return Ring{{w, y, z}, {0, y + h, z}, {-w, y, z}, {0, y - h, z}};
    };
    m.Loft(body,
           {{{0, 0, -72}},
            diamond(-36, 0, 15, 14),
            diamond(0, 1, 20, 20),
            diamond(30, 1, 13, 13),
            {{0, 1, 52}}},
           false, false, false);

    const int blades = m.AddPart("blades", body, {0, 0, 0}, 255, 96, 180);
    const float cantUp = 45.0f, cantDown = -50.0f;
    const float kReach = 66.2369843f;
    for (int side = -1; side <= 1; side += 2) {
        const float sx = static_cast<float>(side);
        // The pincers, swept forward to sharp claws. They reach out to kReach, which with the
        // tail's end at z = 52 keeps the fighter's collision radius what it has always been
        // (5.91 units in the game).
        const float span = (kReach - 14.0f) / std::cos(cantUp * 3.14159265f / 180.0f);
        Blade(m, blades, sx, {sx * 10.0f, 4.0f, 0.0f}, cantUp, span, {{}, -22, 30, 16},
              {{}, -58, -40, 6}, kReach);
        // The tail blades, swept back.
        Blade(m, blades, sx, {sx * 8.0f, -4.0f, 0.0f}, cantDown, 36.0f, {{}, 8, 46, 14},
              {{}, 34, 50, 6});
    }

    // The two bolts of a shot fly side by side along the same line. Bolts are spheres of radius
    // 1 at the game's scale of 0.1, so the muzzles sit 28 units apart: at any aim inside the
    // 25 degree firing cone the bolts stay more than 2 units apart and never block each other
    // (which would set off a blast right in front of the fighter). They are never drawn.
    for (int i = 0; i < 2; ++i) {
        float x = i == 0 ? 14.0f : -14.0f;
        m.AddPart(i == 0 ? "W0" : "W1", body, {x, -3.0f, -30.0f}, 158, 0, 158);
    }
    return m;
}

// ---------------------------------------------------------------------------------------
// The factory: a broad works hall under a sawtooth roof of three north lights, a brick annex,
// a round silo and two tall chimneys. Big enough that its collision reach (about 31 units)
// covers the ships' flight height of 25 with room to spare, so a level volley over it hits.
// It stands on the ground plane: every point has y >= 0, and faces that would lie on the
// ground are left out.

MeshModel MakeFactory()
{
    MeshModel m;
    const int hall = m.AddPart("hall", -1, {0, 0, 0}, 214, 200, 168);
    m.Box(hall, {-230, 0, -170}, {170, 120, 170}, MeshModel::kSkipMinusY);

    // Three teeth, each sloping up from one end to a steep glazed face at the other.
    const int roof = m.AddPart("roof", hall, {0, 120, 0}, 92, 148, 170);
    for (int i = 0; i < 3; ++i) {
        float x0 = -230.0f + 133.3f * static_cast<float>(i), x1 = x0 + 133.3f;
        const V3 c[8] = {{x0, 0, -170}, {x1, 0, -170}, {x1, 70, -170}, {x0, 8, -170},
                         {x0, 0, 170},  {x1, 0, 170},  {x1, 70, 170},  {x0, 8, 170}};
        m.Hexahedron(roof, c, MeshModel::kSkipMinusY);
    }

    const int annex = m.AddPart("annex", hall, {0, 0, 0}, 196, 96, 72);
    m.Box(annex, {170, 0, -130}, {320, 80, 70}, MeshModel::kSkipMinusY | MeshModel::kSkipMinusX);

    const int silo = m.AddPart("silo", hall, {-110, 0, 240}, 204, 212, 220);
    m.Loft(silo, {Ellipse({0, 0, 0}, kX, kZ, 60, 60, 8), Ellipse({0, 150, 0}, kX, kZ, 60, 60, 8)},
           true, false, true);

    const int chimneys = m.AddPart("chimneys", hall, {0, 0, 0}, 190, 78, 60);
    for (int i = 0; i < 2; ++i) {
        V3 base = i == 0 ? V3{-170, 0, -60} : V3{-100, 0, -60};
        float height = i == 0 ? 360.0f : 300.0f;
        m.Loft(chimneys,
               {Ellipse(base, kX, kZ, 22, 22, 6, 30),
                Ellipse(base + V3{0, height, 0}, kX, kZ, 15, 15, 6, 30)},
               true, false, true);
    }
    return m;
}

}  // namespace mediagen
