// The GL side of renderer start-up: pictures into their slots, the floor
// textures, the fixed GL state.
#pragma once

#include "loop/host.h"
#include "render/textures.h"  // GlTextureNames: name 0 the brick floor, name 1 the grass

void SetFixedGlState();      // depth, alpha test, blend function, shading: the same all run
bool UploadFloorTextures();  // always true
void LoadPicturesAndFloors(); // hides the system pointer; needs a current GL context

// The host's picture start-up, render state, resize and drawing stretches:
// the GL ones, the same on every window backend.
void UseGlDrawing(GameHost& host);
