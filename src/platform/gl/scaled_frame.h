// The 640 x 480 frame on the window's client area, whatever its size: the
// frame is drawn into a framebuffer of its own, kept as the last frame
// drawn, and shown on the stage (screen.h) nearest-neighbour, black around
// it. A client area of exactly 640 x 480 is drawn into as it always was.
#pragma once

// The resize slot: the frame keeps its 640 x 480 viewport and 4:3 projection
// whatever size the window has (the backends tell SetClientArea the size),
// and is drawn into its own framebuffer unless the client area is 640 x 480.
void KeepFrameViewport(int client_width, int client_height);

// The present slot: the frame drawn is kept and shown on the stage, then
// presented (PresentFrame).
void PresentScaledFrame();
// Its first step: the frame kept and, on a larger client area, laid over the
// back buffer on its stage, not presented.
void ShowFrameOnStage();

// The paused picture: the last frame drawn, dimmed, with PAUSED in the
// game's large font across its middle, drawn into the 640 x 480 frame (so it
// scales like the frame) and presented. The last frame stays as it was.
void PresentPausedFrame();
// Its first step: the paused picture into the back buffer's frame, not presented.
void DrawPausedPicture();

// Before the context goes: the textures and framebuffer made here.
void ForgetScaledFrame();
