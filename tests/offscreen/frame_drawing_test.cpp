// The frame's own drawing checked where it lands: the camera's turns, the
// cursor mark and a corpse, each against points worked out by hand and
// projected through GL's own matrices.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "host/host.h"
#include "loop/startup.h"
#include "offscreen_context.h"
#include "pictures/asset_table.h"
#include "pictures/image_slots.h"
#include "platform/gl/frame_stretches.h"
#include "platform/gl/projection.h"
#include "platform/gl/renderer.h"
#include "render/drawing.h"
#include "render/render_buffers.h"
#include "world/world.h"

namespace {

using Colour = std::array<int, 3>;
constexpr Colour Brick = {200, 120, 40}, Grass = {40, 160, 60}, Blood = {230, 20, 200};

void SolidPicture(int slot, int side, Colour c) {
  TextureSlots[slot] = {std::make_unique<uint8_t[]>(side * side * 3), side, side, 3};
  ImageSlot& image = TextureSlots[slot];
  for (int i = 0; i < side * side; ++i)
    for (int k = 0; k < 3; ++k) image.pixels[i * 3 + k] = static_cast<uint8_t>(c[k]);
}

class FrameDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_OFFSCREEN_CONTEXT();
    StartEmptyWorld();
    SetFixedGlState();
    SolidPicture(BrickFloorSlot, 8, Brick);
    SolidPicture(GrassFloorSlot, 8, Grass);
    SolidPicture(SlotBlood, 4, Blood);
    UploadFloorTextures();
  }
  void TearDown() override {
    ReleaseDrawing();
    ReleaseGame();
  }

  // The scene's matrix as the camera leaves it, before anything is drawn
  // (the cursor mark leaves its translation on the matrix).
  static void BeginSceneKeepingCamera() {
    BeginScene();
    glGetDoublev(GL_MODELVIEW_MATRIX, camera);
  }
  static inline GLdouble camera[16];

  // Where a scene point lands in the window, seen by the camera.
  static std::array<double, 3> Project(double x, double y, double z) {
    GLdouble projection[16];
    GLint viewport[4];
    const GLdouble* model = camera;
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::array<double, 3> w{};
    gluProject(x, y, z, model, projection, viewport, &w[0], &w[1], &w[2]);
    return w;
  }
  static Colour PixelAt(const std::array<double, 3>& w) {
    uint8_t rgba[4];
    glReadPixels(static_cast<int>(w[0]), static_cast<int>(w[1]), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return {rgba[0], rgba[1], rgba[2]};
  }
};

// The camera moves the scene: zoom along the view axis, then tilt about x,
// turn about y and spin about z, each applied before the ones named after it.
TEST_F(FrameDrawing, CameraTiltsAboutXTurnsAboutYAndSpinsAboutZ) {
  struct Case {
    float zoom, tilt, turn, spin;
    std::array<double, 3> point, seen;  // scene point, and where the camera puts it (eye space)
  };
  const double r = std::sqrt(0.5);
  const Case cases[] = {
      {-30, 0, 0, 0, {1, 2, 3}, {1, 2, -27}},
      {-30, 0, 90, 0, {1, 0, 0}, {0, 0, -31}},   // a quarter turn: x goes into the screen
      {-30, 0, 90, 0, {0, 0, 1}, {1, 0, -30}},
      {-30, -45, 0, 0, {0, 1, 0}, {0, r, -30 - r}},  // tilted: far rows rise and recede
      {-10, 0, 0, 90, {1, 0, 0}, {0, 1, -10}},   // spun: x turns to y
      {-10, -90, 90, 0, {0, 0, 1}, {1, 0, -10}}, // the turn acts before the tilt on the scene
  };
  for (const Case& c : cases) {
    CameraZoom = c.zoom, CameraTilt = c.tilt, CameraTurn = c.turn, CameraSpin = c.spin;
    BeginScene();
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int row = 0; row < 3; ++row) {
      const double eye = m[row] * c.point[0] + m[4 + row] * c.point[1] + m[8 + row] * c.point[2] + m[12 + row];
      EXPECT_NEAR(eye, c.seen[row], 1e-5) << "zoom " << c.zoom << " tilt " << c.tilt << " turn " << c.turn
                                          << " spin " << c.spin << ", row " << row;
    }
  }
}

// The mark on the pointed cell is the brick floor tinted red, 0.1 above
// the grass; seen close, its far edge stands where that height puts it.
TEST_F(FrameDrawing, CursorMarkIsTheBrickTintedRedALittleAboveTheFloor) {
  map_sx = map_sy = 32;
  CameraZoom = -5.0f, CameraTilt = -45.0f, CameraTurn = 0.0f, CameraSpin = 0.0f;
  BeginSceneKeepingCamera();
  DrawTerrain();
  DrawCursorMark(1, 0);  // the cell right of the view centre: x 1 to 2, y 0 to 1
  const Colour mark = {Brick[0], 0, 0};
  EXPECT_EQ(PixelAt(Project(1.5, 0.5, 0.1)), mark);
  EXPECT_EQ(PixelAt(Project(1.5, 0.97, 0.1)), mark) << "just inside the far edge, at the mark's height";
  EXPECT_EQ(PixelAt(Project(1.5, 1.25, 0.0)), Grass) << "the floor beyond it";
  EXPECT_EQ(PixelAt(Project(0.5, 0.5, 0.0)), Grass) << "the view centre's cell is not marked";
}

// A dead unit lies flat, lowered by UnitSize / 2.1 from a standing unit's
// centre (UnitSize / 2): just above the floor. Its 4 x 4 picture's squares
// sit at (k - 2) * size / 4 from the cell centre, half an edge each side:
// from -size * 5 / 8 to size * 3 / 8.
TEST_F(FrameDrawing, CorpseLiesJustAboveTheFloor) {
  map_sx = map_sy = 32;
  CameraZoom = -30.0f, CameraTilt = -45.0f, CameraTurn = 0.0f, CameraSpin = 0.0f;
  UnitRecord& corpse = UnitTable[5];
  corpse.in_use = 1, corpse.dead = 1, corpse.type = 30, corpse.cell_x = 34, corpse.cell_y = 31;
  BeginSceneKeepingCamera();
  DrawTerrain();
  DrawUnits();
  const double size = UnitSize, height = size / 2 - size / 2.1;
  const double low = -size * 5 / 8, high = size * 3 / 8, inset = 0.1;
  const double cx = 2.5, cy = -0.5;  // the cell's centre from the view centre
  for (double x : {cx + low + inset, cx + high - inset})
    for (double y : {cy + low + inset, cy + high - inset})
      EXPECT_EQ(PixelAt(Project(x, y, height)), Blood) << "inside, at " << x << ", " << y;
  for (double y : {cy + low - inset, cy + high + inset})
    EXPECT_EQ(PixelAt(Project(cx, y, height)), Grass) << "outside, at " << cx << ", " << y;
}

}  // namespace
