// The overlay laid over a real GL scene: a small hidden SDL2 window with a GL
// context (run under Xvfb), the scene drawn, the overlay composited, the back
// buffer read back.
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

#include "overlay/overlay.h"
#include "overlay/overlay_buffer.h"
#include "platform/gl/overlay_composite.h"

namespace {

using Rgb = std::array<int, 3>;

constexpr Rgb SceneColour = {51, 102, 153};

class CompositeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    window = SDL_CreateWindow("overlay composite", 0, 0, FrameWidth, FrameHeight,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    context = SDL_GL_CreateContext(window);
    ASSERT_NE(context, nullptr) << SDL_GetError();
    AllocateOverlay();
  }
  static void TearDownTestSuite() {
    ReleaseOverlay();
    if (context) SDL_GL_DeleteContext(context);
    if (window) SDL_DestroyWindow(window);
    SDL_Quit();
  }

  // The fixed state the renderer runs with, then a scene: one opaque quad
  // over the whole window at mid depth, textured state on as after the cursor mark.
  void SetUp() override {
    glViewport(0, 0, FrameWidth, FrameHeight);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.1f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glClearColor(0, 0, 0, 0.5f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glColor4ub(SceneColour[0], SceneColour[1], SceneColour[2], 255);
    glBegin(GL_QUADS);
    glVertex3f(-1, -1, 0);
    glVertex3f(1, -1, 0);
    glVertex3f(1, 1, 0);
    glVertex3f(-1, 1, 0);
    glEnd();
    glEnable(GL_TEXTURE_2D);
    ClearOverlay();
  }

  static void Composite() {
    BeginOverlayPass();
    CompositeOverlay();
    glFinish();
  }

  static std::vector<uint8_t> ReadBack() {
    std::vector<uint8_t> pixels(FrameWidth * FrameHeight * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, FrameWidth, FrameHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }

  static Rgb At(const std::vector<uint8_t>& pixels, int x, int y) {
    const uint8_t* p = &pixels[(y * FrameWidth + x) * 4];
    return {p[0], p[1], p[2]};
  }

  static bool Near(Rgb a, Rgb b) {
    for (int c = 0; c < 3; ++c)
      if (std::abs(a[c] - b[c]) > 4) return false;
    return true;
  }

  static inline SDL_Window* window = nullptr;
  static inline SDL_GLContext context = nullptr;
};

TEST_F(CompositeTest, ClearedOverlayLeavesTheSceneUntouched) {
  const std::vector<uint8_t> before = ReadBack();
  ASSERT_TRUE(Near(At(before, 320, 240), SceneColour)) << "the scene quad was not drawn";
  Composite();
  const std::vector<uint8_t> after = ReadBack();
  int changed = 0;
  for (size_t i = 0; i < before.size(); i += 4)
    if (before[i] != after[i] || before[i + 1] != after[i + 1] || before[i + 2] != after[i + 2]) ++changed;
  EXPECT_EQ(changed, 0);
}

TEST_F(CompositeTest, DrawnPixelsReplaceTheSceneBottomRowFirst) {
  PlotPixel(0, 0, 255, 0, 0);
  PlotPixel(639, 479, 0, 255, 0);
  PlotPixel(100, 400, 255, 255, 255);
  Composite();
  const std::vector<uint8_t> after = ReadBack();
  EXPECT_TRUE(Near(At(after, 0, 0), {255, 0, 0}));
  EXPECT_TRUE(Near(At(after, 639, 479), {0, 255, 0}));
  EXPECT_TRUE(Near(At(after, 100, 400), {255, 255, 255}));
  EXPECT_TRUE(Near(At(after, 101, 400), SceneColour));
  EXPECT_TRUE(Near(At(after, 100, 79), SceneColour)) << "row 0 of the overlay is the window's bottom row";
}

TEST_F(CompositeTest, LeavesTexturingOnAndBlendingOff) {
  Composite();
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
