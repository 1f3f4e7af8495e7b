// The fast sprite drawers against the square-by-square ones, through GL's
// feedback mode: same quads, same colours, same window positions.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/host.h"
#include "loop/startup.h"
#include "offscreen_context.h"
#include "overlay/overlay_buffer.h"
#include "pictures/image_slots.h"
#include "platform/gl/frame_stretches.h"
#include "platform/gl/projection.h"
#include "platform/gl/unit_drawing.h"
#include "render/drawing.h"
#include "render/render_buffers.h"
#include "render/units.h"
#include "world/new_game.h"
#include "world/world.h"

namespace {

// The new-game camera with a spin, put on the matrix as the frame puts it.
void NewGameCamera(float spin) {
  CameraZoom = NewGameZoom;
  CameraTilt = NewGameTilt;
  CameraTurn = NewGameTurn;
  CameraSpin = spin;
  BeginScene();
}

struct FeedbackVertex {
  float x, y, z, r, g, b;
};
using Polygon = std::vector<FeedbackVertex>;

template <typename Draw>
std::vector<Polygon> Feedback(Draw draw) {
  static std::vector<GLfloat> buffer(1 << 22);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const int used = glRenderMode(GL_RENDER);
  EXPECT_GE(used, 0) << "feedback buffer overflow";
  std::vector<Polygon> polygons;
  for (int k = 0; k < used;) {
    const int token = static_cast<int>(buffer[k++]);
    EXPECT_EQ(token, GL_POLYGON_TOKEN);
    if (token != GL_POLYGON_TOKEN) break;
    Polygon polygon(static_cast<int>(buffer[k++]));
    for (FeedbackVertex& v : polygon) {
      v = {buffer[k], buffer[k + 1], buffer[k + 2], buffer[k + 3], buffer[k + 4], buffer[k + 5]};
      k += 7;  // x, y, z, r, g, b, a
    }
    polygons.push_back(polygon);
  }
  return polygons;
}

void ExpectSamePolygons(const std::vector<Polygon>& fast, const std::vector<Polygon>& reference) {
  ASSERT_EQ(fast.size(), reference.size());
  for (size_t p = 0; p < fast.size(); ++p) {
    ASSERT_EQ(fast[p].size(), reference[p].size()) << "polygon " << p;
    for (size_t v = 0; v < fast[p].size(); ++v) {
      const FeedbackVertex &a = fast[p][v], &b = reference[p][v];
      EXPECT_NEAR(a.x, b.x, 1e-3) << "polygon " << p << " vertex " << v;
      EXPECT_NEAR(a.y, b.y, 1e-3) << "polygon " << p << " vertex " << v;
      EXPECT_NEAR(a.z, b.z, 1e-6) << "polygon " << p << " vertex " << v;
      EXPECT_EQ(a.r, b.r);
      EXPECT_EQ(a.g, b.g);
      EXPECT_EQ(a.b, b.b);
    }
  }
}

class UnitSpritesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_OFFSCREEN_CONTEXT();
    ResetWorldGlobals();
    AllocateTextureSlots();
    AllocateOverlay();  // the camera's stretch clears it
    ResizeScene(FrameWidth, FrameHeight);
    glEnable(GL_TEXTURE_2D);
  }
  void TearDown() override {
    ReleaseTextureSlots();
    ReleaseOverlay();
  }

  // An n x n picture: a colour ramp with every third pixel black.
  static int FillPicture(int slot, int n) {
    ImageSlot& image = TextureSlots[slot];
    image = {std::make_unique<uint8_t[]>(n * n * 3), n, n, 3};
    int nonBlack = 0;
    for (int k = 0; k < n * n; ++k) {
      uint8_t* p = &image.pixels[3 * k];
      const bool black = k % 3 == 1;
      p[0] = black ? 0 : static_cast<uint8_t>(10 + k);
      p[1] = black ? 0 : static_cast<uint8_t>(200 - k);
      p[2] = black ? 0 : static_cast<uint8_t>(k * 7);
      nonBlack += !black;
    }
    return nonBlack;
  }

  // The frame's camera with the default view, a spin, and a unit's anchor.
  static void CameraAndAnchor(float spin, float x = 3.5f, float y = -2.5f) {
    NewGameCamera(spin);
    glTranslatef(x, y, UnitSize / 2.0f);
  }
};

