// SPDX-License-Identifier: MIT
// The game's real media for entity and battle tests: the archive the build generated, its
// three models in the shared model slots and its two sounds in the bank.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

#include "assets/MediaArchive.h"
#include "assets/Sound.h"
#include "assets/SoundOutput.h"
#include "entities/GameModels.h"
#include "render/ModelFile.h"

namespace media {

inline std::string EnvOr(const char* name, const char* fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

inline bool LoadModel(Model& model, const char* entry)
{
    model.Clear();
    bool complete = false;
    uint8_t* bytes = MediaArchive::ReadEntry(entry, &complete);
    int32_t size = MediaArchive::EntrySize(MediaArchive::FindEntry(entry));
    bool ok = bytes && complete && LoadBinaryModel(model, bytes, static_cast<size_t>(size));
    delete[] bytes;
    return ok;
}

inline bool LoadSound(const char* entry)
{
    bool complete = false;
    uint8_t* bytes = MediaArchive::ReadEntry(entry, &complete);
    int32_t size = MediaArchive::EntrySize(MediaArchive::FindEntry(entry));
    if (!bytes || !complete) {
        delete[] bytes;
        return false;
    }
    Sound* sound = new Sound(bytes, static_cast<size_t>(size));
    delete[] bytes;
    SoundBank.Append(sound);
    return sound->loaded;
}

// Opens the build's ZabroData.arc and loads the models and sounds (weapon first) in place of
// what the slots and the bank held. False with the reason in *why.
inline bool LoadGameMedia(std::string* why)
{
    for (int32_t i = 0; i < SoundBank.Count(); ++i) delete SoundBank[i];
    SoundBank.Clear();
    std::string archive = EnvOr("QB_BUILD_DIR", ".") + "/ZabroData.arc";
    if (!std::ifstream(archive, std::ios::binary).good()) {
        *why = "no media archive at " + archive + " (the media target of the build generates it)";
        return false;
    }
    RegisterGameArchive();
    MediaArchive::Open(archive.c_str(), MediaArchive::Key1(), MediaArchive::Key2());
    if (!LoadModel(XWingModel, "Media\\XWing.bin") ||
        !LoadModel(TieFighterModel, "Media\\TieFighter.bin") ||
        !LoadModel(FactoryModel, "Media\\Factory.bin") || !LoadSound("Media\\Weapon0.wav") ||
        !LoadSound("Media\\Boom.wav")) {
        *why = "cannot load the models and sounds of " + archive;
        return false;
    }
    return true;
}

// Empties the model slots and the sound bank and forgets the archive.
inline void FreeGameMedia()
{
    for (int32_t i = 0; i < SoundBank.Count(); ++i) delete SoundBank[i];
    SoundBank.Clear();
    XWingModel.Clear();
    TieFighterModel.Clear();
    FactoryModel.Clear();
    MediaArchive::Reset();
}

}  // namespace media
