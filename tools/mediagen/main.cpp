// SPDX-License-Identifier: MIT
// quenbrill-mediagen OUTPUT_DIR
//
// Paints, synthesizes and models every medium of the game, writes the ten loose files under
// OUTPUT_DIR/Media/ and packs them into OUTPUT_DIR/ZabroData.arc with the archive's own Pack.
// Everything comes from code and hand-written tables in this folder, with fixed seeds: the same
// source gives the same archive byte for byte. When anything does not fit its archive entry,
// the program names it, writes nothing and exits with status 1.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Font.h"
#include "MediaChecks.h"
#include "Pictures.h"
#include "Ships.h"
#include "Sounds.h"
#include "assets/MediaArchive.h"
#include "platform/Files.h"

using namespace mediagen;

namespace {

struct Medium {
    const char* entry;  // archive entry name
    std::vector<uint8_t> bytes;
};

std::string LoosePath(const std::string& root, const char* entry)
{
    std::string path = root + "/";
    for (const char* c = entry; *c; ++c) path += (*c == '\\') ? '/' : *c;
    return path;
}

bool Fail(const std::string& message)
{
    std::fprintf(stderr, "quenbrill-mediagen: %s\n", message.c_str());
    return false;
}

// Makes the bytes of one entry, exactly size bytes long, or explains why it cannot.
bool MakeEntry(const char* entry, int32_t size, const std::string& scratchDir,
               std::vector<uint8_t>& out)
{
    const std::string name = entry;
    std::string why;
    if (name == "Media\\Font16x16_256128.raw") {
        out = MakeFontImage();
    } else if (name == "Media\\Particle32.raw") {
        out = MakeParticle();
    } else if (name == "Media\\Sky256128.raw") {
        out = MakeSky();
    } else if (name == "Media\\StartScreen256.raw") {
        out = MakeStartScreen();
    } else if (name == "Media\\Terrain128.raw") {
        out = MakeTerrain();
    } else if (name == "Media\\Boom.wav") {
        out = MakeExplosion(size);
    } else if (name == "Media\\Weapon0.wav") {
        out = MakeLaserShot(size);
    } else if (name == "Media\\Factory.bin" || name == "Media\\TieFighter.bin" ||
               name == "Media\\XWing.bin") {
        ModelKind kind = name == "Media\\XWing.bin"        ? ModelKind::PlayerShip
                         : name == "Media\\TieFighter.bin" ? ModelKind::EnemyFighter
                                                           : ModelKind::Factory;
        MeshModel mesh = kind == ModelKind::PlayerShip     ? MakePlayerShip()
                         : kind == ModelKind::EnemyFighter ? MakeEnemyFighter()
                                                           : MakeFactory();
        std::string summary;
        if (!BuildModelEntry(mesh, kind, size, scratchDir + "/model.tmp", out, &why, &summary))
            return Fail(name + ": " + why);
        std::printf("quenbrill-mediagen: %s\n", summary.c_str());
        return true;
    } else {
        return Fail(name + ": no generator for this entry");
    }
    if (out.size() != static_cast<size_t>(size))
        return Fail(name + ": made " + std::to_string(out.size()) + " bytes for an entry of " +
                    std::to_string(size));
    return true;
}

bool WriteLoose(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::string temp = path + ".tmp";
    FILE* f = plat::OpenFile(temp.c_str(), "wb");
    if (!f) return Fail(path + ": cannot create");
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok || !plat::RenameReplacing(temp.c_str(), path.c_str())) {
        plat::RemoveFile(temp.c_str());
        return Fail(path + ": cannot write");
    }
    return true;
}

bool Run(const std::string& outDir)
{
    std::error_code ec;
    std::filesystem::create_directories(plat::PathFromUtf8(outDir + "/Media"), ec);
    if (ec) return Fail(outDir + "/Media: cannot create the folder (" + ec.message() + ")");

    RegisterGameArchive();
    std::vector<Medium> media;
    for (int32_t i = 0; i < MediaArchive::EntryCount(); ++i) {
        Medium m{MediaArchive::EntryName(i), {}};
        if (!MakeEntry(m.entry, MediaArchive::EntrySize(i), outDir, m.bytes)) return false;
        media.push_back(std::move(m));
    }

    // Only now that every entry is whole does anything reach the output folder.
    for (const Medium& m : media)
        if (!WriteLoose(LoosePath(outDir, m.entry), m.bytes)) return false;

    const std::string archive = outDir + "/" + MediaArchive::FileName();
    MediaArchive::Open(archive.c_str(), MediaArchive::Key1(), MediaArchive::Key2());
    std::string why;
    if (!MediaArchive::Pack(outDir.c_str(), &why)) return Fail(why);

    // Read every entry back through the game's own reader.
    for (const Medium& m : media) {
        bool complete = false;
        std::unique_ptr<uint8_t[]> back(MediaArchive::ReadEntry(m.entry, &complete));
        if (!back || !complete || !std::equal(m.bytes.begin(), m.bytes.end(), back.get())) {
            plat::RemoveFile(archive.c_str());
            return Fail(archive + ": entry " + m.entry + " does not read back as packed");
        }
    }
    std::printf("quenbrill-mediagen: wrote %s (%lld bytes) and %zu loose files\n", archive.c_str(),
                static_cast<long long>(MediaArchive::TotalSize()), media.size());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    argv = plat::Utf8Argv(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quenbrill-mediagen OUTPUT_DIR\n");
        return 2;
    }
    return Run(argv[1]) ? 0 : 1;
}
