// sprite_quad.cpp - corner positions of a sprite draw (see sprite_quad.h).
#include "display/sprite_quad.h"

#include <cmath>

float spriteRadians(float degrees) {
    const float twoPi = 6.28318530717958647692f;
    return degrees * twoPi / 360.0f;
}

void placeSpriteQuad(SpriteVertex quad[4], int32_t x, int32_t y, int32_t width, int32_t height,
                     float radians, uint8_t intensity) {
    const float left = static_cast<float>(x) - 0.5f;
    const float top = static_cast<float>(y) - 0.5f;
    const float right = left + static_cast<float>(width);
    const float bottom = top + static_cast<float>(height);
    const float corners[4][2] = {{left, top}, {right, top}, {left, bottom}, {right, bottom}};
    const float uv[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 1.0f}};
    const uint32_t diffuse = (static_cast<uint32_t>(intensity) << 24) | 0x00FFFFFFu;

    // Exactly 0 leaves the corners on the half-pixel grid; 360 degrees is a
    // real (full) turn and may round differently.
    const bool turned = radians != 0.0f;
    const float c = turned ? std::cos(radians) : 1.0f;
    const float s = turned ? std::sin(radians) : 0.0f;
    const float cx = static_cast<float>(x) + static_cast<float>(width - 1) * 0.5f;
    const float cy = static_cast<float>(y) + static_cast<float>(height - 1) * 0.5f;

    for (int i = 0; i < 4; ++i) {
        float px = corners[i][0];
        float py = corners[i][1];
        if (turned) {
            const float dx = px - cx;
            const float dy = py - cy;
            px = cx + (dx * c - dy * s);
            py = cy + (dx * s + dy * c);
        }
        quad[i] = SpriteVertex{px, py, 0.0f, 1.0f, diffuse, uv[i][0], uv[i][1]};
    }
}
