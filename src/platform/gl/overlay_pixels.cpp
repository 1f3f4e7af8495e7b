#include "platform/gl/overlay_composite.h"

#include <GL/gl.h>

#include "overlay/overlay_buffer.h"

// In one glDrawPixels at GL's initial raster position (window origin).
void LayOverlayOnFrame() { glDrawPixels(FrameWidth, FrameHeight, GL_RGBA, GL_UNSIGNED_BYTE, OverlayBuffer.get()); }
