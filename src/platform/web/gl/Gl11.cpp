// SPDX-License-Identifier: MIT
#include "platform/web/gl/Gl11.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/web/gl/Device.h"

using webgl::Vertex;

namespace {

// ---- matrices (column-major, as GL keeps them) ----------------------------------------------

struct Matrix {
    float m[16];
};

Matrix Identity()
{
    Matrix r{};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
    return r;
}

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.m[4 * k + row] * b.m[4 * c + k];
            r.m[4 * c + row] = sum;
        }
    return r;
}

void Transform(const Matrix& m, const float in[4], float out[4])
{
    for (int row = 0; row < 4; ++row)
        out[row] =
            m.m[row] * in[0] + m.m[4 + row] * in[1] + m.m[8 + row] * in[2] + m.m[12 + row] * in[3];
}

Matrix Translation(float x, float y, float z)
{
    Matrix r = Identity();
    r.m[12] = x;
    r.m[13] = y;
    r.m[14] = z;
    return r;
}

Matrix Scaling(float x, float y, float z)
{
    Matrix r = Identity();
    r.m[0] = x;
    r.m[5] = y;
    r.m[10] = z;
    return r;
}

// A turn by angle degrees about (x, y, z), counter-clockwise looking down the axis. A zero axis
// turns nothing.
bool Rotation(float angle, float x, float y, float z, Matrix* out)
{
    const float length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0.0f)) return false;
    x /= length;
    y /= length;
    z /= length;
    const float radians = angle * 3.14159265358979f / 180.0f;
    const float c = std::cos(radians), s = std::sin(radians), t = 1.0f - c;
    Matrix r = Identity();
    r.m[0] = t * x * x + c;
    r.m[1] = t * x * y + s * z;
    r.m[2] = t * x * z - s * y;
    r.m[4] = t * x * y - s * z;
    r.m[5] = t * y * y + c;
    r.m[6] = t * y * z + s * x;
    r.m[8] = t * x * z + s * y;
    r.m[9] = t * y * z - s * x;
    r.m[10] = t * z * z + c;
    *out = r;
    return true;
}

// ---- objects ------------------------------------------------------------------------------

struct TextureObject {
    uint32_t device = 0;
    int dims = 0;  // 1 or 2, fixed by the first bind
    int width = 0, height = 0;
    GLenum minFilter = GL_NEAREST_MIPMAP_LINEAR;
    GLenum magFilter = GL_LINEAR;
    GLenum wrapS = GL_REPEAT, wrapT = GL_REPEAT;
};

enum class Op : uint8_t {
    Enable,
    Disable,
    DepthMask,
    DepthFunc,
    DepthRange,
    BlendFunc,
    AlphaFunc,
    BindTexture,
    TexParameter,
    TexEnv,
    Colour,
    TexCoord,
    MatrixMode,
    LoadIdentity,
    LoadMatrix,
    MultMatrix,
    PushMatrix,
    PopMatrix,
    LineWidth,
    Fog,
    ClearColour,
    Clear,
    Viewport,
    Scissor,
    CallList,
    Draw,
};

enum DrawFlags : uint32_t { kInheritColour = 1, kInheritTexCoord = 2, kMixed = 4, kLines = 8 };

struct Command {
    Op op;
    uint32_t a = 0, b = 0, c = 0, d = 0;
    float f[16] = {0};
};

struct DisplayList {
    std::vector<Command> commands;
    std::vector<Vertex> vertices;
    // Per vertex, kInheritColour and kInheritTexCoord where the list set none before it.
    std::vector<uint8_t> inherit;
    uint32_t buffer = 0;
};

// A display list being recorded.
struct Recording {
    GLuint name = 0;
    bool execute = false;  // GL_COMPILE_AND_EXECUTE: run once recorded
    DisplayList list;
    bool colourSet = false, texCoordSet = false;
    float colour[4] = {1, 1, 1, 1};
    float texCoord[3] = {0, 0, 0};
    // Set between glBegin and glEnd: recorded after the primitives, so that the vertices
    // before the first of them still take the caller's.
    std::vector<Command> afterDraw;
};

struct ClientArray {
    bool enabled = false;
    GLint size = 4;
    GLenum type = GL_FLOAT;
    GLsizei stride = 0;
    const void* pointer = nullptr;
};

enum Stack { kModelView = 0, kProjection = 1, kTexture = 2 };
const size_t kStackDepth[3] = {32, 32, 8};
const int kMaxListNesting = 64;

struct State {
    std::vector<Matrix> stacks[3];
    Stack current = kModelView;
    Matrix mvp;
    bool mvpStale = true;
    uint32_t mvpKey = 0, texKey = 0;
    uint32_t nextKey = 2;  // key 1 is the identity of clip-space drawing

    float colour[4] = {1, 1, 1, 1};
    float texCoord[3] = {0, 0, 0};

    bool depthTest = false, cullFace = false, texture1D = false, texture2D = false,
         alphaTest = false, blend = false, fog = false, scissorTest = false;
    GLenum depthFunc = GL_LESS;
    float depthNear = 0, depthFar = 1;
    bool depthMask = true;
    GLenum blendSrc = GL_ONE, blendDst = GL_ZERO;
    GLenum alphaFunc = GL_ALWAYS;
    float alphaRef = 0;
    GLenum fogMode = GL_EXP;
    float fogColour[4] = {0, 0, 0, 0};
    float fogStart = 0, fogEnd = 1, fogDensity = 1;
    float lineWidth = 1;
    float clearColour[4] = {0, 0, 0, 0};
    int viewport[4] = {0, 0, 0, 0};
    int scissorBox[4] = {0, 0, 0, 0};
    GLenum texEnvMode = GL_MODULATE;
    int unpackAlignment = 4, packAlignment = 4;

    std::unordered_map<GLuint, TextureObject> textures;  // by name; 0 and 1D / 2D kept apart
    TextureObject default1D, default2D;
    GLuint bound1D = 0, bound2D = 0;

    std::map<GLuint, DisplayList> lists;
    Recording* recording = nullptr;
    int nesting = 0;

    ClientArray vertexArray;
    ClientArray colourArray;  // size 3 or 4, GL_UNSIGNED_BYTE or GL_FLOAT
    ClientArray texCoordArray;  // size 1 to 4, GL_FLOAT

    bool inBegin = false;
    GLenum beginMode = 0;
    std::vector<Vertex> begun;
    std::vector<uint8_t> begunInherit;

    int unsupported = 0;
    std::string lastUnsupported;
    std::set<std::string> named;
};

State* gState = nullptr;

State& S()
{
    if (!gState) {
        gState = new State;
        for (auto& stack : gState->stacks) stack.assign(1, Identity());
    }
    return *gState;
}

void Unsupported(const std::string& what)
{
    State& s = S();
    ++s.unsupported;
    s.lastUnsupported = what;
    if (s.named.insert(what).second)
        std::fprintf(stderr, "quenbrill: web GL: %s is not in the subset; ignored\n", what.c_str());
}

std::string Hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

