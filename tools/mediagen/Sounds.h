// SPDX-License-Identifier: MIT
// The two sound effects, synthesized, and the WAV writer they go through.
#pragma once

#include <cstdint>
#include <vector>

namespace mediagen {

// A RIFF/WAVE file: "RIFF" header, a 16-byte PCM "fmt " chunk and one "data" chunk, so the
// file is 44 bytes plus the sample bytes. samples are in -1..1 and are converted to unsigned
// 8-bit or signed 16-bit little-endian PCM (mono) with rounding and clamping.
std::vector<uint8_t> EncodeWave(const std::vector<float>& samples, int sampleRate,
                                int bitsPerSample);

// Number of mono samples that make a WAV file of exactly fileBytes.
int SamplesForFileSize(int fileBytes, int bitsPerSample);

// A laser shot: 22050 Hz, 16-bit mono, fileBytes long in total.
std::vector<uint8_t> MakeLaserShot(int fileBytes);
// An explosion of about 0.8 s: 11025 Hz, 8-bit mono, fileBytes long in total.
std::vector<uint8_t> MakeExplosion(int fileBytes);

}  // namespace mediagen
