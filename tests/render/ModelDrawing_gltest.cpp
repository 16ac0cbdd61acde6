// SPDX-License-Identifier: MIT
// The model renderer keeps each object ready for GL (shaded corners in arrays with ramp
// coordinates worked out per corner, textured ones in display lists), draws each outline edge
// once and leaves out what lies outside the view. These tests draw fixed scenes of the game's
// own models, and a coarse smooth sphere, both that way and the way every vertex used to be
// sent (the outline from GL's own back faces in line mode), still kept here as the reference,
// and compare the pictures; and they check that a model edited after it was drawn is drawn
// edited.
#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "GLFixture.h"
#include "TestShapes.h"
#include "assets/MediaArchive.h"
#include "entities/GameEntity.h"
#include "entities/HitSphere.h"
#include "math/View.h"
#include "render/DrawBatch.h"
#include "render/Model.h"
#include "render/ModelFile.h"
#include "render/ModelRenderer.h"
#include "render/SkyDome.h"
#include "render/Texture.h"
#include "render/ViewVolume.h"

namespace {

// ---- The reference: every corner sent on its own, fill and outline per object --------------

void ReferenceDrawPart(const ModelInstance& instance, int32_t object)
{
    const ModelObject& o = instance.model->objects[object];
    const bool shaded = o.textureId == -1;
    std::vector<float> shading;
    if (shaded) {
        shading = ComputeShading(instance, object);
        if (shading.empty()) return;
        glEnable(GL_TEXTURE_1D);
        glBindTexture(GL_TEXTURE_1D, RAMP_TEXTURE);
    } else {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(o.textureId + instance.textureOffset));
    }
    glColor3ub(static_cast<GLubyte>(o.red), static_cast<GLubyte>(o.green),
               static_cast<GLubyte>(o.blue));
    auto corners = [&](bool ramp, bool uv) {
        glBegin(GL_TRIANGLES);
        for (int32_t t = 0; t < o.triangleCount; ++t) {
            const ModelTriangle& tri = o.triangles[t];
            const int32_t index[3] = {tri.a, tri.b, tri.c};
            for (int c = 0; c < 3; ++c) {
                const ModelPoint& p = o.points[index[c]];
                if (ramp) glTexCoord1f(shading[1 + 3 * t + c]);
                if (uv) glTexCoord2f(p.u, p.v);
                glVertex3f(p.x, p.y, p.z);
            }
        }
        glEnd();
    };
    if (shaded) {
        corners(true, false);
        float width = 4.0f * shading[0];
        glLineWidth(width > 0.0f ? width : 1.0f / 1024.0f);
        glColor3f(0.0f, 0.0f, 0.0f);
        glDepthFunc(GL_LEQUAL);
        glPolygonMode(GL_BACK, GL_LINE);
        glCullFace(GL_FRONT);
        corners(false, false);
        glCullFace(GL_BACK);
        glDepthFunc(GL_LESS);
        glPolygonMode(GL_BACK, GL_FILL);
        glLineWidth(1.0f);
    } else {
        corners(false, true);
    }
    glColor3f(1.0f, 1.0f, 1.0f);
    glDisable(shaded ? GL_TEXTURE_1D : GL_TEXTURE_2D);
}

void ReferenceDrawInstance(const ModelInstance& instance)
{
    for (int32_t k = 0; k < instance.model->count; ++k) {
        if (IsNeverDrawn(instance.model->objects[k])) continue;
        glPushMatrix();
        instance.ApplyPartTransform(k, false);
        ReferenceDrawPart(instance, k);
        glPopMatrix();
    }
}

void ReferenceHitSphere(const Vector3D& c, float radius, int bands, int sectors, int alpha)
{
    BeginBlend(1);
    glDisable(GL_CULL_FACE);
    glBegin(GL_QUADS);
    glColor4ub(45, 117, 34, static_cast<GLubyte>(alpha));
    const float step = 360.0f / static_cast<float>(sectors);
    auto vertex = [&](int j, float b) {
        const double level = static_cast<double>(j) / bands;
        const double ring = radius * std::sqrt(std::fmax(0.0, 1.0 - level * level));
        const double angle = b * static_cast<double>(DEG_TO_RAD);
        glVertex3f(static_cast<float>(c.x + ring * std::cos(angle)),
                   static_cast<float>(c.y + j * static_cast<double>(radius) / bands),
                   static_cast<float>(c.z + ring * std::sin(angle)));
    };
    for (int i = -bands; i < bands; ++i)
        for (int s = 0; s < sectors; ++s) {
            const float a = -step * static_cast<float>(s);
            vertex(i, a);
            vertex(i, a - step);
            vertex(i + 1, a - step);
            vertex(i + 1, a);
        }
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnd();
    glEnable(GL_CULL_FACE);
    EndBlend();
}

