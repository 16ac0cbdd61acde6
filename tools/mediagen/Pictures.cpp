// SPDX-License-Identifier: MIT
#include "Pictures.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "Font.h"
#include "Image.h"
#include "Random.h"

namespace mediagen {

namespace {

constexpr float kPi = 3.14159265358979f;

// ---------------------------------------------------------------------------------------
// Particle: a soft round glow. Its brightest channel becomes the alpha of the texture, so
// the falloff is the shape of every spark and flame.

std::vector<uint8_t> Particle()
{
    Image img(32, 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            float sum = 0.0f;
            for (int sy = 0; sy < 4; ++sy) {
                for (int sx = 0; sx < 4; ++sx) {
                    float dx = (x + (sx + 0.5f) / 4.0f) - 16.0f;
                    float dy = (y + (sy + 0.5f) / 4.0f) - 16.0f;
                    float r = std::sqrt(dx * dx + dy * dy) / 15.5f;
                    if (r >= 1.0f) continue;
                    float halo = std::pow(1.0f - r, 1.7f);
                    float core = std::exp(-(r / 0.3f) * (r / 0.3f));
                    sum += std::min(1.0f, 0.72f * halo + 0.5f * core);
                }
            }
            float v = sum / 16.0f;
            img.Set(x, y, {v, v, v});
        }
    }
    return img.ToRaw();
}

// ---------------------------------------------------------------------------------------
// Sky: the upper half of the dome. Row r covers the ring at height 1 - (r + 0.5) / 128 of the
// radius, so its elevation is asin of that. The clouds are a flat layer above the viewer,
// projected onto the dome: a plane seen from its centre wraps around by itself, so the picture
// is seamless from the right edge back to the left.

Rgb SkyGradient(float elevation)  // radians, 0 horizon .. pi/2 zenith
{
    const Rgb horizon = FromBytes(210, 232, 238);
    const Rgb low = FromBytes(150, 194, 232);
    const Rgb high = FromBytes(78, 136, 216);
    const Rgb zenith = FromBytes(46, 96, 190);
    float e = elevation / (kPi / 2.0f);
    if (e < 0.08f) return Mix(horizon, low, SmoothStep(0.0f, 0.08f, e));
    if (e < 0.4f) return Mix(low, high, SmoothStep(0.08f, 0.4f, e));
    return Mix(high, zenith, SmoothStep(0.4f, 1.0f, e));
}

std::vector<uint8_t> Sky()
{
    constexpr uint32_t kSeed = 0x5C1E5u;
    constexpr int kW = 256, kH = 128, kSub = 4;
    const Rgb cloudLit = FromBytes(252, 252, 255);
    const Rgb cloudShade = FromBytes(168, 178, 200);
    Image img(kW, kH);
    for (int row = 0; row < kH; ++row) {
        for (int col = 0; col < kW; ++col) {
            Rgb acc{0, 0, 0};
            for (int sy = 0; sy < kSub; ++sy) {
                float t = (row + (sy + 0.5f) / kSub) / kH;
                float elevation = std::asin(Clamp01(1.0f - t));
                Rgb base = SkyGradient(elevation);
                float sinE = std::max(std::sin(elevation), 1e-3f);
                float d = std::cos(elevation) / sinE;  // distance along the cloud layer
                float visible = std::exp(-d / 22.0f);
                for (int sx = 0; sx < kSub; ++sx) {
                    float a = 2.0f * kPi * (col + (sx + 0.5f) / kSub) / kW;
                    float px = d * std::cos(a), py = d * std::sin(a);
                    float n = FractalNoise(px * 0.55f + 40.0f, py * 0.75f + 40.0f, kSeed, 5, 0.52f);
                    float wisp = FractalNoise(px * 1.9f, py * 1.9f, kSeed + 7u, 3, 0.5f);
                    float density = SmoothStep(0.50f, 0.78f, n + 0.12f * (wisp - 0.5f));
                    // Light comes from above: the thick middle of a cloud is its shaded belly.
                    float thick = SmoothStep(0.62f, 0.95f, n);
                    Rgb cloud = Mix(cloudLit, cloudShade, 0.75f * thick);
                    Rgb c = Mix(base, cloud, density * 0.92f * visible);
                    // The dome shows this picture a second time below the horizon, starting
                    // again at row 0 there. The zenith cap (never in view during play) is
                    // therefore painted as hazy distant land that continues the horizon.
                    float rowF = t * kH;
                    float under = SmoothStep(11.0f, 6.0f, rowF);
                    Rgb haze = Mix(SkyGradient(0.0f), FromBytes(168, 194, 186),
                                   SmoothStep(0.0f, 5.0f, rowF));
                    c = Mix(c, haze, under);
                    acc = Add(acc, c);
                }
            }
            img.Set(col, row, Scale(acc, 1.0f / (kSub * kSub)));
        }
    }
    return img.ToRaw();
}

// ---------------------------------------------------------------------------------------
// Terrain: one picture stretched over 2000 x 2000 units, so a texel is about 16 units wide.
// Large shapes (a river, highland rock, sandy lowland) with a patchwork of fields and roads
// between them give the eye something to measure speed against.

struct Road {
    std::vector<std::pair<float, float>> points;
};

// Sample s (0 to 8) of a 3 x 3 grid inside pixel (x, y), row by row.
float SubSampleX(int x, int s) { return x + (s % 3 + 0.5f) / 3.0f; }
float SubSampleY(int y, int s)
{
    const int row = s / 3;
    return y + (row + 0.5f) / 3.0f;
}

float DistanceToSegment(float px, float py, float ax, float ay, float bx, float by)
{
    float vx = bx - ax, vy = by - ay;
    float len2 = vx * vx + vy * vy;
    float t = len2 > 0.0f ? Clamp01(((px - ax) * vx + (py - ay) * vy) / len2) : 0.0f;
    float qx = ax + t * vx - px, qy = ay + t * vy - py;
    return std::sqrt(qx * qx + qy * qy);
}

float DistanceToRoad(const Road& road, float x, float y)
{
    float best = 1e9f;
    for (size_t i = 0; i + 1 < road.points.size(); ++i)
        best =
            std::min(best, DistanceToSegment(x, y, road.points[i].first, road.points[i].second,
                                             road.points[i + 1].first, road.points[i + 1].second));
    return best;
}

Road MakeRoad(Random& rng, float x0, float y0, float x1, float y1, int steps)
{
    Road road;
    for (int i = 0; i <= steps; ++i) {
        float t = static_cast<float>(i) / steps;
        float wobble = (i == 0 || i == steps) ? 0.0f : rng.Range(-5.0f, 5.0f);
        float nx = -(y1 - y0), ny = x1 - x0;
        float len = std::sqrt(nx * nx + ny * ny);
        road.points.push_back(
            {x0 + (x1 - x0) * t + wobble * nx / len, y0 + (y1 - y0) * t + wobble * ny / len});
    }
    return road;
}

// Height of the land in 0..1: the river valley runs from the top edge to the bottom edge.
float LandHeight(float x, float y, uint32_t seed)
{
    float h = FractalNoise(x / 48.0f, y / 48.0f, seed, 5, 0.5f);
    float riverX = 64.0f + 26.0f * std::sin(y / 128.0f * 2.0f * kPi * 0.9f + 0.6f) +
                   10.0f * (ValueNoise(y / 20.0f, 3.0f, seed + 9u) - 0.5f);
    float valley = SmoothStep(0.0f, 22.0f, std::fabs(x - riverX));
    return h * (0.35f + 0.65f * valley);
}

float RiverDistance(float x, float y, uint32_t seed)
{
    float riverX = 64.0f + 26.0f * std::sin(y / 128.0f * 2.0f * kPi * 0.9f + 0.6f) +
                   10.0f * (ValueNoise(y / 20.0f, 3.0f, seed + 9u) - 0.5f);
    return std::fabs(x - riverX);
}

Rgb FieldColour(uint32_t id)
{
    static const Rgb crops[] = {
        FromBytes(128, 178, 68), FromBytes(222, 196, 98),  FromBytes(150, 106, 68),
        FromBytes(70, 122, 50),  FromBytes(182, 198, 96),  FromBytes(198, 150, 72),
        FromBytes(100, 156, 62), FromBytes(204, 174, 124),
    };
    return crops[id % 8];
}

uint32_t HashInts(int a, int b, uint32_t seed)
{
    return static_cast<uint32_t>(LatticeValue(a, b, seed) * 16777215.0f);
}

// Farmland: rows of rectangular parcels on a slightly turned grid. Returns the parcel id and
// how far (in texels) the point lies from the parcel's border.
uint32_t Parcel(float x, float y, uint32_t seed, float* border)
{
    const float angle = 0.28f;
    float u = x * std::cos(angle) + y * std::sin(angle);
    float v = -x * std::sin(angle) + y * std::cos(angle);
    const float rowH = 11.0f;
    int row = static_cast<int>(std::floor(v / rowH));
    float rowWidth = 8.0f + 11.0f * LatticeValue(row, 1, seed);
    float shift = 20.0f * LatticeValue(row, 2, seed);
    float cu = (u + shift) / rowWidth;
    int col = static_cast<int>(std::floor(cu));
    float du = (cu - col) * rowWidth, dv = v - row * rowH;
    *border = std::min(std::min(du, rowWidth - du), std::min(dv, rowH - dv));
    return HashInts(col, row, seed);
}

std::vector<uint8_t> Terrain()
{
    constexpr uint32_t kSeed = 0x7E44A1Eu;
    constexpr int kN = 128, kSub = 3;
    Random rng(kSeed);
    std::vector<Road> roads;
    roads.push_back(MakeRoad(rng, -4.0f, 30.0f, 132.0f, 52.0f, 8));
    roads.push_back(MakeRoad(rng, 20.0f, -4.0f, 44.0f, 132.0f, 8));
    roads.push_back(MakeRoad(rng, -4.0f, 104.0f, 132.0f, 88.0f, 8));
    roads.push_back(MakeRoad(rng, 96.0f, -4.0f, 110.0f, 132.0f, 8));

    const Rgb sand = FromBytes(222, 204, 146);
    const Rgb sandDark = FromBytes(196, 172, 116);
    const Rgb rock = FromBytes(124, 116, 104);
    const Rgb rockLight = FromBytes(176, 168, 150);
    const Rgb grass = FromBytes(88, 140, 60);
    const Rgb forest = FromBytes(30, 70, 36);
    const Rgb forestLight = FromBytes(70, 118, 56);
    const Rgb water = FromBytes(46, 98, 148);
    const Rgb waterLight = FromBytes(86, 142, 184);
    const Rgb bank = FromBytes(204, 192, 144);
    const Rgb road = FromBytes(214, 198, 156);
    const Rgb hedge = FromBytes(56, 94, 42);

    Image img(kN, kN);
    for (int y = 0; y < kN; ++y) {
        for (int x = 0; x < kN; ++x) {
            Rgb acc{0, 0, 0};
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    float fx = x + (sx + 0.5f) / kSub, fy = y + (sy + 0.5f) / kSub;
                    float h = LandHeight(fx, fy, kSeed);
                    float detail = FractalNoise(fx / 4.0f, fy / 4.0f, kSeed + 3u, 3, 0.5f);

                    // Fields with hedges, now and then a meadow.
                    float border = 0.0f;
                    uint32_t id = Parcel(fx, fy, kSeed + 5u, &border);
                    Rgb c = FieldColour(id);
                    float furrows = 0.5f + 0.5f * std::sin((id & 1 ? fx * 0.96f + fy * 0.28f
                                                                   : -fx * 0.28f + fy * 0.96f) *
                                                           2.4f);
                    c = Scale(c, 0.92f + 0.1f * furrows + 0.12f * (detail - 0.5f));
                    if ((id >> 7) % 9 == 0) c = Scale(grass, 0.9f + 0.25f * detail);
                    c = Mix(hedge, c, SmoothStep(0.25f, 0.8f, border));

                    // Woods in patches.
                    float woods = FractalNoise(fx / 22.0f, fy / 22.0f, kSeed + 13u, 4, 0.5f);
                    // Open farmland around the middle, where every game starts.
                    float fromStart = std::hypot(fx - 64.0f, fy - 64.0f) / 28.0f;
                    woods -= 0.2f * std::exp(-fromStart * fromStart);
                    float woodAmount = SmoothStep(0.64f, 0.68f, woods);
                    float canopy = FractalNoise(fx / 1.3f, fy / 1.3f, kSeed + 14u, 2, 0.5f);
                    c = Mix(c, Mix(forest, forestLight, canopy), woodAmount);

                    // A sandy plain with dunes in one part of the land.
                    float desert =
                        FractalNoise(fx / 60.0f + 3.0f, fy / 60.0f, kSeed + 15u, 3, 0.5f);
                    float sandAmount = SmoothStep(0.53f, 0.57f, desert + 0.25f * (0.45f - h));
                    float dunes = 0.5f + 0.5f * std::sin(fx * 0.7f + fy * 0.35f + detail * 7.0f);
                    c = Mix(c, Mix(sandDark, sand, dunes), sandAmount);

                    // Highland rock: mottled, with dark cracks along ridged noise.
                    float rockAmount = SmoothStep(0.63f, 0.67f, h);
                    float mottled = FractalNoise(fx / 2.5f, fy / 2.5f, kSeed + 11u, 3, 0.6f);
                    float ridge = 1.0f - std::fabs(2.0f * FractalNoise(fx / 9.0f, fy / 9.0f,
                                                                       kSeed + 12u, 3, 0.5f) -
                                                   1.0f);
                    Rgb rockC = Mix(rock, rockLight, mottled);
                    rockC = Scale(rockC, 1.0f - 0.35f * SmoothStep(0.86f, 0.97f, ridge));
                    c = Mix(c, rockC, rockAmount);

                    // Roads on the land, not over the rock.
                    float roadDist = 1e9f;
                    for (const Road& r : roads)
                        roadDist = std::min(roadDist, DistanceToRoad(r, fx, fy));
                    float onRoad = SmoothStep(1.1f, 0.6f, roadDist) * (1.0f - rockAmount);
                    c = Mix(c, Scale(road, 0.95f + 0.1f * detail), onRoad);

                    // Relief shading from the height field, lit from the upper left.
                    float hx = LandHeight(fx + 1.0f, fy, kSeed) - LandHeight(fx - 1.0f, fy, kSeed);
                    float hy = LandHeight(fx, fy + 1.0f, kSeed) - LandHeight(fx, fy - 1.0f, kSeed);
                    float light = 1.0f - 3.0f * (hx + hy);
                    c = Scale(c, std::clamp(light, 0.75f, 1.2f));

                    // The river with sandy banks; bridges where roads cross it.
                    float rd = RiverDistance(fx, fy, kSeed);
                    float bankAmount = SmoothStep(5.0f, 3.2f, rd);
                    c = Mix(c, bank, bankAmount * (1.0f - onRoad));
                    float wet = SmoothStep(3.0f, 2.2f, rd) * (1.0f - onRoad);
                    Rgb waterC = Mix(water, waterLight, SmoothStep(0.5f, 0.9f, detail));
                    c = Mix(c, waterC, wet);
                    acc = Add(acc, c);
                }
            }
            img.Set(x, y, Scale(acc, 1.0f / (kSub * kSub)));
        }
    }
    return img.ToRaw();
}