// True when the call goes into the list being recorded instead of running now.
bool Record(const Command& c)
{
    State& s = S();
    if (!s.recording) return false;
    s.recording->list.commands.push_back(c);
    return true;
}

Command Cmd(Op op, uint32_t a = 0, uint32_t b = 0, uint32_t c = 0, uint32_t d = 0)
{
    Command cmd;
    cmd.op = op;
    cmd.a = a;
    cmd.b = b;
    cmd.c = c;
    cmd.d = d;
    return cmd;
}

uint8_t Byte(float f)
{
    if (!(f > 0.0f)) return 0;
    if (f >= 1.0f) return 255;
    return static_cast<uint8_t>(f * 255.0f + 0.5f);
}

// ---- matrices -------------------------------------------------------------------------------

void MatrixChanged(Stack stack)
{
    State& s = S();
    if (stack == kTexture) s.texKey = 0;
    else s.mvpStale = true;
}

Matrix& Top() { return S().stacks[S().current].back(); }

void DoMatrixMode(GLenum mode)
{
    State& s = S();
    if (mode == GL_MODELVIEW) s.current = kModelView;
    else if (mode == GL_PROJECTION) s.current = kProjection;
    else if (mode == GL_TEXTURE) s.current = kTexture;
    else Unsupported("glMatrixMode " + Hex(mode));
}

void DoLoadMatrix(const Matrix& m)
{
    Top() = m;
    MatrixChanged(S().current);
}

void DoMultMatrix(const Matrix& m)
{
    Top() = Multiply(Top(), m);
    MatrixChanged(S().current);
}

void DoPushMatrix()
{
    State& s = S();
    std::vector<Matrix>& stack = s.stacks[s.current];
    if (stack.size() >= kStackDepth[s.current]) return;  // GL_STACK_OVERFLOW: nothing happens
    stack.push_back(stack.back());
}

void DoPopMatrix()
{
    State& s = S();
    std::vector<Matrix>& stack = s.stacks[s.current];
    if (stack.size() <= 1) return;  // GL_STACK_UNDERFLOW
    stack.pop_back();
    MatrixChanged(s.current);
}

// A matrix operation: recorded as the matrix it makes, or done now.
void MatrixOp(const Matrix& m, bool load)
{
    Command c = Cmd(load ? Op::LoadMatrix : Op::MultMatrix);
    std::memcpy(c.f, m.m, sizeof c.f);
    if (Record(c)) return;
    if (load) DoLoadMatrix(m);
    else DoMultMatrix(m);
}

const Matrix& Mvp()
{
    State& s = S();
    if (s.mvpStale) {
        s.mvp = Multiply(s.stacks[kProjection].back(), s.stacks[kModelView].back());
        s.mvpStale = false;
        s.mvpKey = s.nextKey++;
    }
    return s.mvp;
}

// ---- state switches ---------------------------------------------------------------------------

bool* Capability(GLenum cap)
{
    State& s = S();
    switch (cap) {
        case GL_DEPTH_TEST:
            return &s.depthTest;
        case GL_CULL_FACE:
            return &s.cullFace;
        case GL_TEXTURE_1D:
            return &s.texture1D;
        case GL_TEXTURE_2D:
            return &s.texture2D;
        case GL_ALPHA_TEST:
            return &s.alphaTest;
        case GL_BLEND:
            return &s.blend;
        case GL_FOG:
            return &s.fog;
        case GL_SCISSOR_TEST:
            return &s.scissorTest;
        default:
            return nullptr;
    }
}

void DoEnable(GLenum cap, bool on)
{
    if (bool* flag = Capability(cap)) *flag = on;
    else Unsupported((on ? "glEnable " : "glDisable ") + Hex(cap));
}

TextureObject* Bound(GLenum target)
{
    State& s = S();
    const bool one = target == GL_TEXTURE_1D;
    const GLuint name = one ? s.bound1D : s.bound2D;
    if (name == 0) return one ? &s.default1D : &s.default2D;
    auto found = s.textures.find(name);
    return found == s.textures.end() ? nullptr : &found->second;
}

void DoBindTexture(GLenum target, GLuint name)
{
    State& s = S();
    if (target != GL_TEXTURE_1D && target != GL_TEXTURE_2D) {
        Unsupported("glBindTexture " + Hex(target));
        return;
    }
    const int dims = target == GL_TEXTURE_1D ? 1 : 2;
    if (name != 0) {
        TextureObject& t = s.textures[name];
        if (t.dims == 0) t.dims = dims;
        if (t.dims != dims) return;  // GL_INVALID_OPERATION: a name keeps its first target
    }
    (dims == 1 ? s.bound1D : s.bound2D) = name;
}

GLenum DeviceWrap(GLenum wrap) { return wrap == GL_REPEAT ? GL_REPEAT : GL_CLAMP_TO_EDGE; }

void SendParameters(TextureObject& t)
{
    if (!t.device) return;
    const bool mipmapped = t.minFilter != GL_NEAREST && t.minFilter != GL_LINEAR;
    // Without mipmaps such a texture is incomplete in GL and not drawn at all (see Resolve);
    // WebGL is given a filter it can use meanwhile.
    webgl::TexParameters(t.device, mipmapped ? GL_NEAREST : t.minFilter, t.magFilter,
                         DeviceWrap(t.wrapS), t.dims == 1 ? GL_CLAMP_TO_EDGE : DeviceWrap(t.wrapT));
}

void DoTexParameter(GLenum target, GLenum pname, GLint value)
{
    TextureObject* t =
        (target == GL_TEXTURE_1D || target == GL_TEXTURE_2D) ? Bound(target) : nullptr;
    if (!t) {
        Unsupported("glTexParameteri target " + Hex(target));
        return;
    }
    const GLenum v = static_cast<GLenum>(value);
    switch (pname) {
        case GL_TEXTURE_MIN_FILTER:
            t->minFilter = v;
            break;
        case GL_TEXTURE_MAG_FILTER:
            t->magFilter = v;
            break;
        case GL_TEXTURE_WRAP_S:
            t->wrapS = v;
            break;
        case GL_TEXTURE_WRAP_T:
            t->wrapT = v;
            break;
        default:
            Unsupported("glTexParameteri " + Hex(pname));
            return;
    }
    SendParameters(*t);
}

void DoFog(GLenum pname, const float* v)
{
    State& s = S();
    switch (pname) {
        case GL_FOG_MODE:
            s.fogMode = static_cast<GLenum>(v[0]);
            break;
        case GL_FOG_START:
            s.fogStart = v[0];
            break;
        case GL_FOG_END:
            s.fogEnd = v[0];
            break;
        case GL_FOG_DENSITY:
            s.fogDensity = v[0];
            break;
        case GL_FOG_COLOR:
            std::memcpy(s.fogColour, v, sizeof s.fogColour);
            break;
        default:
            Unsupported("glFog " + Hex(pname));
    }
}

void RecordFog(GLenum pname, const float* v, int n)
{
    Command c = Cmd(Op::Fog, pname);
    std::memcpy(c.f, v, sizeof(float) * static_cast<size_t>(n));
    if (Record(c)) return;
    DoFog(pname, v);
}