// ---- Scenes ------------------------------------------------------------------------------------

struct Placed {
    Model* model;
    Vector3D position;
    float heading;  // degrees about y, 0 = along +x
    bool hit;  // a hit sphere around it
    float scale = 0.1f;  // as the game's entities; negative mirrors the model
    bool partByPart = false;  // each object drawn alone under a matrix set by the caller
};

struct Picture {
    std::vector<uint8_t> rgb;
    Rgb At(int x, int y) const
    {
        const size_t i = 3 * (static_cast<size_t>(y) * 640 + static_cast<size_t>(x));
        return Rgb{rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

Picture ReadPicture()
{
    Picture p;
    p.rgb.resize(640 * 480 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 640, 480, GL_RGB, GL_UNSIGNED_BYTE, p.rgb.data());
    return p;
}

bool Near(const Rgb& a, const Rgb& b)
{
    return std::abs(a.r - b.r) <= 1 && std::abs(a.g - b.g) <= 1 && std::abs(a.b - b.b) <= 1;
}

// Pixels that differ, and of those the ones whose new colour appears nowhere within
// kBoundaryReach pixels of them in the reference: those are no boundary that moved a little
// but something else. Boundaries move at outline edges (an edge between two back faces is
// drawn twice in the reference, once each way, and once here; GL leaves out a line's last
// pixel, so a pixel at a corner can go), and where two parts of a model have faces in one
// plane (an exhaust set into its engine): there the depth test decides by the last bits of
// rounding, and an unposed model's parts are moved by their pivots in its corner arrays
// rather than by a matrix each, which rounds differently.
constexpr int kBoundaryReach = 6;

struct Difference {
    int differing = 0;
    int unexplained = 0;
    int farthest = 0;  // the largest distance at which a differing pixel's colour was found
    std::string firstUnexplained;
};

Difference Compare(const Picture& reference, const Picture& drawn)
{
    Difference d;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const Rgb want = reference.At(x, y);
            const Rgb got = drawn.At(x, y);
            if (Near(want, got)) continue;
            ++d.differing;
            int found = -1;
            for (int r = 1; r <= kBoundaryReach && found < 0; ++r)
                for (int dy = -r; dy <= r && found < 0; ++dy)
                    for (int dx = -r; dx <= r && found < 0; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx >= 0 && nx < 640 && ny >= 0 && ny < 480 &&
                            Near(reference.At(nx, ny), got))
                            found = r;
                    }
            if (found > d.farthest) d.farthest = found;
            if (found < 0 && d.unexplained++ == 0) {
                std::ostringstream s;
                s << "(" << x << ", " << 479 - y << ") drawn " << got << ", reference " << want;
                d.firstUnexplained = s.str();
            }
        }
    return d;
}

ModelInstance Instance(const Placed& p)
{
    ModelInstance inst;
    inst.AttachModel(p.model);
    inst.scale = p.scale;
    inst.position = p.position;
    const float rad = p.heading * DEG_TO_RAD;
    inst.forward = Vector3D{std::cos(rad), 0.0f, -std::sin(rad)};
    return inst;
}

class ModelDrawingTest : public GLFixture {
protected:
    void SetUp() override
    {
        GLFixture::SetUp();
        // The game's settings.
        SetFrustum(-1.0f, 1.0f, -0.75f, 0.75f, 1.5f, 4000.0f);
        SetClearColor(208, 232, 234);
        EnableAlphaTest();
        LightDirection = Vector3D{1.0f, -1.0f, 0.0f};
        Normalize(LightDirection);
        RegisterGameArchive();
        Load("Media\\XWing.bin", xwing);
        Load("Media\\TieFighter.bin", fighter);
        Load("Media\\Factory.bin", factory);
    }
    void TearDown() override
    {
        MediaArchive::Reset();
        GLFixture::TearDown();
    }

    // The build makes the archive beside the tests.
    static void Load(const char* name, Model& model)
    {
        bool complete = false;
        uint8_t* data = MediaArchive::ReadEntry(name, &complete);
        ASSERT_TRUE(data && complete) << name << " from ZabroData.arc in the build folder";
        const size_t size =
            static_cast<size_t>(MediaArchive::EntrySize(MediaArchive::FindEntry(name)));
        ASSERT_TRUE(LoadBinaryModel(model, data, size)) << name;
        delete[] data;
        ASSERT_GT(model.count, 0) << name;
    }

