// The texture names that renderer start-up generates, for the offscreen
// tests, which run without the platform's start-up code.
#include "render/textures.h"

unsigned int GlTextureNames[GlTextureCount] = {};