// ---- drawing --------------------------------------------------------------------------------

bool Complete(const TextureObject& t)
{
    return t.device && t.width > 0 && t.height > 0 &&
           (t.minFilter == GL_NEAREST || t.minFilter == GL_LINEAR);
}

webgl::Pipeline Resolve(bool clipSpace)
{
    State& s = S();
    static const Matrix identity = Identity();
    webgl::Pipeline p;
    if (clipSpace) {
        p.mvp = identity.m;
        p.mvpKey = 1;
    } else {
        p.mvp = Mvp().m;
        p.mvpKey = s.mvpKey;
    }
    if (s.texKey == 0) s.texKey = s.nextKey++;
    p.texMatrix = s.stacks[kTexture].back().m;
    p.texKey = s.texKey;
    // 2D texturing wins over 1D, as in GL.
    const TextureObject* t = s.texture2D   ? Bound(GL_TEXTURE_2D)
                             : s.texture1D ? Bound(GL_TEXTURE_1D)
                                           : nullptr;
    if (t && Complete(*t)) {
        p.texture = t->device;
        if (t->dims == 2) p.textureMode = webgl::TextureMode::Image2D;
        else
            p.textureMode =
                t->wrapS == GL_REPEAT ? webgl::TextureMode::Image1D : webgl::TextureMode::Ramp1D;
    }
    p.alphaTest = s.alphaTest;
    p.alphaFunc = s.alphaFunc;
    p.alphaRef = s.alphaRef;
    p.fog = s.fog;
    p.fogMode = s.fogMode;
    std::memcpy(p.fogColor, s.fogColour, sizeof p.fogColor);
    p.fogStart = s.fogStart;
    p.fogEnd = s.fogEnd;
    p.fogDensity = s.fogDensity;
    p.blend = s.blend;
    p.blendSrc = s.blendSrc;
    p.blendDst = s.blendDst;
    p.depthTest = s.depthTest;
    p.depthFunc = s.depthFunc;
    p.depthNear = s.depthNear;
    p.depthFar = s.depthFar;
    p.depthMask = s.depthMask;
    p.cull = s.cullFace && !clipSpace;
    p.scissor = s.scissorTest;
    std::memcpy(p.scissorBox, s.scissorBox, sizeof p.scissorBox);
    std::memcpy(p.viewport, s.viewport, sizeof p.viewport);
    return p;
}

void SetConstantColour(webgl::Pipeline& p)
{
    p.constantColor = true;
    std::memcpy(p.color, S().colour, sizeof p.color);
}

void SetConstantTexCoord(webgl::Pipeline& p)
{
    p.constantTexCoord = true;
    std::memcpy(p.texCoord, S().texCoord, sizeof p.texCoord);
}

// A line is as wide as its width rounded to whole pixels, at least one, as GL asks of lines
// without antialiasing (and Mesa draws them on the desktop).
float LinePixels()
{
    const float w = std::floor(S().lineWidth + 0.5f);
    return w > 1.0f ? w : 1.0f;
}

// Each line as two triangles in clip space: the segment (cut at the near plane) widened by the
// line width in window pixels across its minor axis, up and down for a line that runs more
// across than up, left and right otherwise.
void WidenLines(const Vertex* v, size_t count, std::vector<Vertex>& out)
{
    const Matrix& mvp = Mvp();
    const int* vp = S().viewport;
    if (vp[2] <= 0 || vp[3] <= 0) return;
    const float half = 0.5f * LinePixels();
    for (size_t i = 0; i + 1 < count; i += 2) {
        Vertex a = v[i], b = v[i + 1];
        float ca[4], cb[4];
        const float pa[4] = {a.x, a.y, a.z, a.w}, pb[4] = {b.x, b.y, b.z, b.w};
        Transform(mvp, pa, ca);
        Transform(mvp, pb, cb);
        const float da = ca[2] + ca[3], db = cb[2] + cb[3];  // inside the near plane when >= 0
        if (da < 0.0f && db < 0.0f) continue;
        if (da < 0.0f || db < 0.0f) {
            const bool cutA = da < 0.0f;
            const float t = cutA ? da / (da - db) : db / (db - da);
            float* cut = cutA ? ca : cb;
            const float* keep = cutA ? cb : ca;
            Vertex& vc = cutA ? a : b;
            const Vertex& vk = cutA ? b : a;
            for (int k = 0; k < 4; ++k) cut[k] += (keep[k] - cut[k]) * t;
            vc.s += (vk.s - vc.s) * t;
            vc.t += (vk.t - vc.t) * t;
            vc.r += (vk.r - vc.r) * t;
            for (int k = 0; k < 4; ++k)
                vc.rgba[k] =
                    static_cast<uint8_t>(vc.rgba[k] + (vk.rgba[k] - vc.rgba[k]) * t + 0.5f);
        }
        if (!(ca[3] > 0.0f) || !(cb[3] > 0.0f)) continue;
        const float dx = std::fabs(cb[0] / cb[3] - ca[0] / ca[3]) * static_cast<float>(vp[2]);
        const float dy = std::fabs(cb[1] / cb[3] - ca[1] / ca[3]) * static_cast<float>(vp[3]);
        // Half the width in normalised device coordinates, across the minor axis.
        float ox = 0.0f, oy = 0.0f;
        if (dx > dy) oy = half * 2.0f / static_cast<float>(vp[3]);
        else ox = half * 2.0f / static_cast<float>(vp[2]);
        auto corner = [&](const Vertex& src, const float* c, float side) {
            Vertex q = src;
            q.x = c[0] + side * ox * c[3];
            q.y = c[1] + side * oy * c[3];
            q.z = c[2];
            q.w = c[3];
            return q;
        };
        const Vertex a0 = corner(a, ca, -1.0f), a1 = corner(a, ca, 1.0f);
        const Vertex b0 = corner(b, cb, -1.0f), b1 = corner(b, cb, 1.0f);
        out.insert(out.end(), {a0, a1, b1, a0, b1, b0});
    }
}

void DrawLines(const Vertex* v, size_t count)
{
    static std::vector<Vertex> quads;
    quads.clear();
    WidenLines(v, count, quads);
    if (quads.empty()) return;
    webgl::Draw(Resolve(true), webgl::Primitive::Triangles, quads.data(), quads.size());
}

void DrawTriangles(const Vertex* v, size_t count)
{
    webgl::Draw(Resolve(false), webgl::Primitive::Triangles, v, count);
}