    // The scene drawn one way and read back.
    static Picture Draw(const std::vector<Placed>& scene, bool reference)
    {
        ClearFrame();
        ApplyCamera();
        for (const Placed& p : scene) {
            const ModelInstance inst = Instance(p);
            if (reference) {
                ReferenceDrawInstance(inst);
            } else if (p.partByPart) {
                for (int32_t k = 0; k < inst.model->count; ++k) {
                    glPushMatrix();
                    inst.ApplyPartTransform(k, false);
                    DrawPart(inst, k);
                    glPopMatrix();
                }
            } else {
                DrawInstance(inst);
            }
            if (p.hit) {
                const float radius = 2.0f * InstanceReachRadius(inst);
                if (reference) ReferenceHitSphere(p.position, radius, 10, 10, 160);
                else DrawHitSphere(p.position, radius, 10, 10, 45, 117, 34, 160);
            }
        }
        return ReadPicture();
    }

    // At most this share of the window's pixels may come out different, each only where a
    // boundary moved by a few pixels.
    static constexpr double kAllowedShare = 0.001;  // 307 of 307,200 pixels

    void ExpectSamePicture(const std::vector<Placed>& scene, const char* what)
    {
        SCOPED_TRACE(what);
        const Picture reference = Draw(scene, true);
        const Picture drawn = Draw(scene, false);
        int background = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                background += reference.At(x, y) == (Rgb{208, 232, 234}) ? 1 : 0;
        ASSERT_LT(background, 640 * 480 - 500) << "the scene shows hardly anything";
        const Difference d = Compare(reference, drawn);
        // QB_DUMP=prefix writes both pictures as PPM files to look at.
        if (const char* dump = std::getenv("QB_DUMP")) {
            for (int which = 0; which < 2; ++which) {
                std::string name =
                    std::string(dump) + "-" + what + (which ? "-new.ppm" : "-ref.ppm");
                FILE* f = std::fopen(name.c_str(), "wb");
                std::fprintf(f, "P6 640 480 255\n");
                const Picture& pic = which ? drawn : reference;
                for (int y = 479; y >= 0; --y)
                    std::fwrite(&pic.rgb[3 * 640 * static_cast<size_t>(y)], 1, 3 * 640, f);
                std::fclose(f);
            }
            std::printf("%s: %d differing, %d unexplained, farthest %d\n", what, d.differing,
                        d.unexplained, d.farthest);
        }
        EXPECT_LE(d.differing, static_cast<int>(kAllowedShare * 640 * 480));
        EXPECT_EQ(d.unexplained, 0) << d.firstUnexplained;
        ::testing::Test::RecordProperty(std::string(what) + " differing pixels", d.differing);
    }

