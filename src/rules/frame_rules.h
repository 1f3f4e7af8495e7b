// The rules' share of one frame, cut into the stretches that the frame
// interleaves with its drawing.
#pragma once

struct CellOffset {
  int dx, dy;
};

void ThrottleFrame();        // speed pause: (GameSpeed - 1) * 6 ms
void RulesFirstHalf();       // FrameCounter += 1, NeutralWander when due, UpdateGroup
void SpinFromPointer();      // Space held: CameraSpin from the pointer's x
CellOffset MouseCell();      // sets map_ex, map_ey; returns the offset from the view centre
void RulesSecondHalf();      // buttons, F1-F8, victory count and view jumps, economy, computer
void HelpKey();              // H flips HelpVisible (then a 400 ms pause)
// After the HUD has drawn the game-over message: the help page is closed on
// every such frame, so the message is never hidden behind it.
void ClearHelpAfterGameOver();
