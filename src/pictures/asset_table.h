// Which picture file fills which image slot, in the order start-up loads
// them. A unit's picture sits at the slot equal to its type code.
#pragma once

#include "pictures/bitmap_loader.h"

struct PictureAsset {
  int slot;
  const char* path;  // relative to the working directory, backslash-separated
};

constexpr PictureAsset PictureAssets[] = {
    {0, ".\\bmp_floor\\brickold2.bmp"},
    {1, ".\\bmp_floor\\grass1.bmp"},
    {3, ".\\bmp_scr\\intro1.bmp"},
    {9, ".\\bmp_unit\\unit_blood.bmp"},
    {10, ".\\bmp_unit\\unit_mage.bmp"},
    {30, ".\\bmp_unit\\unit_mage_eye.bmp"},
    {31, ".\\bmp_unit\\unit_floating_eye.bmp"},
    {32, ".\\bmp_unit\\unit_minotor.bmp"},
    {33, ".\\bmp_unit\\unit_dragon.bmp"},
    {34, ".\\bmp_unit\\unit_medusa.bmp"},
    {35, ".\\bmp_unit\\unit_mantis.bmp"},
    {36, ".\\bmp_unit\\unit_ogre.bmp"},
    {37, ".\\bmp_unit\\unit_squeletton_floating.bmp"},
    {38, ".\\bmp_unit\\unit_serpent_fire.bmp"},
    {39, ".\\bmp_unit\\unit_rust_monster.bmp"},
    {40, ".\\bmp_unit\\unit_giant_worm.bmp"},
    {41, ".\\bmp_unit\\unit_squeletton.bmp"},
    {42, ".\\bmp_unit\\unit_dragon_basilic.bmp"},
    {43, ".\\bmp_unit\\unit_dragon_hydra.bmp"},
    {44, ".\\bmp_unit\\unit_catapult.bmp"},
    {90, ".\\bmp_land\\mine.bmp"},
};

constexpr int PictureAssetCount = sizeof(PictureAssets) / sizeof(PictureAssets[0]);

// Slots with a special role; the rest are unit pictures.
constexpr int BrickFloorSlot = 0;
constexpr int GrassFloorSlot = 1;
constexpr int IntroPictureSlot = 3;

// Every pixel of a unit picture (units, corpse, mine) is drawn as its own
// square every frame, for each unit on screen, so those pictures stay small:
// with every unit picture solid, 32 x 32 still gave 60 frames a second on the
// software renderer, 64 x 64 about 40, 512 x 512 under two, and 4096 x 4096
// would stop the game. The floors are textures and the title one blit; they
// may have any side the loader reads.
constexpr int MaxUnitPictureSide = 32;

constexpr int MaxPictureSide(int slot) {
  return slot == BrickFloorSlot || slot == GrassFloorSlot || slot == IntroPictureSlot ? MaxBitmapSide
                                                                                      : MaxUnitPictureSide;
}