    Model xwing, fighter, factory;
};

TEST_F(ModelDrawingTest, ChaseViewLooksAsBefore)
{
    // The player's ship at (0, 25, 0) heading along +x, the camera 72 units behind and 20
    // degrees above it as the chase camera settles; fighters near and far, one hit, one
    // factory, and ships behind the camera and off to the sides that must not show.
    const Vector3D player{0.0f, 25.0f, 0.0f};
    PlaceChaseCamera(player, Vector3D{1.0f, 0.0f, 0.0f}, 20.0f);
    const std::vector<Placed> scene = {
        {&xwing, player, 0.0f, false},
        {&fighter, {40.0f, 28.0f, 6.0f}, 150.0f, true},
        {&fighter, {90.0f, 20.0f, -25.0f}, 30.0f, false},
        {&fighter, {250.0f, 40.0f, 60.0f}, 270.0f, true},
        {&fighter, {700.0f, 25.0f, -150.0f}, 90.0f, false},
        {&fighter, {1900.0f, 60.0f, 300.0f}, 200.0f, false},
        {&factory, {300.0f, 0.0f, 40.0f}, 0.0f, false},
        {&factory, {120.0f, 0.0f, -70.0f}, 45.0f, true},
        {&fighter, {-200.0f, 25.0f, 0.0f}, 0.0f, true},  // behind the camera
        {&fighter, {60.0f, 25.0f, 400.0f}, 0.0f, false},  // far off to the right
        {&factory, {-600.0f, 0.0f, -300.0f}, 0.0f, false},
    };
    ExpectSamePicture(scene, "chase view");
}

TEST_F(ModelDrawingTest, ViewFromAboveLooksAsBefore)
{
    CameraEye = Vector3D{0.0f, 1000.0f, 0.0f};
    CameraDirection = Vector3D{0.0f, -1.0f, 0.0f};
    CameraUp = Vector3D{1.0f, 0.0f, 0.0f};
    const std::vector<Placed> scene = {
        {&xwing, {0.0f, 25.0f, 0.0f}, 0.0f, false},
        {&fighter, {60.0f, 25.0f, 30.0f}, 120.0f, true},
        {&fighter, {-150.0f, 25.0f, -200.0f}, 10.0f, false},
        {&factory, {200.0f, 0.0f, -100.0f}, 0.0f, false},
        {&factory, {-300.0f, 0.0f, 250.0f}, 60.0f, true},
        {&fighter, {1500.0f, 25.0f, 0.0f}, 0.0f, false},  // outside the picture
    };
    ExpectSamePicture(scene, "view from above");
}

TEST_F(ModelDrawingTest, CockpitViewLooksAsBefore)
{
    // The camera at the player ship's eye part (the first object whose name holds a V, as the
    // game finds it), looking where the ship looks; the ship's own parts around the camera
    // are cut by the near plane.
    const Placed own{&xwing, {0.0f, 25.0f, 0.0f}, 20.0f, false};
    const ModelInstance ship = Instance(own);
    int32_t eye = -1;
    for (int32_t k = 0; k < xwing.count && eye < 0; ++k)
        if (std::strchr(xwing.objects[k].name ? xwing.objects[k].name : "", 'V')) eye = k;
    Vector3D at{0.0f, 0.0f, 0.0f}, forward, up;
    if (eye >= 0 && ship.PartPointToWorld(eye, at) && ship.GetPartDirections(eye, forward, up)) {
        CameraEye = at;
        CameraDirection = forward;
        CameraUp = up;
    } else {
        CameraEye = own.position + Vector3D{0.0f, 0.5f, 0.0f};
        CameraDirection = ship.forward;
        CameraUp = Vector3D{0.0f, 1.0f, 0.0f};
    }
    const Vector3D ahead = CameraEye + CameraDirection * (40.0f / Length(CameraDirection));
    const std::vector<Placed> scene = {
        own,
        {&fighter, ahead, 200.0f, true},
        {&fighter, ahead + Vector3D{150.0f, 10.0f, -80.0f}, 0.0f, false},
        {&factory, {ahead.x + 300.0f, 0.0f, ahead.z - 120.0f}, 0.0f, false},
    };
    ExpectSamePicture(scene, "cockpit view");
}

// The outline is drawn from the edges of the faces that turn away from the eye, worked out on
// the CPU: it must match GL's own back faces when the matrices mirror the model too, and when
// an object is drawn alone under a matrix the caller has set.
TEST_F(ModelDrawingTest, MirroredAndPartByPartLookAsBefore)
{
    const Vector3D player{0.0f, 25.0f, 0.0f};
    PlaceChaseCamera(player, Vector3D{1.0f, 0.0f, 0.0f}, 20.0f);
    const std::vector<Placed> scene = {
        {&xwing, player, 0.0f, false, 0.1f, true},
        {&fighter, {40.0f, 28.0f, 6.0f}, 150.0f, false, -0.1f},
        {&fighter, {90.0f, 20.0f, -25.0f}, 30.0f, false, 0.1f, true},
        {&fighter, {250.0f, 40.0f, 60.0f}, 270.0f, false, -0.1f, true},
        {&factory, {120.0f, 0.0f, -70.0f}, 45.0f, false, -0.1f},
    };
    ExpectSamePicture(scene, "mirrored and part by part");
}

// A coarse sphere with smooth normals (each corner's normal points out from the centre), as a
// modder might make one: 3 rings between the poles and 5 sectors. Its triangles have corners
// on either side of the band borders and of 0, where the ramp coordinate must be clamped at
// each corner before it is interpolated.
void AddSmoothSphere(Model& m, int obj, float radius, int rings, int sectors)
{
    auto point = [&](int ring, int sector) {
        const float lat = (-0.5f + float(ring) / float(rings)) * 3.14159265f;
        const float lon = float(sector) / float(sectors) * 6.28318531f;
        return Vector3D{std::cos(lat) * std::cos(lon), std::sin(lat),
                        std::cos(lat) * std::sin(lon)};
    };
    for (int ring = 0; ring < rings; ++ring)
        for (int sector = 0; sector < sectors; ++sector) {
            const Vector3D c[4] = {point(ring, sector), point(ring + 1, sector),
                                   point(ring + 1, sector + 1), point(ring, sector + 1)};
            const int tris[2][3] = {{0, 1, 2}, {0, 2, 3}};
            for (const auto& t : tris) {
                int p[3];
                for (int k = 0; k < 3; ++k)
                    p[k] =
                        m.AddPoint(obj, c[t[k]].x * radius, c[t[k]].y * radius, c[t[k]].z * radius);
                const int tri = m.AddTriangle(obj, p[0], p[1], p[2]);
                for (int k = 0; k < 3; ++k)
                    m.SetNormal(obj, tri, k, c[t[k]].x, c[t[k]].y, c[t[k]].z);
            }
        }
}

// Every band border where the design puts it: the same pixels as the reference, which gives each
// corner its clamped ramp coordinate. Drawn whole and part by part, turned several ways.
TEST_F(ModelDrawingTest, CoarseSmoothSphereHasExactBands)
{
    Model sphere;
    const int obj = sphere.AddObject();
    sphere.SetColor(obj, 210, 180, 90);
    AddSmoothSphere(sphere, obj, 300.0f, 3, 5);
    CameraEye = Vector3D{0, 0, 0};
    CameraDirection = Vector3D{1, 0, 0};
    CameraUp = Vector3D{0, 1, 0};
    int compared = 0;
    for (float heading : {0.0f, 37.0f, 150.0f, 260.0f})
        for (bool partByPart : {false, true}) {
            SCOPED_TRACE(::testing::Message()
                         << "heading " << heading << (partByPart ? ", part by part" : ""));
            const std::vector<Placed> scene = {
                {&sphere, {80.0f, 4.0f, -3.0f}, heading, false, 0.1f, partByPart}};
            const Picture reference = Draw(scene, true);
            const Picture drawn = Draw(scene, false);
            // The outline may differ as the other scenes allow (an edge drawn once leaves out a
            // corner pixel the reference draws twice); the fill must not differ at all.
            int bands = 0, outline = 0, shown = 0;
            auto black = [](const Picture& p, size_t i) {
                return p.rgb[i] == 0 && p.rgb[i + 1] == 0 && p.rgb[i + 2] == 0;
            };
            for (size_t i = 0; i < drawn.rgb.size(); i += 3) {
                const bool same = reference.rgb[i] == drawn.rgb[i] &&
                                  reference.rgb[i + 1] == drawn.rgb[i + 1] &&
                                  reference.rgb[i + 2] == drawn.rgb[i + 2];
                if (!same) ++(black(reference, i) || black(drawn, i) ? outline : bands);
                shown += drawn.rgb[i] != 208 || drawn.rgb[i + 1] != 232 || drawn.rgb[i + 2] != 234;
            }
            EXPECT_GT(shown, 20000);  // a tenth of the window and more
            EXPECT_EQ(bands, 0);
            EXPECT_LE(outline, 8);
            ++compared;
        }
    EXPECT_EQ(compared, 8);
}

// ---- Draw batches ------------------------------------------------------------------------------

enum class PassOrder {
    Game,  // each entity's hit sphere (when it was hit), then the entity, at once
    Batched,  // the same requests in a draw batch
    GlowsFirst,  // at once, every hit sphere first and then every entity (what a batch must not do)
};

// A pass over the scene as the game draws it, with the camera turning to a second view after
// `turnAfter` entities (the player's own step moves it in the middle of a pass).
Picture DrawAsAPass(const std::vector<Placed>& scene, PassOrder order, size_t turnAfter)
{
    const Vector3D player{0.0f, 25.0f, 0.0f};
    PlaceChaseCamera(player, Vector3D{1.0f, 0.0f, 0.0f}, 20.0f);
    ClearFrame();
    ApplyCamera();
    if (order == PassOrder::Batched) BeginDrawBatch();
    const size_t views = turnAfter < scene.size() ? 2 : 1;
    for (size_t view = 0; view < views; ++view) {
        const size_t from = view == 0 ? 0 : turnAfter;
        const size_t to = views == 1 || view == 1 ? scene.size() : turnAfter;
        if (view == 1) {
            Vector3D heading{1.0f, 0.0f, 0.2f};
            Normalize(heading);
            PlaceChaseCamera(player, heading, 30.0f);
            ApplyCamera();
        }
        // Step 0: the spheres alone; 1: the entities alone; 2: each sphere, then its entity.
        const int first = order == PassOrder::GlowsFirst ? 0 : 2;
        const int last = order == PassOrder::GlowsFirst ? 1 : 2;
        for (int step = first; step <= last; ++step)
            for (size_t i = from; i < to; ++i) {
                const Placed& p = scene[i];
                const ModelInstance inst = Instance(p);
                if (p.hit && step != 1)
                    DrawHitSphere(p.position, InstanceReachRadius(inst), 10, 10, 45, 117, 34, 200);
                if (step != 0) DrawInstance(inst);
            }
    }
    if (order == PassOrder::Batched) EndDrawBatch();
    return ReadPicture();
}

int DifferingPixels(const Picture& a, const Picture& b)
{
    int n = 0;
    for (size_t i = 0; i + 2 < a.rgb.size(); i += 3)
        n += a.rgb[i] != b.rgb[i] || a.rgb[i + 1] != b.rgb[i + 1] || a.rgb[i + 2] != b.rgb[i + 2];
    return n;
}

int BlackPixels(const Picture& p)
{
    int n = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) n += p.At(x, y) == Rgb{0, 0, 0};
    return n;
}

