// SPDX-License-Identifier: MIT
// The game controller: the one window of the game. It makes the OpenGL context, loads every
// texture and model, shows the start screen, starts the battle when Enter (joystick button 10)
// is released, draws the parts of each frame that belong to no game object, and tears it all
// down when it is deleted. Escape deletes it, which ends the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "game/CommandLine.h"
#include "render/Model.h"
#include "shell/Window.h"

class SkyDome;

enum : int32_t {
    GAME_INITIAL = 0,  // only inside the constructor
    GAME_CLOSED = 1,  // set by the destructor
    GAME_START_SCREEN = 2,  // picture, turning ship, blinking "<PRESS START>"
    GAME_PLAYING = 3,
};

// Texture names of the game's pictures.
enum : int32_t {
    TEXTURE_GROUND = 1,
    TEXTURE_SKY = 2,
    TEXTURE_PARTICLE = 3,
    TEXTURE_FONT = 4,
    TEXTURE_START_PICTURE = 5,
};

// The battlefield of a new game: the player ship at (0, 25, 0) heading 0, then the fighters
// and the factories (20 and 10 unless --fighters and --factories say otherwise) at places
// (and fighter headings) drawn from rand in that order.
void SpawnBattle(int fighters = kDefaultFighters, int factories = kDefaultFactories);

class MainWindow : public Window {
public:
    // Window, GL context, projection, textures, models, render state, particles and sound,
    // then the start screen. Without a native window or a GL context it records the start-up
    // failure and stays in GAME_INITIAL, touching no GL.
    explicit MainWindow(WindowCreateParams params);
    // Leaves the current state, stops particles and sound, releases the GL context.
    ~MainWindow() override;

    // Escape (key event 27) deletes the window; nothing of it may be touched afterwards.
    void OnEvent(int32_t kind, int32_t code, int32_t extra) override;
    // Start screen: the whole image, then waits for Enter's release and starts the game.
    // Playing: particles, present, clear, then the sky and the ground of the next image.
    void Frame() override;

    // Leaves the current state (the start screen drops its picture; play deletes every task,
    // the sounds and the sky) and enters the new one (the start screen sets up the title ship
    // and the camera; play starts a new battle: the ship, 20 fighters, 10 factories, the sky).
    void SetGameState(int32_t newState);

    // The steps of a play frame in Frame's order; the frame benchmark times them one by one.
    void TickPlayParticles();  // update and draw the particles while they run
    void PresentAndClear();  // show the image, clear depth (and colour, but not under the sky)
    void DrawBackground();  // the sky dome at the eye and the ground square (while playing)

    int32_t GameState() const { return state; }
    const SkyDome* Sky() const { return sky; }
    const ModelInstance& TitleShip() const { return titleShip; }

private:
    void LeaveState();
    void EnterStartScreen();
    void StartNewGame();
    void DrawStartScreen();
    void DrawPlayFrame();
    // A new buffer with the archive entry's bytes (release with delete[]) and its size. The
    // first entry that cannot be read in full prints one line on stderr naming the archive.
    uint8_t* ReadMedium(const char* name, size_t* size);
    // One line on stderr when the entry just read in full is not a usable medium of its kind,
    // with the loader's reason.
    void ReportUnusable(const char* name, bool usable, const std::string& why);

    SkyDome* sky = nullptr;  // owned, only while playing
    int32_t state = GAME_INITIAL;
    ModelInstance titleShip;
    bool hasContext = false;
    bool mediaWarned = false;  // the line about an unreadable archive was printed
    bool lastReadComplete = false;  // ReadMedium's last entry came from the archive whole
    bool startHeld =
        false;  // Enter was seen held on the start screen; the game starts when it is let go
};
