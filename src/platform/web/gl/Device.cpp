// SPDX-License-Identifier: MIT
#include "platform/web/gl/Device.h"

#include <emscripten/html5.h>
#include <webgl/webgl1.h>

#include <cstring>
#include <vector>

namespace webgl {
namespace {

// Attribute locations of every program.
enum : GLuint { kPosition = 0, kTexCoord = 1, kColour = 2 };

const char kVertexShader[] = R"(
attribute vec4 aPosition;
attribute vec3 aTexCoord;
attribute vec4 aColour;
uniform mat4 uMvp;
uniform mat4 uTexMatrix;
varying vec4 vColour;
varying vec4 vTex;
varying float vDepth;
void main() {
    gl_Position = uMvp * aPosition;
    vColour = aColour;
#ifdef TEXTURE
    vTex = uTexMatrix * vec4(aTexCoord, 1.0);
#ifdef ONE_D
    float s = vTex.x / vTex.w;
#ifdef RAMP
    s = clamp(s, 0.0, 1.0);
#endif
    vTex = vec4(s, 0.5, 0.0, 1.0);
#endif
#endif
#ifdef FOG
    vDepth = gl_Position.w;
#endif
}
)";

const char kFragmentShader[] = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
varying vec4 vColour;
varying vec4 vTex;
varying float vDepth;
uniform sampler2D uTexture;
uniform vec4 uFogColour;
uniform vec4 uFog;
uniform vec2 uAlpha;
void main() {
    vec4 c = vColour;
#ifdef TEXTURE
    c *= texture2D(uTexture, vTex.xy / vTex.w);
#endif
#ifdef FOG
    float f;
    if (uFog.w < 0.5) f = (uFog.y - vDepth) / (uFog.y - uFog.x);
    else if (uFog.w < 1.5) f = exp(-uFog.z * vDepth);
    else f = exp(-(uFog.z * vDepth) * (uFog.z * vDepth));
    c.rgb = mix(uFogColour.rgb, c.rgb, clamp(f, 0.0, 1.0));
#endif
#ifdef ALPHA_TEST
    int func = int(uAlpha.x);
    float a = c.a;
    float ref = uAlpha.y;
    bool pass = func == 7 || (func == 1 && a < ref) || (func == 2 && a == ref) ||
                (func == 3 && a <= ref) || (func == 4 && a > ref) || (func == 5 && a != ref) ||
                (func == 6 && a >= ref);
    if (!pass) discard;
#endif
    gl_FragColor = c;
}
)";

// The offscreen picture drawn onto the canvas: one triangle over the whole surface.
const char kCopyVertexShader[] = R"(
attribute vec2 aPosition;
varying vec2 vTex;
void main() {
    vTex = aPosition * 0.5 + 0.5;
    gl_Position = vec4(aPosition, 0.0, 1.0);
}
)";

const char kCopyFragmentShader[] = R"(
precision mediump float;
varying vec2 vTex;
uniform sampler2D uTexture;
void main() { gl_FragColor = vec4(texture2D(uTexture, vTex).rgb, 1.0); }
)";

struct Program {
    GLuint id = 0;
    GLint mvp = -1, texMatrix = -1, texture = -1, fogColour = -1, fog = -1, alpha = -1;
    uint32_t mvpKey = 0, texKey = 0;
    float alphaFunc = -1, alphaRef = -1;
    float fogValues[4] = {-1, -1, -1, -1};
    float fogColourValues[4] = {-1, -1, -1, -1};
};

struct Device {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
    std::string canvas;
    Program programs[16];
    GLuint copyProgram = 0;
    GLuint copyTriangle = 0;
    GLuint stream = 0;
    size_t streamBytes = 0;
    GLuint target = 0, targetColour = 0, targetDepth = 0;
    int width = 0, height = 0;  // the surface