// The primitives of glBegin's mode as triangles or lines; false for a mode outside the subset.
// inherit follows the vertices when given.
bool Assemble(GLenum mode, std::vector<Vertex>& v, std::vector<uint8_t>* inherit, bool* lines)
{
    *lines = false;
    size_t n = v.size();
    switch (mode) {
        case GL_TRIANGLES:
            n -= n % 3;
            break;
        case GL_LINES:
            n -= n % 2;
            *lines = true;
            break;
        case GL_QUADS: {
            n -= n % 4;
            std::vector<Vertex> t;
            std::vector<uint8_t> ti;
            t.reserve(n / 4 * 6);
            static const int kCorners[6] = {0, 1, 2, 0, 2, 3};
            for (size_t q = 0; q < n; q += 4)
                for (int c : kCorners) {
                    t.push_back(v[q + static_cast<size_t>(c)]);
                    if (inherit) ti.push_back((*inherit)[q + static_cast<size_t>(c)]);
                }
            v.swap(t);
            if (inherit) inherit->swap(ti);
            return true;
        }
        default:
            Unsupported("glBegin " + Hex(mode));
            v.clear();
            if (inherit) inherit->clear();
            return false;
    }
    v.resize(n);
    if (inherit) inherit->resize(n);
    return true;
}

// Finished primitives: drawn now, or kept in the list being recorded.
void Emit(GLenum mode, std::vector<Vertex>& v, std::vector<uint8_t>& inherit)
{
    State& s = S();
    bool lines = false;
    const bool recording = s.recording != nullptr;
    if (!Assemble(mode, v, recording ? &inherit : nullptr, &lines) || v.empty()) return;
    if (recording) {
        DisplayList& l = s.recording->list;
        uint32_t all = kInheritColour | kInheritTexCoord, any = 0;
        for (uint8_t f : inherit) {
            all &= f;
            any |= f;
        }
        uint32_t flags = all | (lines ? kLines : 0);
        if (any != all) flags |= kMixed;
        l.commands.push_back(Cmd(Op::Draw, flags, static_cast<uint32_t>(l.vertices.size()),
                                 static_cast<uint32_t>(v.size())));
        l.vertices.insert(l.vertices.end(), v.begin(), v.end());
        l.inherit.insert(l.inherit.end(), inherit.begin(), inherit.end());
        return;
    }
    if (lines) DrawLines(v.data(), v.size());
    else DrawTriangles(v.data(), v.size());
}

// The vertex as the current (or recorded) colour and texture coordinate make it.
void AddVertex(float x, float y, float z)
{
    State& s = S();
    if (!s.inBegin) return;  // outside glBegin a vertex does nothing
    Vertex v;
    v.x = x;
    v.y = y;
    v.z = z;
    v.w = 1.0f;
    uint8_t inherit = 0;
    const float* colour = s.colour;
    const float* tex = s.texCoord;
    if (s.recording) {
        const Recording& r = *s.recording;
        if (r.colourSet) colour = r.colour;
        else inherit |= kInheritColour;
        if (r.texCoordSet) tex = r.texCoord;
        else inherit |= kInheritTexCoord;
    }
    for (int k = 0; k < 4; ++k) v.rgba[k] = Byte(colour[k]);
    v.s = tex[0];
    v.t = tex[1];
    v.r = tex[2];
    s.begun.push_back(v);
    s.begunInherit.push_back(inherit);
}

void SetColour(float r, float g, float b, float a)
{
    State& s = S();
    const float c[4] = {r, g, b, a};
    if (s.recording) {
        s.recording->colourSet = true;
        std::memcpy(s.recording->colour, c, sizeof c);
        // Replayed, it leaves the caller's colour where the list left it.
        Command cmd = Cmd(Op::Colour);
        std::memcpy(cmd.f, c, sizeof c);
        (s.inBegin ? s.recording->afterDraw : s.recording->list.commands).push_back(cmd);
        return;
    }
    std::memcpy(s.colour, c, sizeof c);
}

void SetTexCoord(float a, float b, float c)
{
    State& s = S();
    const float t[3] = {a, b, c};
    if (s.recording) {
        s.recording->texCoordSet = true;
        std::memcpy(s.recording->texCoord, t, sizeof t);
        Command cmd = Cmd(Op::TexCoord);
        std::memcpy(cmd.f, t, sizeof t);
        (s.inBegin ? s.recording->afterDraw : s.recording->list.commands).push_back(cmd);
        return;
    }
    std::memcpy(s.texCoord, t, sizeof t);
}

void DrawListGeometry(const DisplayList& l, const Command& c)
{
    State& s = S();
    const uint32_t flags = c.a;
    const size_t first = c.b, count = c.c;
    if (first + count > l.vertices.size()) return;
    if ((flags & (kLines | kMixed)) || !l.buffer) {
        // From the list's own copy, with the caller's colour and texture coordinate where the
        // list set none.
        static std::vector<Vertex> v;
        v.assign(l.vertices.begin() + static_cast<std::ptrdiff_t>(first),
                 l.vertices.begin() + static_cast<std::ptrdiff_t>(first + count));
        for (size_t i = 0; i < count; ++i) {
            const uint8_t in = l.inherit[first + i];
            if (in & kInheritColour)
                for (int k = 0; k < 4; ++k) v[i].rgba[k] = Byte(s.colour[k]);
            if (in & kInheritTexCoord) {
                v[i].s = s.texCoord[0];
                v[i].t = s.texCoord[1];
                v[i].r = s.texCoord[2];
            }
        }
        if (flags & kLines) DrawLines(v.data(), v.size());
        else DrawTriangles(v.data(), v.size());
        return;
    }
    webgl::Pipeline p = Resolve(false);
    if (flags & kInheritColour) SetConstantColour(p);
    if (flags & kInheritTexCoord) SetConstantTexCoord(p);
    webgl::DrawBuffer(p, webgl::Primitive::Triangles, l.buffer, first, count);
}

void DoClear(GLbitfield mask)
{
    State& s = S();
    if (mask & ~static_cast<GLbitfield>(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT))
        Unsupported("glClear " + Hex(mask));
    webgl::Clear((mask & GL_COLOR_BUFFER_BIT) != 0, (mask & GL_DEPTH_BUFFER_BIT) != 0,
                 s.clearColour, s.scissorTest, s.scissorBox, s.depthMask);
}

void Execute(GLuint name);

