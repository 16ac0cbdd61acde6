// SPDX-License-Identifier: MIT
// The scenes of the picture comparison drawn on the desktop: the fake backend's clock and keys,
// a real offscreen context (Mesa), each picture read back at its swap and written as
// OUT/<scene>.ppm. The browser tests compare them with the web build's pictures.
//   web_scenes_native OUT ARCHIVE
#include <GL/gl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Scenes.h"
#include "game/Application.h"
#include "platform/FakePlatform.h"
#include "shell/TaskList.h"
#include "shell/Window.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

class NativeHost : public SceneHost {
public:
    explicit NativeHost(std::string out) : out_(std::move(out))
    {
        plat::fake::SetSwapHook([this] {
            last_.resize(static_cast<size_t>(kWidth * kHeight * 4));
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, last_.data());
        });
    }
    void SetTicks(uint32_t ms) override { plat::fake::SetTicks(ms); }
    void Key(int key, bool down) override
    {
        plat::fake::SetKeyDown(key, down);
        Window* w = WindowList::At(0);
        if (w)
            plat::fake::PushMessage({w->NativeHandle(), down ? plat::MSG_KEYDOWN : plat::MSG_KEYUP,
                                     static_cast<uintptr_t>(key), 0});
    }
    void Capture(const char* name) override
    {
        const std::string path = out_ + "/" + name + ".ppm";
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || last_.empty()) {
            std::fprintf(stderr, "web_scenes_native: cannot write %s\n", path.c_str());
            failed = true;
            if (f) std::fclose(f);
            return;
        }
        std::fprintf(f, "P6\n%d %d\n255\n", kWidth, kHeight);
        for (int y = kHeight - 1; y >= 0; --y)
            for (int x = 0; x < kWidth; ++x)
                std::fwrite(&last_[static_cast<size_t>((y * kWidth + x) * 4)], 1, 3, f);
        std::fclose(f);
    }
    bool failed = false;

private:
    std::string out_;
    std::vector<uint8_t> last_;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUT ARCHIVE\n", argv[0]);
        return 2;
    }
    plat::fake::Reset();
    NativeHost host(argv[1]);
    const int result = PlayScenes(host, argv[2]);
    CloseRemainingWindows();
    gExecutor.ClearTasks();
    plat::fake::Reset();
    return result != 0 || host.failed ? 1 : 0;
}
