// The view worked out without GL (render/view_projection.h) against GL's
// own: points projected by gluProject on the camera's matrices, pictures
// read back from a drawn frame, and the rules' own pointer grid.
#include "render/view_projection.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "host/input.h"
#include "loop/startup.h"
#include "offscreen_context.h"
#include "pictures/image_slots.h"
#include "platform/gl/frame_stretches.h"
#include "platform/gl/renderer.h"
#include "render/drawing.h"
#include "render/render_buffers.h"
#include "rules/frame_rules.h"
#include "world/world.h"

namespace {

class ViewProjection : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_OFFSCREEN_CONTEXT();
    StartEmptyWorld();
    SetFixedGlState();
    map_sx = map_sy = 32;
  }
  void TearDown() override {
    ReleaseDrawing();
    ReleaseGame();
  }
  static void Aim(const CameraPose& c) {
    CameraZoom = c.zoom, CameraTilt = c.tilt, CameraTurn = c.turn, CameraSpin = c.spin;
  }
};

const CameraPose Cameras[] = {
    {-30, -45, 0, 0},      // a new game's
    {-5, 25, 0, 0},        // close, tilted the other way
    {-18, -60, 30, 0},     // turned
    {-12, -35, 0, 117},    // spun
    {-40, -70, -20, 250},  // far, low, all at once
};

TEST_F(ViewProjection, PointsLandWhereGluProjectPutsThem) {
  const ScenePoint points[] = {{0, 0, 0}, {3.5f, -2.25f, 0}, {-7, 6, 0.8f}, {1, 1, 1.6f}, {-0.5f, -9, 0.1f}};
  for (const CameraPose& camera : Cameras) {
    Aim(camera);
    BeginScene();
    GLdouble model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (const ScenePoint& p : points) {
      GLdouble wx = 0, wy = 0, wz = 0;
      ASSERT_TRUE(gluProject(p.x, p.y, p.z, model, projection, viewport, &wx, &wy, &wz));
      FramePoint drawn{};
      const bool inFront = ProjectToFrame(camera, p, drawn);
      const auto where = ::testing::Message() << "camera " << camera.zoom << "/" << camera.tilt << "/" << camera.turn
                                              << "/" << camera.spin << ", point " << p.x << "," << p.y << "," << p.z;
      ASSERT_TRUE(inFront) << where;
      EXPECT_NEAR(drawn.x, wx, 1e-3) << where;
      EXPECT_NEAR(drawn.y, FrameHeight - wy, 1e-3) << where;
    }
  }
}

// A point just in front of the eye lands millions of pixels away, and a
// camera driven to NaN nowhere: neither is drawn anywhere the page can mark
// (its JSON has room for spots within FrameReach).
TEST_F(ViewProjection, PointsFarOffTheFrameOrUnknownAreNotDrawn) {
  FramePoint drawn{};
  EXPECT_TRUE(ProjectToFrame({-5, 0, 0, 0}, {1, 0, 4.9f}, drawn));
  EXPECT_FALSE(ProjectToFrame({-5, 0, 0, 0}, {1, 0, 4.9999995f}, drawn)) << drawn.x;
  EXPECT_FALSE(ProjectToFrame({NAN, 0, 0, 0}, {1, 0, 0}, drawn)) << drawn.x;
}

// Every frame pixel of a solid picture standing on its cell aims at that
// unit; every pixel of the floor round it aims at the floor cell drawn there,
// read back from the frame with one colour a cell.
TEST_F(ViewProjection, PixelsAimAtThePictureOrTheFloorCellDrawnThere) {
  constexpr int Side = 4;
  for (const CameraPose& camera : {Cameras[0], Cameras[2], Cameras[3]}) {
    Aim(camera);
    TextureSlots[SlotBlood] = {std::make_unique<uint8_t[]>(Side * Side * 3), Side, Side, 3};
    std::fill_n(TextureSlots[SlotBlood].pixels.get(), Side * Side * 3, uint8_t{255});
    UnitRecord& unit = UnitTable[7];
    unit = {};
    unit.in_use = 1, unit.type = SlotBlood, unit.cell_x = 33, unit.cell_y = 34;
    BeginScene();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    for (int dy = -25; dy < 25; ++dy)  // the floor: red and green say the cell
      for (int dx = -25; dx < 25; ++dx) {
        glColor3ub(static_cast<uint8_t>(dx + 100), static_cast<uint8_t>(dy + 100), 0);
        glBegin(GL_QUADS);
        glVertex3f(dx, dy, 0), glVertex3f(dx + 1, dy, 0), glVertex3f(dx + 1, dy + 1, 0), glVertex3f(dx, dy + 1, 0);
        glEnd();
      }
    VisibleUnits[0] = 7;
    VisibleUnitCount = 1;
    DrawUnits();
    std::unique_ptr<uint8_t[]> frame(new uint8_t[FrameWidth * FrameHeight * 4]);
    glReadPixels(0, 0, FrameWidth, FrameHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame.get());
    int picture = 0, floor = 0;
    for (int y = 1; y < FrameHeight; y += 7)
      for (int x = 1; x < FrameWidth; x += 7) {
        const uint8_t* rgb = &frame[((FrameHeight - 1 - y) * FrameWidth + x) * 4];
        const bool onPicture = rgb[0] == 255 && rgb[1] == 255 && rgb[2] == 255;
        if (!onPicture && (rgb[2] != 0 || rgb[0] < 75 || rgb[1] < 75)) continue;  // beyond the floor drawn
        const DrawnCell aimed = CellDrawnAt(camera, x, y);
        // A floor pixel on a cell's edge may go either way.
        if (onPicture) {
          ++picture;
          EXPECT_EQ(aimed.unit, 7) << "picture at pixel " << x << "," << y << ", spin " << camera.spin;
        } else if (aimed.unit < 0 &&
                   (CellDrawnAt(camera, x + 1, y).dx == aimed.dx && CellDrawnAt(camera, x, y + 1).dy == aimed.dy)) {
          ++floor;
          EXPECT_EQ(aimed.dx, rgb[0] - 100) << "floor at pixel " << x << "," << y << ", spin " << camera.spin;
          EXPECT_EQ(aimed.dy, rgb[1] - 100) << "floor at pixel " << x << "," << y << ", spin " << camera.spin;
        }
      }
    EXPECT_GT(picture, 3) << "spin " << camera.spin;
    EXPECT_GT(floor, 500) << "spin " << camera.spin;
  }
}

// The pointer pixel given for a cell maps back to it through the rules' own
// grid; a cell beyond the grid (-20 to 19 across, -19 to 20 up) to the
// nearest on its edge, said to be cut.
TEST_F(ViewProjection, PointerForACellIsMappedBackToItByTheRules) {
  for (int dy = -22; dy <= 23; ++dy)
    for (int dx = -23; dx <= 22; ++dx) {
      const GridPointer pointer = PointerForCell(dx, dy);
      MouseState.x = pointer.x, MouseState.y = pointer.y;
      const CellOffset cell = MouseCell();
      const int edgeX = std::clamp(dx, -20, 19), edgeY = std::clamp(dy, -19, 20);
      const auto where = ::testing::Message()
                         << "cell " << dx << "," << dy << ", pixel " << pointer.x << "," << pointer.y;
      EXPECT_EQ(pointer.cut, edgeX != dx || edgeY != dy) << where;
      EXPECT_EQ(cell.dx, edgeX) << where;
      EXPECT_EQ(cell.dy, edgeY) << where;
    }
}

}  // namespace
