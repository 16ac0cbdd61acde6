// SPDX-License-Identifier: MIT
// The two stored forms of a Model.
//
// Binary (what the game ships): little-endian, no header, no padding. A 16-bit object count,
// then per object: the name and a NUL, parent (16), no-texture flag (8), texture id (16),
// red, green, blue (8 each), pivot x, y, z (float each), point count (16), per point x, y, z,
// u, v (floats), triangle count (16), per triangle a, b, c (16 each) and nine normal floats.
//
// Text: line-labelled ("Total number of Objects= 3", "Pivot X= 1.500000", ...), floats with six
// decimals, one name line per object. Names in text files must be non-empty and must not begin
// with white space, or the file does not read back.
#pragma once

#include "render/Model.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Largest name, in characters, either form keeps; longer names are cut when read.
constexpr int32_t kMaxModelName = 127;
// The largest model files the loaders read; a larger file is refused from its size, before a
// byte of it is read. Far above any model of the game (the player ship is 17 KB). The text
// limit holds the text form of any binary model within the binary limit: a float takes 4
// bytes there and at most 58 characters with its label in the text form.
constexpr int64_t kMaxBinaryModelBytes = int64_t(64) << 20;
constexpr int64_t kMaxTextModelBytes = 16 * kMaxBinaryModelBytes;

// Fills model (cleared first) from length bytes of binary model data. Never reads past the
// data. False, with an empty model and a reason in *why, when the data runs out, a count
// overruns it, an index is out of range or a parent chain is cyclic or longer than 32.
// Bytes after the last object are ignored; *used (when given) tells how many were read.
bool LoadBinaryModel(Model& model, const uint8_t* data, size_t length, std::string* why = nullptr,
                     size_t* used = nullptr);
// Reads a whole binary model file (a regular file of at most kMaxBinaryModelBytes) and loads
// it as above.
bool LoadBinaryModelFile(Model& model, const char* fileName, std::string* why = nullptr);

// The binary form of the model. False (and out emptied) when the model does not fit the
// form's limits (65535 objects, points and triangles per object; parents 0..65535; texture
// ids -1..65535; names of at most 127 characters; kMaxBinaryModelBytes in all) or it is
// broken (CheckModelStructure).
bool EncodeBinaryModel(const Model& model, std::vector<uint8_t>& out, std::string* why = nullptr);
// Writes the binary form to fileName ("wb"). False when it cannot be encoded or written.
bool SaveBinaryModel(const Model& model, const char* fileName, std::string* why = nullptr);

// Clears the model and reads the text form (a regular file of at most kMaxTextModelBytes). A
// value whose label does not match is not stored and reading goes on; a count that was not
// read sizes nothing. A negative or absurd count (above 65535), counts that together declare
// more records than the whole file could hold, or a broken model leaves an empty model. True
// only when every label matched and the model is whole.
bool LoadTextModel(Model& model, const char* fileName, std::string* why = nullptr);
// Writes the text form ("wt") exactly as described above. False when it cannot be written.
bool SaveTextModel(const Model& model, const char* fileName, std::string* why = nullptr);
// True when SaveTextModel's output of this model reads back as the same model (to six
// decimals): every name non-empty, at most 127 characters, not starting with white space and
// without line breaks.
bool TextFormHolds(const Model& model, std::string* why = nullptr);