void Run(const Command& c, const DisplayList& l)
{
    State& s = S();
    switch (c.op) {
        case Op::Enable:
            DoEnable(c.a, true);
            break;
        case Op::Disable:
            DoEnable(c.a, false);
            break;
        case Op::DepthMask:
            s.depthMask = c.a != 0;
            break;
        case Op::DepthFunc:
            s.depthFunc = c.a;
            break;
        case Op::DepthRange:
            s.depthNear = c.f[0];
            s.depthFar = c.f[1];
            break;
        case Op::BlendFunc:
            s.blendSrc = c.a;
            s.blendDst = c.b;
            break;
        case Op::AlphaFunc:
            s.alphaFunc = c.a;
            s.alphaRef = c.f[0];
            break;
        case Op::BindTexture:
            DoBindTexture(c.a, c.b);
            break;
        case Op::TexParameter:
            DoTexParameter(c.a, c.b, static_cast<GLint>(c.c));
            break;
        case Op::TexEnv:
            s.texEnvMode = c.a;
            break;
        case Op::Colour:
            std::memcpy(s.colour, c.f, sizeof s.colour);
            break;
        case Op::TexCoord:
            std::memcpy(s.texCoord, c.f, sizeof s.texCoord);
            break;
        case Op::MatrixMode:
            DoMatrixMode(c.a);
            break;
        case Op::LoadIdentity:
            DoLoadMatrix(Identity());
            break;
        case Op::LoadMatrix:
        case Op::MultMatrix: {
            Matrix m;
            std::memcpy(m.m, c.f, sizeof m.m);
            if (c.op == Op::LoadMatrix) DoLoadMatrix(m);
            else DoMultMatrix(m);
            break;
        }
        case Op::PushMatrix:
            DoPushMatrix();
            break;
        case Op::PopMatrix:
            DoPopMatrix();
            break;
        case Op::LineWidth:
            s.lineWidth = c.f[0];
            break;
        case Op::Fog:
            DoFog(c.a, c.f);
            break;
        case Op::ClearColour:
            std::memcpy(s.clearColour, c.f, sizeof s.clearColour);
            break;
        case Op::Clear:
            DoClear(c.a);
            break;
        case Op::Viewport:
            s.viewport[0] = static_cast<int>(c.a);
            s.viewport[1] = static_cast<int>(c.b);
            s.viewport[2] = static_cast<int>(c.c);
            s.viewport[3] = static_cast<int>(c.d);
            break;
        case Op::Scissor:
            s.scissorBox[0] = static_cast<int>(c.a);
            s.scissorBox[1] = static_cast<int>(c.b);
            s.scissorBox[2] = static_cast<int>(c.c);
            s.scissorBox[3] = static_cast<int>(c.d);
            break;
        case Op::CallList:
            Execute(c.a);
            break;
        case Op::Draw:
            DrawListGeometry(l, c);
            break;
    }
}

void Execute(GLuint name)
{
    State& s = S();
    auto found = s.lists.find(name);
    if (found == s.lists.end() || s.nesting >= kMaxListNesting) return;
    ++s.nesting;
    const DisplayList& l = found->second;
    for (const Command& c : l.commands) Run(c, l);
    --s.nesting;
}

void DeleteList(DisplayList& l)
{
    webgl::DeleteBuffer(l.buffer);
    l.buffer = 0;
}

// Where element index of an enabled array starts (its stride, or its elements packed).
const char* Element(const ClientArray& a, size_t elementBytes, size_t index)
{
    const size_t stride =
        a.stride ? static_cast<size_t>(a.stride) : elementBytes * static_cast<size_t>(a.size);
    return static_cast<const char*>(a.pointer) + index * stride;
}

// The vertices of a vertex-array draw: the colour and texture coordinate from their arrays
// when those are enabled, else the current ones.
bool Gather(GLint first, GLsizei count, const GLuint* indices)
{
    State& s = S();
    const ClientArray& a = s.vertexArray;
    if (!a.enabled || !a.pointer || count <= 0) return false;
    if (a.type != GL_FLOAT || a.size < 2 || a.size > 4) {
        Unsupported("glVertexPointer of this type or size");
        return false;
    }
    const ClientArray& c = s.colourArray;
    const bool colours = c.enabled && c.pointer;
    if (colours &&
        ((c.type != GL_UNSIGNED_BYTE && c.type != GL_FLOAT) || c.size < 3 || c.size > 4)) {
        Unsupported("glColorPointer of this type or size");
        return false;
    }
    const ClientArray& t = s.texCoordArray;
    const bool texCoords = t.enabled && t.pointer;
    if (texCoords && (t.type != GL_FLOAT || t.size < 1 || t.size > 4)) {
        Unsupported("glTexCoordPointer of this type or size");
        return false;
    }
    const bool wasBegun = s.inBegin;
    s.inBegin = true;
    for (GLsizei i = 0; i < count; ++i) {
        const size_t index = indices ? indices[i] : static_cast<size_t>(first + i);
        const float* p = reinterpret_cast<const float*>(Element(a, sizeof(float), index));
        AddVertex(p[0], p[1], a.size >= 3 ? p[2] : 0.0f);
        Vertex& v = s.begun.back();
        if (a.size == 4) v.w = p[3];
        if (colours) {
            if (c.type == GL_UNSIGNED_BYTE) {
                const uint8_t* rgba = reinterpret_cast<const uint8_t*>(Element(c, 1, index));
                for (int k = 0; k < c.size; ++k) v.rgba[k] = rgba[k];
            } else {
                const float* rgba =
                    reinterpret_cast<const float*>(Element(c, sizeof(float), index));
                for (int k = 0; k < c.size; ++k) v.rgba[k] = Byte(rgba[k]);
            }
            if (c.size == 3) v.rgba[3] = 255;
            s.begunInherit.back() &= static_cast<uint8_t>(~kInheritColour);
        }
        if (texCoords) {
            const float* st = reinterpret_cast<const float*>(Element(t, sizeof(float), index));
            v.s = st[0];
            v.t = t.size >= 2 ? st[1] : 0.0f;
            v.r = t.size >= 3 ? st[2] : 0.0f;
            s.begunInherit.back() &= static_cast<uint8_t>(~kInheritTexCoord);
        }
    }
    s.inBegin = wasBegun;
    return true;
}

// The client array an array name stands for; none outside the subset.
ClientArray* ArrayOf(GLenum array)
{
    switch (array) {
        case GL_VERTEX_ARRAY:
            return &S().vertexArray;
        case GL_COLOR_ARRAY:
            return &S().colourArray;
        case GL_TEXTURE_COORD_ARRAY:
            return &S().texCoordArray;
        default:
            return nullptr;
    }
}

void DrawArrays(GLenum mode, GLint first, GLsizei count, const GLuint* indices)
{
    State& s = S();
    if (s.inBegin) return;  // GL_INVALID_OPERATION
    s.begun.clear();
    s.begunInherit.clear();
    if (!Gather(first, count, indices)) return;
    Emit(mode, s.begun, s.begunInherit);
    s.begun.clear();
    s.begunInherit.clear();
}

