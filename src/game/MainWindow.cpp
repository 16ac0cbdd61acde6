// SPDX-License-Identifier: MIT
#include "game/MainWindow.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

#include "assets/FileStream.h"
#include "assets/MediaArchive.h"
#include "assets/Sound.h"
#include "assets/SoundOutput.h"
#include "entities/Factory.h"
#include "entities/GameModels.h"
#include "entities/Particles.h"
#include "entities/TieFighter.h"
#include "entities/XWing.h"
#include "game/Application.h"
#include "game/CommandLine.h"
#include "game/WindowIcon.h"
#include "math/Vector.h"
#include "math/View.h"
#include "platform/Platform.h"
#include "render/ModelFile.h"
#include "render/ModelRenderer.h"
#include "render/Overlay.h"
#include "render/RenderState.h"
#include "render/SkyDome.h"
#include "render/Texture.h"
#include "shell/Input.h"
#include "shell/Services.h"
#include "shell/TaskList.h"

namespace {

const float kFarPlane = 4000.0f;
const int kFighters = 20;
const int kFactories = 10;

// Input buttons the controller cares about.
const int32_t kButtonFire = 2;  // A, joystick button 1
const int32_t kButtonView = 8;  // Space, joystick button 9
const int32_t kButtonStart = 9;  // Enter, joystick button 10

// A random ground coordinate in -1000 ... 999.
float RandomCoordinate() { return static_cast<float>(std::rand() % 2000 - 1000); }

}  // namespace

// The start-up hands the record over by value, and the window framework takes it on as it is.
// cppcheck-suppress passedByValue
MainWindow::MainWindow(WindowCreateParams params) : Window(params), titleShip()
{
    plat::NativeWindow native = NativeHandle();
    if (!native) return;  // the window framework has recorded why
    const GameOptions& options = CurrentGameOptions();
    plat::SetWindowIcon(native, WindowIconPixels(), kWindowIconSize, kWindowIconSize);
    if (options.fullscreen) plat::SetFullscreen(native, true);
    // The picture is always 640 x 480, whatever size the window was asked for; a bigger
    // window or the full screen shows it scaled to fit.
    hasContext = CreateGLContext(native, 640, 480);
    if (!hasContext) {
        RecordStartupFailure("cannot create an OpenGL context", plat::LastError());
        return;
    }
    plat::GLSetVsync(options.vsync);  // a driver without the choice keeps its own

    Frustum f = FrustumParams;
    f.far = kFarPlane;
    SetFrustum(f.left, f.right, f.bottom, f.top, f.near, f.far);

    size_t size = 0;
    uint8_t* data = ReadMedium("Media\\Terrain128.raw", &size);
    CreateConstantAlphaTexture(data, size, 128, 128, TEXTURE_GROUND, 1.0f);
    delete[] data;
    data = ReadMedium("Media\\Sky256128.raw", &size);
    CreateConstantAlphaTexture(data, size, 256, 128, TEXTURE_SKY, 1.0f);
    delete[] data;
    data = ReadMedium("Media\\Particle32.raw", &size);
    CreateBrightnessAlphaTexture(data, size, 32, 32, TEXTURE_PARTICLE);
    delete[] data;
    data = ReadMedium("Media\\Font16x16_256128.raw", &size);
    CreateKeyedTexture(data, size, 256, 128, TEXTURE_FONT);
    delete[] data;
    SetFontTexture(TEXTURE_FONT);

    // A model that cannot be read stays empty: its ships draw nothing and have radius 1.
    std::string why;
    data = ReadMedium("Media\\XWing.bin", &size);
    ReportUnusable("Media\\XWing.bin", LoadBinaryModel(XWingModel, data, data ? size : 0, &why),
                   why);
    delete[] data;
    data = ReadMedium("Media\\TieFighter.bin", &size);
    ReportUnusable("Media\\TieFighter.bin",
                   LoadBinaryModel(TieFighterModel, data, data ? size : 0, &why), why);
    delete[] data;
    data = ReadMedium("Media\\Factory.bin", &size);
    ReportUnusable("Media\\Factory.bin", LoadBinaryModel(FactoryModel, data, data ? size : 0, &why),
                   why);
    delete[] data;

    SetClearColor(208, 232, 234);
    EnableAlphaTest();
    LightDirection = Vector3D{1.0f, -1.0f, 0.0f};
    Normalize(LightDirection);

    StartParticles(TEXTURE_PARTICLE);
    AddGameParticlePresets();
    if (!options.mute && !InitSound())  // without a device the game is silent
        std::fprintf(stderr, "quenbrill: no sound device (%s); running without sound\n",
                     plat::LastError());

    state = GAME_INITIAL;
    SetGameState(GAME_START_SCREEN);
}

