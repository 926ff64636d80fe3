// sprite_compositor_soft.cpp - placeholder: draws nothing yet.
#include "display/sprite_compositor.h"

void prepareSpriteDrawing() {}
SpriteHandle createSprite(int32_t, int32_t, const uint8_t*) { return 0; }
bool beginFrame() { return false; }
void setBlendPair(uint32_t, uint32_t) {}
void setSpriteAngle(SpriteHandle, float) {}
void drawSprite(SpriteHandle, int32_t, int32_t, uint8_t) {}
void endFrame() {}
void releaseAllSprites() {}
void setSmoothFiltering(bool) {}