// A batch sends a run of ships as every fill, then every outline, and a run of hit spheres as
// one draw, in the order they were asked for. To the pixel, that is the picture of drawing
// each at once: ships overlapping one another keep their outlines where they show, a hit ship
// covers its own sphere, a ship drawn before another's sphere shows through it tinted, and the
// camera moving in the middle of the pass sends what waited first. A dense crowd (ships inside
// others' spheres, where sending the spheres before the ships would show) and a spread-out one.
TEST_F(ModelDrawingTest, ABatchDrawsThePassAsDrawingAtOnceDoes)
{
    // Fighters only: the player's ship has textured parts and is drawn at once, which sends
    // what waited before it (every ship is drawn in the order asked for around it).
    std::vector<Placed> dense;
    for (int i = 0; i < 40; ++i) {
        const float x =
            45.0f + 9.0f * static_cast<float>(i % 10) + 4.0f * static_cast<float>(i / 10);
        const float z =
            -30.0f + 6.5f * static_cast<float>(i % 7) + 2.0f * static_cast<float>(i / 10);
        const float y = 18.0f + 3.0f * static_cast<float>(i % 5);
        dense.push_back({&fighter, {x, y, z}, 37.0f * static_cast<float>(i), i % 3 == 0});
    }
    std::vector<Placed> spread;
    for (int i = 0; i < 12; ++i)
        spread.push_back({&fighter,
                          {60.0f + 25.0f * static_cast<float>(i), 20.0f + 6.0f * (i % 3),
                           -40.0f + 14.0f * static_cast<float>(i % 6)},
                          50.0f * static_cast<float>(i),
                          i % 2 == 0});
    struct Case {
        const char* what;
        const std::vector<Placed>& scene;
        size_t turnAfter;
        bool orderShows;
    };
    for (const Case& c : {Case{"dense crowd", dense, dense.size(), true},
                          Case{"dense crowd, camera moved halfway", dense, 21, true},
                          Case{"spread out", spread, spread.size(), false}}) {
        SCOPED_TRACE(c.what);
        const Picture batched = DrawAsAPass(c.scene, PassOrder::Batched, c.turnAfter);
        const Picture game = DrawAsAPass(c.scene, PassOrder::Game, c.turnAfter);
        EXPECT_EQ(DifferingPixels(batched, game), 0);
        // Where the order of spheres and ships shows in the picture.
        const int reordered =
            DifferingPixels(game, DrawAsAPass(c.scene, PassOrder::GlowsFirst, c.turnAfter));
        if (c.orderShows) EXPECT_GT(reordered, 100);
        else EXPECT_EQ(reordered, 0);
        // The scene shows outlines and glow.
        std::vector<Placed> unhit = c.scene;
        for (Placed& p : unhit) p.hit = false;
        EXPECT_GT(DifferingPixels(game, DrawAsAPass(unhit, PassOrder::Game, c.turnAfter)), 500);
        EXPECT_GT(BlackPixels(batched), 300);
    }
    EXPECT_FALSE(InDrawBatch());
}

