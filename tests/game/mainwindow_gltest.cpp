// SPDX-License-Identifier: MIT
// The game controller on a real offscreen GL context with the fake platform: what the
// constructor sets up, the start screen, the start of a battle, the end of the game, and the
// whole program through InitApplication and RunMainLoop with scripted keys.
#include <GL/gl.h>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "assets/MediaArchive.h"
#include "assets/SoundOutput.h"
#include "entities/Explosion.h"
#include "entities/Factory.h"
#include "entities/GameEntity.h"
#include "entities/GameModels.h"
#include "entities/Laser.h"
#include "entities/Particles.h"
#include "entities/TieFighter.h"
#include "entities/XWing.h"
#include "game/Application.h"
#include "game/MainWindow.h"
#include "math/DampedValue.h"
#include "math/View.h"
#include "platform/FakePlatform.h"
#include "render/RenderState.h"
#include "render/SkyDome.h"
#include "render/Texture.h"
#include "shell/Input.h"
#include "shell/Services.h"
#include "shell/TaskList.h"
#include "shell/Window.h"
#include "support/TestFiles.h"

namespace {

bool ArchiveHere()
{
    FILE* f = std::fopen("ZabroData.arc", "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

WindowCreateParams GameParams()
{
    WindowCreateParams p;
    p.title = "Quenbrill";
    p.width = 640;
    p.height = 480;
    return p;
}

bool Listed(const Window* w)
{
    for (int32_t i = 0; i < WindowList::Capacity(); ++i)
        if (WindowList::At(i) == w) return true;
    return false;
}

std::vector<Executable*> Tasks()
{
    std::vector<Executable*> out;
    TaskIterator* it = gExecutor.Begin();
    while (Executable* t = it->Next()) out.push_back(t);
    delete it;
    return out;
}

template <class T>
std::vector<T*> TasksOf()
{
    std::vector<T*> out;
    for (Executable* t : Tasks())
        if (T* e = dynamic_cast<T*>(t)) out.push_back(e);
    return out;
}

void ExpectNear(const Vector3D& v, float x, float y, float z, float eps = 1e-4f)
{
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

// One frame of the main loop, without the message handling.
void RunFrame(uint32_t ms = 16)
{
    ReadInput();
    UpdateDampedValues();
    gExecutor.Run();
    DrawAllWindows();
    plat::fake::AdvanceTicks(ms);
    SetFrameTime(static_cast<int32_t>(ms));
}

struct Rgb {
    int r, g, b;
};

Rgb BackBufferPixel(int x, int y)
{
    uint8_t px[4] = {0, 0, 0, 0};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, 479 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    return Rgb{px[0], px[1], px[2]};
}

bool IsClearColour(const Rgb& c)
{
    return std::abs(c.r - 208) <= 1 && std::abs(c.g - 232) <= 1 && std::abs(c.b - 234) <= 1;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat::fake::Reset();
        gExecutor.ClearTasks();
        gInput = InputState();
        CameraTarget = nullptr;
        CameraMode = CAMERA_CHASE;
        ChaseElevation = 10.0f;
        SetFrameTime(1);
        RegisterGameArchive();
    }

    void TearDown() override
    {
        if (window && Listed(window)) delete window;
        window = nullptr;
        gExecutor.ClearTasks();
        plat::fake::Reset();
    }

    void Open()
    {
        window = new MainWindow(GameParams());
        ASSERT_TRUE(Listed(window));
        ASSERT_EQ(window->GameState(), GAME_START_SCREEN);
    }

    // Enter tapped between two frames: the start screen sees the press, and the game begins
    // in the next frame, the first that finds Enter let go.
    void StartGame()
    {
        plat::fake::TapKey(plat::VK_RETURN_KEY);
        ReadInput();
        window->Frame();
        ASSERT_EQ(window->GameState(), GAME_START_SCREEN);
        ReadInput();
        window->Frame();
        ASSERT_EQ(window->GameState(), GAME_PLAYING);
    }

    MainWindow* window = nullptr;
};

TEST_F(MainWindowTest, ConstructorLoadsTheMediaAndSetsUpTheStartScreen)
{
    Open();
    EXPECT_TRUE(plat::fake::HasGLContext());
    EXPECT_TRUE(HasGLContext());

    // Textures 1-4 from the archive, the start picture 5, and the shading ramp.
    struct {
        int name, width, height;
    } textures[] = {{1, 128, 128}, {2, 256, 128}, {3, 32, 32}, {4, 256, 128}, {5, 256, 256}};
    for (const auto& t : textures) {
        int i = FindTexture(t.name);
        ASSERT_GE(i, 0) << "texture " << t.name;
        EXPECT_EQ(TextureAt(i).width, t.width) << "texture " << t.name;
        EXPECT_EQ(TextureAt(i).height, t.height) << "texture " << t.name;
    }

    EXPECT_EQ(FrustumParams.far, 4000.0f);
    EXPECT_FLOAT_EQ(FrustumParams.near, 1.5f);
    ExpectNear(LightDirection, 0.70710677f, -0.70710677f, 0.0f);

    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_NEAR(clear[0] * 255.0f, 208.0f, 0.5f);
    EXPECT_NEAR(clear[1] * 255.0f, 232.0f, 0.5f);
    EXPECT_NEAR(clear[2] * 255.0f, 234.0f, 0.5f);
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));

    EXPECT_TRUE(ParticlesRunning());
    EXPECT_EQ(ParticlePresetCount(), 3);
    EXPECT_TRUE(SoundEnabled());
    EXPECT_TRUE(plat::fake::AudioIsOpen());
    EXPECT_EQ(SoundBank.Count(), 0);

    const ModelInstance& ship = window->TitleShip();
    EXPECT_EQ(ship.model, &XWingModel);
    EXPECT_EQ(ship.scale, 1.0f);
    ExpectNear(ship.position, 1000.0f, -100.0f, 0.0f);
    ExpectNear(ship.forward, 1.0f, 0.0f, 0.0f);
    ExpectNear(ship.up, 0.0f, 1.0f, 0.0f);
    ExpectNear(CameraEye, 0.0f, 0.0f, 0.0f);
    ExpectNear(CameraDirection, 1.0f, 0.0f, 0.0f);
    ExpectNear(CameraUp, 0.0f, 1.0f, 0.0f);
    EXPECT_EQ(window->Sky(), nullptr);
    EXPECT_TRUE(gExecutor.Tasks()->IsEmpty());

    if (ArchiveHere()) {
        EXPECT_GT(XWingModel.count, 0);
        EXPECT_GT(TieFighterModel.count, 0);
        EXPECT_GT(FactoryModel.count, 0);
    }
}

TEST_F(MainWindowTest, TitleShipTurnsByTheFrameTime)
{
    Open();
    // 0 ms: no turn at all.
    SetFrameTime(0);
    window->Frame();
    ExpectNear(window->TitleShip().forward, 1.0f, 0.0f, 0.0f);
    ExpectNear(window->TitleShip().up, 0.0f, 1.0f, 0.0f);

    // 1800 ms give 90 degrees: about z by -90, y by +90, x by +90 in turn takes the nose
    // from +x through -y to -z, and the top from +y through +x and -z back to +y.
    SetFrameTime(1800);
    window->Frame();
    ExpectNear(window->TitleShip().forward, 0.0f, 0.0f, -1.0f);
    ExpectNear(window->TitleShip().up, 0.0f, 1.0f, 0.0f);
    EXPECT_EQ(window->GameState(), GAME_START_SCREEN);
}

TEST_F(MainWindowTest, OtherKeysAndButtonsDoNotStartTheGame)
{
    Open();
    for (int key : {int('A'), int(plat::VK_SPACE_KEY), int(plat::VK_UP_KEY), int('X')}) {
        plat::fake::TapKey(key);
        ReadInput();
        window->Frame();
        window->OnEvent(EVENT_KEY, key, 0);
        EXPECT_EQ(window->GameState(), GAME_START_SCREEN) << "key " << key;
    }
    ASSERT_TRUE(Listed(window));
    EXPECT_GE(FindTexture(TEXTURE_START_PICTURE), 0);
}

TEST_F(MainWindowTest, EnterStartsTheBattle)
{
    Open();
    StartGame();

    EXPECT_EQ(FindTexture(TEXTURE_START_PICTURE), -1);
    for (int name = 1; name <= 4; ++name) EXPECT_GE(FindTexture(name), 0) << name;

    // Fire and view in one-press mode, nothing else.
    for (int b = 0; b < kInputButtons; ++b)
        EXPECT_EQ(gInput.onePress[b], b == 2 || b == 8) << "button " << b;

    ASSERT_EQ(SoundBank.Count(), 2);
    if (ArchiveHere()) {
        EXPECT_TRUE(SoundBank[0]->loaded);
        EXPECT_TRUE(SoundBank[1]->loaded);
        // The weapon shot is the short one, the explosion the long one.
        EXPECT_LT(SoundBank[0]->sampleCount, SoundBank[1]->sampleCount);
    }

    std::vector<Executable*> tasks = Tasks();
    ASSERT_EQ(tasks.size(), 31u);
    // Newest first: ten factories, twenty fighters, then the player ship.
    for (size_t i = 0; i < 10; ++i) EXPECT_NE(dynamic_cast<Factory*>(tasks[i]), nullptr) << i;
    for (size_t i = 10; i < 30; ++i) EXPECT_NE(dynamic_cast<TieFighter*>(tasks[i]), nullptr) << i;
    XWing* player = dynamic_cast<XWing*>(tasks[30]);
    ASSERT_NE(player, nullptr);
    ExpectNear(player->position, 0.0f, 25.0f, 0.0f);
    ExpectNear(player->forward, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(CameraTarget, player);

    ASSERT_NE(window->Sky(), nullptr);
    EXPECT_EQ(window->Sky()->radius, 4000.0f);
    EXPECT_EQ(window->Sky()->sectors, 16);
    EXPECT_EQ(window->Sky()->bands, 20);
    EXPECT_TRUE(glIsList(window->Sky()->listName));

    // From the second pass on the player ship runs first, the others keep their order.
    gExecutor.Run();
    gExecutor.Run();
    tasks = Tasks();
    ASSERT_EQ(tasks.size(), 31u);
    EXPECT_EQ(tasks[0], player);
}

TEST_F(MainWindowTest, HeldEnterKeepsTheStartScreenGoingUntilItIsLetGo)
{
    Open();
    plat::fake::SetKeyDown(plat::VK_RETURN_KEY, true);
    const Vector3D before = window->TitleShip().forward;
    for (int frame = 0; frame < 5; ++frame) {
        ReadInput();
        plat::fake::AdvanceTicks(16);
        SetFrameTime(16);
        window->Frame();  // returns every frame, however long Enter is held
        ASSERT_EQ(window->GameState(), GAME_START_SCREEN) << frame;
    }
    const Vector3D after = window->TitleShip().forward;
    EXPECT_GT(std::fabs(after.x - before.x) + std::fabs(after.y - before.y) +
                  std::fabs(after.z - before.z),
              0.01f)
        << "the title ship turns on while Enter is held";
    plat::fake::SetKeyDown(plat::VK_RETURN_KEY, false);
    ReadInput();
    window->Frame();
    EXPECT_EQ(window->GameState(), GAME_PLAYING);
}

TEST_F(MainWindowTest, EnterWhilePlayingStartsNoSecondGame)
{
    Open();
    StartGame();
    RunFrame();
    const std::vector<Executable*> before = Tasks();
    const SkyDome* sky = window->Sky();
    plat::fake::TapKey(plat::VK_RETURN_KEY);
    RunFrame();
    EXPECT_EQ(window->GameState(), GAME_PLAYING);
    EXPECT_EQ(window->Sky(), sky);
    EXPECT_EQ(SoundBank.Count(), 2);
    EXPECT_EQ(Tasks(), before);  // the same ship, fighters and factories, nothing added
    // One-press mode was switched only once: fire and view still report single presses.
    for (int b = 0; b < kInputButtons; ++b)
        EXPECT_EQ(gInput.onePress[b], b == 2 || b == 8) << "button " << b;
}

TEST_F(MainWindowTest, SameSeedGivesTheSameBattlefield)
{
    const unsigned seeds[] = {1u, 20240611u};
    for (unsigned seed : seeds) {
        // The controller draws x, z, heading per fighter, then x, z per factory.
        std::srand(seed);
        std::vector<float> expected;
        for (int i = 0; i < 20 * 3 + 10 * 2; ++i) expected.push_back(0.0f);
        for (int i = 0; i < 20; ++i) {
            expected[i * 3 + 0] = static_cast<float>(std::rand() % 2000 - 1000);
            expected[i * 3 + 1] = static_cast<float>(std::rand() % 2000 - 1000);
            expected[i * 3 + 2] = static_cast<float>(std::rand() % 360);
        }
        for (int i = 0; i < 10; ++i) {
            expected[60 + i * 2 + 0] = static_cast<float>(std::rand() % 2000 - 1000);
            expected[60 + i * 2 + 1] = static_cast<float>(std::rand() % 2000 - 1000);
        }

        Open();
        std::srand(seed);
        StartGame();
        std::vector<TieFighter*> fighters = TasksOf<TieFighter>();
        std::vector<Factory*> factories = TasksOf<Factory>();
        ASSERT_EQ(fighters.size(), 20u);
        ASSERT_EQ(factories.size(), 10u);
        for (int i = 0; i < 20; ++i) {
            const TieFighter* f = fighters[19 - i];  // the list holds the newest first
            EXPECT_EQ(f->position.x, expected[i * 3 + 0]) << "fighter " << i;
            EXPECT_EQ(f->position.y, 25.0f) << "fighter " << i;
            EXPECT_EQ(f->position.z, expected[i * 3 + 1]) << "fighter " << i;
            Vector3D heading{1.0f, 0.0f, 0.0f};
            RotateY(heading, expected[i * 3 + 2]);
            ExpectNear(f->forward, heading.x, heading.y, heading.z);
            EXPECT_GE(f->position.x, -1000.0f);
            EXPECT_LE(f->position.x, 999.0f);
        }
        for (int i = 0; i < 10; ++i) {
            const Factory* f = factories[9 - i];
            EXPECT_EQ(f->position.x, expected[60 + i * 2 + 0]) << "factory " << i;
            EXPECT_EQ(f->position.y, 0.0f) << "factory " << i;
            EXPECT_EQ(f->position.z, expected[60 + i * 2 + 1]) << "factory " << i;
        }
        delete window;
        window = nullptr;
        gInput = InputState();
    }
}

TEST_F(MainWindowTest, PlayFrameLeavesSkyAndGroundForTheNextImage)
{
    Open();
    StartGame();
    // The first pass only settles the chase elevation; the second places the chase camera,
    // and the sky and the ground of the next image are drawn from there.
    RunFrame();
    RunFrame();
    // Top of the picture: sky; bottom: the ground below the chase camera. Neither is the
    // bare clear colour.
    const Rgb sky = BackBufferPixel(320, 5);
    const Rgb ground = BackBufferPixel(320, 470);
    EXPECT_FALSE(IsClearColour(sky));
    EXPECT_FALSE(IsClearColour(ground));
    if (ArchiveHere()) {
        // Our sky is blue, our ground green and sand: blue rules above, not below.
        EXPECT_GT(sky.b, sky.r + 20) << sky.r << " " << sky.g << " " << sky.b;
        EXPECT_LT(ground.b + 20, ground.g) << ground.r << " " << ground.g << " " << ground.b;
    }
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(MainWindowTest, EscapeEndsTheGameAndReleasesEverything)
{
    for (bool playing : {false, true}) {
        SCOPED_TRACE(playing ? "while playing" : "on the start screen");
        Open();
        if (playing) {
            StartGame();
            // Fly and fire for a while, so bolts, trails and sounds are about.
            plat::fake::SetKeyDown(plat::VK_UP_KEY, true);
            for (int i = 0; i < 30; ++i) {
                if (i % 5 == 0) plat::fake::TapKey('A');
                RunFrame();
            }
            plat::fake::SetKeyDown(plat::VK_UP_KEY, false);
            ASSERT_TRUE(Listed(window));
        }
        // Escape through the window's own message handling.
        plat::Message esc;
        esc.window = window->NativeHandle();
        esc.message = plat::MSG_KEYDOWN;
        esc.wParam = plat::VK_ESCAPE_KEY;
        plat::DispatchMessage(esc);

        EXPECT_FALSE(Listed(window));
        window = nullptr;
        EXPECT_FALSE(AnyWindowRegistered());
        // The ships' explosions were made and deleted with the rest.
        EXPECT_TRUE(gExecutor.Tasks()->IsEmpty());
        EXPECT_EQ(CameraTarget, nullptr);
        EXPECT_EQ(SoundBank.Count(), 0);
        EXPECT_FALSE(ParticlesRunning());
        EXPECT_FALSE(SoundEnabled());
        EXPECT_FALSE(plat::fake::AudioIsOpen());
        EXPECT_FALSE(plat::fake::HasGLContext());
        EXPECT_FALSE(HasGLContext());
        EXPECT_EQ(TextureCount(), 0);
        plat::fake::Reset();
        gInput = InputState();
    }
}

TEST_F(MainWindowTest, BattleGoesOnAfterThePlayerShipIsDestroyed)
{
    Open();
    StartGame();
    for (int i = 0; i < 5; ++i) RunFrame();
    std::vector<XWing*> players = TasksOf<XWing>();
    ASSERT_EQ(players.size(), 1u);
    players[0]->hitPoints = 0;

    RunFrame();  // finishes in this pass
    RunFrame();  // and is deleted at the end of the next one
    EXPECT_TRUE(TasksOf<XWing>().empty());
    EXPECT_EQ(CameraTarget, nullptr);
    EXPECT_EQ(TasksOf<Explosion>().size(), 1u);
    const Vector3D eye = CameraEye;
    const Vector3D dir = CameraDirection;

    for (int i = 0; i < 120; ++i) RunFrame();
    // The camera stays where it was; the fighters fly on.
    ExpectNear(CameraEye, eye.x, eye.y, eye.z, 0.0f);
    ExpectNear(CameraDirection, dir.x, dir.y, dir.z, 0.0f);
    EXPECT_FALSE(TasksOf<TieFighter>().empty());
    EXPECT_EQ(window->GameState(), GAME_PLAYING);
}

TEST_F(MainWindowTest, MissingArchiveSaysSoOnceAndTheGameStillRuns)
{
    namespace fs = std::filesystem;
    const fs::path old = fs::current_path();
    test::TempDir dir("mainwindow");
    fs::current_path(dir.path);

    ::testing::internal::CaptureStderr();
    Open();
    StartGame();
    for (int i = 0; i < 20; ++i) RunFrame();
    std::string err = ::testing::internal::GetCapturedStderr();
    fs::current_path(old);

    EXPECT_NE(err.find("ZabroData.arc"), std::string::npos) << err;
    EXPECT_NE(err.find("not found"), std::string::npos) << err;
    size_t lines = 0;
    for (char c : err) lines += c == '\n';
    EXPECT_EQ(lines, 1u) << err;

    // Empty models: ships of radius 1 that draw nothing; the battle still runs.
    EXPECT_EQ(XWingModel.count, 0);
    EXPECT_EQ(window->GameState(), GAME_PLAYING);
    EXPECT_EQ(Tasks().size() >= 30u, true);
    EXPECT_EQ(SoundBank.Count(), 2);
    EXPECT_FALSE(SoundBank[0]->loaded);
}

// Each broken archive says what is wrong with it in its own line, naming the file, and the game
// runs on: a folder or a named pipe in its place (the pipe is never opened, so nothing waits),
// a file the system will not read, and a whole-size file of garbage, whose models and sounds
// are named one by one.
TEST_F(MainWindowTest, BrokenArchivesSayWhatIsWrongAndTheGameStillRuns)
{
    struct Case {
        const char* what;
        std::function<void()> make;
        std::vector<std::string> lines;
    };
    const std::string running = "; running without pictures, models and sounds";
    const Case cases[] = {
        {"folder",
         [] { ASSERT_TRUE(std::filesystem::create_directory("ZabroData.arc")); },
         {"quenbrill: media archive \"ZabroData.arc\" is a folder, not a file" + running}},
#ifndef _WIN32  // no named pipes or symbolic links of this kind on Windows
        {"named pipe",
         [] { ASSERT_EQ(mkfifo("ZabroData.arc", 0600), 0); },
         {"quenbrill: media archive \"ZabroData.arc\" is a named pipe, not a file" + running}},
        {"link to itself",
         [] { ASSERT_EQ(symlink("ZabroData.arc", "ZabroData.arc"), 0); },
         {"quenbrill: media archive \"ZabroData.arc\" cannot be read: Too many levels of symbolic "
          "links" +
          running}},
#endif
        {"garbage of the right size",
         [] {
             std::string bytes(static_cast<size_t>(MediaArchive::TotalSize()), '\0');
             uint32_t x = 12345;
             for (char& c : bytes) {
                 x = x * 1103515245u + 12345u;
                 c = static_cast<char>(x >> 16);
             }
             FILE* f = std::fopen("ZabroData.arc", "wb");
             ASSERT_NE(f, nullptr);
             std::fwrite(bytes.data(), bytes.size(), 1, f);
             std::fclose(f);
         },
         // Each line goes on with the loader's reason and "; running without it".
         {"quenbrill: media archive \"ZabroData.arc\": Media\\XWing.bin is not a valid model "
          "(17638 bytes): ",
          "quenbrill: media archive \"ZabroData.arc\": Media\\TieFighter.bin is not a valid model "
          "(7739 bytes): ",
          "quenbrill: media archive \"ZabroData.arc\": Media\\Factory.bin is not a valid model "
          "(6332 bytes): ",
          "quenbrill: media archive \"ZabroData.arc\": Media\\Weapon0.wav is not a valid sound "
          "(10744 bytes): "
          "not a RIFF/WAVE file",
          "quenbrill: media archive \"ZabroData.arc\": Media\\Boom.wav is not a valid sound (8636 "
          "bytes): "
          "not a RIFF/WAVE file"}},
    };
    namespace fs = std::filesystem;
    const fs::path old = fs::current_path();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir("broken-archive");
        fs::current_path(dir.path);
        c.make();

        ::testing::internal::CaptureStderr();
        Open();
        StartGame();
        for (int i = 0; i < 5; ++i) RunFrame();
        std::string err = ::testing::internal::GetCapturedStderr();
        delete window;
        window = nullptr;
        gExecutor.ClearTasks();
        fs::current_path(old);

        std::vector<std::string> lines;
        for (size_t at = 0, end; (end = err.find('\n', at)) != std::string::npos; at = end + 1)
            lines.push_back(err.substr(at, end - at));
        ASSERT_EQ(lines.size(), c.lines.size()) << err;
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].rfind(c.lines[i], 0), 0u) << lines[i];
            EXPECT_NE(lines[i].find("; running without "), std::string::npos) << lines[i];
        }
        EXPECT_EQ(XWingModel.count, 0);
        EXPECT_EQ(SoundBank.Count(), 0);  // the window is gone; while playing both were there
    }
}

