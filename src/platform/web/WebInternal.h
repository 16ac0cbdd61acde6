// SPDX-License-Identifier: MIT
// Between the files of the web backend (not part of the contract): the functions of
// library_quenbrill.js that the C++ side calls.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {
void qb_web_start_loop();
void qb_web_stop_loop(int exitCode);
void qb_page_set_title(const char* title);
void qb_page_set_icon(const uint8_t* rgba, int width, int height);
int qb_page_fullscreen(int on);
int qb_page_is_fullscreen();
int qb_page_has_focus();
int qb_page_hidden();
int qb_audio_open(int rate);
int qb_audio_queue(const void* data, size_t bytes);
void qb_audio_reset();
void qb_audio_close();
}

namespace plat::web {

// The canvas the game draws on (a CSS selector).
constexpr const char* kCanvas = "#canvas";

}  // namespace plat::web