// A factory's hit sphere is half under the ground: where the ground hides that half it is not
// drawn at all, which must not show. Factories with their spheres on the ground, seen from the
// chase camera, from above, from low down and from outside the square, against the reference.
TEST_F(ModelDrawingTest, HitSpheresOnTheGroundLookAsBefore)
{
    std::vector<uint8_t> skyRgb(256 * 128 * 3), groundRgb(128 * 128 * 3);
    for (size_t i = 0; i < skyRgb.size(); ++i) skyRgb[i] = uint8_t(120 + (i * 7) % 100);
    for (size_t i = 0; i < groundRgb.size(); ++i) groundRgb[i] = uint8_t((i * 91) ^ (i / 383));
    ASSERT_TRUE(CreateConstantAlphaTexture(skyRgb.data(), skyRgb.size(), 256, 128, 2, 1.0f));
    ASSERT_TRUE(CreateConstantAlphaTexture(groundRgb.data(), groundRgb.size(), 128, 128, 1, 1.0f));
    SkyDome sky(FrustumParams.far, 16, 20, 2);
    const Vector3D a{-1000, 0, -1000}, b{1000, 0, 1000};
    struct View {
        Vector3D eye, look;
        const char* what;
    };
    const View views[] = {
        {{-60, 60, 10}, {1, -0.35f, 0.05f}, "chase view"},
        {{150, 1000, 0}, {0, -1, 0}, "from above"},
        {{-30, 6, -40}, {1, -0.02f, 0.1f}, "low over the ground"},
        {{-1100, 80, 0}, {1, -0.1f, 0}, "from outside the square"},
        {{-400, 300, 500}, {0.8f, -0.5f, -0.6f}, "high and sideways"},
        {{100, -40, -250}, {0.1f, 0.25f, 1}, "from under the ground"},
    };
    // Factories on the ground (hit), one near the edge of the square, and a fighter above it.
    const std::vector<Placed> scene = {
        {&factory, {120, 0, 20}, 0, true},    {&factory, {300, 0, -150}, 45, true},
        {&factory, {960, 0, 100}, 10, true},  {&factory, {60, 0, 170}, 80, false},
        {&fighter, {90, 26, -40}, 150, true},
    };
    int spheresCut = 0;  // drawn without the bands under the ground
    for (const View& v : views) {
        SCOPED_TRACE(v.what);
        CameraEye = v.eye;
        CameraDirection = v.look;
        CameraUp = std::fabs(v.look.y) > 0.99f ? Vector3D{1, 0, 0} : Vector3D{0, 1, 0};
        Picture pictures[2];
        for (int way = 0; way < 2; ++way) {
            ClearFrame();
            ApplyCamera();
            DrawSkyAndGround(&sky, CameraEye, a, b, 1);
            for (const Placed& p : scene) {
                const ModelInstance inst = Instance(p);
                const float radius = 2.0f * InstanceReachRadius(inst);
                if (p.hit && way == 0) ReferenceHitSphere(p.position, radius, 10, 10, 200);
                if (p.hit && way == 1) {
                    DrawHitSphere(p.position, radius, 10, 10, 45, 117, 34, 200);
                    spheresCut += HitSphereFirstBand(p.position, radius, 10, CameraEye) > -10;
                }
                DrawInstance(inst);
            }
            pictures[way] = ReadPicture();
        }
        int differing = 0;
        for (size_t i = 0; i < pictures[0].rgb.size(); ++i)
            differing += pictures[0].rgb[i] != pictures[1].rgb[i];
        EXPECT_EQ(differing, 0);
    }
    // Most factory spheres lost their lower half; not from outside the square, nor the one at
    // its edge when the line of sight to it leaves the square.
    EXPECT_GE(spheresCut, 8);
    EXPECT_LT(spheresCut, 15);
}

