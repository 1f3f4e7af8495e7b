// An OpenGL compatibility context without a window or display: an EGL
// pbuffer on Mesa's surfaceless platform. Made current once per process.
#pragma once

#include "host/input.h"  // FrameWidth, FrameHeight: the picture's size

// False when no such context can be had (no EGL driver).
bool MakeOffscreenContext();

// Whoever runs the tests has said that this machine cannot draw, by setting
// VALDORIK_NO_OFFSCREEN_GL=1 (./test never does).
bool OffscreenSkipAsked();

// First in a drawing fixture's SetUp (GoogleTest's macros): without a
// context the test fails, so that a machine that cannot draw never passes
// the drawing checks unseen. It is a skip only when asked for.
#define REQUIRE_OFFSCREEN_CONTEXT()                                                       \
  do {                                                                                    \
    if (MakeOffscreenContext()) break;                                                    \
    if (OffscreenSkipAsked()) GTEST_SKIP() << "no offscreen OpenGL context, skipped as asked"; \
    FAIL() << "no offscreen OpenGL context (EGL surfaceless): install Mesa's EGL "       \
              "(scripts/install-deps.sh test), or set VALDORIK_NO_OFFSCREEN_GL=1 to skip";  \
  } while (0)

// The headless world started for drawing, with no unit in it, and the
// projection of the offscreen picture.
void StartEmptyWorld();
