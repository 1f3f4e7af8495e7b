#include "platform/renderer_init.h"

#include <GL/gl.h>

#include "pathfinding/path_requests.h"
#include "platform/bitmap_loader.h"
#include "platform/image_slots.h"
#include "platform/window.h"
#include "world/new_game.h"
#include "world/world.h"

unsigned int GlTextureNames[GlTextureNameCount] = {};

namespace {

struct PictureFile {
  int slot;
  const char* path;
};

constexpr PictureFile FloorPictures[] = {
    {0, ".\\bmp_floor\\brickold2.bmp"},
    {1, ".\\bmp_floor\\grass1.bmp"},
};

// The title picture, the corpse, the leader, the fifteen creatures and the
// mine; a unit's picture sits at the slot of its type code.
constexpr PictureFile OtherPictures[] = {
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

// A picture that does not load leaves its slot empty; the game runs on.
template <size_t N>
void LoadPictures(const PictureFile (&files)[N]) {
  for (const PictureFile& file : files) LoadBitmapSlot(file.path, file.slot);
}

// Fixed for the whole run; the frame switches blending and texturing per pass.
void SetFixedGlState() {
  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
  glColor3f(1.0f, 1.0f, 1.0f);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.1f);
  glEnable(GL_COLOR_MATERIAL);
}

// Floor pictures are square and the width serves as both sides; a picture
// that is not square would be read past its end, so it uploads as no image.
int SquareSide(const ImageSlot& picture) {
  return picture.pixels && picture.width == picture.height ? picture.width : 0;
}

}  // namespace

bool UploadFloorTextures() {
  glDisable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
  glGenTextures(GlTextureNameCount, GlTextureNames);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // slot rows carry no padding
  for (int k = 0; k < 2; ++k) {
    glBindTexture(GL_TEXTURE_2D, GlTextureNames[k]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    const int side = SquareSide(TextureSlots[k]);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, side, side, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 side ? TextureSlots[k].pixels : nullptr);
  }
  return true;
}

bool InitRenderer() {
  HideSystemPointer();  // the game draws its own cursor mark
  AllocateTextureSlots();
  LoadPictures(FloorPictures);
  UploadFloorTextures();
  LoadPictures(OtherPictures);
  AllocateWorld();
  GamePathfinder = new Pathfinder();
  BuildTileTypes();
  InitMapCells();
  SetFixedGlState();
  NewGame();
  return true;
}