// ---------------------------------------------------------------------------------------
// Start screen: deep space over the night side of a planet with the sun rising at its rim,
// a ringed planet and a moon, and the name in large chrome letters. The band where the
// turning ship is drawn (about image rows 95-135) and the strip behind "<PRESS START>"
// (about rows 164-177) are kept plain and dark.

constexpr int kScreenW = 256;
constexpr int kScreenH = 256;
constexpr float kHorizonCx = 128.0f, kHorizonCy = 604.0f, kHorizonR = 462.0f;
constexpr float kSunX = 196.0f;

float HorizonY(float x)
{
    float dx = x - kHorizonCx;
    return kHorizonCy - std::sqrt(kHorizonR * kHorizonR - dx * dx);
}

// 0 outside the quiet areas, up to 1 in their middle.
float Quiet(float x, float y)
{
    float shipBand = SmoothStep(28.0f, 12.0f, std::fabs(y - 115.0f)) *
                     SmoothStep(88.0f, 50.0f, std::fabs(x - 128.0f));
    return shipBand;
}

// Title mask on a fine grid: 1 inside the letters. Letters are the font's designs, drawn
// large with rounded outer corners.
struct TitleMask {
    static constexpr int kSub = 4;  // fine samples per image pixel
    int left = 0, top = 0, width = 0, height = 0;  // in image pixels
    std::vector<uint8_t> inside;  // width*kSub x height*kSub
    std::vector<float> distance;  // to the nearest inside sample, in image pixels

