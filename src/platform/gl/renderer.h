// The OpenGL renderer shared by the backends that draw with OpenGL: the GL
// side of the picture start-up (StartDrawing: pictures into their slots,
// the floor textures, the fixed GL state), the frame's drawing stretches
// and the 640 x 480 frame scaled onto the window (scaled_frame.h).
#pragma once

#include "platform/backend.h"

constexpr int ColorBits = 16;  // colour depth the GL backends ask of their context

void SetFixedGlState();      // depth, alpha test, blend function, shading: the same all run
void UploadFloorTextures();  // the two floor pictures into GL textures 0 and 1
void LoadPicturesAndFloors(); // hides the system pointer; needs a current GL context

// The render calls of a backend that draws with OpenGL into a window of its
// own: the stretches, and the frame presented on the window's stage
// (scaled_frame.cpp, desktop GL only).
RenderCalls GlRenderCalls();
