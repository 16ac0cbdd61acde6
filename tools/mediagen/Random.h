// SPDX-License-Identifier: MIT
// Small deterministic helpers for the media generator: a seeded random source that gives the
// same numbers on every machine, and value noise built on it. Nothing here reads the clock.
#pragma once

#include <cstdint>

namespace mediagen {

// xorshift32 with a fixed seed: the same sequence everywhere, independent of the C library.
class Random {
public:
    explicit Random(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
    uint32_t Next();
    float Unit();  // 0 <= x < 1
    float Range(float lo, float hi);  // lo <= x < hi
    int Below(int n);  // 0 <= x < n (n > 0)

private:
    uint32_t state_;
};

// Hash of integer lattice coordinates and a seed, mapped to 0..1.
float LatticeValue(int x, int y, uint32_t seed);

// Smooth value noise in 0..1. With periodX > 0 the noise repeats every periodX units in x
// (used where an image must wrap around seamlessly).
float ValueNoise(float x, float y, uint32_t seed, int periodX = 0);

// Sum of octaves of value noise, normalised to 0..1. Frequency doubles per octave (and so does
// the period, so a periodic base stays periodic).
float FractalNoise(float x, float y, uint32_t seed, int octaves, float persistence = 0.5f,
                   int periodX = 0);

// Distance to the nearest and second-nearest jittered cell centre of a cellular pattern with
// cells of size 1, plus the id of the nearest cell.
struct CellInfo {
    float nearest;
    float second;
    uint32_t id;
    float centreX, centreY;
};
CellInfo CellNoise(float x, float y, uint32_t seed);

}  // namespace mediagen