bool Query(GLenum pname, float* f, int* i)
{
    State& s = S();
    auto put = [&](const float* values, int n) {
        for (int k = 0; k < n; ++k) {
            if (f) f[k] = values[k];
            if (i) i[k] = static_cast<int>(values[k]);
        }
    };
    auto putInt = [&](const int* values, int n) {
        for (int k = 0; k < n; ++k) {
            if (f) f[k] = static_cast<float>(values[k]);
            if (i) i[k] = values[k];
        }
    };
    auto one = [&](int v) { putInt(&v, 1); };
    switch (pname) {
        case GL_MODELVIEW_MATRIX:
            put(s.stacks[kModelView].back().m, 16);
            return true;
        case GL_PROJECTION_MATRIX:
            put(s.stacks[kProjection].back().m, 16);
            return true;
        case GL_TEXTURE_MATRIX:
            put(s.stacks[kTexture].back().m, 16);
            return true;
        case GL_MODELVIEW_STACK_DEPTH:
            one(static_cast<int>(s.stacks[kModelView].size()));
            return true;
        case GL_PROJECTION_STACK_DEPTH:
            one(static_cast<int>(s.stacks[kProjection].size()));
            return true;
        case GL_TEXTURE_STACK_DEPTH:
            one(static_cast<int>(s.stacks[kTexture].size()));
            return true;
        case GL_MATRIX_MODE:
            one(s.current == kModelView    ? GL_MODELVIEW
                : s.current == kProjection ? GL_PROJECTION
                                           : GL_TEXTURE);
            return true;
        case GL_VIEWPORT:
            putInt(s.viewport, 4);
            return true;
        // The offscreen target the picture is drawn into: 8 bits a colour, a 16-bit depth.
        case GL_RED_BITS:
        case GL_GREEN_BITS:
        case GL_BLUE_BITS:
        case GL_ALPHA_BITS:
            one(8);
            return true;
        case GL_DEPTH_BITS:
            one(16);
            return true;
        case GL_SCISSOR_BOX:
            putInt(s.scissorBox, 4);
            return true;
        case GL_DEPTH_FUNC:
            one(static_cast<int>(s.depthFunc));
            return true;
        case GL_DEPTH_RANGE: {
            const float range[2] = {s.depthNear, s.depthFar};
            put(range, 2);
            return true;
        }
        case GL_DEPTH_WRITEMASK:
            one(s.depthMask ? 1 : 0);
            return true;
        case GL_BLEND_SRC:
            one(static_cast<int>(s.blendSrc));
            return true;
        case GL_BLEND_DST:
            one(static_cast<int>(s.blendDst));
            return true;
        case GL_ALPHA_TEST_FUNC:
            one(static_cast<int>(s.alphaFunc));
            return true;
        case GL_ALPHA_TEST_REF:
            put(&s.alphaRef, 1);
            return true;
        case GL_COLOR_CLEAR_VALUE:
            put(s.clearColour, 4);
            return true;
        case GL_CURRENT_COLOR:
            put(s.colour, 4);
            return true;
        case GL_LINE_WIDTH:
            put(&s.lineWidth, 1);
            return true;
        case GL_TEXTURE_BINDING_1D:
            one(static_cast<int>(s.bound1D));
            return true;
        case GL_TEXTURE_BINDING_2D:
            one(static_cast<int>(s.bound2D));
            return true;
        default:
            Unsupported("glGet " + Hex(pname));
            return false;
    }
}

void TexImage(GLenum target, GLint level, GLsizei width, GLsizei height, GLint border,
              GLenum format, GLenum type, const void* pixels)
{
    State& s = S();
    if (s.recording) Unsupported("glTexImage inside a display list");
    TextureObject* t = Bound(target);
    if (!t) return;
    if (level != 0 || border != 0 || type != GL_UNSIGNED_BYTE || width < 0 || height < 0 ||
        (format != GL_RGB && format != GL_RGBA && format != GL_LUMINANCE &&
         format != GL_LUMINANCE_ALPHA && format != GL_ALPHA)) {
        Unsupported("glTexImage of this level, border, format or type");
        return;
    }
    if (!t->device) {
        t->device = webgl::NewTexture();
        SendParameters(*t);
    }
    t->width = width;
    t->height = height;
    webgl::TexImage(t->device, width, height, format, pixels, s.unpackAlignment);
}

void ForgetTexture(TextureObject& t)
{
    webgl::DeleteTexture(t.device);
    t = TextureObject();
}

}  // namespace

// ---- the subset's own controls ----------------------------------------------------------------

namespace gl11 {

void ContextCreated()
{
    ContextReleased();
    State& s = S();
    int w = 0, h = 0;
    webgl::SurfaceSize(&w, &h);
    s.viewport[2] = s.scissorBox[2] = w;
    s.viewport[3] = s.scissorBox[3] = h;
}

void ContextReleased()
{
    if (gState) {
        // The browser keeps a canvas's context: its textures and buffers are given back.
        for (auto& t : gState->textures) webgl::DeleteTexture(t.second.device);
        webgl::DeleteTexture(gState->default1D.device);
        webgl::DeleteTexture(gState->default2D.device);
        for (auto& l : gState->lists) webgl::DeleteBuffer(l.second.buffer);
        if (gState->recording) webgl::DeleteBuffer(gState->recording->list.buffer);
        delete gState->recording;
    }
    delete gState;
    gState = nullptr;
}

int UnsupportedCount() { return S().unsupported; }

const char* LastUnsupported() { return S().lastUnsupported.c_str(); }

}  // namespace gl11

// ---- the GL 1.1 entry points ------------------------------------------------------------------

extern "C" {

void GLAPIENTRY glEnable(GLenum cap)
{
    if (!Record(Cmd(Op::Enable, cap))) DoEnable(cap, true);
}

void GLAPIENTRY glDisable(GLenum cap)
{
    if (!Record(Cmd(Op::Disable, cap))) DoEnable(cap, false);
}

GLboolean GLAPIENTRY glIsEnabled(GLenum cap)
{
    if (const ClientArray* a = ArrayOf(cap)) return a->enabled ? GL_TRUE : GL_FALSE;
    const bool* flag = Capability(cap);
    if (!flag) {
        Unsupported("glIsEnabled " + Hex(cap));
        return GL_FALSE;
    }
    return *flag ? GL_TRUE : GL_FALSE;
}

void GLAPIENTRY glDepthMask(GLboolean flag)
{
    if (!Record(Cmd(Op::DepthMask, flag ? 1u : 0u))) S().depthMask = flag != GL_FALSE;
}

void GLAPIENTRY glDepthFunc(GLenum func)
{
    if (!Record(Cmd(Op::DepthFunc, func))) S().depthFunc = func;
}

// Depths map into [zNear, zFar], each clamped to [0, 1].
void GLAPIENTRY glDepthRange(GLclampd zNear, GLclampd zFar)
{
    const float n = static_cast<float>(std::min(1.0, std::max(0.0, zNear)));
    const float f = static_cast<float>(std::min(1.0, std::max(0.0, zFar)));
    Command cmd = Cmd(Op::DepthRange);
    cmd.f[0] = n;
    cmd.f[1] = f;
    if (Record(cmd)) return;
    S().depthNear = n;
    S().depthFar = f;
}

void GLAPIENTRY glBlendFunc(GLenum sfactor, GLenum dfactor)
{
    if (Record(Cmd(Op::BlendFunc, sfactor, dfactor))) return;
    S().blendSrc = sfactor;
    S().blendDst = dfactor;
}

void GLAPIENTRY glAlphaFunc(GLenum func, GLclampf ref)
{
    const float clamped = ref < 0.0f ? 0.0f : ref > 1.0f ? 1.0f : ref;
    Command c = Cmd(Op::AlphaFunc, func);
    c.f[0] = clamped;
    if (Record(c)) return;
    S().alphaFunc = func;
    S().alphaRef = clamped;
}

void GLAPIENTRY glLineWidth(GLfloat width)
{
    if (!(width > 0.0f)) return;  // GL_INVALID_VALUE
    Command c = Cmd(Op::LineWidth);
    c.f[0] = width;
    if (!Record(c)) S().lineWidth = width;
}

void GLAPIENTRY glHint(GLenum, GLenum) {}  // hints change nothing here

void GLAPIENTRY glFogf(GLenum pname, GLfloat param) { RecordFog(pname, &param, 1); }

void GLAPIENTRY glFogi(GLenum pname, GLint param)
{
    const float f = static_cast<float>(param);
    RecordFog(pname, &f, 1);
}

void GLAPIENTRY glFogfv(GLenum pname, const GLfloat* params)
{
    if (params) RecordFog(pname, params, pname == GL_FOG_COLOR ? 4 : 1);
}

void GLAPIENTRY glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha)
{
    auto clamp = [](float v) { return v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v; };
    Command c = Cmd(Op::ClearColour);
    c.f[0] = clamp(red);
    c.f[1] = clamp(green);
    c.f[2] = clamp(blue);
    c.f[3] = clamp(alpha);
    if (!Record(c)) std::memcpy(S().clearColour, c.f, sizeof S().clearColour);
}

