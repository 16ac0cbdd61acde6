// SPDX-License-Identifier: MIT
// quenbrill-contact-sheet ARCHIVE OUT.png [VIEWS_DIR]
//
// One picture of all the game's media, read back out of the archive through the game's own
// reader: the start screen as the game draws it (picture, turning ship, prompt), every image
// at its real pixels, and the three models drawn by the game's model renderer from several
// sides. With VIEWS_DIR, every model render is also written there at full size
// (model-N-view-M.png), with the three game frames, for a closer look. Needs an OpenGL context (run
// it with SDL_VIDEODRIVER=offscreen on a headless machine).
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Png.h"
#include "assets/MediaArchive.h"
#include "assets/Sound.h"
#include "math/Vector.h"
#include "math/View.h"
#include "platform/Platform.h"
#include "render/Model.h"
#include "render/ModelFile.h"
#include "render/ModelRenderer.h"
#include "render/Overlay.h"
#include "render/RenderState.h"
#include "render/Billboard.h"
#include "render/SkyDome.h"
#include "render/Texture.h"

namespace {

constexpr int kSheetW = 1340;
constexpr int kMargin = 20;
constexpr uint8_t kBackground[3] = {28, 30, 40};

struct Picture {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    Picture() = default;
    Picture(int width, int height)
        : w(width), h(height), rgb(static_cast<size_t>(width) * height * 3)
    {
    }
    uint8_t* At(int x, int y) { return &rgb[(static_cast<size_t>(y) * w + x) * 3]; }
    const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * w + x) * 3]; }
};

std::vector<uint8_t> Entry(const char* name, bool* ok)
{
    bool complete = false;
    std::unique_ptr<uint8_t[]> data(MediaArchive::ReadEntry(name, &complete));
    int32_t size = MediaArchive::EntrySize(MediaArchive::FindEntry(name));
    if (!data || !complete) {
        std::fprintf(stderr, "quenbrill-contact-sheet: %s: cannot read entry %s\n",
                     MediaArchive::FileName(), name);
        *ok = false;
        return {};
    }
    return std::vector<uint8_t>(data.get(), data.get() + size);
}

void Blit(Picture& sheet, const Picture& src, int x0, int y0, int scale)
{
    for (int y = 0; y < src.h * scale; ++y)
        for (int x = 0; x < src.w * scale; ++x) {
            int sx = x0 + x, sy = y0 + y;
            if (sx < 0 || sy < 0 || sx >= sheet.w || sy >= sheet.h) continue;
            std::memcpy(sheet.At(sx, sy), src.At(x / scale, y / scale), 3);
        }
}

Picture FromRaw(const std::vector<uint8_t>& raw, int w, int h)
{
    Picture p(w, h);
    std::memcpy(p.rgb.data(), raw.data(), std::min(raw.size(), p.rgb.size()));
    return p;
}

// Labels in the game's own font, read from its image: glyphs tinted, key colour left out.
void Label(Picture& sheet, const Picture& font, int x, int y, const std::string& text,
           const uint8_t colour[3], int scale = 1)
{
    for (char ch : text) {
        if (ch != ' ') {
            int u = 0, v = 0;
            GlyphCell(ch, u, v);
            for (int gy = 0; gy < 16 * scale; ++gy)
                for (int gx = 0; gx < 16 * scale; ++gx) {
                    const uint8_t* f = font.At(u + gx / scale, v + gy / scale);
                    if (f[0] == 159 && f[1] == 0 && f[2] == 159) continue;
                    int px = x + gx, py = y + gy;
                    if (px < 0 || py < 0 || px >= sheet.w || py >= sheet.h) continue;
                    uint8_t* d = sheet.At(px, py);
                    for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(f[c] * colour[c] / 255);
                }
        }
        x += 18 * scale;
    }
}

Picture ReadFrame(int w, int h)
{
    Picture p(w, h);
    std::vector<uint8_t> rows(static_cast<size_t>(w) * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    for (int y = 0; y < h; ++y)
        std::memcpy(p.At(0, y), &rows[static_cast<size_t>(h - 1 - y) * w * 3],
                    static_cast<size_t>(w) * 3);
    return p;
}

Picture HalfSize(const Picture& src)
{
    Picture p(src.w / 2, src.h / 2);
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = src.At(2 * x, 2 * y)[c] + src.At(2 * x + 1, 2 * y)[c] +
                          src.At(2 * x, 2 * y + 1)[c] + src.At(2 * x + 1, 2 * y + 1)[c];
                p.At(x, y)[c] = static_cast<uint8_t>((sum + 2) / 4);
            }
    return p;
}

