// Renderer start-up: pictures, floor textures, world, Pathfinder, map,
// fixed GL state and the first game, in that order.
#pragma once

#include "render/textures.h"  // GlTextureNames: name 0 the brick floor, name 1 the grass

void SetFixedGlState();      // depth, alpha test, blend function, shading: the same all run
bool UploadFloorTextures();  // always true
bool InitRenderer();         // always true; needs a current GL context