    bool In(int fx, int fy) const
    {
        if (fx < 0 || fy < 0 || fx >= width * kSub || fy >= height * kSub) return false;
        return inside[static_cast<size_t>(fy) * width * kSub + fx] != 0;
    }
    float Dist(int fx, int fy) const
    {
        if (fx < 0 || fy < 0 || fx >= width * kSub || fy >= height * kSub) return 1e9f;
        return distance[static_cast<size_t>(fy) * width * kSub + fx];
    }
};

TitleMask MakeTitleMask(const std::string& text, int top, float cellW, float cellH, float gap)
{
    std::vector<std::vector<std::string>> glyphs;
    float designWidth = 0.0f;
    for (char ch : text) {
        glyphs.push_back(GlyphRows(ch));
        designWidth += static_cast<float>(glyphs.back()[0].size());
    }
    designWidth += gap * static_cast<float>(text.size() - 1);
    const int margin = 8;
    TitleMask m;
    float textW = designWidth * cellW;
    m.left = static_cast<int>(std::floor((kScreenW - textW) / 2.0f)) - margin;
    m.top = top - margin;
    m.width = static_cast<int>(std::ceil(textW)) + 2 * margin;
    m.height = static_cast<int>(std::ceil(7.0f * cellH)) + 2 * margin;
    const int fw = m.width * TitleMask::kSub, fh = m.height * TitleMask::kSub;
    m.inside.assign(static_cast<size_t>(fw) * fh, 0);
    const float originX = (kScreenW - textW) / 2.0f;
    const float radius = 0.42f;  // corner rounding, in design pixels

    float penX = 0.0f;
    for (const auto& rows : glyphs) {
        int gw = static_cast<int>(rows[0].size());
        auto lit = [&](int c, int r) {
            return c >= 0 && r >= 0 && c < gw && r < 7 && rows[r][c] == '#';
        };
        for (int fy = 0; fy < fh; ++fy) {
            for (int fx = 0; fx < fw; ++fx) {
                float ix = m.left + (fx + 0.5f) / TitleMask::kSub,
                      iy = m.top + (fy + 0.5f) / TitleMask::kSub;
                float u = (ix - originX) / cellW - penX, v = (iy - top) / cellH;
                int c = static_cast<int>(std::floor(u)), r = static_cast<int>(std::floor(v));
                if (!lit(c, r)) continue;
                float lu = u - c, lv = v - r;
                // A convex corner (both neighbours toward it clear) is rounded off.
                int sx = lu < 0.5f ? -1 : 1, sy = lv < 0.5f ? -1 : 1;
                bool inside = true;
                if (!lit(c + sx, r) && !lit(c, r + sy)) {
                    float cx = sx < 0 ? radius : 1.0f - radius,
                          cy = sy < 0 ? radius : 1.0f - radius;
                    bool inCorner = (sx < 0 ? lu < cx : lu > cx) && (sy < 0 ? lv < cy : lv > cy);
                    if (inCorner && std::hypot(lu - cx, lv - cy) > radius) inside = false;
                }
                if (inside) m.inside[static_cast<size_t>(fy) * fw + fx] = 1;
            }
        }
        penX += gw + gap;
    }

    // Distance to the letters for the outline, by a local search.
    const int reach = 4 * TitleMask::kSub;
    m.distance.assign(static_cast<size_t>(fw) * fh, 1e9f);
    for (int fy = 0; fy < fh; ++fy) {
        for (int fx = 0; fx < fw; ++fx) {
            if (m.In(fx, fy)) {
                m.distance[static_cast<size_t>(fy) * fw + fx] = 0.0f;
                continue;
            }
            float best = 1e9f;
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx)
                    if (m.In(fx + dx, fy + dy))
                        best = std::min(best, static_cast<float>(dx * dx + dy * dy));
            m.distance[static_cast<size_t>(fy) * fw + fx] = std::sqrt(best) / TitleMask::kSub;
        }
    }
    return m;
}

