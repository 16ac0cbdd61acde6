// SPDX-License-Identifier: MIT
// An archive file from the fuzzer in the place of ZabroData.arc: every entry is read as the game
// reads it and handed to the game's own makers (the five textures in a real offscreen GL
// context, the two sounds, the three models). Nothing may crash, and what the archive check
// reports must agree with what the reads found.
#include "FuzzSupport.h"

#include <memory>

#include "assets/MediaArchive.h"
#include "assets/RawImage.h"
#include "assets/Sound.h"
#include "platform/Platform.h"
#include "render/ModelFile.h"
#include "render/RenderState.h"
#include "render/Texture.h"

namespace {

bool gHaveGL = false;

void MakeTexture(const RawImageInfo& image, const uint8_t* data, size_t size)
{
    // The game's choice of maker for each of its pictures (texture names 1 to 5).
    switch (image.textureName) {
        case 1:
        case 2:
            CreateConstantAlphaTexture(data, size, image.width, image.height, image.textureName,
                                       1.0f);
            break;
        case 3:
            CreateBrightnessAlphaTexture(data, size, image.width, image.height, image.textureName);
            break;
        default:
            CreateKeyedTexture(data, size, image.width, image.height, image.textureName);
            break;
    }
    DeleteTexture(image.textureName);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    plat::WindowDesc desc;
    desc.title = "archive fuzz";
    desc.clientWidth = 64;
    desc.clientHeight = 64;
    plat::NativeWindow window = plat::CreateNativeWindow(desc, nullptr);
    gHaveGL = window && CreateGLContext(window, 64, 64);
    if (!gHaveGL)
        std::fprintf(
            stderr,
            "archive fuzz: no GL context (%s); the pictures are read but make no textures\n",
            plat::LastError());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = fuzz::ScratchPath("ZabroData.arc");
    if (!fuzz::WriteFile(path, data, size)) return 0;
    RegisterGameArchive();
    MediaArchive::Open(path.c_str(), MediaArchive::Key1(), MediaArchive::Key2());

    std::string reason;
    ArchiveFileState state = MediaArchive::CheckFile(&reason);
    FUZZ_CHECK(state == ArchiveFileState::Ready || reason.find(path) != std::string::npos);
    FUZZ_CHECK((state == ArchiveFileState::Ready) == (int64_t(size) >= MediaArchive::TotalSize()));

    for (int32_t i = 0; i < MediaArchive::EntryCount(); ++i) {
        const char* name = MediaArchive::EntryName(i);
        bool complete = false;
        std::unique_ptr<uint8_t[]> entry(MediaArchive::ReadEntry(name, &complete));
        FUZZ_CHECK(entry != nullptr);
        FUZZ_CHECK(complete == (int64_t(size) >= int64_t(MediaArchive::EntryOffset(i + 1))));
        size_t entrySize = size_t(MediaArchive::EntrySize(i));
        if (const RawImageInfo* image = FindGameImage(name)) {
            if (gHaveGL) MakeTexture(*image, entry.get(), entrySize);
        } else if (MediaEntryKind(name) == MediaKind::Sound) {
            Sound sound(entry.get(), entrySize);
            FUZZ_CHECK(sound.loaded == sound.problem.empty());
        } else {
            Model model;
            LoadBinaryModel(model, entry.get(), entrySize);
        }
    }
    std::remove(path.c_str());
    return 0;
}
