#include "platform/gl/renderer.h"

#include <GL/gl.h>

#include <cstdio>

#include "pictures/asset_table.h"
#include "pictures/bitmap_loader.h"
#include "pictures/image_slots.h"
#include "platform/gl/textures.h"

// Names 2 to 31 are generated and never given an image.
unsigned int GlTextureNames[GlTextureCount] = {};

namespace {

// The two floor pictures lead the table; they become textures before the
// rest is read.
constexpr int FloorPictureCount = 2;
static_assert(PictureAssets[0].slot == BrickFloorSlot && PictureAssets[1].slot == GrassFloorSlot);

// A picture that does not load leaves its slot empty; the game runs on. A
// refused one is named with its reason; a missing one is not.
void LoadPictures(int first, int end) {
  for (int i = first; i < end; ++i) {
    const PictureAsset& asset = PictureAssets[i];
    if (LoadBitmapSlot(asset.path, asset.slot, MaxPictureSide(asset.slot)) || LastBitmapMissing()) continue;
    std::fprintf(stderr, "picture %s: %s\n", HostPath(asset.path).c_str(), LastBitmapError().c_str());
  }
}

}  // namespace

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

void UploadFloorTextures() {
  glDisable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
  glGenTextures(GlTextureCount, GlTextureNames);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // slot rows carry no padding, whatever the width
  for (int k = 0; k < FloorPictureCount; ++k) {
    glBindTexture(GL_TEXTURE_2D, GlTextureNames[k]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    // Pictures are square: the width serves as both sides. An empty slot
    // (width 0) gives a texture with no image.
    const ImageSlot& picture = TextureSlots[k];
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, picture.width, picture.width, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 picture.pixels.get());
  }
}

void LoadPicturesAndFloors() {
  HideSystemPointer();  // the game draws its own cursor mark
  LoadPictures(0, FloorPictureCount);
  UploadFloorTextures();
  LoadPictures(FloorPictureCount, PictureAssetCount);
}
