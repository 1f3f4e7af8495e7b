// The frame's closing text: six status lines or the help page, the title
// picture early in a game, the game-over messages, and a watched replay's
// mark. Draws into the overlay only; the frame composites it afterwards.
#pragma once

#include <iterator>

// Window positions, y counted up from the bottom: the text block's lines
// start at HudBlockX, the first at HudBlockTopY, each next one HudLineStep
// lower. The title picture's bottom-left corner; the game-over message and
// the prompt under it.
constexpr int HudBlockX = 40, HudBlockTopY = 420, HudLineStep = 20;
constexpr int IntroPictureX = 200, IntroPictureY = 200;
constexpr int OutcomeX = 100, OutcomeY = 280, PromptY = 260;

constexpr int HudLineY(int line) { return HudBlockTopY - line * HudLineStep; }

// The help page, top to bottom: its heading, then a line for each key. The
// README's key table names the same keys (tests/help_keys_test.cpp).
inline constexpr const char* HelpLines[] = {
    "WIN32VALDORIKCATAPULTR006A HELP",
    "F1 start new game.",
    "F2-F4 different unit size.",
    "SHIFT-Dir. change view, PGDWN-PGUP zoom.",
    "Dir. move map.",
    "Space rotate with mouse.",
    "0 and backspace, move screen over last unit.",
    "Left click recruit.",
    "Right click move and attack.",
    "ESC quit.",
    "F5-F8 change speed.",
    "M move window.",
    "P pause and go on.",
    "Alt+Enter fullscreen.",
};
constexpr int HudBlockLines = std::size(HelpLines);  // the help page, the longer of the two pages

// Reads the world globals (view centre, cursor cell, selection, treasury,
// FrameCounter, outcome flags, HelpVisible) and changes none of them. Drawn
// in the frame's overlay stretch (platform/gl/frame_stretches.cpp: BeginOverlayPass,
// DrawHud, CompositeOverlay), after the frame has read the help key; the
// frame then closes the help page on every frame that shows a game-over
// message (ClearHelpAfterGameOver), so the status lines come back under it.
void DrawHud();

// A replay being watched (WatchedReplay, loop/frame.h) says so above the
// text block, in the rows a game leaves free (glyphs on rows 448-459), over
// everything else the HUD draws: "REPLAY 1520 / 6000 passes", the loop's
// passes so far (IdlePasses) of those its file holds, and ReplayEndWords
// once it has played to its end.
constexpr int ReplayMarkY = HudLineY(-2);
// A versus game's two lines at the bottom: what the game asks of the
// player (a new game, someone left), then the connection's state.
constexpr int VersusAsksY = 40, ConnectionLineY = VersusAsksY - HudLineStep;
constexpr const char* ReplayEndWords = "END OF REPLAY. Press ESC to leave.";

// The paused picture is the last frame with this share of black laid over
// it and PausedWords across its middle in the large font, white.
constexpr float PausedDimming = 0.5f;
constexpr const char* PausedWords = "PAUSED";
// Clears the overlay and draws PausedWords into it; each window lays the
// overlay over its darkened frame its own way.
void DrawPausedWords();