// Chrome: sky above the middle line, sunset below, with a bright rim at the top.
Rgb ChromeAt(float t)  // t: 0 at the top of the letters, 1 at the bottom
{
    if (t < 0.5f) {
        Rgb c = Mix(FromBytes(150, 200, 255), FromBytes(250, 252, 255), SmoothStep(0.0f, 0.42f, t));
        return Mix(c, FromBytes(70, 90, 170), SmoothStep(0.42f, 0.5f, t));
    }
    Rgb c = Mix(FromBytes(40, 20, 80), FromBytes(200, 60, 120), SmoothStep(0.5f, 0.7f, t));
    return Mix(c, FromBytes(255, 200, 90), SmoothStep(0.7f, 1.0f, t));
}

void DrawTitle(Image& img, const TitleMask& m, int textTop, float textHeight)
{
    const int S = TitleMask::kSub;
    const Rgb shadow = FromBytes(10, 6, 24);
    const Rgb outline = FromBytes(16, 10, 36);
    const Rgb extrude = FromBytes(60, 34, 110);
    for (int py = 0; py < m.height; ++py) {
        for (int px = 0; px < m.width; ++px) {
            int ix = m.left + px, iy = m.top + py;
            // Soft drop shadow, then a solid extrusion down and to the right, then the outline,
            // then the chrome face; each is averaged over the fine samples of the pixel.
            float shadowCov = 0, extrudeCov = 0, outlineCov = 0, faceCov = 0;
            Rgb face{0, 0, 0};
            for (int sy = 0; sy < S; ++sy) {
                for (int sx = 0; sx < S; ++sx) {
                    int fx = px * S + sx, fy = py * S + sy;
                    if (m.Dist(fx - 4 * S, fy - 5 * S) < 2.0f)
                        shadowCov += 1.0f - m.Dist(fx - 4 * S, fy - 5 * S) / 2.0f;
                    bool ext = false;
                    for (int k = 1; k <= 3 * S && !ext; ++k) ext = m.In(fx - k / 2, fy - k);
                    if (ext) extrudeCov += 1.0f;
                    if (m.Dist(fx, fy) <= 1.25f) outlineCov += 1.0f;
                    if (m.In(fx, fy)) {
                        faceCov += 1.0f;
                        float t = ((iy + (sy + 0.5f) / S) - textTop) / textHeight;
                        face = Add(face, ChromeAt(Clamp01(t)));
                    }
                }
            }
            float n = static_cast<float>(S * S);
            img.Blend(ix, iy, shadow, 0.6f * shadowCov / n);
            img.Blend(ix, iy, outline, outlineCov / n);
            img.Blend(ix, iy, extrude, extrudeCov / n);
            if (faceCov > 0.0f) img.Blend(ix, iy, Scale(face, 1.0f / faceCov), faceCov / n);
        }
    }
}

