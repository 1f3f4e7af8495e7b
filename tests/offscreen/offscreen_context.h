// An OpenGL compatibility context without a window or display: an EGL
// pbuffer on Mesa's surfaceless platform. Made current once per process.
#pragma once

constexpr int OffscreenWidth = 640;
constexpr int OffscreenHeight = 480;

// False when no such context can be had (no EGL driver).
bool MakeOffscreenContext();

// The headless world started for drawing, with no unit in it, and the
// projection of the offscreen picture.
void StartEmptyWorld();