TEST_F(UnitSpritesTest, FastDrawersMatchTheSquareBySquareDrawing) {
  for (int n : {6, 7, 32}) {
    const int nonBlack = FillPicture(33, n);
    for (float spin : {0.0f, 37.0f, 250.0f}) {
      SCOPED_TRACE(::testing::Message() << "n " << n << " spin " << spin);
      CameraAndAnchor(spin);
      const auto upright = Feedback([] { DrawUnitSprite(33, UnitSize); });
      const auto uprightReference = Feedback([] { DrawUnitSpriteSquareBySquare(33, UnitSize); });
      ASSERT_FALSE(upright.empty());
      // Black pixels are left out: one quad (or a pair of triangles) per other pixel.
      EXPECT_TRUE(upright.size() == static_cast<size_t>(nonBlack) ||
                  upright.size() == static_cast<size_t>(2 * nonBlack));
      ExpectSamePolygons(upright, uprightReference);

      const auto lying = Feedback([] { DrawLyingSprite(33, 3.1999998f); });
      const auto lyingReference = Feedback([] { DrawLyingSpriteSquareBySquare(33, 3.1999998f); });
      EXPECT_EQ(lying.size(), upright.size());
      ExpectSamePolygons(lying, lyingReference);
    }
  }
}

TEST_F(UnitSpritesTest, DrawersRestoreMatrixTextureAndLeaveTheLastPixelsColour) {
  FillPicture(33, 5);  // last pixel, k = 24: (34, 176, 168)
  CameraAndAnchor(20.0f);
  GLdouble before[16], after[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, before);
  for (auto draw : {DrawUnitSprite, DrawLyingSprite, DrawUnitSpriteSquareBySquare}) {
    glColor3ub(1, 2, 3);
    draw(33, UnitSize);
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(after[k], before[k]);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0] * 255, 34);
    EXPECT_FLOAT_EQ(colour[1] * 255, 176);
    EXPECT_FLOAT_EQ(colour[2] * 255, 168);
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(UnitSpritesTest, EmptyOrUnknownSlotsDrawNothing) {
  CameraAndAnchor(0.0f);
  for (int slot : {34, -1, TextureSlotCount, 65535}) {
    EXPECT_TRUE(Feedback([slot] { DrawUnitSprite(slot, UnitSize); }).empty()) << slot;
    EXPECT_TRUE(Feedback([slot] { DrawLyingSprite(slot, UnitSize); }).empty()) << slot;
  }
}

// Standing pictures are turned against the camera's spin: a unit on the
// view centre looks the same whatever the spin.
TEST_F(UnitSpritesTest, StandingPicturesKeepTheirScreenShapeUnderSpin) {
  FillPicture(33, 8);
  auto relativeToCentre = [](float spin) {
    CameraAndAnchor(spin, 0.0f, 0.0f);
    const WindowPosition centre = ProjectToWindow(0, 0, 0);
    std::vector<Polygon> polygons = Feedback([] { DrawUnitSprite(33, UnitSize); });
    for (Polygon& polygon : polygons)
      for (FeedbackVertex& v : polygon) v.x -= centre.x, v.y -= centre.y;
    return polygons;
  };
  const auto still = relativeToCentre(0.0f);
  const auto spun = relativeToCentre(90.0f);
  ASSERT_EQ(still.size(), spun.size());
  for (size_t p = 0; p < still.size(); ++p)
    for (size_t v = 0; v < still[p].size(); ++v) {
      EXPECT_NEAR(still[p][v].x, spun[p][v].x, 1e-2) << p;
      EXPECT_NEAR(still[p][v].y, spun[p][v].y, 1e-2) << p;
    }
  // The first stored row is lowest on the screen.
  EXPECT_LT(still.front()[0].y, still.back()[0].y);
}

