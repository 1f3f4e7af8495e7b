// Pictures and the sound that are generated rather than drawn by hand. Every
// generator is deterministic: the same build always writes the same bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

constexpr int FloorSide = 64;
constexpr int TitleSide = 240;
constexpr int SoundSampleRate = 22050;

// Weathered red bricks in mortar, tiling seamlessly.
Image BrickFloor();

// Short grass with lighter and darker blades and a few flowers, tiling seamlessly.
Image GrassFloor();

// The title: `emblem` (full colour) over `word` (any non-black pixel is ink,
// its colour ignored), the word raised in gold with an outline and a shadow,
// on black. Both stand above the rows where the HUD writes a finished game's
// outcome and prompt, which stay black; a rule underlines them.
Image TitlePicture(const Image& emblem, const Image& word);

// About a second of explosion: a noise burst whose low-pass closes as it
// decays, over a falling low thump.
std::vector<int16_t> ExplosionSound();

// The emblem's figure (its non-black part) enlarged by nearest neighbour to
// fill a side x side square, centred on a see-through (black) background.
Image Icon(const Image& emblem, int side);

// Each pixel becomes a factor x factor block.
Image Scale(const Image& image, int factor);
