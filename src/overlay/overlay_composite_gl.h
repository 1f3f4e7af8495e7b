// The overlay's way onto the screen: the GL side of the frame's closing pass.
#pragma once

// Texturing off, blending on: the state the overlay is laid over the scene with.
void BeginOverlayPass();
// Lays the overlay over the finished scene in one glDrawPixels at GL's initial
// raster position (window origin). Cleared pixels fail the alpha test and leave
// the scene visible; drawn ones replace it. Then texturing on, blending off.
void CompositeOverlay();
