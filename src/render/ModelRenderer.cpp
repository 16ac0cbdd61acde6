#include "render/ModelRenderer.h"

#include <GL/gl.h>

#include <cmath>

#include "math/View.h"
#include "render/Texture.h"

namespace {

bool ValidObject(const ModelInstance& instance, int32_t object)
{
    return instance.model && object >= 0 && object < instance.model->count;
}

// A triangle whose corners all name points of the object (loaders are not trusted here).
bool TriangleInRange(const ModelObject& o, const ModelTriangle& t)
{
    return t.a >= 0 && t.a < o.pointCount && t.b >= 0 && t.b < o.pointCount && t.c >= 0 &&
           t.c < o.pointCount;
}

void Vertex(const ModelPoint& p)
{
    glVertex3f(p.x, p.y, p.z);
}

float ClampUnit(float s)
{
    if (!(s >= 0.0f))   // negative, or NaN from a broken normal
        return 0.0f;
    return s > 1.0f ? 1.0f : s;
}

}  // namespace

std::vector<float> ComputeShading(const ModelInstance& instance, int32_t object)
{
    std::vector<float> shading;
    if (!ValidObject(instance, object))
        return shading;
    PartMatrix m;
    if (!instance.ComputePartMatrix(object, true, m))
        return shading;
    const ModelObject& o = instance.model->objects[object];
    const int32_t triangles = o.triangleCount > 0 && o.triangles ? o.triangleCount : 0;
    shading.resize(1 + 3 * static_cast<size_t>(triangles));

    const Vector3D light = Normalize(LightDirection);
    for (int32_t t = 0; t < triangles; ++t) {
        const ModelTriangle& tri = o.triangles[t];
        const Vector3D* normals[3] = {&tri.na, &tri.nb, &tri.nc};
        for (int c = 0; c < 3; ++c)
            shading[1 + 3 * t + c] = ClampUnit(Dot(m.TransformPoint(*normals[c]), light));
    }
    const float d = Distance(instance.position, CameraEye);
    shading[0] = static_cast<float>(
        std::exp(-5.0 * (d - FrustumParams.near) / (FrustumParams.far - FrustumParams.near)));
    return shading;
}

void DrawPart(const ModelInstance& instance, int32_t object)
{
    if (!ValidObject(instance, object))
        return;
    const ModelObject& o = instance.model->objects[object];
    const int32_t triangles = o.triangleCount > 0 && o.triangles && o.points ? o.triangleCount : 0;
    const bool shaded = o.textureId == -1;
    std::vector<float> shading;
    if (shaded) {
        shading = ComputeShading(instance, object);
        if (shading.empty())
            return;
        glEnable(GL_TEXTURE_1D);
        glBindTexture(GL_TEXTURE_1D, RAMP_TEXTURE);
    } else {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(o.textureId + instance.textureOffset));
    }
    glColor3ub(static_cast<GLubyte>(o.red), static_cast<GLubyte>(o.green),
               static_cast<GLubyte>(o.blue));

    if (shaded) {
        // Fill: the ramp's grey scales the colour (GL_MODULATE) into its four bands.
        glBegin(GL_TRIANGLES);
        for (int32_t t = 0; t < triangles; ++t) {
            const ModelTriangle& tri = o.triangles[t];
            if (!TriangleInRange(o, tri))
                continue;
            glTexCoord1f(shading[1 + 3 * t]);
            Vertex(o.points[tri.a]);
            glTexCoord1f(shading[2 + 3 * t]);
            Vertex(o.points[tri.b]);
            glTexCoord1f(shading[3 + 3 * t]);
            Vertex(o.points[tri.c]);
        }
        glEnd();

        // Outline: only the back faces, as black lines; where they border the silhouette
        // they pass the depth test beside the filled front faces.
        float width = 4.0f * shading[0];
        if (!(width > 0.0f))
            width = 1.0f / 1024.0f;   // too far to see; GL takes no zero or NaN width
        glLineWidth(width);
        glColor3f(0.0f, 0.0f, 0.0f);
        glDepthFunc(GL_LEQUAL);
        glPolygonMode(GL_BACK, GL_LINE);
        glCullFace(GL_FRONT);
        glBegin(GL_TRIANGLES);
        for (int32_t t = 0; t < triangles; ++t) {
            const ModelTriangle& tri = o.triangles[t];
            if (!TriangleInRange(o, tri))
                continue;
            Vertex(o.points[tri.a]);
            Vertex(o.points[tri.b]);
            Vertex(o.points[tri.c]);
        }
        glEnd();
        glCullFace(GL_BACK);
        glDepthFunc(GL_LESS);
        glPolygonMode(GL_BACK, GL_FILL);
        glLineWidth(1.0f);
    } else {
        glBegin(GL_TRIANGLES);
        for (int32_t t = 0; t < triangles; ++t) {
            const ModelTriangle& tri = o.triangles[t];
            if (!TriangleInRange(o, tri))
                continue;
            const ModelPoint* corners[3] = {&o.points[tri.a], &o.points[tri.b], &o.points[tri.c]};
            for (const ModelPoint* p : corners) {
                glTexCoord2f(p->u, p->v);
                Vertex(*p);
            }
        }
        glEnd();
    }

    glColor3f(1.0f, 1.0f, 1.0f);
    glDisable(shaded ? GL_TEXTURE_1D : GL_TEXTURE_2D);
}

void DrawInstance(const ModelInstance& instance)
{
    if (!instance.model || !instance.model->objects)
        return;
    for (int32_t k = 0; k < instance.model->count; ++k) {
        if (IsNeverDrawn(instance.model->objects[k]))
            continue;
        PartMatrix m;
        if (!instance.ComputePartMatrix(k, false, m))
            continue;   // broken parent chain: there is nowhere to draw it
        glPushMatrix();
        glMultMatrixf(m.m);   // what ApplyPartTransform does, without composing it twice
        DrawPart(instance, k);
        glPopMatrix();
    }
}