    // What WebGL has now, so that each draw changes only what differs.
    GLuint program = 0;
    GLuint arrayBuffer = 0;
    GLuint boundTexture = 0;
    bool caps[5] = {false, false, false, false, false};  // blend, depth, cull, scissor, dither
    GLenum blendSrc = GL_ONE, blendDst = GL_ZERO;
    GLenum depthFunc = GL_LESS;
    float depthNear = 0, depthFar = 1;
    bool depthMask = true;
    GLenum cullFace = GL_BACK;
    int scissorBox[4] = {0, 0, 0, 0};
    int viewport[4] = {0, 0, 0, 0};
    float clearColour[4] = {0, 0, 0, 0};
    bool texCoordArray = true, colourArray = true;
    float constantColour[4] = {-1, -1, -1, -1};
    float constantTexCoord[3] = {-1e30f, 0, 0};
    uint64_t calls = 0;
};

Device gDevice;

enum Cap { kBlend, kDepth, kCull, kScissor, kDither };
const GLenum kCapEnum[] = {GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE, GL_SCISSOR_TEST, GL_DITHER};

void SetCap(Cap cap, bool on)
{
    if (gDevice.caps[cap] == on) return;
    gDevice.caps[cap] = on;
    ++gDevice.calls;
    if (on) emscripten_glEnable(kCapEnum[cap]);
    else emscripten_glDisable(kCapEnum[cap]);
}

GLuint Compile(GLenum type, const std::string& source)
{
    GLuint shader = emscripten_glCreateShader(type);
    const GLchar* text = source.c_str();
    emscripten_glShaderSource(shader, 1, &text, nullptr);
    emscripten_glCompileShader(shader);
    return shader;
}

GLuint Link(const std::string& defines, const char* vertex, const char* fragment, bool full)
{
    GLuint vs = Compile(GL_VERTEX_SHADER, defines + vertex);
    GLuint fs = Compile(GL_FRAGMENT_SHADER, defines + fragment);
    GLuint program = emscripten_glCreateProgram();
    emscripten_glAttachShader(program, vs);
    emscripten_glAttachShader(program, fs);
    emscripten_glBindAttribLocation(program, kPosition, "aPosition");
    if (full) {
        emscripten_glBindAttribLocation(program, kTexCoord, "aTexCoord");
        emscripten_glBindAttribLocation(program, kColour, "aColour");
    }
    emscripten_glLinkProgram(program);
    emscripten_glDeleteShader(vs);
    emscripten_glDeleteShader(fs);
    GLint linked = 0;
    emscripten_glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        char log[512] = {0};
        emscripten_glGetProgramInfoLog(program, sizeof log, nullptr, log);
        emscripten_log(EM_LOG_ERROR, "quenbrill: web GL: a shader did not link: %s", log);
    }
    return program;
}

void UseProgram(GLuint id)
{
    if (gDevice.program == id) return;
    gDevice.program = id;
    ++gDevice.calls;
    emscripten_glUseProgram(id);
}

Program& ProgramFor(const Pipeline& p)
{
    const int index = static_cast<int>(p.textureMode) | (p.alphaTest ? 4 : 0) | (p.fog ? 8 : 0);
    Program& prog = gDevice.programs[index];
    if (prog.id) return prog;
    std::string defines;
    if (p.textureMode != TextureMode::None) defines += "#define TEXTURE\n";
    if (p.textureMode == TextureMode::Image1D || p.textureMode == TextureMode::Ramp1D)
        defines += "#define ONE_D\n";
    if (p.textureMode == TextureMode::Ramp1D) defines += "#define RAMP\n";
    if (p.alphaTest) defines += "#define ALPHA_TEST\n";
    if (p.fog) defines += "#define FOG\n";
    prog.id = Link(defines, kVertexShader, kFragmentShader, true);
    prog.mvp = emscripten_glGetUniformLocation(prog.id, "uMvp");
    prog.texMatrix = emscripten_glGetUniformLocation(prog.id, "uTexMatrix");
    prog.texture = emscripten_glGetUniformLocation(prog.id, "uTexture");
    prog.fogColour = emscripten_glGetUniformLocation(prog.id, "uFogColour");
    prog.fog = emscripten_glGetUniformLocation(prog.id, "uFog");
    prog.alpha = emscripten_glGetUniformLocation(prog.id, "uAlpha");
    UseProgram(prog.id);
    if (prog.texture >= 0) emscripten_glUniform1i(prog.texture, 0);
    return prog;
}