bool MakeContext(int w, int h)
{
    plat::WindowDesc desc;
    desc.title = "contact sheet";
    desc.clientWidth = w;
    desc.clientHeight = h;
    plat::NativeWindow window = plat::CreateNativeWindow(desc, nullptr);
    if (!window || !CreateGLContext(window, w, h)) {
        std::fprintf(
            stderr, "quenbrill-contact-sheet: no OpenGL context (try SDL_VIDEODRIVER=offscreen)\n");
        return false;
    }
    SetFrustum(FrustumParams.left, FrustumParams.right, FrustumParams.bottom, FrustumParams.top,
               FrustumParams.near, 4000.0f);
    LightDirection = {1.0f, -1.0f, 0.0f};
    Normalize(LightDirection);
    EnableAlphaTest();
    return true;
}

// The start screen as the game's controller draws it, with the ship turned part of the way.
Picture StartFrame(const std::vector<uint8_t>& start, const std::vector<uint8_t>& font, Model& ship)
{
    SetClearColor(208, 232, 234);
    CreateKeyedTexture(font.data(), font.size(), 256, 128, 4);
    SetFontTexture(4);
    CreateKeyedTexture(start.data(), start.size(), 256, 256, 5);
    ModelInstance title;
    title.AttachModel(&ship);
    title.position = {1000.0f, -100.0f, 0.0f};
    Vector3D f{1.0f, 0.0f, 0.0f}, u{0.0f, 1.0f, 0.0f};
    const float a = 14.0f;  // as after 280 ms of turning at 0.05 degrees per millisecond... times 1
    RotateZ(f, -a);
    RotateZ(u, -a);
    RotateY(f, 3.0f * a);
    RotateY(u, 3.0f * a);
    RotateX(f, a);
    RotateX(u, a);
    title.forward = f;
    title.up = u;
    CameraEye = {0.0f, 0.0f, 0.0f};
    CameraDirection = {1.0f, 0.0f, 0.0f};
    CameraUp = {0.0f, 1.0f, 0.0f};
    ClearFrame();
    ApplyCamera();
    SetSourceRect(0, 0, 255, 191);
    glDepthMask(GL_FALSE);
    DrawImage(5, 0, 0, 2.5f, false, false);
    glDepthMask(GL_TRUE);
    ClearSourceRect();
    DrawInstance(title);
    DrawText(320, 426, "<PRESS START>", 255, 0, 0, true, 1.0f);
    return ReadFrame(640, 480);
}

// The model from one side: azimuth 0 looks at its nose, elevation lifts the camera.
Picture ModelView(Model& model, float azimuth, float elevation, float distance, Vector3D target,
                  const std::string& fullSizePath)
{
    ModelInstance inst;
    inst.AttachModel(&model);
    SetClearColor(208, 232, 234);
    ClearFrame();
    Vector3D eye{0.0f, 0.0f, -distance};
    RotateX(eye, elevation);
    RotateY(eye, azimuth);
    CameraEye = eye + target;
    CameraDirection = target - CameraEye;
    CameraUp = {0.0f, 1.0f, 0.0f};
    ApplyCamera();
    DrawInstance(inst);
    Picture full = ReadFrame(800, 600);
    if (!fullSizePath.empty()) mediagen::WritePng(fullSizePath, full.w, full.h, full.rgb);
    return HalfSize(full);
}

// The chase camera of the game: behind and above the ship, looking at it, heading up.
void ChaseCamera(const Vector3D& position, const Vector3D& forward)
{
    const float e = 20.0f * DEG_TO_RAD;
    const float dist = 100.86f;
    Vector3D h{forward.x, 0.0f, forward.z};
    Normalize(h);
    CameraEye = position - h * (dist * std::cos(e));
    CameraEye.y += dist * std::sin(e);
    CameraDirection = position - CameraEye;
    Normalize(CameraDirection);
    Vector3D right = Cross(CameraDirection, Vector3D{0.0f, 1.0f, 0.0f});
    CameraUp = Cross(right, CameraDirection);
}

struct Scene {
    Model* ship;
    Model* fighter;
    Model* factory;
};

