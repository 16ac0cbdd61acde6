// SPDX-License-Identifier: MIT
#include "Font.h"

#include <algorithm>
#include <cstring>

namespace mediagen {

const char kFontCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-*/.,:;|<>";

namespace {

constexpr int kWidth = 256;
constexpr int kHeight = 128;
constexpr uint8_t kKey[3] = {159, 0, 159};
constexpr uint8_t kEdge[3] = {18, 16, 26};

// Hand-drawn designs, seven rows each. Vertical strokes are two design pixels wide,
// horizontal ones one; every design pixel becomes 2 x 2 image pixels. Narrow glyphs are
// centred in their cell.
struct GlyphDesign {
    char c;
    const char* rows[7];
};

const GlyphDesign kGlyphs[] = {
    {'A', {"..###..", ".##.##.", "##...##", "##...##", "#######", "##...##", "##...##"}},
    {'B', {"######.", "##...##", "##...##", "######.", "##...##", "##...##", "######."}},
    {'C', {".#####.", "##...##", "##.....", "##.....", "##.....", "##...##", ".#####."}},
    {'D', {"#####..", "##..##.", "##...##", "##...##", "##...##", "##..##.", "#####.."}},
    {'E', {"#######", "##.....", "##.....", "######.", "##.....", "##.....", "#######"}},
    {'F', {"#######", "##.....", "##.....", "######.", "##.....", "##.....", "##....."}},
    {'G', {".#####.", "##...##", "##.....", "##.####", "##...##", "##...##", ".######"}},
    {'H', {"##...##", "##...##", "##...##", "#######", "##...##", "##...##", "##...##"}},
    {'I', {"######", "..##..", "..##..", "..##..", "..##..", "..##..", "######"}},
    {'J', {".....##", ".....##", ".....##", ".....##", "##...##", "##...##", ".#####."}},
    {'K', {"##...##", "##..##.", "##.##..", "####...", "##.##..", "##..##.", "##...##"}},
    {'L', {"##.....", "##.....", "##.....", "##.....", "##.....", "##.....", "#######"}},
    {'M', {"##...##", "###.###", "#######", "##.#.##", "##...##", "##...##", "##...##"}},
    {'N', {"##...##", "###..##", "####.##", "##.####", "##..###", "##...##", "##...##"}},
    {'O', {".#####.", "##...##", "##...##", "##...##", "##...##", "##...##", ".#####."}},
    {'P', {"######.", "##...##", "##...##", "######.", "##.....", "##.....", "##....."}},
    {'Q', {".#####.", "##...##", "##...##", "##...##", "##.#.##", "##..##.", ".###.##"}},
    {'R', {"######.", "##...##", "##...##", "######.", "##.##..", "##..##.", "##...##"}},
    {'S', {".#####.", "##...##", "##.....", ".#####.", ".....##", "##...##", ".#####."}},
    {'T', {"######", "..##..", "..##..", "..##..", "..##..", "..##..", "..##.."}},
    {'U', {"##...##", "##...##", "##...##", "##...##", "##...##", "##...##", ".#####."}},
    {'V', {"##...##", "##...##", "##...##", "##...##", ".##.##.", "..###..", "...#..."}},
    {'W', {"##...##", "##...##", "##...##", "##.#.##", "#######", "###.###", "##...##"}},
    {'X', {"##...##", "##...##", ".##.##.", "..###..", ".##.##.", "##...##", "##...##"}},
    {'Y', {"##..##", "##..##", "##..##", ".####.", "..##..", "..##..", "..##.."}},
    {'Z', {"#######", ".....##", "....##.", "...##..", "..##...", ".##....", "#######"}},
    {'0', {".#####.", "##...##", "##..###", "##.#.##", "###..##", "##...##", ".#####."}},
    {'1', {"..##..", ".###..", "####..", "..##..", "..##..", "..##..", "######"}},
    {'2', {".#####.", "##...##", ".....##", "...###.", ".###...", "##.....", "#######"}},
    {'3', {".#####.", "##...##", ".....##", "..####.", ".....##", "##...##", ".#####."}},
    {'4', {"...###.", "..####.", ".##.##.", "##..##.", "#######", "....##.", "....##."}},
    {'5', {"#######", "##.....", "######.", ".....##", ".....##", "##...##", ".#####."}},
    {'6', {"..####.", ".##....", "##.....", "######.", "##...##", "##...##", ".#####."}},
    {'7', {"#######", "##...##", "....##.", "...##..", "..##...", "..##...", "..##..."}},
    {'8', {".#####.", "##...##", "##...##", ".#####.", "##...##", "##...##", ".#####."}},
    {'9', {".#####.", "##...##", "##...##", ".######", ".....##", "....##.", ".####.."}},
    {'+', {"......", "..##..", "..##..", "######", "..##..", "..##..", "......"}},
    {'-', {"......", "......", "......", "######", "......", "......", "......"}},
    {'*', {"......", "##..##", ".####.", "######", ".####.", "##..##", "......"}},
    {'/', {"....##", "....##", "...##.", "..##..", ".##...", "##....", "##...."}},
    {'.', {"..", "..", "..", "..", "..", "##", "##"}},
    {',', {"...", "...", "...", "...", ".##", ".##", "##."}},
    {':', {"..", "..", "##", "##", "..", "##", "##"}},
    {';', {"...", "...", ".##", ".##", "...", ".##", "##."}},
    {'|', {"##", "##", "##", "##", "##", "##", "##"}},
    {'<', {"....##", "...##.", "..##..", ".##...", "..##..", "...##.", "....##"}},
    {'>', {"##....", ".##...", "..##..", "...##.", "..##..", ".##...", "##...."}},
};

// Icons of row 6, 7 x 7 designs in a small palette, also doubled and edged.
struct IconDesign {
    const char* rows[7];
};

const IconDesign kIcons[16] = {
    {{".rr.rr.", "rwrrrrr", "rrrrrrr", "rrrrrrr", ".rrrrr.", "..rrr..", "...r..."}},  // heart
    {{"...y...", "..yyy..", "yyyyyyy", ".yyyyy.", "..yyy..", ".yy.yy.", "yy...yy"}},  // star
    {{"...w...", "..sws..", "s.sss.s", "sssssss", "s.sss.s", "..sss..", ".o...o."}},  // player ship
    {{"S.....S", "SS...SS", "SSsssSS", "SSsbsSS", "SSsssSS", "SS...SS",
      "S.....S"}},  // enemy fighter
    {{".S.....", ".S.n.n.", ".Snnnnn", "nnnnnnn", "nynnyny", "nnnnnnn", "nnnnnnn"}},  // factory
    {{"....yy.", "...yy..", "..yy...", ".yyyyy.", "...yy..", "..yy...", ".yy...."}},  // bolt
    {{"bbbbbbb", "bcccccb", "bcwccb.", "bcccccb", ".bcccb.", "..bcb..", "...b..."}},  // shield
    {{"..rrr..", ".r...r.", "r..r..r", "r.rrr.r", "r..r..r", ".r...r.", "..rrr.."}},  // target
    {{"...g...", "..ggg..", ".ggggg.", "ggggggg", "..ggg..", "..ggg..", "..ggg.."}},  // up
    {{"..ggg..", "..ggg..", "..ggg..", "ggggggg", ".ggggg.", "..ggg..", "...g..."}},  // down
    {{"...g...", "..gg...", ".gggggg", "ggggggg", ".gggggg", "..gg...", "...g..."}},  // left
    {{"...g...", "...gg..", "gggggg.", "ggggggg", "gggggg.", "...gg..", "...g..."}},  // right
    {{".wwwww.", "wwwwwww", "wkwwwkw", "wkwwwkw", "wwwkwww", ".wwwww.", ".w.w.w."}},  // skull
    {{"..sss..", ".swwws.", "swwkwws", "swwkkws", "swwwwws", ".swwws.", "..sss.."}},  // clock
    {{"......g", ".....gg", "g...gg.", "gg.gg..", ".ggg...", "..g....", "......."}},  // tick
    {{"rr...rr", ".rr.rr.", "..rrr..", "...r...", "..rrr..", ".rr.rr.", "rr...rr"}},  // cross
};

struct PaletteEntry {
    char code;
    uint8_t rgb[3];
};

const PaletteEntry kPalette[] = {
    {'w', {250, 250, 250}}, {'s', {176, 184, 196}}, {'S', {92, 98, 112}},  {'k', {18, 16, 26}},
    {'r', {232, 44, 40}},   {'o', {255, 150, 40}},  {'y', {255, 214, 48}}, {'g', {72, 200, 72}},
    {'b', {40, 84, 200}},   {'c', {110, 200, 240}}, {'n', {150, 96, 60}},
};

const uint8_t* PaletteColour(char code)
{
    for (const PaletteEntry& p : kPalette)
        if (p.code == code) return p.rgb;
    return nullptr;
}

void Put(std::vector<uint8_t>& img, int x, int y, const uint8_t rgb[3])
{
    size_t i = (static_cast<size_t>(y) * kWidth + x) * 3;
    img[i] = rgb[0];
    img[i + 1] = rgb[1];
    img[i + 2] = rgb[2];
}

bool IsKey(const std::vector<uint8_t>& img, int x, int y)
{
    size_t i = (static_cast<size_t>(y) * kWidth + x) * 3;
    return img[i] == kKey[0] && img[i + 1] == kKey[1] && img[i + 2] == kKey[2];
}

// Draws a 7-row design doubled into the cell at (cellX, cellY), horizontally centred, one pixel
// below the cell top, and rings it with the dark edge. colourOf gives the colour of a set
// design pixel at image row py (nullptr: clear).
template <typename ColourOf>
void DrawDesign(std::vector<uint8_t>& img, int cellX, int cellY, const char* const rows[7],
                ColourOf colourOf)
{
    int width = 0;
    for (int r = 0; r < 7; ++r) width = std::max(width, static_cast<int>(std::strlen(rows[r])));
    int left = cellX + (16 - 2 * width) / 2;
    int top = cellY + 1;
    std::vector<bool> set(16 * 16, false);
    for (int r = 0; r < 7; ++r) {
        int len = static_cast<int>(std::strlen(rows[r]));
        for (int c = 0; c < len; ++c) {
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    int x = left + 2 * c + dx, y = top + 2 * r + dy;
                    const uint8_t* rgb = colourOf(rows[r][c], y - cellY);
                    if (!rgb) continue;
                    Put(img, x, y, rgb);
                    set[(y - cellY) * 16 + (x - cellX)] = true;
                }
            }
        }
    }
    // Dark edge: every key pixel of the cell that touches a set pixel (eight neighbours).
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            if (set[y * 16 + x] || !IsKey(img, cellX + x, cellY + y)) continue;
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx) {
                    int nx = x + dx, ny = y + dy;
                    near = nx >= 0 && ny >= 0 && nx < 16 && ny < 16 && set[ny * 16 + nx];
                }
            if (near) Put(img, cellX + x, cellY + y, kEdge);
        }
    }
}

}  // namespace