bool Same(const float* a, const float* b, int n)
{
    return std::memcmp(a, b, sizeof(float) * n) == 0;
}

void SetUniforms(Program& prog, const Pipeline& p)
{
    if (prog.mvp >= 0 && (p.mvpKey == 0 || p.mvpKey != prog.mvpKey)) {
        emscripten_glUniformMatrix4fv(prog.mvp, 1, GL_FALSE, p.mvp);
        prog.mvpKey = p.mvpKey;
        ++gDevice.calls;
    }
    if (prog.texMatrix >= 0 && (p.texKey == 0 || p.texKey != prog.texKey)) {
        emscripten_glUniformMatrix4fv(prog.texMatrix, 1, GL_FALSE, p.texMatrix);
        prog.texKey = p.texKey;
        ++gDevice.calls;
    }
    if (prog.alpha >= 0) {
        float func = static_cast<float>(p.alphaFunc - 0x0200);  // GL_NEVER .. GL_ALWAYS: 0 .. 7
        if (func != prog.alphaFunc || p.alphaRef != prog.alphaRef) {
            emscripten_glUniform2f(prog.alpha, func, p.alphaRef);
            prog.alphaFunc = func;
            prog.alphaRef = p.alphaRef;
            ++gDevice.calls;
        }
    }
    if (prog.fog >= 0) {
        const float mode = p.fogMode == 0x0800 ? 1.0f : p.fogMode == 0x0801 ? 2.0f : 0.0f;
        const float values[4] = {p.fogStart, p.fogEnd, p.fogDensity, mode};
        if (!Same(values, prog.fogValues, 4)) {
            emscripten_glUniform4fv(prog.fog, 1, values);
            std::memcpy(prog.fogValues, values, sizeof values);
            ++gDevice.calls;
        }
        if (!Same(p.fogColor, prog.fogColourValues, 4)) {
            emscripten_glUniform4fv(prog.fogColour, 1, p.fogColor);
            std::memcpy(prog.fogColourValues, p.fogColor, sizeof prog.fogColourValues);
            ++gDevice.calls;
        }
    }
}

void BindTexture(GLuint id)
{
    if (gDevice.boundTexture == id) return;
    gDevice.boundTexture = id;
    ++gDevice.calls;
    emscripten_glBindTexture(GL_TEXTURE_2D, id);
}

void BindArrayBuffer(GLuint id)
{
    if (gDevice.arrayBuffer == id) return;
    gDevice.arrayBuffer = id;
    ++gDevice.calls;
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, id);
}

void SetViewport(const int v[4])
{
    if (std::memcmp(v, gDevice.viewport, sizeof gDevice.viewport) == 0) return;
    std::memcpy(gDevice.viewport, v, sizeof gDevice.viewport);
    ++gDevice.calls;
    emscripten_glViewport(v[0], v[1], v[2], v[3]);
}

void SetScissor(bool on, const int box[4])
{
    SetCap(kScissor, on);
    if (!on || std::memcmp(box, gDevice.scissorBox, sizeof gDevice.scissorBox) == 0) return;
    std::memcpy(gDevice.scissorBox, box, sizeof gDevice.scissorBox);
    ++gDevice.calls;
    emscripten_glScissor(box[0], box[1], box[2], box[3]);
}

void SetDepthMask(bool on)
{
    if (gDevice.depthMask == on) return;
    gDevice.depthMask = on;
    ++gDevice.calls;
    emscripten_glDepthMask(on ? GL_TRUE : GL_FALSE);
}

