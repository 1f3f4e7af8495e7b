// The GL side of the picture start-up (StartDrawing): pictures into their
// slots, the floor textures, the fixed GL state; and the window hosts.
#pragma once

#include "host/host.h"
#include "render/textures.h"  // GlTextureNames: name 0 the brick floor, name 1 the grass

void SetFixedGlState();      // depth, alpha test, blend function, shading: the same all run
void UploadFloorTextures();  // the two floor pictures into GL textures 0 and 1
void LoadPicturesAndFloors(); // hides the system pointer; needs a current GL context

// The calls that differ between the window backends.
struct BackendCalls {
  bool (*poll_event)(HostEvent& event);
  int (*key_held_now)(int key);
  void (*sleep_ms)(int milliseconds);
  void (*post_quit)();
  void (*play_sound_async)(const char* path);
};

// A window backend's host: its own calls, and what every window backend has
// alike: the calendar clock, the window's present and move (window.h, one
// per backend), and the GL picture start-up, render state, resize and
// drawing stretches.
GameHost WindowHost(const BackendCalls& own);
