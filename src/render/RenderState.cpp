// SPDX-License-Identifier: MIT
#include "render/RenderState.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "math/View.h"
#include "platform/Platform.h"
#include "render/DrawBatch.h"
#include "render/Texture.h"
#include "render/ViewVolume.h"

namespace {

bool gHaveContext = false;
uint32_t gContextSerial = 0;
plat::NativeWindow gWindow = nullptr;
bool gBlending = false;
bool gAlphaTest = false;
GLint gSavedDepthFunc = GL_LESS;

// The rotation that takes camera space to world space, as two axis-angle turns: first a1 about
// axis1 (camera +z onto -direction), then a2 about axis2 (the turned y axis onto CameraUp).
struct CameraTurn {
    float a1 = 0.0f;
    Vector3D axis1;
    float a2 = 0.0f;
    Vector3D axis2;
};

bool IsZero(const Vector3D& v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; }

CameraTurn ComputeCameraTurn()
{
    CameraTurn turn;
    const Vector3D zAxis{0.0f, 0.0f, 1.0f};
    Vector3D back = -CameraDirection;
    Vector3D zCopy = zAxis;
    Vector3D backCopy = back;
    turn.a1 = AngleBetween(zCopy, backCopy);
    turn.axis1 = Cross(zAxis, back);
    // Looking exactly along +z the cross product vanishes; any axis across z does the half turn.
    if (IsZero(turn.axis1) && turn.a1 != 0.0f) turn.axis1 = Vector3D{0.0f, 1.0f, 0.0f};

    Vector3D upTurned{0.0f, 1.0f, 0.0f};
    Vector3D axis1 = turn.axis1;
    RotateAroundAxis(upTurned, turn.a1, axis1);
    // gluLookAt uses only the part of the up vector across the view direction; so do we, or
    // the pixel would not be where the point is drawn.
    Vector3D camUp = CameraUp;
    const float dd = Dot(CameraDirection, CameraDirection);
    if (dd > 0.0f) camUp = camUp - CameraDirection * (Dot(camUp, CameraDirection) / dd);
    Vector3D upCopy = upTurned;
    Vector3D camUpCopy = camUp;
    turn.a2 = AngleBetween(upCopy, camUpCopy);
    turn.axis2 = Cross(upTurned, camUp);
    // An up vector exactly upside down: turn half way round the viewing axis.
    if (IsZero(turn.axis2) && turn.a2 != 0.0f) turn.axis2 = back;
    return turn;
}

// The viewport on the picture's place in the window; with black bars around it when the window
// is not the picture's size, and the scissor keeping every clear and draw inside that place.
void FitViewportToWindow()
{
    int w = 0, h = 0;
    if (!gWindow || !plat::GetClientSize(gWindow, &w, &h) || w <= 0 || h <= 0) return;
    const PictureRect r = FitPicture(w, h, ViewportWidth, ViewportHeight);
    glViewport(r.x, r.y, r.width, r.height);
    ViewChanged();
    if (r.x == 0 && r.y == 0 && r.width == w && r.height == h) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    GLfloat colour[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, colour);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(colour[0], colour[1], colour[2], colour[3]);
    glScissor(r.x, r.y, r.width, r.height);
    glEnable(GL_SCISSOR_TEST);
}

}  // namespace

PictureRect FitPicture(int outerWidth, int outerHeight, int width, int height)
{
    if (outerWidth <= 0 || outerHeight <= 0 || width <= 0 || height <= 0)
        return PictureRect{0, 0, width, height};
    PictureRect r;
    const long long ow = outerWidth, oh = outerHeight;
    if (ow * height <= oh * width) {  // the width decides, bars above and below
        r.width = outerWidth;
        r.height = static_cast<int>((ow * height * 2 + width) / (2 * width));
    } else {  // the height decides, bars left and right
        r.height = outerHeight;
        r.width = static_cast<int>((oh * width * 2 + height) / (2 * height));
    }
    r.x = (outerWidth - r.width) / 2;
    r.y = (outerHeight - r.height) / 2;
    return r;
}