// The fixed state of a draw; the vertex attributes are set by the caller.
void Apply(const Pipeline& p)
{
    Program& prog = ProgramFor(p);
    UseProgram(prog.id);
    SetUniforms(prog, p);
    if (p.textureMode != TextureMode::None) BindTexture(p.texture);
    SetCap(kBlend, p.blend);
    if (p.blend && (p.blendSrc != gDevice.blendSrc || p.blendDst != gDevice.blendDst)) {
        gDevice.blendSrc = p.blendSrc;
        gDevice.blendDst = p.blendDst;
        ++gDevice.calls;
        emscripten_glBlendFunc(p.blendSrc, p.blendDst);
    }
    SetCap(kDepth, p.depthTest);
    if (p.depthTest && p.depthFunc != gDevice.depthFunc) {
        gDevice.depthFunc = p.depthFunc;
        ++gDevice.calls;
        emscripten_glDepthFunc(p.depthFunc);
    }
    if (p.depthNear != gDevice.depthNear || p.depthFar != gDevice.depthFar) {
        gDevice.depthNear = p.depthNear;
        gDevice.depthFar = p.depthFar;
        ++gDevice.calls;
        emscripten_glDepthRangef(p.depthNear, p.depthFar);
    }
    // With the depth test off GL writes no depth either.
    SetDepthMask(p.depthMask);
    SetCap(kCull, p.cull);
    if (p.cull && p.cullFace != gDevice.cullFace) {
        gDevice.cullFace = p.cullFace;
        ++gDevice.calls;
        emscripten_glCullFace(p.cullFace);
    }
    SetScissor(p.scissor, p.scissorBox);
    SetViewport(p.viewport);
}

void SetAttributes(const Pipeline& p, size_t offset)
{
    const GLsizei stride = sizeof(Vertex);
    const char* base = reinterpret_cast<const char*>(offset);
    emscripten_glVertexAttribPointer(kPosition, 4, GL_FLOAT, GL_FALSE, stride,
                                     base + offsetof(Vertex, x));
    ++gDevice.calls;
    if (p.constantTexCoord) {
        if (gDevice.texCoordArray) {
            emscripten_glDisableVertexAttribArray(kTexCoord);
            gDevice.texCoordArray = false;
            gDevice.constantTexCoord[0] = -1e30f;
        }
        if (!Same(p.texCoord, gDevice.constantTexCoord, 3)) {
            emscripten_glVertexAttrib3fv(kTexCoord, p.texCoord);
            std::memcpy(gDevice.constantTexCoord, p.texCoord, sizeof gDevice.constantTexCoord);
            ++gDevice.calls;
        }
    } else {
        if (!gDevice.texCoordArray) {
            emscripten_glEnableVertexAttribArray(kTexCoord);
            gDevice.texCoordArray = true;
        }
        emscripten_glVertexAttribPointer(kTexCoord, 3, GL_FLOAT, GL_FALSE, stride,
                                         base + offsetof(Vertex, s));
        ++gDevice.calls;
    }
    if (p.constantColor) {
        if (gDevice.colourArray) {
            emscripten_glDisableVertexAttribArray(kColour);
            gDevice.colourArray = false;
            gDevice.constantColour[0] = -1;
        }
        if (!Same(p.color, gDevice.constantColour, 4)) {
            emscripten_glVertexAttrib4fv(kColour, p.color);
            std::memcpy(gDevice.constantColour, p.color, sizeof gDevice.constantColour);
            ++gDevice.calls;
        }
    } else {
        if (!gDevice.colourArray) {
            emscripten_glEnableVertexAttribArray(kColour);
            gDevice.colourArray = true;
        }
        emscripten_glVertexAttribPointer(kColour, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                                         base + offsetof(Vertex, rgba));
        ++gDevice.calls;
    }
}

GLenum Mode(Primitive primitive) { return primitive == Primitive::Lines ? GL_LINES : GL_TRIANGLES; }

