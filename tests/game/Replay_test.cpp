// SPDX-License-Identifier: MIT
// A recorded-demo style battle: a new game set up by the game's own SpawnBattle (seed 1: the
// ship at (0, 25, 0), 20 fighters and 10 factories from rand), flown for two minutes of fixed
// 16 ms frames with a scripted thrust / turn / fire / view pattern over the real models and
// sounds of the archive. Its summary must match replay_golden.txt next to this file.
//
// When a deliberate change of behaviour or of the media changes the battle, regenerate with
//   QB_UPDATE_GOLDEN=1 ./tests/game_Replay_test
// (and for the Windows build's own golden, QB_UPDATE_GOLDEN=1 tests/wine/run-tests.sh
// build-win -R game_Replay_test)
// and say in the commit why the golden changed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "assets/MediaArchive.h"
#include "assets/Sound.h"
#include "assets/SoundOutput.h"
#include "entities/ArchiveMedia.h"
#include "entities/EntityDrawing.h"
#include "entities/EntityTestKit.h"
#include "entities/Explosion.h"
#include "entities/Factory.h"
#include "entities/GameEntity.h"
#include "entities/GameModels.h"
#include "entities/Laser.h"
#include "entities/Particles.h"
#include "entities/TieFighter.h"
#include "entities/XWing.h"
#include "game/MainWindow.h"
#include "math/DampedValue.h"
#include "math/Steering.h"
#include "math/View.h"
#include "platform/FakePlatform.h"
#include "render/ModelFile.h"
#include "shell/Input.h"
#include "shell/Services.h"
#include "shell/TaskList.h"

namespace {

const int kFrameMs = 16;
const int kFrames = 120000 / kFrameMs;  // two minutes
const int kCheckpointFrames = 20000 / kFrameMs;

using media::EnvOr;

// The pilot: thrust most of the time with a coast and a brake now and then, a left turn of
// two seconds in every six (so the ship circles over the battlefield) and a short right turn
// now and then, a volley every 256 ms, a view change every 20 seconds.
void Script(int frame)
{
    int t = frame * kFrameMs;
    int phase = (t / 5000) % 8;
    plat::fake::SetKeyDown(plat::VK_UP_KEY, phase != 3 && phase != 7);
    plat::fake::SetKeyDown(plat::VK_DOWN_KEY, phase == 7);
    plat::fake::SetKeyDown(plat::VK_LEFT_KEY, (t / 2000) % 3 == 1);
    plat::fake::SetKeyDown(plat::VK_RIGHT_KEY, (t / 1000) % 12 == 9);
    plat::fake::SetKeyDown('A', frame % 16 == 0);
    plat::fake::SetKeyDown(plat::VK_SPACE_KEY, frame % 1250 == 625);
}

long Round(float v) { return std::lround(v); }

std::string Checkpoint(int frame)
{
    std::map<std::string, int> count;
    std::map<std::string, long> hp;
    TaskIterator cursor(gExecutor.Tasks());
    while (Executable* task = cursor.Next()) {
        if (task->GetState() != TASK_RUNNING) continue;
        std::string kind;
        int32_t points = 0;
        if (auto* e = RunningEntity(task)) {
            points = e->hitPoints;
            kind = dynamic_cast<XWing*>(e)        ? "ship"
                   : dynamic_cast<TieFighter*>(e) ? "fighter"
                   : dynamic_cast<Factory*>(e)    ? "factory"
                   : dynamic_cast<Laser*>(e)      ? "bolt"
                                                  : "other";
        } else {
            kind = task->KindAt(0) ? task->KindAt(0) : "?";
        }
        ++count[kind];
        hp[kind] += points;
    }
    std::ostringstream out;
    out << "t=" << frame * kFrameMs / 1000 << "s";
    for (const char* k : {"ship", "fighter", "factory", "bolt", "Explosion"})
        out << " " << k << "=" << count[k];
    out << " hp: ship=" << hp["ship"] << " fighters=" << hp["fighter"]
        << " factories=" << hp["factory"];
    out << " particles=" << LiveParticleCount() << " camera=" << CameraMode
        << (CameraTarget ? " following" : " free");
    return out.str();
}

std::string FinalListing()
{
    std::vector<std::string> lines;
    TaskIterator cursor(gExecutor.Tasks());
    while (Executable* task = cursor.Next()) {
        GameEntity3D* e = RunningEntity(task);
        if (!e || dynamic_cast<Laser*>(e)) continue;
        std::ostringstream line;
        line << (dynamic_cast<XWing*>(e)        ? "ship"
                 : dynamic_cast<TieFighter*>(e) ? "fighter"
                                                : "factory")
             << " hp=" << e->hitPoints << " at (" << Round(e->position.x) << ", "
             << Round(e->position.y) << ", " << Round(e->position.z) << ")";
        lines.push_back(line.str());
    }
    std::ostringstream out;
    for (const std::string& l : lines) out << l << "\n";
    return out.str();
}

class ReplayTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        gExecutor.ClearTasks();
        media::FreeGameMedia();
        ClearSteeringRequests();
        StopParticles();
        CameraTarget = nullptr;
        SetEntityDrawing(true);
        plat::fake::Reset();
    }
};