// A moment of play: the player's ship with a volley on its way, fighters, factories, and a
// fighter going up in flames, over the ground and under the sky. cockpit: seen from the
// ship's "V" part, as the game's second view mode does.
Picture GameFrame(const Scene& scene, bool cockpit)
{
    SetClearColor(208, 232, 234);
    ClearFrame();
    // The player's ship where every game starts: (0, 25, 0), heading along +x.
    Vector3D forward{1.0f, 0.0f, 0.0f};
    ModelInstance ship;
    ship.AttachModel(scene.ship);
    ship.scale = 0.1f;
    ship.position = {0.0f, 25.0f, 0.0f};
    ship.forward = forward;
    if (cockpit) {
        int32_t eye = -1;
        for (int32_t i = 0; i < scene.ship->count; ++i)
            if (std::strchr(scene.ship->objects[i].name, 'V')) eye = eye < 0 ? i : eye;
        Vector3D p{0.0f, 0.0f, 0.0f}, f, u;
        ship.PartPointToWorld(eye, p);
        ship.GetPartDirections(eye, f, u);
        CameraEye = p;
        CameraDirection = f;
        CameraUp = u;
    } else {
        ChaseCamera(ship.position, forward);
    }
    ApplyCamera();
    SkyDome sky(4000.0f, 16, 20, 2);
    sky.Draw(CameraEye);
    DrawGround({-1000.0f, 0.0f, -1000.0f}, {1000.0f, 0.0f, 1000.0f}, 1);

    Vector3D side = Cross(forward, Vector3D{0.0f, 1.0f, 0.0f});
    auto ahead = [&](float along, float across, float y) {
        Vector3D p = ship.position + forward * along + side * across;
        p.y = y;
        return p;
    };
    struct Placed {
        Model* model;
        Vector3D position;
        float heading;
    };
    const Placed others[] = {
        {scene.factory, ahead(230.0f, -40.0f, 0.0f), 0.0f},
        {scene.factory, ahead(420.0f, 150.0f, 0.0f), 0.0f},
        {scene.factory, ahead(600.0f, -260.0f, 0.0f), 0.0f},
        {scene.fighter, ahead(120.0f, 22.0f, 25.0f), 200.0f},
        {scene.fighter, ahead(170.0f, -30.0f, 25.0f), 170.0f},
        {scene.fighter, ahead(300.0f, 60.0f, 25.0f), 120.0f},
    };
    DrawInstance(ship);
    for (const Placed& o : others) {
        ModelInstance inst;
        inst.AttachModel(o.model);
        inst.scale = 0.1f;
        inst.position = o.position;
        Vector3D f{1.0f, 0.0f, 0.0f};
        RotateY(f, o.heading);
        inst.forward = f;
        DrawInstance(inst);
    }

    // Fire and bolt trails with the particle image, blended additively as the game does.
    BeginBlend(1);
    Vector3D blast = ahead(250.0f, 90.0f, 25.0f);
    const float puffs[][4] = {
        {0, 0, 0, 1.0f}, {3, 6, 2, 0.8f}, {-4, 11, -2, 0.6f}, {2, 17, 3, 0.45f}};
    for (const auto& q : puffs) {
        float t = 1.0f - q[3];
        glColor4f(1.0f, 1.0f - t, 0.5f * (1.0f - t), 0.5f + 0.5f * q[3]);
        DrawBillboard(3, blast + Vector3D{q[0], q[1], q[2]}, (21.0f + 6.0f * t) * 2.0f / 32.0f);
    }
    for (int k = 0; k < 4 && !cockpit; ++k) {
        for (int b = 0; b < 2; ++b) {
            Vector3D bolt =
                ahead(40.0f + 14.0f * k, b == 0 ? -5.5f : 5.5f, 25.0f + (k % 2 ? 1.2f : -1.2f));
            glColor4f(1.0f, 0.5f + 0.12f * k, 0.0f, 0.85f - 0.08f * k);
            DrawBillboard(3, bolt, (4.5f - 0.6f * k) * 2.0f / 32.0f);
        }
    }
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    EndBlend();
    return ReadFrame(640, 480);
}

// "22050 HZ 16 BIT  0.24 S" from a WAV header as this program writes it (fmt chunk first).
std::string WaveFormat(const std::vector<uint8_t>& wav)
{
    if (wav.size() < 44) return "";
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(wav[at] | (wav[at + 1] << 8) | (wav[at + 2] << 16)) |
               (static_cast<uint32_t>(wav[at + 3]) << 24);
    };
    uint32_t rate = u32(24), bits = wav[34], bytes = u32(40);
    char text[80];
    const uint32_t bytesPerSample = bits / 8;
    std::snprintf(
        text, sizeof text, "%u HZ %u BIT  %.2f S", rate, bits,
        rate && bytesPerSample ? static_cast<double>(bytes) / bytesPerSample / rate : 0.0);
    return text;
}

