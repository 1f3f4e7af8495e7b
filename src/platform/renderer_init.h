// Renderer start-up: pictures, floor textures, world, Pathfinder, map,
// fixed GL state and the first game, in that order.
#pragma once

constexpr int GlTextureNameCount = 32;

// Name 0 holds the brick floor (slot 0), name 1 the grass floor (slot 1);
// the others are generated and never given an image.
extern unsigned int GlTextureNames[GlTextureNameCount];

bool UploadFloorTextures();  // always true
bool InitRenderer();         // always true; needs a current GL context
