// Window creation, the picture and game start-up and teardown in-process, on the
// virtual display that run_on_display.sh provides.
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "host/host.h"
#include "host/input.h"
#include "loop/frame.h"
#include "loop/startup.h"
#include "overlay/fonts.h"
#include "overlay/overlay.h"
#include "overlay/overlay_buffer.h"
#include "pathfinding/path_requests.h"
#include "pictures/image_slots.h"
#include "platform/backend.h"
#include "platform/gl/projection.h"
#include "platform/gl/renderer.h"
#include "platform/gl/scaled_frame.h"
#include "platform/gl/textures.h"
#include "platform/screen.h"
#include "platform/sdl/host.h"
#include "render/drawing.h"
#include "world/new_game.h"
#include "world/world.h"

// Last: Xlib's macros (None, Bool, Status) would spoil the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

class GameWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Host = SdlHostWithFixedClock(1);
    ASSERT_TRUE(CreateGameWindow("VALDORIK", FrameWidth, FrameHeight));
    StartDrawing();
    StartGame();
  }
  void TearDown() override {
    DestroyGameWindow();
    ReleaseDrawing();
    ReleaseGame();
    ReleaseUnitTable();
  }
  // The game keeps its unit table to the end of the process; each test
  // here starts the renderer anew.
  static void ReleaseUnitTable() { UnitTable.reset(); }
};

int GlInteger(GLenum name) {
  GLint value = 0;
  glGetIntegerv(name, &value);
  return value;
}

// Width over height, read back from a perspective matrix (column-major).
float ProjectionAspect() {
  GLfloat m[16];
  glGetFloatv(GL_PROJECTION_MATRIX, m);
  return m[5] / m[0];
}

TEST_F(GameWindow, ContextIsDoubleBufferedWithDepthAndLegacyDrawing) {
  GLboolean double_buffered = GL_FALSE;
  glGetBooleanv(GL_DOUBLEBUFFER, &double_buffered);
  EXPECT_TRUE(double_buffered);
  EXPECT_GE(GlInteger(GL_DEPTH_BITS), 16);
  EXPECT_GE(GlInteger(GL_RED_BITS) + GlInteger(GL_GREEN_BITS) + GlInteger(GL_BLUE_BITS), 15);
  glBegin(GL_TRIANGLES);  // immediate mode needs a compatibility context
  glVertex3f(0, 0, 0);
  glEnd();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GameWindow, ProjectionStartsAtFourThirdsAndFollowsTheClientSize) {
  GLfloat m[16];
  glGetFloatv(GL_PROJECTION_MATRIX, m);
  EXPECT_NEAR(m[5], 1.0 / std::tan(FieldOfView / 2 * M_PI / 180.0), 1e-5);
  EXPECT_NEAR(ProjectionAspect(), StartAspect, 1e-5);
  EXPECT_NEAR(m[14], -2.0 * FarPlane * NearPlane / (FarPlane - NearPlane), 1e-5);

  ResizeScene(800, 0);  // a height of 0 is taken as 1
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 800);
  EXPECT_EQ(viewport[3], 1);
  EXPECT_NEAR(ProjectionAspect(), 800.0, 1e-2);

  ResizeScene(300, 600);
  EXPECT_NEAR(ProjectionAspect(), 0.5, 1e-5);
  EXPECT_EQ(GlInteger(GL_MATRIX_MODE), GL_MODELVIEW);
}

