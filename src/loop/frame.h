#pragma once

// One pass of the game: draws the frame and runs one step of the rules in
// their fixed interleaved order.
void RunFrame();