// Without a sound device the game says so in one line and plays silently.
TEST_F(MainWindowTest, WithoutASoundDeviceOneLineSaysSo)
{
    plat::fake::SetAudioAvailable(false);
    ::testing::internal::CaptureStderr();
    Open();
    StartGame();
    for (int i = 0; i < 5; ++i) RunFrame();
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("quenbrill: no sound device (", 0), 0u) << err;
    EXPECT_NE(err.find("); running without sound\n"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(window->GameState(), GAME_PLAYING);
    EXPECT_FALSE(SoundEnabled());
}

TEST_F(MainWindowTest, WithoutADisplayTheStartUpFailsCleanly)
{
    plat::fake::SetVideoAvailable(false);
    ClearStartupFailure();
    EXPECT_FALSE(InitApplication());
    EXPECT_NE(StartupFailure(), nullptr);
    EXPECT_FALSE(AnyWindowRegistered());
    EXPECT_FALSE(plat::fake::HasGLContext());
    EXPECT_FALSE(ParticlesRunning());
    ClearStartupFailure();
}

// A task that plays the game from inside the real main loop: each pass it moves the clock
// and may press keys or post messages, as a player between two frames would.
class Player : public Executable {
public:
    explicit Player(std::function<void(int)> step) : step(std::move(step)) {}
    void Run() override
    {
        plat::fake::AdvanceTicks(16);
        step(pass++);
    }
    std::function<void(int)> step;
    int pass = 0;
};

TEST_F(MainWindowTest, WholeProgramPlaysAndQuitsWithExitCodeZero)
{
    ASSERT_TRUE(InitApplication());
    plat::NativeWindow native = plat::fake::LastCreatedWindow();
    bool sawBattle = false, sawBolts = false, sawViewChange = false;
    int passes = 0;
    int32_t lastMode = CameraMode;
    gExecutor.AddTask(new Player([&](int pass) {
        passes = pass + 1;
        if (pass == 3) {
            // Enter pressed and released again before the next frame reads it.
            plat::fake::SetKeyDown(plat::VK_RETURN_KEY, true);
            plat::fake::SetKeyDown(plat::VK_RETURN_KEY, false);
        }
        if (pass == 10) plat::fake::SetKeyDown(plat::VK_UP_KEY, true);
        if (pass >= 10 && pass % 12 == 0) plat::fake::TapKey('A');
        if (pass == 100) plat::fake::TapKey(plat::VK_SPACE_KEY);
        if (TasksOf<TieFighter>().size() == 20) sawBattle = true;
        if (!TasksOf<Laser>().empty()) sawBolts = true;
        if (CameraMode != lastMode) sawViewChange = true;
        lastMode = CameraMode;
        if (pass == 200) {
            plat::Message esc;
            esc.window = native;
            esc.message = plat::MSG_KEYDOWN;
            esc.wParam = plat::VK_ESCAPE_KEY;
            plat::fake::PushMessage(esc);
        }
    }));
    EXPECT_EQ(RunMainLoop(), 0);
    EXPECT_EQ(passes, 201);
    EXPECT_TRUE(sawBattle);
    // Bolts leave the gun parts of the ship model, which only the archive has.
    if (ArchiveHere()) {
        EXPECT_TRUE(sawBolts);
    }
    EXPECT_TRUE(sawViewChange);
    EXPECT_FALSE(AnyWindowRegistered());
    EXPECT_TRUE(gExecutor.Tasks()->IsEmpty());
    EXPECT_FALSE(plat::fake::HasGLContext());
    EXPECT_FALSE(SoundEnabled());
}

}  // namespace