void DeleteTarget()
{
    if (gDevice.target) emscripten_glDeleteFramebuffers(1, &gDevice.target);
    if (gDevice.targetColour) emscripten_glDeleteTextures(1, &gDevice.targetColour);
    if (gDevice.targetDepth) emscripten_glDeleteRenderbuffers(1, &gDevice.targetDepth);
    gDevice.target = gDevice.targetColour = gDevice.targetDepth = 0;
}

// The offscreen picture at the surface's size.
void MakeTarget()
{
    DeleteTarget();
    emscripten_glGenTextures(1, &gDevice.targetColour);
    emscripten_glBindTexture(GL_TEXTURE_2D, gDevice.targetColour);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, gDevice.width, gDevice.height, 0, GL_RGBA,
                            GL_UNSIGNED_BYTE, nullptr);
    emscripten_glBindTexture(GL_TEXTURE_2D, gDevice.boundTexture);
    emscripten_glGenRenderbuffers(1, &gDevice.targetDepth);
    emscripten_glBindRenderbuffer(GL_RENDERBUFFER, gDevice.targetDepth);
    emscripten_glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, gDevice.width,
                                     gDevice.height);
    emscripten_glGenFramebuffers(1, &gDevice.target);
    emscripten_glBindFramebuffer(GL_FRAMEBUFFER, gDevice.target);
    emscripten_glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                                      gDevice.targetColour, 0);
    emscripten_glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                         gDevice.targetDepth);
}

}  // namespace

bool Create(const char* canvas, std::string* why)
{
    Destroy();
    EmscriptenWebGLContextAttributes attrs;
    emscripten_webgl_init_context_attributes(&attrs);
    attrs.alpha = EM_FALSE;
    attrs.depth = EM_FALSE;  // the offscreen picture has its own
    attrs.stencil = EM_FALSE;
    attrs.antialias = EM_FALSE;
    attrs.premultipliedAlpha = EM_FALSE;
    attrs.preserveDrawingBuffer = EM_FALSE;
    attrs.majorVersion = 1;
    attrs.minorVersion = 0;
    attrs.enableExtensionsByDefault = EM_FALSE;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context(canvas, &attrs);
    if (context <= 0) {
        if (why) *why = "this browser gives the page no WebGL";
        return false;
    }
    if (emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) {
        emscripten_webgl_destroy_context(context);
        if (why) *why = "the WebGL context cannot be made current";
        return false;
    }
    gDevice = Device();
    gDevice.context = context;
    gDevice.canvas = canvas;
    int w = 0, h = 0;
    emscripten_get_canvas_element_size(canvas, &w, &h);
    gDevice.width = w > 0 ? w : 1;
    gDevice.height = h > 0 ? h : 1;
    // A canvas keeps one WebGL context for good: a context made again is the one of before,
    // with whatever state it was left in. Everything this side remembers is set anew. (WebGL
    // starts with dithering on; the desktop's 8-bit buffers never dither, so neither do we.)
    for (GLenum cap : kCapEnum) emscripten_glDisable(cap);
    emscripten_glBlendFunc(GL_ONE, GL_ZERO);
    emscripten_glDepthFunc(GL_LESS);
    emscripten_glDepthRangef(0, 1);
    emscripten_glDepthMask(GL_TRUE);
    emscripten_glCullFace(GL_BACK);
    emscripten_glFrontFace(GL_CCW);
    emscripten_glClearColor(0, 0, 0, 0);
    emscripten_glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    emscripten_glActiveTexture(GL_TEXTURE0);
    emscripten_glBindTexture(GL_TEXTURE_2D, 0);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    emscripten_glEnableVertexAttribArray(kPosition);
    emscripten_glEnableVertexAttribArray(kTexCoord);
    emscripten_glEnableVertexAttribArray(kColour);
    emscripten_glGenBuffers(1, &gDevice.stream);
    emscripten_glGenBuffers(1, &gDevice.copyTriangle);
    const float triangle[6] = {-1, -1, 3, -1, -1, 3};
    BindArrayBuffer(gDevice.copyTriangle);
    emscripten_glBufferData(GL_ARRAY_BUFFER, sizeof triangle, triangle, GL_STATIC_DRAW);
    gDevice.copyProgram = Link("", kCopyVertexShader, kCopyFragmentShader, false);
    UseProgram(gDevice.copyProgram);
    emscripten_glUniform1i(emscripten_glGetUniformLocation(gDevice.copyProgram, "uTexture"), 0);
    emscripten_glPixelStorei(GL_PACK_ALIGNMENT, 1);
    MakeTarget();
    const int full[4] = {0, 0, gDevice.width, gDevice.height};
    std::memcpy(gDevice.viewport, full, sizeof full);
    emscripten_glViewport(0, 0, gDevice.width, gDevice.height);
    return true;
}