void GLAPIENTRY glClear(GLbitfield mask)
{
    if (!Record(Cmd(Op::Clear, mask))) DoClear(mask);
}

void GLAPIENTRY glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    if (width < 0 || height < 0) return;
    const Command c = Cmd(Op::Viewport, static_cast<uint32_t>(x), static_cast<uint32_t>(y),
                          static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    if (Record(c)) return;
    const int v[4] = {x, y, width, height};
    std::memcpy(S().viewport, v, sizeof v);
}

void GLAPIENTRY glScissor(GLint x, GLint y, GLsizei width, GLsizei height)
{
    if (width < 0 || height < 0) return;
    const Command c = Cmd(Op::Scissor, static_cast<uint32_t>(x), static_cast<uint32_t>(y),
                          static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    if (Record(c)) return;
    const int v[4] = {x, y, width, height};
    std::memcpy(S().scissorBox, v, sizeof v);
}

void GLAPIENTRY glFlush() {}  // the browser sends the frame's commands when the frame ends

void GLAPIENTRY glPixelStorei(GLenum pname, GLint param)
{
    if (param != 1 && param != 2 && param != 4 && param != 8) return;  // GL_INVALID_VALUE
    if (pname == GL_UNPACK_ALIGNMENT) S().unpackAlignment = param;
    else if (pname == GL_PACK_ALIGNMENT) S().packAlignment = param;
    else Unsupported("glPixelStorei " + Hex(pname));
}

void GLAPIENTRY glGetFloatv(GLenum pname, GLfloat* params) { Query(pname, params, nullptr); }

void GLAPIENTRY glGetIntegerv(GLenum pname, GLint* params) { Query(pname, nullptr, params); }

// Matrices.

void GLAPIENTRY glMatrixMode(GLenum mode)
{
    if (!Record(Cmd(Op::MatrixMode, mode))) DoMatrixMode(mode);
}

void GLAPIENTRY glLoadIdentity()
{
    if (!Record(Cmd(Op::LoadIdentity))) DoLoadMatrix(Identity());
}

void GLAPIENTRY glPushMatrix()
{
    if (!Record(Cmd(Op::PushMatrix))) DoPushMatrix();
}

void GLAPIENTRY glPopMatrix()
{
    if (!Record(Cmd(Op::PopMatrix))) DoPopMatrix();
}

void GLAPIENTRY glLoadMatrixf(const GLfloat* m)
{
    if (!m) return;
    Matrix r;
    std::memcpy(r.m, m, sizeof r.m);
    MatrixOp(r, true);
}

void GLAPIENTRY glMultMatrixf(const GLfloat* m)
{
    if (!m) return;
    Matrix r;
    std::memcpy(r.m, m, sizeof r.m);
    MatrixOp(r, false);
}

void GLAPIENTRY glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    MatrixOp(Translation(x, y, z), false);
}

void GLAPIENTRY glScalef(GLfloat x, GLfloat y, GLfloat z) { MatrixOp(Scaling(x, y, z), false); }

void GLAPIENTRY glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    Matrix r;
    if (Rotation(angle, x, y, z, &r)) MatrixOp(r, false);
}

void GLAPIENTRY glFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top,
                          GLdouble zNear, GLdouble zFar)
{
    if (zNear <= 0.0 || zFar <= 0.0 || left == right || bottom == top || zNear == zFar)
        return;  // GL_INVALID_VALUE
    Matrix r{};
    r.m[0] = static_cast<float>(2.0 * zNear / (right - left));
    r.m[5] = static_cast<float>(2.0 * zNear / (top - bottom));
    r.m[8] = static_cast<float>((right + left) / (right - left));
    r.m[9] = static_cast<float>((top + bottom) / (top - bottom));
    r.m[10] = static_cast<float>(-(zFar + zNear) / (zFar - zNear));
    r.m[11] = -1.0f;
    r.m[14] = static_cast<float>(-2.0 * zFar * zNear / (zFar - zNear));
    MatrixOp(r, false);
}

void GLAPIENTRY gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX,
                          GLdouble centerY, GLdouble centerZ, GLdouble upX, GLdouble upY,
                          GLdouble upZ)
{
    // f looks from the eye to the centre, s to the right of it, u up: the rows of the turn.
    double f[3] = {centerX - eyeX, centerY - eyeY, centerZ - eyeZ};
    const double fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    if (fl > 0.0)
        for (double& c : f) c /= fl;
    double s[3] = {f[1] * upZ - f[2] * upY, f[2] * upX - f[0] * upZ, f[0] * upY - f[1] * upX};
    const double sl = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    if (sl > 0.0)
        for (double& c : s) c /= sl;
    const double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2],
                         s[0] * f[1] - s[1] * f[0]};
    Matrix r = Identity();
    for (int k = 0; k < 3; ++k) {
        r.m[4 * k + 0] = static_cast<float>(s[k]);
        r.m[4 * k + 1] = static_cast<float>(u[k]);
        r.m[4 * k + 2] = static_cast<float>(-f[k]);
    }
    MatrixOp(r, false);
    MatrixOp(Translation(static_cast<float>(-eyeX), static_cast<float>(-eyeY),
                         static_cast<float>(-eyeZ)),
             false);
}

// Immediate mode.

void GLAPIENTRY glBegin(GLenum mode)
{
    State& s = S();
    if (s.inBegin) return;  // GL_INVALID_OPERATION
    s.inBegin = true;
    s.beginMode = mode;
    s.begun.clear();
    s.begunInherit.clear();
}

void GLAPIENTRY glEnd()
{
    State& s = S();
    if (!s.inBegin) return;
    s.inBegin = false;
    Emit(s.beginMode, s.begun, s.begunInherit);
    s.begun.clear();
    s.begunInherit.clear();
    if (s.recording) {
        std::vector<Command>& after = s.recording->afterDraw;
        s.recording->list.commands.insert(s.recording->list.commands.end(), after.begin(),
                                          after.end());
        after.clear();
    }
}

