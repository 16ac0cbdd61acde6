// SPDX-License-Identifier: MIT
// Draws model instances with the game's cartoon look: untextured objects get their flat colour
// cut into four brightness bands by the 1D shading ramp (indexed by how far each corner normal
// points along LightDirection) and a black outline drawn from the back faces, thinner the
// farther the instance is from the camera. Textured objects are drawn plainly with their
// texture. The camera must already be in the model-view matrix.
//
// The bands, exactly: every corner of a shaded triangle gets its own ramp coordinate s, the
// corner normal turned with its object (the rotation-only part matrix, divided by w, not
// renormalised), dotted with the normalised LightDirection and clamped to [0, 1] AT THE
// CORNER. GL then interpolates the clamped values across the triangle, and the ramp texture
// (16 texels, nearest, clamped: s = 1 is the brightest texel) picks each pixel's band.
// Clamping after interpolating instead (a texture matrix or texgen giving the raw dot product)
// moves the band borders wherever a triangle's corners lie on either side of 0 or 1, which
// smooth models have everywhere. The ramp coordinates are worked out on the CPU each time an
// object is drawn (each different normal once) and go to GL in arrays with the corners.
//
// Textured objects go to GL once, as display lists shared by every instance of the model. The
// outline is drawn from the model's edges, each once, picked by which faces turn away from the
// eye. A model changed through its editing calls (or Touch) is sent again. Objects that lie
// wholly outside the view are left out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/Model.h"

// Draws every object except the never-drawn reference points, each under its own transform:
// first the fills, then the outlines of all shaded objects. In a draw batch (render/DrawBatch.h)
// an unposed, untextured instance (a ship) waits for the batch to be sent; anything else sends
// what waits first.
void DrawInstance(const ModelInstance& instance);

// The draw batch's part (render/DrawBatch.cpp sets the state each expects): how many ships
// wait; the fills of ships from..to-1, with the arrays of corners, colours and ramp coordinates
// on and the ramp bound; their outlines, with the corner array alone on, the colour black and
// the depth test letting equal depths through (the line width is left at 1); forgetting them
// all (sent, or their context is gone). The fills and outlines load the model-view matrix
// (the camera's, times the ship's): the caller keeps its own with a push and a pop.
size_t WaitingModels();
void DrawWaitingFills(size_t from, size_t to);
void DrawWaitingOutlines(size_t from, size_t to);
void DropWaitingModels();

// Draws one object with the current model-view matrix (the caller has applied its transform).
// Expects and restores: back faces culled, depth function less, both faces filled, line width
// 1, no texture target and no client array enabled, identity texture matrix, and leaves the
// colour white. Reads the model-view matrix back to know where the eye is.
void DrawPart(const ModelInstance& instance, int32_t object);

// The shading of one object, as drawing computes it. Element 0: the outline factor
// exp(-5 (d - near) / (far - near)) for the instance's distance d from the camera; element
// 1 + 3t + c: the ramp coordinate of corner c of triangle t, the corner normal turned with the
// object and dotted with the normalised LightDirection, clamped to 0..1. Empty for no model, a bad
// object or a broken parent chain. Normalises LightDirection.
std::vector<float> ComputeShading(const ModelInstance& instance, int32_t object);