void Destroy()
{
    if (!gDevice.context) return;
    // The canvas keeps the context (see Create): what was made in it goes now.
    for (Program& p : gDevice.programs)
        if (p.id) emscripten_glDeleteProgram(p.id);
    if (gDevice.copyProgram) emscripten_glDeleteProgram(gDevice.copyProgram);
    emscripten_glDeleteBuffers(1, &gDevice.stream);
    emscripten_glDeleteBuffers(1, &gDevice.copyTriangle);
    DeleteTarget();
    emscripten_glBindFramebuffer(GL_FRAMEBUFFER, 0);
    emscripten_webgl_make_context_current(0);
    emscripten_webgl_destroy_context(gDevice.context);
    gDevice = Device();
}

bool Exists() { return gDevice.context != 0; }

void SetSurfaceSize(int width, int height)
{
    if (!gDevice.context || width <= 0 || height <= 0) return;
    if (width == gDevice.width && height == gDevice.height) return;
    gDevice.width = width;
    gDevice.height = height;
    MakeTarget();
}

void SurfaceSize(int* width, int* height)
{
    if (width) *width = gDevice.width;
    if (height) *height = gDevice.height;
}

void Present()
{
    if (!gDevice.context) return;
    int w = 0, h = 0;
    emscripten_get_canvas_element_size(gDevice.canvas.c_str(), &w, &h);
    emscripten_glBindFramebuffer(GL_FRAMEBUFFER, 0);
    const int whole[4] = {0, 0, w, h};
    SetViewport(whole);
    SetCap(kBlend, false);
    SetCap(kDepth, false);
    SetCap(kCull, false);
    SetCap(kScissor, false);
    UseProgram(gDevice.copyProgram);
    BindTexture(gDevice.targetColour);
    BindArrayBuffer(gDevice.copyTriangle);
    // Only the position goes into the copy; the other arrays may be shorter than its triangle.
    if (gDevice.texCoordArray) {
        emscripten_glDisableVertexAttribArray(kTexCoord);
        gDevice.texCoordArray = false;
        gDevice.constantTexCoord[0] = -1e30f;
    }
    if (gDevice.colourArray) {
        emscripten_glDisableVertexAttribArray(kColour);
        gDevice.colourArray = false;
        gDevice.constantColour[0] = -1;
    }
    emscripten_glVertexAttribPointer(kPosition, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    emscripten_glDrawArrays(GL_TRIANGLES, 0, 3);
    emscripten_glBindFramebuffer(GL_FRAMEBUFFER, gDevice.target);
    gDevice.calls += 12;
}

void Clear(bool colour, bool depth, const float clearColour[4], bool scissor,
           const int scissorBox[4], bool depthMask)
{
    if (!gDevice.context || (!colour && !depth)) return;
    SetScissor(scissor, scissorBox);
    SetDepthMask(depthMask);
    if (colour && !Same(clearColour, gDevice.clearColour, 4)) {
        std::memcpy(gDevice.clearColour, clearColour, sizeof gDevice.clearColour);
        emscripten_glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
        ++gDevice.calls;
    }
    ++gDevice.calls;
    emscripten_glClear((colour ? GL_COLOR_BUFFER_BIT : 0) | (depth ? GL_DEPTH_BUFFER_BIT : 0));
}

void Draw(const Pipeline& p, Primitive primitive, const Vertex* vertices, size_t count)
{
    if (!gDevice.context || count == 0) return;
    Apply(p);
    BindArrayBuffer(gDevice.stream);
    const size_t bytes = count * sizeof(Vertex);
    // A new store whenever it must grow; otherwise the old one is overwritten in place.
    if (bytes > gDevice.streamBytes) {
        gDevice.streamBytes = bytes * 2;
        emscripten_glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(gDevice.streamBytes),
                                nullptr, GL_DYNAMIC_DRAW);
        ++gDevice.calls;
    }
    emscripten_glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(bytes), vertices);
    SetAttributes(p, 0);
    emscripten_glDrawArrays(Mode(primitive), 0, static_cast<GLsizei>(count));
    gDevice.calls += 2;
}

