// SPDX-License-Identifier: MIT
#include "render/Billboard.h"

#include <GL/gl.h>

#include "math/View.h"
#include "render/DrawBatch.h"
#include "render/Model.h"
#include "render/Overlay.h"
#include "render/Texture.h"

void DrawBillboard(int texture, const Vector3D& position, float scale)
{
    FlushDrawBatch();
    const int index = FindTexture(texture);
    if (index < 0) return;
    const TextureRecord rec = TextureAt(index);
    const float hw = rec.width * scale * 0.5f;
    const float hh = rec.height * scale * 0.5f;

    // Turn the quad's front (-z) toward the camera, then its up onto the camera's up. Seen
    // exactly along +z or upside down the cross product vanishes; TurnBetween then makes the
    // half turn about an axis across it instead of leaving the quad facing away (culled).
    const Vector3D toCamera = CameraEye - position;
    float a1 = 0.0f, a2 = 0.0f;
    Vector3D axis1, axis2;
    TurnBetween(Vector3D{0.0f, 0.0f, -1.0f}, toCamera, Vector3D{0.0f, 1.0f, 0.0f}, a1, axis1);
    Vector3D upTurned{0.0f, 1.0f, 0.0f};
    Vector3D turnAxis = axis1;
    RotateAroundAxis(upTurned, a1, turnAxis);
    TurnBetween(upTurned, CameraUp, toCamera, a2, axis2);

    glPushMatrix();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
    glTranslatef(position.x, position.y, position.z);
    glRotatef(a2, axis2.x, axis2.y, axis2.z);
    glRotatef(a1, axis1.x, axis1.y, axis1.z);
    // The camera looks at the quad's -z side, where its +x runs to the left: the image's left
    // column (s = 0) goes on +x, or the picture would show mirrored. First row at the top.
    glBegin(GL_QUADS);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(-hw, -hh, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(-hw, hh, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(hw, hh, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(hw, -hh, 0.0f);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
}

void DrawUprightQuad(int texture, const Vector3D& position, float scale, float angle)
{
    FlushDrawBatch();
    const int index = FindTexture(texture);
    if (index < 0) return;
    const TextureRecord rec = TextureAt(index);
    const ImageRect r = ImageRectOf(rec.width, rec.height);
    const float hw = scale * r.width * 0.5f;
    const float h = scale * r.height;

    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glRotatef(angle, 0.0f, 1.0f, 0.0f);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
    glBegin(GL_QUADS);
    glTexCoord2f(r.s1, r.t1);
    glVertex3f(-hw, 0.0f, 0.0f);
    glTexCoord2f(r.s1, r.t0);
    glVertex3f(-hw, h, 0.0f);
    glTexCoord2f(r.s0, r.t0);
    glVertex3f(hw, h, 0.0f);
    glTexCoord2f(r.s0, r.t1);
    glVertex3f(hw, 0.0f, 0.0f);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
}

void DrawUprightBillboard(int texture, const Vector3D& position, float scale)
{
    const Vector2D toCamera{CameraEye.x - position.x, CameraEye.z - position.z};
    DrawUprightQuad(texture, position, scale, Heading(toCamera) - 90.0f);
}