// The sound as the game's loader turns it into 44100 Hz mono samples.
Picture Waveform(const std::vector<uint8_t>& wav, int w, int h)
{
    Picture p(w, h);
    for (size_t i = 0; i < p.rgb.size(); i += 3) {
        p.rgb[i] = 12;
        p.rgb[i + 1] = 14;
        p.rgb[i + 2] = 22;
    }
    Sound sound(wav.data(), wav.size());
    if (!sound.loaded || sound.sampleCount <= 0) return p;
    for (int x = 0; x < w; ++x) {
        int a = static_cast<int>(static_cast<int64_t>(x) * sound.sampleCount / w);
        int b = static_cast<int>(static_cast<int64_t>(x + 1) * sound.sampleCount / w);
        int lo = 0, hi = 0;
        for (int i = a; i < std::max(b, a + 1) && i < sound.sampleCount; ++i) {
            lo = std::min(lo, static_cast<int>(sound.samples[i]));
            hi = std::max(hi, static_cast<int>(sound.samples[i]));
        }
        int y0 = h / 2 - hi * (h / 2 - 2) / 32768, y1 = h / 2 - lo * (h / 2 - 2) / 32768;
        for (int y = y0; y <= y1; ++y) {
            uint8_t* d = p.At(x, std::clamp(y, 0, h - 1));
            d[0] = 110;
            d[1] = 230;
            d[2] = 140;
        }
    }
    return p;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: quenbrill-contact-sheet ARCHIVE OUT.png [VIEWS_DIR]\n");
        return 2;
    }
    RegisterGameArchive();
    MediaArchive::Open(argv[1], MediaArchive::Key1(), MediaArchive::Key2());
    bool ok = true;
    std::vector<uint8_t> fontRaw = Entry("Media\\Font16x16_256128.raw", &ok);
    std::vector<uint8_t> particle = Entry("Media\\Particle32.raw", &ok);
    std::vector<uint8_t> sky = Entry("Media\\Sky256128.raw", &ok);
    std::vector<uint8_t> start = Entry("Media\\StartScreen256.raw", &ok);
    std::vector<uint8_t> terrain = Entry("Media\\Terrain128.raw", &ok);
    std::vector<uint8_t> weapon = Entry("Media\\Weapon0.wav", &ok);
    std::vector<uint8_t> boom = Entry("Media\\Boom.wav", &ok);
    struct ModelEntry {
        const char* entry;
        const char* title;
        Vector3D target;
        float distance;
        float views[3][2];  // azimuth (0: facing the nose), elevation, degrees
        Model model;
    } models[3] = {{"Media\\XWing.bin",
                    "PLAYER SHIP - XWING.BIN",
                    {0, 0, -4},
                    168,
                    {{-35, 22}, {-95, 6}, {155, 38}},
                    {}},
                   {"Media\\TieFighter.bin",
                    "ENEMY FIGHTER - TIEFIGHTER.BIN",
                    {0, 0, 0},
                    165,
                    {{-30, 15}, {20, 65}, {150, 25}},
                    {}},
                   {"Media\\Factory.bin",
                    "FACTORY - FACTORY.BIN",
                    {10, 80, 10},
                    490,
                    {{-40, 25}, {-120, 10}, {145, 45}},
                    {}}};
    for (ModelEntry& m : models) {
        std::vector<uint8_t> bytes = Entry(m.entry, &ok);
        std::string why;
        if (ok && !LoadBinaryModel(m.model, bytes.data(), bytes.size(), &why)) {
            std::fprintf(stderr, "quenbrill-contact-sheet: %s: %s\n", m.entry, why.c_str());
            ok = false;
        }
    }
    if (!ok) return 1;

    const Picture font = FromRaw(fontRaw, 256, 128);
    const uint8_t white[3] = {255, 255, 255};
    const uint8_t gold[3] = {255, 210, 110};

    const std::string viewsDir = argc == 4 ? argv[3] : "";
    if (!MakeContext(640, 480)) return 1;
    // The game's textures 1-3 exist from start-up on (models may use them too).
    CreateConstantAlphaTexture(terrain.data(), terrain.size(), 128, 128, 1, 1.0f);
    CreateConstantAlphaTexture(sky.data(), sky.size(), 256, 128, 2, 1.0f);
    CreateBrightnessAlphaTexture(particle.data(), particle.size(), 32, 32, 3);
    Picture frame = StartFrame(start, fontRaw, models[0].model);
    const Scene scene{&models[0].model, &models[1].model, &models[2].model};
    Picture chase = GameFrame(scene, false);
    Picture cockpit = GameFrame(scene, true);
    ReleaseGLContext();
    if (!viewsDir.empty()) {
        mediagen::WritePng(viewsDir + "/start-screen.png", frame.w, frame.h, frame.rgb);
        mediagen::WritePng(viewsDir + "/chase-view.png", chase.w, chase.h, chase.rgb);
        mediagen::WritePng(viewsDir + "/cockpit-view.png", cockpit.w, cockpit.h, cockpit.rgb);
    }

    if (!MakeContext(800, 600)) return 1;
    CreateBrightnessAlphaTexture(particle.data(), particle.size(), 32, 32, 3);
    std::vector<Picture> tiles;
    for (int m = 0; m < 3; ++m)
        for (int v = 0; v < 3; ++v) {
            std::string path;
            if (!viewsDir.empty())
                path = viewsDir + "/model-" + std::to_string(m) + "-view-" + std::to_string(v) +
                       ".png";
            tiles.push_back(ModelView(models[m].model, models[m].views[v][0], models[m].views[v][1],
                                      models[m].distance, models[m].target, path));
        }
    ReleaseGLContext();

    // Layout: game frames, the pictures at their own pixels (enlarged), the sounds, the models.
    const int colA = kMargin, colB = 552, colC = 1084;
    const int row1 = 64;
    const int row2 = row1 + 24 + 480 + 24;
    const int row3 = row2 + 24 + 256 + 24 + 256 + 24;
    const int row4 = row3 + 24 + 480 + 24;
    const int sheetH = row4 + 3 * (24 + 300 + 20) + 4;
    Picture sheet(kSheetW, sheetH);
    for (size_t i = 0; i < sheet.rgb.size(); i += 3) std::memcpy(&sheet.rgb[i], kBackground, 3);
    Label(sheet, font, kMargin, 18, "QUENBRILL - THE GAME MEDIA", gold, 2);

    Label(sheet, font, colA, row1, "START SCREEN AS SHOWN", white);
    Blit(sheet, frame, colA, row1 + 24, 1);
    Label(sheet, font, 680, row1, "IN THE GAME - CHASE VIEW", white);
    Blit(sheet, chase, 680, row1 + 24, 1);

    Label(sheet, font, colA, row2, "STARTSCREEN256.RAW", white);
    Blit(sheet, FromRaw(start, 256, 256), colA, row2 + 24, 2);
    Label(sheet, font, colB, row2, "SKY256128.RAW", white);
    Blit(sheet, FromRaw(sky, 256, 128), colB, row2 + 24, 2);
    Label(sheet, font, colB, row2 + 24 + 256 + 24 - 20, "FONT16X16-256128.RAW", white);
    Blit(sheet, font, colB, row2 + 24 + 256 + 24, 2);
    Label(sheet, font, colC, row2, "TERRAIN128.RAW", white);
    Blit(sheet, FromRaw(terrain, 128, 128), colC, row2 + 24, 2);
    Label(sheet, font, colC, row2 + 24 + 256 + 24 - 20, "PARTICLE32.RAW", white);
    Blit(sheet, FromRaw(particle, 32, 32), colC, row2 + 24 + 256 + 24, 4);

    Label(sheet, font, colA, row3, "IN THE GAME - COCKPIT VIEW", white);
    Blit(sheet, cockpit, colA, row3 + 24, 1);
    Label(sheet, font, 680, row3, "WEAPON0.WAV  " + WaveFormat(weapon), white);
    Blit(sheet, Waveform(weapon, 640, 200), 680, row3 + 24, 1);
    Label(sheet, font, 680, row3 + 24 + 200 + 32, "BOOM.WAV  " + WaveFormat(boom), white);
    Blit(sheet, Waveform(boom, 640, 200), 680, row3 + 24 + 200 + 56, 1);

    for (int m = 0; m < 3; ++m) {
        int y = row4 + m * (24 + 300 + 20);
        Label(sheet, font, kMargin, y, models[m].title, white);
        for (int v = 0; v < 3; ++v)
            Blit(sheet, tiles[static_cast<size_t>(m) * 3 + static_cast<size_t>(v)],
                 kMargin + v * 450, y + 24, 1);
    }
    return mediagen::WritePng(argv[2], sheet.w, sheet.h, sheet.rgb) ? 0 : 1;
}
