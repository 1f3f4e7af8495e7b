// The GL side of renderer start-up: pictures into their slots, the floor
// textures, the fixed GL state.
#pragma once

#include "host/host.h"
#include "render/textures.h"  // GlTextureNames: name 0 the brick floor, name 1 the grass

void SetFixedGlState();      // depth, alpha test, blend function, shading: the same all run
bool UploadFloorTextures();  // always true
void LoadPicturesAndFloors(); // hides the system pointer; needs a current GL context

// What every window backend's host has alike: the calendar clock, the
// window's present and move (window.h, one per backend), and the GL picture
// start-up, render state, resize and drawing stretches.
void UseWindowCalls(GameHost& host);
