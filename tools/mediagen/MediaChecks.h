// SPDX-License-Identifier: MIT
// The rules a model must keep to work in the game, and the step that turns an authored model
// into its archive entry: saved with the model library's own binary writer and padded with
// zero bytes to the entry's size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Mesh.h"

namespace mediagen {

enum class ModelKind { PlayerShip, EnemyFighter, Factory };

struct ModelRules {
    const char* label;
    std::vector<const char*> partNames;  // looked up the way the game does; must be found exactly
    float minRadius, maxRadius;  // the game's collision radius at scale 0.1
    bool onGround;  // every point at y >= 0
};

const ModelRules& RulesFor(ModelKind kind);

// Index of the first part whose name holds every character of query (the game's lookup), or -1.
int FindPartLike(const std::vector<std::string>& names, const char* query);

// Finishes the mesh, checks it against the rules of its kind, and produces exactly slotSize
// bytes: the binary model (written through scratchFile) and zero bytes after it. False with
// the reason in *why when a rule is broken or the model outgrows the slot.
// *summary (when given) tells the bytes used and the radius.
bool BuildModelEntry(MeshModel& mesh, ModelKind kind, int32_t slotSize,
                     const std::string& scratchFile, std::vector<uint8_t>& out, std::string* why,
                     std::string* summary = nullptr);

}  // namespace mediagen
