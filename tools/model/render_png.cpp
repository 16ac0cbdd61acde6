// SPDX-License-Identifier: MIT
// quenbrill-model-render FILE.bin OUT.png [--yaw DEG] [--pitch DEG] [--scale S]
//
// Draws a binary model with the game's own renderer on an offscreen GL context and writes a
// 640 x 480 PNG, so a model can be looked at without the game. A tool of the build tree: it
// needs OpenGL, which the installed tools never link. The model is turned by pitch
// (about x) and then yaw (about y) and seen from the front, a little from the right and above,
// under the game's light and clear colour; the camera frames the whole model at scale 1, so
// --scale zooms. When ZabroData.arc is in the working directory its images become textures
// 1-5 as in the game; otherwise textured objects show their plain colour.
#include <png.h>

#include <GL/gl.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "TempFile.h"
#include "assets/FileStream.h"
#include "assets/MediaArchive.h"
#include "assets/RawImage.h"
#include "math/View.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "render/Model.h"
#include "render/ModelFile.h"
#include "render/ModelRenderer.h"
#include "render/RenderState.h"
#include "render/Texture.h"
#include "shell/Printable.h"

namespace {

const int kImageWidth = 640;
const int kImageHeight = 480;
const char kUsage[] =
    "usage: quenbrill-model-render FILE.bin OUT.png [--yaw DEG] [--pitch DEG] [--scale S]\n";

struct RenderOptions {
    const char* input = nullptr;
    const char* output = nullptr;
    float yaw = 0.0f;
    float pitch = 0.0f;
    float scale = 1.0f;
};

bool ParseFloat(const char* text, float& out)
{
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(v) || std::fabs(v) > 1e30) return false;
    out = static_cast<float>(v);
    return true;
}

// The arguments after "render". False (with a message on stderr) on a bad command line.
bool ParseOptions(int argc, char** argv, RenderOptions& o)
{
    std::vector<const char*> positional;
    for (int i = 0; i < argc; ++i) {
        const char* a = argv[i];
        float* target = nullptr;
        if (std::strcmp(a, "--yaw") == 0) target = &o.yaw;
        else if (std::strcmp(a, "--pitch") == 0) target = &o.pitch;
        else if (std::strcmp(a, "--scale") == 0) target = &o.scale;
        if (target) {
            if (i + 1 >= argc || !ParseFloat(argv[i + 1], *target)) {
                std::fprintf(stderr, "quenbrill-model-render: %s needs a number\n%s", a, kUsage);
                return false;
            }
            ++i;
        } else if (a[0] == '-' && a[1] == '-') {
            std::fprintf(stderr, "quenbrill-model-render: unknown option %s\n%s",
                         Printable(a).c_str(), kUsage);
            return false;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) {
        std::fputs(kUsage, stderr);
        return false;
    }
    o.input = positional[0];
    o.output = positional[1];
    if (!(o.scale > 0.0f)) {
        std::fprintf(stderr, "quenbrill-model-render: --scale must be greater than 0\n");
        return false;
    }
    return true;
}

// The game's textures 1-5, when the archive is at hand.
void LoadGameTextures()
{
    RegisterGameArchive();
    if (MediaArchive::CheckFile() != ArchiveFileState::Ready) return;
    for (const RawImageInfo& info : kGameImages) {
        bool complete = false;
        uint8_t* rgb = ReadRawImage(info.entryName, info.width, info.height, &complete);
        if (rgb && complete) {
            const size_t bytes = static_cast<size_t>(RawImageBytes(info.width, info.height));
            if (info.textureName == 3)
                CreateBrightnessAlphaTexture(rgb, bytes, info.width, info.height, info.textureName);
            else if (info.textureName >= 4)
                CreateKeyedTexture(rgb, bytes, info.width, info.height, info.textureName);
            else
                CreateConstantAlphaTexture(rgb, bytes, info.width, info.height, info.textureName,
                                           1.0f);
        }
        delete[] rgb;
    }
}

// Centre and radius of a sphere around every drawn point of the instance (at scale 1).
bool BoundingSphere(const ModelInstance& inst, Vector3D& centre, float& radius)
{
    Vector3D lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
    std::vector<Vector3D> points;
    for (int32_t k = 0; k < inst.model->count; ++k) {
        if (IsNeverDrawn(inst.model->objects[k])) continue;
        float* world = inst.GetPartWorldPoints(k);
        if (!world) continue;
        const int n = static_cast<int>(world[0]);
        for (int i = 0; i < n; ++i) {
            const Vector3D p{world[1 + 3 * i], world[2 + 3 * i], world[3 + 3 * i]};
            points.push_back(p);
            lo = Vector3D{std::fmin(lo.x, p.x), std::fmin(lo.y, p.y), std::fmin(lo.z, p.z)};
            hi = Vector3D{std::fmax(hi.x, p.x), std::fmax(hi.y, p.y), std::fmax(hi.z, p.z)};
        }
        delete[] world;
    }
    if (points.empty()) return false;
    centre = (lo + hi) * 0.5f;
    radius = 0.0f;
    for (const Vector3D& p : points) radius = std::fmax(radius, Distance(p, centre));
    if (!(radius > 0.0f)) radius = 1.0f;
    return std::isfinite(radius) && std::isfinite(centre.x + centre.y + centre.z);
}

// Writes RGB rows (top first) to path through a temporary file, so a failed write leaves no
// partial picture behind.
bool WritePng(const char* path, const std::vector<uint8_t>& rgb, std::string& why)
{
    // The picture replaces the output by a rename, which must not replace a special file; and
    // the library opens the temporary file itself, so it is looked at first.
    if (!FileUsable(path, true, &why)) return false;
    TempFile temp(std::string(path) + ".part");
    if (!FileUsable(temp.c_str(), true, &why)) {
        why = temp.Path() + ": " + why;
        temp.Forget();
        return false;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = kImageWidth;
    image.height = kImageHeight;
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, temp.c_str(), 0, rgb.data(), kImageWidth * 3, nullptr)) {
        why = image.message[0] ? image.message : "cannot write the file";
        return false;
    }
    if (!plat::RenameReplacing(temp.c_str(), path)) {
        why = std::strerror(errno);
        return false;
    }
    temp.Forget();
    return true;
}

