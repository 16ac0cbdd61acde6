// SPDX-License-Identifier: MIT
// The fixed scenes of the picture comparison: the real game, seed 7, a clock that moves 16 ms
// a frame and scripted keys, played once on the desktop (fake backend, Mesa) and once in the
// browser (web backend, WebGL). The host gives the clock, the keys and the pictures.
#pragma once

#include <cstdint>
#include <string>

class SceneHost {
public:
    virtual ~SceneHost() = default;
    virtual void SetTicks(uint32_t ms) = 0;
    virtual void Key(int virtualKey, bool down) = 0;
    // Keeps the picture presented last under the name.
    virtual void Capture(const char* name) = 0;
};

// Plays the scenes; 0 when all went as scripted, else 1 with a line on stderr.
int PlayScenes(SceneHost& host, const std::string& archive);