// The lists are made from the model once; an edit afterwards must reach the screen.
TEST_F(ModelDrawingTest, ModelEditedAfterDrawingIsDrawnEdited)
{
    Model model;
    const int obj = model.AddObject();
    model.SetColor(obj, 200, 100, 60);
    const float k = 0.70710677f;
    AddFacingSquare(model, obj, 0, 0, -3, 1.5f, Vector3D{k, -k, 0});  // lit: brightest band
    ModelInstance inst;
    inst.AttachModel(&model);
    inst.position = Vector3D{20, 0, 0};
    CameraEye = Vector3D{0, 0, 0};
    CameraDirection = Vector3D{1, 0, 0};
    CameraUp = Vector3D{0, 1, 0};
    auto draw = [&] {
        ClearFrame();
        ApplyCamera();
        DrawInstance(inst);
    };
    draw();
    EXPECT_TRUE(Near(Pixel(320 - 72, 240), Rgb{200, 100, 60})) << Pixel(320 - 72, 240);

    // Turned away from the light: the darkest band.
    for (int t = 0; t < 2; ++t)
        for (int c = 0; c < 3; ++c) model.SetNormal(obj, t, c, -k, k, 0);
    draw();
    EXPECT_TRUE(Near(Pixel(320 - 72, 240), Rgb{100, 50, 30})) << Pixel(320 - 72, 240);

    // A second square added on the other side; a new colour.
    AddFacingSquare(model, obj, 0, 0, 3, 1.5f, Vector3D{k, -k, 0});
    model.SetColor(obj, 40, 200, 90);
    draw();
    EXPECT_TRUE(Near(Pixel(320 + 72, 240), Rgb{40, 200, 90})) << Pixel(320 + 72, 240);

    // Points moved by hand, then marked changed.
    for (int32_t i = 0; i < model.objects[obj].pointCount; ++i)
        model.objects[obj].points[i].y += 4.0f;
    model.Touch();
    draw();
    EXPECT_EQ(Pixel(320 + 72, 240), (Rgb{208, 232, 234}));
    EXPECT_TRUE(Near(Pixel(320 + 72, 240 - 96), Rgb{40, 200, 90})) << Pixel(320 + 72, 240 - 96);
}