std::vector<uint8_t> StartScreen()
{
    constexpr uint32_t kSeed = 0x57A27u;
    Image img(kScreenW, kScreenH);
    Random rng(kSeed);

    // Space: dark blue, a little lighter toward the horizon, with faint nebula clouds that
    // fade out in the quiet band.
    for (int y = 0; y < kScreenH; ++y) {
        for (int x = 0; x < kScreenW; ++x) {
            float t = Clamp01(y / 150.0f);
            Rgb c = Mix(FromBytes(4, 5, 20), FromBytes(16, 14, 48), t * t);
            float n = FractalNoise(x / 70.0f, y / 55.0f, kSeed + 1u, 5, 0.55f);
            float m = FractalNoise(x / 40.0f + 9.0f, y / 40.0f, kSeed + 2u, 4, 0.5f);
            float neb = SmoothStep(0.48f, 0.8f, n) * (1.0f - 0.85f * Quiet(x, y));
            c = Add(c, Scale(Mix(FromBytes(60, 20, 90), FromBytes(20, 70, 110), m), 0.55f * neb));
            img.Set(x, y, c);
        }
    }

    // Stars: many faint ones, a few bright ones with small glints.
    for (int i = 0; i < 260; ++i) {
        int x = rng.Below(kScreenW), y = rng.Below(150);
        float b = std::pow(rng.Unit(), 3.0f);
        Rgb tint = Mix(FromBytes(170, 190, 255), FromBytes(255, 236, 200), rng.Unit());
        float q = 1.0f - 0.7f * Quiet(x, y);
        float a = (0.25f + 0.75f * b) * q;
        img.Blend(x, y, tint, a);
        if (b > 0.55f && q > 0.9f) {
            img.Blend(x - 1, y, tint, a * 0.35f);
            img.Blend(x + 1, y, tint, a * 0.35f);
            img.Blend(x, y - 1, tint, a * 0.35f);
            img.Blend(x, y + 1, tint, a * 0.35f);
        }
    }

    // Ringed planet at the upper right, lit from the sun at the lower right.
    {
        const float cx = 218.0f, cy = 80.0f, r = 17.0f;
        const float tilt = -0.32f;  // ring tilt, radians
        const float ringIn = 24.0f, ringOut = 36.0f, squash = 0.26f;
        auto ringAt = [&](float x, float y, bool front) -> float {
            float dx = x - cx, dy = y - cy;
            float rx = dx * std::cos(tilt) - dy * std::sin(tilt);
            float ry = dx * std::sin(tilt) + dy * std::cos(tilt);
            if ((ry > 0.0f) != front) return 0.0f;
            float d = std::sqrt(rx * rx + (ry / squash) * (ry / squash));
            if (d < ringIn || d > ringOut) return 0.0f;
            float bands = 0.55f + 0.45f * std::sin(d * 1.3f);
            return bands * SmoothStep(ringIn, ringIn + 2.0f, d) *
                   SmoothStep(ringOut, ringOut - 2.0f, d);
        };
        const Rgb ringC = FromBytes(214, 190, 150);
        for (int y = 30; y < 130; ++y) {
            for (int x = 160; x < kScreenW; ++x) {
                Rgb acc{0, 0, 0};
                float cov = 0.0f, ringBack = 0.0f, ringFront = 0.0f;
                for (int s = 0; s < 9; ++s) {
                    float fx = SubSampleX(x, s), fy = SubSampleY(y, s);
                    ringBack += ringAt(fx, fy, false);
                    ringFront += ringAt(fx, fy, true);
                    float dx = (fx - cx) / r, dy = (fy - cy) / r;
                    float d2 = dx * dx + dy * dy;
                    if (d2 > 1.0f) continue;
                    float dz = std::sqrt(1.0f - d2);
                    float light = Clamp01(0.55f * dx + 0.35f * dy + 0.6f * dz);
                    float band = FractalNoise(dy * 6.0f + 0.3f * dx, 0.5f, kSeed + 20u, 3, 0.5f);
                    Rgb surf = Mix(FromBytes(190, 120, 80), FromBytes(236, 200, 150), band);
                    acc = Add(acc, Scale(surf, 0.12f + 0.95f * light));
                    cov += 1.0f;
                }
                img.Blend(x, y, ringC, 0.8f * ringBack / 9.0f);
                if (cov > 0.0f) img.Blend(x, y, Scale(acc, 1.0f / cov), cov / 9.0f);
                img.Blend(x, y, ringC, 0.9f * ringFront / 9.0f);
            }
        }
    }

    // A small moon at the left.
    {
        const float cx = 34.0f, cy = 88.0f, r = 9.0f;
        for (int y = 70; y < 110; ++y) {
            for (int x = 16; x < 56; ++x) {
                Rgb acc{0, 0, 0};
                float cov = 0.0f;
                for (int s = 0; s < 9; ++s) {
                    float fx = SubSampleX(x, s), fy = SubSampleY(y, s);
                    float dx = (fx - cx) / r, dy = (fy - cy) / r;
                    float d2 = dx * dx + dy * dy;
                    if (d2 > 1.0f) continue;
                    float dz = std::sqrt(1.0f - d2);
                    float light = Clamp01(0.7f * dx + 0.3f * dy + 0.4f * dz);
                    CellInfo crater = CellNoise(fx / 3.2f, fy / 3.2f, kSeed + 30u);
                    float pit = SmoothStep(0.35f, 0.2f, crater.nearest) * 0.3f;
                    Rgb surf = Scale(FromBytes(200, 196, 190), 1.0f - pit);
                    acc = Add(acc, Scale(surf, 0.08f + 0.95f * light));
                    cov += 1.0f;
                }
                if (cov > 0.0f) img.Blend(x, y, Scale(acc, 1.0f / cov), cov / 9.0f);
            }
        }
    }

    // The planet below: night side with faint cloud bands, a bright rim of atmosphere that
    // turns gold toward the rising sun, and the sun's glare.
    for (int y = 110; y < kScreenH; ++y) {
        for (int x = 0; x < kScreenW; ++x) {
            Rgb acc{0, 0, 0};
            for (int s = 0; s < 9; ++s) {
                float fx = SubSampleX(x, s), fy = SubSampleY(y, s);
                float h = HorizonY(fx);
                float below = fy - h;  // > 0 on the planet
                Rgb c = img.Get(x, y);
                float sunNear = std::exp(-std::fabs(fx - kSunX) / 60.0f);
                if (below > 0.0f) {
                    // Foreshortened cloud bands: squeezed toward the rim.
                    float depth = std::sqrt(below);
                    float clouds = FractalNoise(fx / 40.0f, depth * 0.9f, kSeed + 40u, 4, 0.5f);
                    Rgb night = Mix(FromBytes(6, 12, 30), FromBytes(20, 34, 64),
                                    SmoothStep(0.45f, 0.8f, clouds));
                    // Keep the text strip plain.
                    float strip = SmoothStep(10.0f, 4.0f, std::fabs(fy - 170.5f));
                    night = Mix(night, FromBytes(8, 12, 30), 0.85f * strip);
                    float rim = std::exp(-below / 2.2f);
                    Rgb rimC = Mix(FromBytes(80, 170, 255), FromBytes(255, 190, 110), sunNear);
                    c = Mix(night, rimC, 0.9f * rim);
                    // Sunlit haze spreading along the rim near the sun.
                    c = Add(
                        c, Scale(FromBytes(120, 80, 40), sunNear * std::exp(-below / 9.0f) * 0.6f));
                } else {
                    // Atmosphere glow above the rim.
                    float glow = std::exp(below / 4.0f);
                    Rgb glowC = Mix(FromBytes(50, 120, 230), FromBytes(255, 170, 90), sunNear);
                    c = Add(c, Scale(glowC, 0.55f * glow));
                }
                // The sun just over the rim: a bright core and a wide, flat glare.
                float sx = fx - kSunX, sy = fy - (HorizonY(kSunX) - 1.0f);
                float core = std::exp(-(sx * sx + sy * sy) / 6.0f);
                float glare = std::exp(-(sx * sx / 900.0f + sy * sy / 12.0f));
                float streak = std::exp(-(sy * sy) / 1.2f) * std::exp(-std::fabs(sx) / 70.0f);
                c = Add(c, Scale(FromBytes(255, 250, 230), core));
                c = Add(c, Scale(FromBytes(255, 200, 130), 0.55f * glare + 0.5f * streak));
                acc = Add(acc, c);
            }
            img.Set(x, y, Scale(acc, 1.0f / 9.0f));
        }
    }

    // The name.
    const int textTop = 14;
    const float cellW = 3.1f, cellH = 5.2f;
    TitleMask mask = MakeTitleMask("QUENBRILL", textTop, cellW, cellH, 1.2f);
    DrawTitle(img, mask, textTop, 7.0f * cellH);

    std::vector<uint8_t> raw = img.ToRaw();
    // Nothing painted may turn into the key colour by accident.
    for (size_t i = 0; i + 2 < raw.size(); i += 3)
        if (raw[i] == 159 && raw[i + 1] == 0 && raw[i + 2] == 159) raw[i + 2] = 158;
    return raw;
}

}  // namespace

std::vector<uint8_t> MakeStartScreen() { return StartScreen(); }

std::vector<uint8_t> MakeTerrain() { return Terrain(); }

std::vector<uint8_t> MakeSky() { return Sky(); }

std::vector<uint8_t> MakeParticle() { return Particle(); }

}  // namespace mediagen
