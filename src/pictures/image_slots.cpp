#include "pictures/image_slots.h"

std::unique_ptr<ImageSlot[]> TextureSlots;

void AllocateTextureSlots() {
  if (!TextureSlots) TextureSlots = std::make_unique<ImageSlot[]>(TextureSlotCount);
}

void ReleaseTextureSlots() { TextureSlots.reset(); }
