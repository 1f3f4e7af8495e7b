#include "pictures/image_slots.h"

ImageSlot* TextureSlots = nullptr;

void AllocateTextureSlots() {
  if (!TextureSlots) TextureSlots = new ImageSlot[TextureSlotCount]();
}

void ReleaseTextureSlots() {
  if (!TextureSlots) return;
  for (int i = 0; i < TextureSlotCount; ++i) delete[] TextureSlots[i].pixels;
  delete[] TextureSlots;
  TextureSlots = nullptr;
}
