#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include "offscreen_context.h"
#include "overlay/overlay_buffer.h"
#include "pictures/image_slots.h"
#include "platform/gl/frame_stretches.h"
#include "platform/gl/projection.h"
#include "platform/gl/unit_drawing.h"
#include "render/units.h"
#include "world/new_game.h"
#include "world/world.h"

namespace {

// A 32 x 32 picture with a black background around a filled disc, like the
// unit pictures.
struct SpriteScene {
  static constexpr int Slot = 33, N = 32;
  bool ready = MakeOffscreenContext();
  SpriteScene() {
    if (!ready) return;
    AllocateTextureSlots();
    ImageSlot& image = TextureSlots[Slot];
    image = {std::make_unique<uint8_t[]>(N * N * 3), N, N, 3};
    for (int i = 0; i < N; ++i)
      for (int j = 0; j < N; ++j)
        if ((i - N / 2) * (i - N / 2) + (j - N / 2) * (j - N / 2) < 14 * 14) {
          uint8_t* p = &image.pixels[(i * N + j) * 3];
          p[0] = static_cast<uint8_t>(i * 8), p[1] = static_cast<uint8_t>(j * 8), p[2] = 90;
        }
    // The new game's camera, as the frame puts it on, over one cell.
    AllocateOverlay();
    ResizeScene(FrameWidth, FrameHeight);
    CameraZoom = NewGameZoom, CameraTilt = NewGameTilt, CameraTurn = NewGameTurn, CameraSpin = NewGameSpin;
    BeginScene();
    glTranslatef(0.5f, 0.5f, UnitSize / 2.0f);
  }
  ~SpriteScene() {
    if (!ready) return;
    ReleaseTextureSlots();
    ReleaseOverlay();
  }
};

template <void (*Draw)(int, float)>
void DrawSprite(benchmark::State& state) {
  SpriteScene scene;
  if (!scene.ready) {
    state.SkipWithError("no offscreen OpenGL context");
    return;
  }
  for (auto _ : state) {
    Draw(SpriteScene::Slot, UnitSize);
    glFinish();
  }
}
BENCHMARK(DrawSprite<DrawUnitSprite>)->Name("UnitSprite/OneBatch");
BENCHMARK(DrawSprite<DrawUnitSpriteSquareBySquare>)->Name("UnitSprite/SquareBySquare");

}  // namespace