void GLAPIENTRY glVertex2f(GLfloat x, GLfloat y) { AddVertex(x, y, 0.0f); }

void GLAPIENTRY glVertex3f(GLfloat x, GLfloat y, GLfloat z) { AddVertex(x, y, z); }

void GLAPIENTRY glTexCoord2f(GLfloat s, GLfloat t) { SetTexCoord(s, t, 0.0f); }

void GLAPIENTRY glTexCoord3f(GLfloat s, GLfloat t, GLfloat r) { SetTexCoord(s, t, r); }

void GLAPIENTRY glColor3f(GLfloat red, GLfloat green, GLfloat blue)
{
    SetColour(red, green, blue, 1.0f);
}

void GLAPIENTRY glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    SetColour(red, green, blue, alpha);
}

void GLAPIENTRY glColor3ub(GLubyte red, GLubyte green, GLubyte blue)
{
    SetColour(red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f);
}

void GLAPIENTRY glColor4ub(GLubyte red, GLubyte green, GLubyte blue, GLubyte alpha)
{
    SetColour(red / 255.0f, green / 255.0f, blue / 255.0f, alpha / 255.0f);
}

// Vertex arrays: positions, colours and texture coordinates; without their arrays the colour
// and texture coordinate are the current ones.

void GLAPIENTRY glEnableClientState(GLenum array)
{
    if (ClientArray* a = ArrayOf(array)) a->enabled = true;
    else Unsupported("glEnableClientState " + Hex(array));
}

void GLAPIENTRY glDisableClientState(GLenum array)
{
    if (ClientArray* a = ArrayOf(array)) a->enabled = false;
}

namespace {
void SetPointer(ClientArray& a, GLint size, GLenum type, GLsizei stride, const GLvoid* pointer)
{
    a.size = size;
    a.type = type;
    a.stride = stride;
    a.pointer = pointer;
}
}  // namespace

void GLAPIENTRY glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer)
{
    SetPointer(S().vertexArray, size, type, stride, pointer);
}

void GLAPIENTRY glColorPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer)
{
    SetPointer(S().colourArray, size, type, stride, pointer);
}

void GLAPIENTRY glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer)
{
    SetPointer(S().texCoordArray, size, type, stride, pointer);
}

void GLAPIENTRY glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    DrawArrays(mode, first, count, nullptr);
}

void GLAPIENTRY glDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices)
{
    if (type != GL_UNSIGNED_INT) {
        Unsupported("glDrawElements with indices of type " + Hex(type));
        return;
    }
    if (indices) DrawArrays(mode, 0, count, static_cast<const GLuint*>(indices));
}

// Display lists.

GLuint GLAPIENTRY glGenLists(GLsizei range)
{
    State& s = S();
    if (range <= 0) return 0;
    // The first run of `range` free names from 1.
    GLuint first = 1;
    for (auto it = s.lists.lower_bound(first);
         it != s.lists.end() && it->first < first + static_cast<GLuint>(range);
         it = s.lists.lower_bound(first))
        first = it->first + 1;
    for (GLuint n = first; n < first + static_cast<GLuint>(range); ++n) s.lists[n];
    return first;
}

GLboolean GLAPIENTRY glIsList(GLuint list) { return S().lists.count(list) ? GL_TRUE : GL_FALSE; }

void GLAPIENTRY glDeleteLists(GLuint list, GLsizei range)
{
    State& s = S();
    for (GLsizei k = 0; k < range; ++k) {
        auto found = s.lists.find(list + static_cast<GLuint>(k));
        if (found == s.lists.end()) continue;
        DeleteList(found->second);
        s.lists.erase(found);
    }
}

void GLAPIENTRY glNewList(GLuint list, GLenum mode)
{
    State& s = S();
    if (list == 0 || s.recording || s.inBegin) return;  // GL_INVALID_VALUE / OPERATION
    if (mode != GL_COMPILE && mode != GL_COMPILE_AND_EXECUTE) return;
    s.recording = new Recording;
    s.recording->name = list;
    s.recording->execute = mode == GL_COMPILE_AND_EXECUTE;
}

void GLAPIENTRY glEndList()
{
    State& s = S();
    if (!s.recording || s.inBegin) return;
    Recording* r = s.recording;
    s.recording = nullptr;
    DisplayList& l = s.lists[r->name];
    DeleteList(l);
    l = std::move(r->list);
    if (!l.vertices.empty()) l.buffer = webgl::NewBuffer(l.vertices.data(), l.vertices.size());
    const bool execute = r->execute;
    const GLuint name = r->name;
    delete r;
    if (execute) Execute(name);
}

void GLAPIENTRY glCallList(GLuint list)
{
    if (!Record(Cmd(Op::CallList, list))) Execute(list);
}

// Textures.

void GLAPIENTRY glBindTexture(GLenum target, GLuint texture)
{
    if (!Record(Cmd(Op::BindTexture, target, texture))) DoBindTexture(target, texture);
}

void GLAPIENTRY glDeleteTextures(GLsizei n, const GLuint* textures)
{
    State& s = S();
    for (GLsizei k = 0; k < n && textures; ++k) {
        const GLuint name = textures[k];
        auto found = s.textures.find(name);
        if (name == 0 || found == s.textures.end()) continue;
        ForgetTexture(found->second);
        s.textures.erase(found);
        if (s.bound1D == name) s.bound1D = 0;
        if (s.bound2D == name) s.bound2D = 0;
    }
}

void GLAPIENTRY glTexParameteri(GLenum target, GLenum pname, GLint param)
{
    const Command c = Cmd(Op::TexParameter, target, pname, static_cast<uint32_t>(param));
    if (!Record(c)) DoTexParameter(target, pname, param);
}

void GLAPIENTRY glTexEnvf(GLenum target, GLenum pname, GLfloat param)
{
    const GLenum mode = static_cast<GLenum>(param);
    if (target != GL_TEXTURE_ENV || pname != GL_TEXTURE_ENV_MODE || mode != GL_MODULATE) {
        Unsupported("glTexEnvf other than GL_MODULATE");
        return;
    }
    if (!Record(Cmd(Op::TexEnv, mode))) S().texEnvMode = mode;
}

void GLAPIENTRY glTexImage1D(GLenum target, GLint level, GLint, GLsizei width, GLint border,
                             GLenum format, GLenum type, const GLvoid* pixels)
{
    if (target != GL_TEXTURE_1D) {
        Unsupported("glTexImage1D target " + Hex(target));
        return;
    }
    TexImage(target, level, width, 1, border, format, type, pixels);
}

void GLAPIENTRY glTexImage2D(GLenum target, GLint level, GLint, GLsizei width, GLsizei height,
                             GLint border, GLenum format, GLenum type, const GLvoid* pixels)
{
    if (target != GL_TEXTURE_2D) {
        Unsupported("glTexImage2D target " + Hex(target));
        return;
    }
    TexImage(target, level, width, height, border, format, type, pixels);
}

}  // extern "C"