uint32_t NewBuffer(const Vertex* vertices, size_t count)
{
    if (!gDevice.context) return 0;
    GLuint id = 0;
    emscripten_glGenBuffers(1, &id);
    BindArrayBuffer(id);
    emscripten_glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * sizeof(Vertex)),
                            vertices, GL_STATIC_DRAW);
    gDevice.calls += 2;
    return id;
}

void DeleteBuffer(uint32_t buffer)
{
    if (!gDevice.context || !buffer) return;
    if (gDevice.arrayBuffer == buffer) gDevice.arrayBuffer = 0;
    emscripten_glDeleteBuffers(1, &buffer);
    ++gDevice.calls;
}

void DrawBuffer(const Pipeline& p, Primitive primitive, uint32_t buffer, size_t first, size_t count)
{
    if (!gDevice.context || !buffer || count == 0) return;
    Apply(p);
    BindArrayBuffer(buffer);
    SetAttributes(p, 0);
    emscripten_glDrawArrays(Mode(primitive), static_cast<GLint>(first),
                            static_cast<GLsizei>(count));
    ++gDevice.calls;
}

uint32_t NewTexture()
{
    if (!gDevice.context) return 0;
    GLuint id = 0;
    emscripten_glGenTextures(1, &id);
    ++gDevice.calls;
    return id;
}

void DeleteTexture(uint32_t texture)
{
    if (!gDevice.context || !texture) return;
    if (gDevice.boundTexture == texture) gDevice.boundTexture = 0;
    emscripten_glDeleteTextures(1, &texture);
    ++gDevice.calls;
}

void TexImage(uint32_t texture, int width, int height, uint32_t format, const void* pixels,
              int alignment)
{
    if (!gDevice.context || !texture) return;
    BindTexture(texture);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), width, height, 0, format,
                            GL_UNSIGNED_BYTE, pixels);
    gDevice.calls += 2;
}

void TexParameters(uint32_t texture, uint32_t minFilter, uint32_t magFilter, uint32_t wrapS,
                   uint32_t wrapT)
{
    if (!gDevice.context || !texture) return;
    BindTexture(texture);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minFilter));
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(magFilter));
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(wrapS));
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(wrapT));
    gDevice.calls += 4;
}

bool ReadPixels(int x, int y, int width, int height, uint8_t* rgba, bool presented)
{
    if (!gDevice.context || width <= 0 || height <= 0 || !rgba) return false;
    if (presented) emscripten_glBindFramebuffer(GL_FRAMEBUFFER, 0);
    emscripten_glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    if (presented) emscripten_glBindFramebuffer(GL_FRAMEBUFFER, gDevice.target);
    return true;
}

uint64_t CallCount() { return gDevice.calls; }

}  // namespace webgl