TEST_F(GameWindow, StartUpLeavesTheFixedStateAndTheFirstGame) {
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_EQ(GlInteger(GL_DEPTH_FUNC), GL_LEQUAL);
  EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
  EXPECT_EQ(GlInteger(GL_ALPHA_TEST_FUNC), GL_GREATER);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  EXPECT_EQ(GlInteger(GL_BLEND_SRC), GL_SRC_ALPHA);
  EXPECT_EQ(GlInteger(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);

  std::set<unsigned int> names(GlTextureNames, GlTextureNames + GlTextureCount);
  EXPECT_EQ(names.size(), static_cast<size_t>(GlTextureCount));
  EXPECT_EQ(names.count(0u), 0u);
  EXPECT_TRUE(glIsTexture(GlTextureNames[0]) && glIsTexture(GlTextureNames[1]));

  ASSERT_NE(TextureSlots, nullptr);
  ASSERT_NE(UnitTable, nullptr);
  EXPECT_NE(GamePathfinder, nullptr);
  EXPECT_NE(MapCells, nullptr);
  EXPECT_EQ(UnitTable[0].type, TypeLeader);  // the first game has begun
  EXPECT_EQ(CameraZoom, NewGameZoom);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
}

// A side that is not a multiple of four leaves rows of a length GL does not
// expect by default; the texture must still hold the picture exactly.
TEST_F(GameWindow, FloorTexturesHoldTheirPicturesForAnySide) {
  constexpr int Side = 5;
  for (int k = 0; k < 2; ++k) {
    ImageSlot& slot = TextureSlots[k];
    slot = {std::make_unique<uint8_t[]>(Side * Side * 3), Side, Side, 3};
    for (int i = 0; i < Side * Side * 3; ++i) slot.pixels[i] = static_cast<uint8_t>(i * 7 + k);
  }
  UploadFloorTextures();
  for (int k = 0; k < 2; ++k) {
    glBindTexture(GL_TEXTURE_2D, GlTextureNames[k]);
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    ASSERT_EQ(width, Side);
    std::vector<uint8_t> texels(Side * Side * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_TRUE(std::equal(texels.begin(), texels.end(), TextureSlots[k].pixels.get())) << "texture " << k;
  }
}

// F1, Space, H and the speed keys ask whether the key is held as the pass
// began: the keyboard's answer, sampled then, even before the game has taken
// the key's event from the queue.
TEST_F(GameWindow, KeyHeldNowAsksTheKeyboardNotTheEvents) {
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  SDL_RaiseWindow(window);
  SDL_SetWindowInputFocus(window);
  const KeyCode code = XKeysymToKeycode(display, XK_F5);
  auto held_within = [&](int wanted) {
    for (int tries = 0; tries < 200 && (SampleKeys(), IsKeyDown(KeyF5)) != wanted; ++tries) {
      XSync(display, False);
      SDL_PumpEvents();  // SDL hears the keyboard; the game's queue is left alone
      SDL_Delay(10);
    }
    return IsKeyDown(KeyF5) == wanted;
  };
  XTestFakeKeyEvent(display, code, True, CurrentTime);
  EXPECT_TRUE(held_within(1));
  EXPECT_EQ(KeyState[KeyF5], 0) << "no event has reached the game";
  XTestFakeKeyEvent(display, code, False, CurrentTime);
  EXPECT_TRUE(held_within(0));
  XCloseDisplay(display);
}

std::vector<uint8_t> ReadFrame(GLenum buffer) {
  std::vector<uint8_t> pixels(FrameWidth * FrameHeight * 3);
  glReadBuffer(buffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, FrameWidth, FrameHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

// While paused the window shows the last frame at half its brightness, with
// PAUSED in white in the large font across the middle; the frame kept is
// not dimmed again on the next pass, and the next frame draws as ever. The
// same in the window's own buffer (640 x 480) and in the frame's own
// framebuffer (any other size).
TEST_F(GameWindow, PausedPictureIsTheLastFrameDimmedWithPaused) {
  for (const auto& [width, height, buffer] :
       {std::tuple{FrameWidth, FrameHeight, GL_BACK}, {2 * FrameWidth, 2 * FrameHeight, GL_COLOR_ATTACHMENT0_EXT}}) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    SetClientArea(width, height);
    Host.keep_frame_viewport(width, height);
    RunFrame();
    const std::vector<uint8_t> last = ReadFrame(buffer);
    Host.present_scaled_frame();
    DrawPausedPicture();
    const std::vector<uint8_t> paused = ReadFrame(buffer);
    // Six glyphs of 8 pixels, centred: columns 296 to 343, rows 234 to 245.
    ClearOverlay();
    FormatTextLine("PAUSED");
    DrawLargeText(296, 246, 255, 255, 255);
    int text = 0, dimmed = 0, wrong = 0;
    for (int k = 0; k < FrameWidth * FrameHeight; ++k) {
      const bool ink = OverlayBuffer[k * 4 + 3] != 0;
      for (int c = 0; c < 3; ++c) {
        const int seen = paused[k * 3 + c], half = last[k * 3 + c] / 2;
        wrong += !(ink ? seen == 255 : seen >= half && seen <= half + 1);
      }
      text += ink, dimmed += !ink;
    }
    EXPECT_GT(text, 6 * 10) << "PAUSED has ink";
    EXPECT_EQ(wrong, 0) << "of " << text << " text and " << dimmed << " dimmed pixels";
    PresentPausedFrame();
    DrawPausedPicture();
    EXPECT_EQ(ReadFrame(buffer), paused) << "the paused picture is made from the frame kept, once dimmed";
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_ALPHA_TEST) && glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ((std::vector<int>(viewport, viewport + 4)), (std::vector<int>{0, 0, FrameWidth, FrameHeight}));
  }
  SetClientArea(FrameWidth, FrameHeight);
  Host.keep_frame_viewport(FrameWidth, FrameHeight);
}

TEST(GameWindowTeardown, ReleasesEverythingAndMayRunTwice) {
  Host = SdlHostWithFixedClock(1);
  ASSERT_TRUE(CreateGameWindow("VALDORIK", FrameWidth, FrameHeight));
  StartDrawing();
  StartGame();
  DestroyGameWindow();
  ReleaseDrawing();
  ReleaseGame();
  EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
  EXPECT_EQ(GamePathfinder, nullptr);
  EXPECT_EQ(TextureSlots, nullptr);
  EXPECT_EQ(MapCells, nullptr);
  EXPECT_EQ(OverlayBuffer, nullptr);
  DestroyGameWindow();  // nothing left to release: no box, no crash
  ReleaseDrawing();
  ReleaseGame();
  UnitTable.reset();
}

}  // namespace
