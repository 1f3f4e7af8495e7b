#include "render/drawing.h"

#include "host/host.h"
#include "overlay/overlay_buffer.h"
#include "pictures/image_slots.h"
#include "render/render_buffers.h"

void StartDrawing() {
  AllocateTextureSlots();
  AllocateRenderBuffers();
  AllocateOverlay();
  Host.load_pictures_and_floors();
  Host.set_fixed_gl_state();
}

void ReleaseDrawing() {
  ReleaseRenderBuffers();
  ReleaseOverlay();
  ReleaseTextureSlots();
}