bool CreateGLContext(plat::NativeWindow window, int width, int height)
{
    DropDrawBatch();
    if (!window || width <= 0 || height <= 0) return false;
    if (gHaveContext) {
        // One context at a time: the old one goes, with the textures that lived in it.
        ClearTextureRegistry();
        plat::GLReleaseContext();
        gHaveContext = false;
    }
    if (!plat::GLCreateContext(window)) return false;
    gHaveContext = true;
    ++gContextSerial;
    gWindow = window;
    ViewportWidth = width;
    ViewportHeight = height;

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);  // back faces, counter-clockwise fronts: the GL defaults

    const float aspect = static_cast<float>(height) / static_cast<float>(width);
    FrustumParams.left = -1.0f;
    FrustumParams.right = 1.0f;
    FrustumParams.bottom = -aspect;
    FrustumParams.top = aspect;
    FrustumParams.near = 1.5f;
    FrustumParams.far = 1000.0f;
    glViewport(0, 0, width, height);
    FitViewportToWindow();
    ApplyFrustum();  // marks the remembered view volume stale, the viewport's change with it

    CameraEye = Vector3D{0.0f, 0.0f, 0.0f};
    CameraDirection = Vector3D{1.0f, 0.0f, 0.0f};
    CameraUp = Vector3D{0.0f, 1.0f, 0.0f};
    ApplyCamera();

    SetClearColor(0, 0, 0);
    gBlending = false;
    gAlphaTest = false;
    LightDirection = Vector3D{1.0f, 0.0f, 0.0f};

    ClearTextureRegistry();
    CreateRampTexture();
    return true;
}

void ReleaseGLContext()
{
    DropDrawBatch();
    if (!gHaveContext) return;
    DeleteAllTextures();
    plat::GLReleaseContext();
    gHaveContext = false;
    gWindow = nullptr;
}

bool HasGLContext() { return gHaveContext; }

uint32_t GLContextSerial() { return gContextSerial; }

void ApplyFrustum()
{
    FlushDrawBatch();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(FrustumParams.left, FrustumParams.right, FrustumParams.bottom, FrustumParams.top,
              FrustumParams.near, FrustumParams.far);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    ViewChanged();
}

void SetFrustum(float left, float right, float bottom, float top, float nearPlane, float farPlane)
{
    FrustumParams.left = left;
    FrustumParams.right = right;
    FrustumParams.bottom = bottom;
    FrustumParams.top = top;
    FrustumParams.near = nearPlane;
    FrustumParams.far = farPlane;
    ApplyFrustum();
}

void ApplyCamera()
{
    FlushDrawBatch();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const Vector3D at = CameraEye + CameraDirection;
    gluLookAt(CameraEye.x, CameraEye.y, CameraEye.z, at.x, at.y, at.z, CameraUp.x, CameraUp.y,
              CameraUp.z);
    ViewChanged();
}

void SetClearColor(int red, int green, int blue)
{
    glClearColor(red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f);
}

void EnableAlphaTest()
{
    FlushDrawBatch();
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    gAlphaTest = true;
}

void DisableAlphaTest()
{
    FlushDrawBatch();
    glDisable(GL_ALPHA_TEST);
    gAlphaTest = false;
}

void BeginBlend(int mode)
{
    FlushDrawBatch();
    if (gBlending) return;
    if (gAlphaTest) glDisable(GL_ALPHA_TEST);  // the flag stays on: EndBlend brings it back
    glEnable(GL_BLEND);
    if (mode == 0) glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    else if (mode == 1) glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDepthMask(GL_FALSE);
    gBlending = true;
}

void EndBlend()
{
    FlushDrawBatch();
    if (!gBlending) return;
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    if (gAlphaTest) glEnable(GL_ALPHA_TEST);
    gBlending = false;
}