std::vector<std::string> GlyphRows(char c)
{
    for (const GlyphDesign& g : kGlyphs)
        if (g.c == c) return std::vector<std::string>(g.rows, g.rows + 7);
    return {};
}

std::vector<uint8_t> MakeFontImage()
{
    std::vector<uint8_t> img(static_cast<size_t>(kWidth) * kHeight * 3);
    for (size_t i = 0; i < img.size(); i += 3) {
        img[i] = kKey[0];
        img[i + 1] = kKey[1];
        img[i + 2] = kKey[2];
    }

    // Text glyphs: white with a slight fall-off toward the bottom, so tinted text keeps a
    // little shape; the text colour multiplies all of it.
    uint8_t shade[16][3];
    for (int y = 0; y < 16; ++y) {
        uint8_t v = static_cast<uint8_t>(255 - (y > 8 ? (y - 8) * 6 : 0));
        shade[y][0] = shade[y][1] = shade[y][2] = v;
    }
    const int count = static_cast<int>(std::strlen(kFontCharacters));
    for (int i = 0; i < count; ++i) {
        const GlyphDesign* design = nullptr;
        for (const GlyphDesign& g : kGlyphs)
            if (g.c == kFontCharacters[i]) design = &g;
        if (!design) continue;
        DrawDesign(img, 16 * (i % 16), 16 * (i / 16), design->rows,
                   [&](char code, int cellRow) -> const uint8_t* {
                       return code == '#' ? shade[cellRow] : nullptr;
                   });
    }

    // Row 6: the icons keep their own colours.
    for (int s = 0; s < 16; ++s) {
        DrawDesign(img, 16 * s, 96, kIcons[s].rows,
                   [](char code, int) -> const uint8_t* { return PaletteColour(code); });
    }

    // The box for unknown characters at (240, 112): a white frame with the dark edge inside
    // and out.
    static const char* const box[7] = {"#######", "#.....#", "#.....#", "#.....#",
                                       "#.....#", "#.....#", "#######"};
    DrawDesign(img, 240, 112, box, [&](char code, int cellRow) -> const uint8_t* {
        return code == '#' ? shade[cellRow] : nullptr;
    });
    return img;
}

}  // namespace mediagen