int Fail(const char* file, const std::string& why)
{
    std::fprintf(stderr, "quenbrill-model-render: %s\n",
                 Printable(std::string(file) + ": " + why).c_str());
    return 1;
}

// The arguments after the program's name.
int RenderCommand(int argc, char** argv)
{
    RenderOptions opt;
    if (!ParseOptions(argc, argv, opt)) return 2;

    Model model;
    std::string why;
    if (!LoadBinaryModelFile(model, opt.input, &why))
        return Fail(opt.input, why.empty() ? "not a binary model" : why);
    if (model.count == 0) return Fail(opt.input, "the model has no objects");

    ModelInstance inst;
    inst.AttachModel(&model);
    Vector3D forward{0.0f, 0.0f, -1.0f}, up{0.0f, 1.0f, 0.0f};
    RotateX(forward, opt.pitch);
    RotateX(up, opt.pitch);
    RotateY(forward, opt.yaw);
    RotateY(up, opt.yaw);
    inst.forward = forward;
    inst.up = up;

    Vector3D centre;
    float radius = 1.0f;
    if (!BoundingSphere(inst, centre, radius))
        return Fail(opt.input, "the model has no points to draw");

    plat::WindowDesc desc;
    desc.title = "quenbrill-model-render";
    desc.clientWidth = kImageWidth;
    desc.clientHeight = kImageHeight;
    plat::NativeWindow window = plat::CreateNativeWindow(desc, nullptr);
    if (!window || !CreateGLContext(window, kImageWidth, kImageHeight)) {
        std::fprintf(stderr, "quenbrill-model-render: no offscreen OpenGL context: %s\n",
                     plat::LastError());
        return 1;
    }

    // The game's view: far plane 4000, its clear colour and light, the alpha test on.
    SetFrustum(-1.0f, 1.0f, -0.75f, 0.75f, 1.5f, 4000.0f);
    SetClearColor(208, 232, 234);
    EnableAlphaTest();
    LightDirection = Vector3D{1.0f, -1.0f, 0.0f};
    Normalize(LightDirection);
    LoadGameTextures();

    // The model's centre at the origin; the camera far enough back that the sphere fills
    // about 85 percent of the picture's height at scale 1.
    inst.scale = opt.scale;
    inst.position = centre * -opt.scale;
    Vector3D view{-0.55f, -0.35f, 1.0f};  // looking at the front (-z), from right and above
    Normalize(view);
    const float distance = std::fmax(radius / (0.5f * 0.85f), radius + 2.0f);
    CameraEye = view * -distance;
    CameraDirection = view;
    CameraUp = Vector3D{0.0f, 1.0f, 0.0f};
    // Keep the far plane behind the model however large it is.
    if (distance + radius * opt.scale > 4000.0f)
        SetFrustum(-1.0f, 1.0f, -0.75f, 0.75f, 1.5f, distance + radius * opt.scale + 1.0f);

    ClearFrame();
    ApplyCamera();
    DrawInstance(inst);
    glFinish();

    std::vector<uint8_t> rgb(static_cast<size_t>(kImageWidth) * kImageHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    std::vector<uint8_t> rows(rgb.size());
    glReadPixels(0, 0, kImageWidth, kImageHeight, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    const GLenum error = glGetError();
    ReleaseGLContext();
    if (error != GL_NO_ERROR)
        return Fail(opt.output, "reading the picture back from OpenGL failed");
    for (int y = 0; y < kImageHeight; ++y)  // GL's rows start at the bottom
        std::memcpy(&rgb[static_cast<size_t>(y) * kImageWidth * 3],
                    &rows[static_cast<size_t>(kImageHeight - 1 - y) * kImageWidth * 3],
                    static_cast<size_t>(kImageWidth) * 3);

    if (!WritePng(opt.output, rgb, why)) return Fail(opt.output, why);
    return 0;
}

}  // namespace

int main(int argc, char** argv) { return RenderCommand(argc - 1, argv + 1); }
