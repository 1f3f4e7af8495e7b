// The frame's closing text: six status lines or the help page, the title
// picture early in a game, and the game-over messages. Draws into the overlay
// only; the frame composites it afterwards.
#pragma once

// Reads the world globals (view centre, cursor cell, selection, treasury,
// FrameCounter, outcome flags, HelpVisible). Clears HelpVisible on every frame
// that shows a game-over message, so the status lines come back under it.
// The frame's closing pass: BeginOverlayPass, HelpKey, DrawHud, CompositeOverlay.
void DrawHud();