MainWindow::~MainWindow()
{
    SetGameState(GAME_CLOSED);
    StopParticles();
    ShutdownSound();
    ReleaseGLContext();
    // The title ship and then the Window part go after this body.
}

uint8_t* MainWindow::ReadMedium(const char* name, size_t* size)
{
    *size = static_cast<size_t>(MediaArchive::EntrySize(MediaArchive::FindEntry(name)));
    bool complete = false;
    uint8_t* data = MediaArchive::ReadEntry(name, &complete);
    lastReadComplete = complete;
    std::string reason;
    ArchiveFileState archive = ArchiveFileState::Ready;
    if (!complete && !mediaWarned &&
        (archive = MediaArchive::CheckFile(&reason)) != ArchiveFileState::Ready) {
        mediaWarned = true;
        // Where the start-up looked, when it searched and found nothing.
        const std::string& places = ArchiveSearchPlaces();
        if (archive == ArchiveFileState::Missing && !places.empty())
            reason += " (looked in " + places + ")";
        std::fprintf(stderr, "quenbrill: %s; running without %spictures, models and sounds\n",
                     reason.c_str(), archive == ArchiveFileState::TooShort ? "some " : "");
    }
    if (!data) *size = 0;
    return data;
}

void MainWindow::ReportUnusable(const char* name, bool usable, const std::string& why)
{
    if (!usable && lastReadComplete)
        std::fprintf(stderr, "quenbrill: %s: %s; running without it\n",
                     MediaArchive::BadEntryMessage(name).c_str(), why.c_str());
}

void MainWindow::SetGameState(int32_t newState)
{
    LeaveState();
    state = newState;
    if (state == GAME_START_SCREEN) EnterStartScreen();
    else if (state == GAME_PLAYING) StartNewGame();
}

void MainWindow::LeaveState()
{
    if (state == GAME_START_SCREEN) {
        DeleteTexture(TEXTURE_START_PICTURE);
    } else if (state == GAME_PLAYING) {
        // The entities first (their destructors still make explosions), then the rest.
        TaskIterator* it = gExecutor.Begin();
        while (Executable* task = it->Next())
            if (task->HasKindAt(kGameEntityKind, 0)) task->SetState(TASK_FINISHED);
        delete it;
        gExecutor.PurgeFinished();
        gExecutor.ClearTasks();
        for (int32_t i = 0; i < SoundBank.Count(); ++i) delete SoundBank[i];
        SoundBank.Clear();
        delete sky;
        sky = nullptr;
    }
}

void MainWindow::EnterStartScreen()
{
    size_t size = 0;
    uint8_t* data = ReadMedium("Media\\StartScreen256.raw", &size);
    CreateKeyedTexture(data, size, 256, 256, TEXTURE_START_PICTURE);
    delete[] data;

    titleShip.AttachModel(&XWingModel);
    titleShip.position = Vector3D{1000.0f, -100.0f, 0.0f};
    titleShip.forward = Vector3D{1.0f, 0.0f, 0.0f};
    titleShip.up = Vector3D{0.0f, 1.0f, 0.0f};

    // The ship floats 1000 units straight ahead and 100 below the line of sight.
    CameraEye = Vector3D{0.0f, 0.0f, 0.0f};
    CameraDirection = Vector3D{1.0f, 0.0f, 0.0f};
    CameraUp = Vector3D{0.0f, 1.0f, 0.0f};
    ApplyCamera();
}

