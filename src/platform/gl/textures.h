// The OpenGL texture names generated at picture start-up (StartDrawing); faces and the
// cursor mark bind them by index.
#pragma once

constexpr int GlTextureCount = 32;

extern unsigned int GlTextureNames[GlTextureCount];
