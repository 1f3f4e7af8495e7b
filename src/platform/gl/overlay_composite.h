// The overlay's way onto the screen: the GL side of the frame's closing pass.
#pragma once

// Texturing off, blending on: the state the overlay is laid over the scene with.
void BeginOverlayPass();
// Lays the overlay over the finished scene (LayOverlayOnFrame). Cleared
// pixels fail the alpha test and leave the scene visible; drawn ones replace
// it. Then texturing on, blending off.
void CompositeOverlay();
// The overlay over the whole frame, pixel for pixel, through the current
// alpha test and blending: glDrawPixels on a desktop (overlay_pixels.cpp), a
// texture in the browser (web/overlay_texture.cpp).
void LayOverlayOnFrame();
