// The OpenGL texture names generated at renderer start-up; faces and the
// cursor mark bind them by index.
#pragma once

constexpr int GlTextureCount = 32;

extern unsigned int GlTextureNames[GlTextureCount];