void SpawnBattle()
{
    new XWing(Vector3D{0.0f, 25.0f, 0.0f}, 0.0f);
    for (int i = 0; i < kFighters; ++i) {
        const float x = RandomCoordinate();
        const float z = RandomCoordinate();
        const float heading = static_cast<float>(std::rand() % 360);
        new TieFighter(Vector3D{x, 25.0f, z}, heading);
    }
    for (int i = 0; i < kFactories; ++i) {
        const float x = RandomCoordinate();
        const float z = RandomCoordinate();
        new Factory(Vector3D{x, 0.0f, z});
    }
}

void MainWindow::StartNewGame()
{
    // Space and A report a press only in the first frame they are held.
    ToggleOnePress(kButtonView);
    ToggleOnePress(kButtonFire);

    // Bank order matters: the objects pick index 0 for the weapon, 1 for the explosion.
    const char* sounds[] = {"Media\\Weapon0.wav", "Media\\Boom.wav"};
    for (const char* name : sounds) {
        size_t size = 0;
        uint8_t* data = ReadMedium(name, &size);
        Sound* sound = new Sound(data, size);
        ReportUnusable(name, sound->loaded, sound->problem);
        if (!SoundBank.Append(sound)) delete sound;
        delete[] data;
    }

    SpawnBattle();
    sky = new SkyDome(FrustumParams.far, 16, 20, TEXTURE_SKY);
}

void MainWindow::OnEvent(int32_t kind, int32_t code, int32_t /*extra*/)
{
    if (kind == EVENT_KEY && code == plat::VK_ESCAPE_KEY) delete this;
}

void MainWindow::Frame()
{
    if (state == GAME_START_SCREEN) DrawStartScreen();
    else if (state == GAME_PLAYING) DrawPlayFrame();
}

void MainWindow::DrawStartScreen()
{
    // The upper 256 x 192 texels of the picture fill the 640 x 480 window.
    SetSourceRect(0, 0, 255, 191);
    glDepthMask(GL_FALSE);
    DrawImage(TEXTURE_START_PICTURE, 0, 0, 2.5f, false, false);
    glDepthMask(GL_TRUE);
    ClearSourceRect();

    const float a = static_cast<float>(GetFrameTime()) * 0.05f;
    RotateZ(titleShip.forward, -a);
    RotateZ(titleShip.up, -a);
    RotateY(titleShip.forward, a);
    RotateY(titleShip.up, a);
    RotateX(titleShip.forward, a);
    RotateX(titleShip.up, a);
    DrawInstance(titleShip);

    // Half a second on, half a second off.
    if (GetTicks() % 1000 <= 499) DrawText(320, 426, "<PRESS START>", 255, 0, 0, true, 1.0f);

    PresentAndClear();

    // The game starts in the first frame after Enter (or button 10) is let go; the start
    // screen goes on meanwhile.
    if (ButtonRef(kButtonStart)) {
        startHeld = true;
    } else if (startHeld) {
        startHeld = false;
        SetGameState(GAME_PLAYING);
    }
}

void MainWindow::DrawPlayFrame()
{
    TickPlayParticles();
    PresentAndClear();
    // The sky and the ground of the next image; the objects draw over them in the next pass.
    DrawBackground();
}

void MainWindow::TickPlayParticles()
{
    if (ParticlesRunning()) TickParticles();
}

void MainWindow::PresentAndClear()
{
    PresentFrame();
    // While playing, the sky drawn next covers every pixel: its colour needs no clearing.
    if (state == GAME_PLAYING && sky) ClearFrameForSky();
    else ClearFrame();
}

void MainWindow::DrawBackground()
{
    if (state != GAME_PLAYING) return;
    if (sky) sky->Draw(CameraEye);
    DrawGround(Vector3D{-1000.0f, 0.0f, -1000.0f}, Vector3D{1000.0f, 0.0f, 1000.0f},
               TEXTURE_GROUND);
}