TEST_F(UnitSpritesTest, ProjectionGivesTheWindowPosition) {
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -10.0f);
  const WindowPosition centre = ProjectToWindow(0.0f, 0.0f, 0.0f);
  EXPECT_NEAR(centre.x, 320.0f, 1e-3);
  EXPECT_NEAR(centre.y, 240.0f, 1e-3);
  EXPECT_GT(centre.z, 0.0f);
  EXPECT_LT(centre.z, 1.0f);
  // A point up the screen projects above the centre (window y grows upwards).
  EXPECT_GT(ProjectToWindow(0.0f, 1.0f, 0.0f).y, 240.0f);
}

// --- The whole unit pass: which units are drawn, how, and where their labels go. ---

class UnitPassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_OFFSCREEN_CONTEXT();
    StartEmptyWorld();
    map_sx = map_sy = 32;
    NewGameCamera(NewGameSpin);
  }
  void TearDown() override {
    ReleaseDrawing();
    ReleaseGame();
  }

  static void Picture(int slot, uint8_t red) {
    TextureSlots[slot] = {std::make_unique<uint8_t[]>(4 * 4 * 3), 4, 4, 3};
    for (int k = 0; k < 16; ++k) {
      TextureSlots[slot].pixels[3 * k] = red;
      TextureSlots[slot].pixels[3 * k + 1] = TextureSlots[slot].pixels[3 * k + 2] = 1;
    }
  }
  static void Unit(int id, int x, int type, int dead, int in_use) {
    UnitRecord& unit = UnitTable[id];
    unit = UnitRecord{};
    unit.in_use = static_cast<uint8_t>(in_use);
    unit.cell_x = static_cast<uint16_t>(x);
    unit.cell_y = 32;
    unit.type = static_cast<uint16_t>(type);
    unit.dead = static_cast<uint8_t>(dead);
    unit.hp = unit.hp_max = 20;
  }
  // Where the pass anchors the labels of a unit in cell (x, 32).
  static WindowPoint AnchorOf(int x) {
    glPushMatrix();
    glTranslatef(static_cast<float>(x - map_sx) + 0.5f, 0.5f, UnitSize / 2.0f);
    const WindowPosition p = ProjectToWindow(0, 0, 0);
    glPopMatrix();
    return LabelAnchor(p.x, p.y);
  }
  static bool OwnerMarkAt(WindowPoint a) {
    const uint8_t* p = &OverlayBuffer[((a.y - 10) * FrameWidth + a.x - 10) * 4];
    return p[2] == 255 && p[3] == 255;  // blue, the player's
  }
};

TEST_F(UnitPassTest, LivingUnitsStandCorpsesLieFreeEntriesAreSkipped) {
  Picture(33, 200);
  Picture(CorpseSlot, 100);
  Unit(3, 28, 33, 0, 1);  // standing dragon
  Unit(4, 36, 33, 1, 1);  // dead dragon: the blood picture
  Unit(5, 32, 33, 0, 0);  // free entry near the centre: listed, not drawn
  ASSERT_EQ(CollectVisibleUnits(), 3);
  GLdouble before[16], after[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, before);
  const auto polygons = Feedback([] { DrawUnitPass(); });
  int standing = 0, lying = 0;
  for (const Polygon& polygon : polygons) {
    const int red = static_cast<int>(std::lround(polygon[0].r * 255));
    standing += red == 200;
    lying += red == 100;
  }
  EXPECT_EQ(standing + lying, static_cast<int>(polygons.size()));
  EXPECT_GT(standing, 0);
  EXPECT_EQ(lying, standing);  // 16 squares each, however GL splits them

  EXPECT_TRUE(OwnerMarkAt(AnchorOf(28)));
  EXPECT_TRUE(OwnerMarkAt(AnchorOf(36)));
  EXPECT_FALSE(OwnerMarkAt(AnchorOf(32)));
  glGetDoublev(GL_MODELVIEW_MATRIX, after);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(after[k], before[k]);  // the cursor mark starts from the camera
}

}  // namespace