TEST_F(ReplayTest, TwoMinuteBattleMatchesTheGoldenSummary)
{
#ifdef _WIN32
    // Windows' C library has a rand() of its own: the enemies start elsewhere and the whole
    // battle differs, so the Windows build keeps its own golden (made under Wine the same way).
    std::string golden = EnvOr("QB_SOURCE_DIR", "..") + "/tests/game/replay_golden_windows.txt";
#else
    std::string golden = EnvOr("QB_SOURCE_DIR", "..") + "/tests/game/replay_golden.txt";
#endif
    std::string why;
    ASSERT_TRUE(media::LoadGameMedia(&why)) << why;

    kit::ResetEntityWorld(60000);
    gInput = InputState();
    ToggleOnePress(8);
    ToggleOnePress(2);
    SetFrameTime(1);
    ResetDampedValueClock();

    // The new game, as the game sets it up.
    std::srand(1);
    SpawnBattle();

    std::ostringstream summary;
    summary << "# Two-minute replay: seed 1, 16 ms frames, scripted thrust/turn/fire/view.\n";
    summary << Checkpoint(0) << "\n";
    for (int frame = 0; frame < kFrames; ++frame) {
        Script(frame);
        ReadInput();
        UpdateDampedValues();
        gExecutor.Run();
        TickParticles();
        plat::fake::AdvanceTicks(kFrameMs);
        SetFrameTime(kFrameMs);
        if ((frame + 1) % kCheckpointFrames == 0) summary << Checkpoint(frame + 1) << "\n";
    }
    summary << FinalListing();
    std::string actual = summary.str();

    if (EnvOr("QB_UPDATE_GOLDEN", "0") == "1") {
        std::ofstream out(golden, std::ios::binary);
        out << actual;
        ASSERT_TRUE(out.good()) << "cannot write " << golden;
        std::printf("golden summary written to %s\n", golden.c_str());
        return;
    }
    std::ifstream in(golden, std::ios::binary);
    ASSERT_TRUE(in.good()) << "no golden summary at " << golden
                           << " (QB_UPDATE_GOLDEN=1 writes it)";
    std::stringstream expected;
    expected << in.rdbuf();
    if (expected.str() != actual) {
        std::string kept = EnvOr("QB_BUILD_DIR", ".") + "/replay_actual.txt";
        std::ofstream(kept, std::ios::binary) << actual;
        ADD_FAILURE() << "the battle differs from " << golden << "; this run's summary is in "
                      << kept;
        EXPECT_EQ(expected.str(), actual);
    }
}

}  // namespace