// The hit sphere's GL state is met once at the start, invisibly: no pixel and no state changes.
TEST_F(ModelDrawingTest, PreparingTheHitSphereChangesNothingOnScreen)
{
    PlaceChaseCamera(Vector3D{0.0f, 25.0f, 0.0f}, Vector3D{1.0f, 0.0f, 0.0f}, 20.0f);
    const std::vector<Placed> scene = {{&fighter, {30.0f, 25.0f, 0.0f}, 90.0f, false}};
    const Picture before = Draw(scene, false);
    const std::vector<double> modelView = Matrix(GL_MODELVIEW_MATRIX);
    const std::vector<double> projection = Matrix(GL_PROJECTION_MATRIX);
    PrepareHitSphereDrawing();
    const Picture after = ReadPicture();
    EXPECT_TRUE(before.rgb == after.rgb);
    EXPECT_EQ(Matrix(GL_MODELVIEW_MATRIX), modelView);
    EXPECT_EQ(Matrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(GetInt(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_FALSE(IsOn(GL_BLEND));
    EXPECT_TRUE(IsOn(GL_CULL_FACE));
    EXPECT_TRUE(IsOn(GL_ALPHA_TEST));
    EXPECT_EQ(GetInt(GL_DEPTH_WRITEMASK), GL_TRUE);
}

// Which spheres count as out of sight: wholly beyond a plane, with the outline's pixels
// counted in, and never when the matrices make no volume.
TEST_F(ModelDrawingTest, SphereOutsideTheViewVolume)
{
    // Camera at the origin looking along +x (+z to the right, +y up); at depth 30 the view
    // reaches 20 units to either side and 15 up and down, and 4 pixels are 0.25 units.
    CameraEye = Vector3D{0, 0, 0};
    CameraDirection = Vector3D{1, 0, 0};
    CameraUp = Vector3D{0, 1, 0};
    ApplyCamera();
    const ViewVolume view = CurrentViewVolume();
    ASSERT_TRUE(view.valid);
    struct Case {
        Vector3D centre;
        float radius;
        float pixels;
        bool outside;
        const char* what;
    };
    const Case cases[] = {
        {{30, 0, 0}, 1, 0, false, "straight ahead"},
        {{-10, 0, 0}, 5, 0, true, "behind the camera"},
        {{1.0f, 0, 0}, 0.2f, 0, true, "between the eye and the near plane"},
        {{1.0f, 0, 0}, 1.0f, 0, false, "reaching through the near plane"},
        {{30, 0, 23}, 2, 0, true, "wholly right of the view"},
        {{30, 0, 21.5f}, 2, 0, false, "across the right edge"},
        {{30, 0, 22.56f}, 2, 0, true, "just right of the edge"},
        {{30, 0, 22.56f}, 2, 4, false, "just right, but its 4-pixel outline reaches in"},
        {{30, 0, -23}, 2, 0, true, "wholly left"},
        {{30, 18, 0}, 2, 0, true, "wholly above"},
        {{5000, 0, 0}, 500, 0, true, "beyond the far plane"},
        {{4200, 0, 0}, 500, 0, false, "reaching back over the far plane"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SphereOutside(view, c.centre, c.radius, c.pixels), c.outside) << c.what;

    // A projection that squashes everything gives no volume: nothing is left out.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glScalef(0.0f, 0.0f, 0.0f);
    glMatrixMode(GL_MODELVIEW);
    const ViewVolume flat = CurrentViewVolume();
    EXPECT_FALSE(flat.valid);
    EXPECT_FALSE(SphereOutside(flat, Vector3D{-10, 0, 0}, 1, 0));
    ApplyFrustum();
}

// Drawing culls against a volume it reads from GL only when the view has changed; after each
// change made through the render state it must be the one GL holds now, or ships would vanish
// or be drawn where nothing can be seen.
TEST_F(ModelDrawingTest, TheRememberedVolumeFollowsEveryChangeOfView)
{
    const Vector3D ahead{30, 0, 0};
    const Vector3D behind{-30, 0, 0};
    struct Step {
        const char* what;
        void (*change)();
        bool aheadOutside, behindOutside;
    };
    const Step steps[] = {
        {"camera looking along +x",
         [] {
             CameraDirection = Vector3D{1, 0, 0};
             ApplyCamera();
         },
         false, true},
        {"camera turned round",
         [] {
             CameraDirection = Vector3D{-1, 0, 0};
             ApplyCamera();
         },
         true, false},
        {"far plane brought in to 20 units",
         [] {
             SetFrustum(-1.0f, 1.0f, -0.75f, 0.75f, 1.5f, 20.0f);
             ApplyCamera();
         },
         true, true},
        {"far plane back out",
         [] {
             SetFrustum(-1.0f, 1.0f, -0.75f, 0.75f, 1.5f, 4000.0f);
             ApplyCamera();
         },
         true, false},
        {"2D drawing begun (flat: no volume, nothing left out)", [] { Begin2D(); }, false, false},
        {"2D drawing ended", [] { End2D(); }, true, false},
    };
    CameraEye = Vector3D{0, 0, 0};
    CameraUp = Vector3D{0, 1, 0};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        const ViewVolume& remembered = SceneViewVolume();
        const ViewVolume fresh = CurrentViewVolume();
        ASSERT_EQ(remembered.valid, fresh.valid);
        EXPECT_EQ(std::memcmp(remembered.planes, fresh.planes, sizeof fresh.planes), 0);
        EXPECT_EQ(remembered.pixelsPerUnit, fresh.pixelsPerUnit);
        EXPECT_EQ(SphereOutside(remembered, ahead, 1, 0), step.aheadOutside);
        EXPECT_EQ(SphereOutside(remembered, behind, 1, 0), step.behindOutside);
    }
}
}  // namespace
