// The frame's unit pass drawn twice over the same terrain, once with the fast
// sprite drawers and once square by square, read back and compared pixel by
// pixel. The two may differ only where GL rounds a square's edge differently
// (corners computed directly against corners from a translated matrix).
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "host/host.h"
#include "loop/startup.h"
#include "offscreen_context.h"
#include "pictures/asset_table.h"
#include "pictures/bitmap_loader.h"
#include "pictures/image_slots.h"
#include "platform/backend.h"
#include "platform/gl/frame_stretches.h"
#include "platform/gl/projection.h"
#include "platform/gl/renderer.h"
#include "platform/gl/unit_drawing.h"
#include "render/drawing.h"
#include "render/render_buffers.h"
#include "render/units.h"
#include "world/world.h"

namespace {

// Terrain then units, as the frame draws them; the pixels read back.
std::vector<uint8_t> DrawFrame(void (*unitPass)()) {
  BeginScene();
  DrawTerrain();
  unitPass();
  std::vector<uint8_t> pixels(FrameWidth * FrameHeight * 4);
  glReadPixels(0, 0, FrameWidth, FrameHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

struct Comparison {
  int differing = 0;    // pixels whose colour is not the same in both
  int unitPixels = 0;   // pixels where either pass drew a unit over the terrain
};

Comparison Compare(const std::vector<uint8_t>& fast, const std::vector<uint8_t>& reference,
                   const std::vector<uint8_t>& terrainOnly) {
  Comparison result;
  for (size_t p = 0; p < fast.size(); p += 4) {
    auto same = [p](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
      return a[p] == b[p] && a[p + 1] == b[p + 1] && a[p + 2] == b[p + 2];
    };
    if (!same(fast, reference)) ++result.differing;
    if (!same(fast, terrainOnly) || !same(reference, terrainOnly)) ++result.unitPixels;
  }
  return result;
}

void NoUnits() {}

class UnitPassPixelsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_OFFSCREEN_CONTEXT();
    ResetWorldGlobals();
    UseHeadlessHost(20261207);
    AllocateTextureSlots();
    LoadGamePictures();
    UploadFloorTextures();
    StartDrawing();
    StartGame();
    SetFixedGlState();
    ResizeScene(FrameWidth, FrameHeight);
  }
  void TearDown() override {
    ReleaseDrawing();
    ReleaseGame();
  }

  static void LoadGamePictures() {
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(VALDORIK_GAME_DIR), 0) << VALDORIK_GAME_DIR;
    for (const PictureAsset& asset : PictureAssets)
      EXPECT_TRUE(LoadBitmapSlot(asset.path, asset.slot)) << asset.path << ": " << LastBitmapError();
    ASSERT_EQ(chdir(here), 0);
  }

  // Every third unit in view becomes a corpse, so both drawers are seen.
  static int KillSomeVisibleUnits() {
    CollectVisibleUnits();
    int corpses = 0;
    for (int k = 0; k < VisibleUnitCount; k += 3)
      if (UnitTable[VisibleUnits[k]].in_use) UnitTable[VisibleUnits[k]].dead = 1, ++corpses;
    return corpses;
  }
};

TEST_F(UnitPassPixelsTest, FastPassDrawsTheSamePixelsAsTheSquareBySquarePass) {
  ASSERT_GT(KillSomeVisibleUnits(), 0);
  for (float size : {1.5999999f, 3.1999998f})
    for (float spin : {0.0f, 37.0f, 200.0f}) {
      SCOPED_TRACE(::testing::Message() << "unit size " << size << " spin " << spin);
      UnitSize = size;
      CameraSpin = spin;
      const std::vector<uint8_t> terrainOnly = DrawFrame(NoUnits);
      const std::vector<uint8_t> fast = DrawFrame(DrawUnitPass);
      const std::vector<uint8_t> reference = DrawFrame(DrawUnitPassSquareBySquare);
      const Comparison c = Compare(fast, reference, terrainOnly);
      std::printf("unit size %.7g, spin %g: %d of %d unit pixels differ\n", size, spin, c.differing,
                  c.unitPixels);
      // The pass must have drawn something for the comparison to mean anything.
      EXPECT_GT(c.unitPixels, 2000);
      // Rounding at a square's edge can move a pixel from one square to its
      // neighbour; anything beyond a sprinkle of such pixels is a real difference.
      EXPECT_LE(c.differing, c.unitPixels / 200);
    }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