void Begin2D()
{
    FlushDrawBatch();
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glGetIntegerv(GL_DEPTH_FUNC, &gSavedDepthFunc);
    glDepthFunc(GL_ALWAYS);
    glDisable(GL_CULL_FACE);
    // Pixel (x, y) goes to (2x/width - 1, 1 - 2y/height).
    static const GLfloat flipY[16] = {1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    glMultMatrixf(flipY);
    glTranslatef(-1.0f, -1.0f, 0.0f);
    glScalef(2.0f, 2.0f, 0.0f);
    glScalef(1.0f / ViewportWidth, 1.0f / ViewportHeight, 0.0f);
    ViewChanged();
}

void End2D()
{
    FlushDrawBatch();
    glEnable(GL_CULL_FACE);
    glDepthFunc(static_cast<GLenum>(gSavedDepthFunc));
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    ViewChanged();
}

void EnableFog(int red, int green, int blue)
{
    FlushDrawBatch();
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    const GLfloat colour[4] = {red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f};
    glFogfv(GL_FOG_COLOR, colour);
    glHint(GL_FOG_HINT, GL_DONT_CARE);
    glFogf(GL_FOG_START, FrustumParams.near);
    glFogf(GL_FOG_END, FrustumParams.far);
}

void EnableFogClearColor()
{
    GLfloat clear[4] = {0, 0, 0, 0};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EnableFog(static_cast<int>(clear[0] * 255.0f), static_cast<int>(clear[1] * 255.0f),
              static_cast<int>(clear[2] * 255.0f));
}

namespace {

uint32_t gDepthClears = 0;

}  // namespace

uint32_t DepthClears() { return gDepthClears; }

void ClearFrame()
{
    FlushDrawBatch();
    FitViewportToWindow();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ++gDepthClears;
}

void ClearFrameForSky()
{
    FlushDrawBatch();
    FitViewportToWindow();  // the bars, when there are any, are cleared black here
    glClear(GL_DEPTH_BUFFER_BIT);
    ++gDepthClears;
}

void PresentFrame()
{
    FlushDrawBatch();
    glFlush();
    plat::GLSwapBuffers();
}

void ProjectToScreen(Vector3D& p, Vector3D& result)
{
    // The argument itself is moved and turned: it comes back in camera space.
    p = p - CameraEye;
    CameraTurn turn = ComputeCameraTurn();
    Vector3D axis2 = -turn.axis2;
    RotateAroundAxis(p, turn.a2, axis2);
    Vector3D axis1 = turn.axis1;
    RotateAroundAxis(p, -turn.a1, axis1);
    const Vector3D q = p;

    const Frustum& f = FrustumParams;
    const float n = f.near;
    result.x =
        ViewportWidth *
        ((q.x * 2.0f * n / (f.right - f.left) + q.z * (f.right + f.left) / (f.right - f.left)) /
             -q.z +
         1.0f) *
        0.5f;
    result.y = ViewportHeight *
               (1.0f - (q.z * (f.top + f.bottom) / (f.top - f.bottom) +
                        q.y * 2.0f * n / (f.top - f.bottom)) /
                           -q.z) *
               0.5f;
    result.z = q.z;
}

Vector3D UnprojectFromScreen(float x, float y)
{
    if (!(x >= 0.0f && x < ViewportWidth && y >= 0.0f && y < ViewportHeight))
        return Vector3D{0.0f, 0.0f, 0.0f};
    const Frustum& f = FrustumParams;
    const float n = f.near;
    Vector3D c;
    c.x = ((2.0f * x / ViewportWidth - 1.0f) * n + n * (f.right + f.left) / (f.right - f.left)) /
          (2.0f * n / (f.right - f.left));
    c.y = (n * (1.0f - 2.0f * y / ViewportHeight) + n * (f.top + f.bottom) / (f.top - f.bottom)) /
          (2.0f * n / (f.top - f.bottom));
    c.z = -n;
    CameraTurn turn = ComputeCameraTurn();
    RotateAroundAxis(c, turn.a1, turn.axis1);
    RotateAroundAxis(c, turn.a2, turn.axis2);
    return c + CameraEye;
}
