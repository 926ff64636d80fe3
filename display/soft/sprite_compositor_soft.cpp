// sprite_compositor_soft.cpp - sprite_compositor.h drawn in software into the
// memory back buffer of soft_surface.h, through soft_raster.
//
// Usage: as any SpriteCompositor: prepareSpriteDrawing once, createSprite
// once the surface is open, then frames of beginFrame, setBlendPair,
// setSpriteAngle, drawSprite and endFrame. Draws take effect only inside a
// frame (between beginFrame and endFrame), where Direct3D has the sprite
// states set, and only while a surface is open.
//
// Limits: at most SoftSpriteCapacity sprites; images of 1 to 8192 pixels a
// side, as the texture sizes a Direct3D 9 device takes. A draw allocates
// nothing: the vertices live on the stack and the texels were copied once.
#include "display/gauge_window.h"
#include "display/soft/soft_raster.h"
#include "display/soft/soft_surface.h"
#include "display/sprite_compositor.h"
#include "display/sprite_quad.h"

#include <cstdlib>

namespace {

constexpr int SoftSpriteCapacity = 256;
constexpr int32_t SoftSpriteMaxSide = 8192;

struct SoftSprite {
    uint32_t* texels; // A8R8G8B8, width x height, owned
    int32_t width;
    int32_t height;
    float radians;
    // Texels with alpha above 0 lie within these columns and rows.
    int32_t visibleLeft, visibleTop, visibleRight, visibleBottom;
};

struct SoftCompositor {
    SoftSprite sprites[SoftSpriteCapacity];
    int spriteCount;
    BlendPair pair;
    bool smooth;
    bool frameOpen;
};

SoftCompositor compositor{{}, 0, BlendNormal, false, false};

SoftSprite* findSprite(SpriteHandle handle) {
    if (handle == 0 || handle > static_cast<SpriteHandle>(compositor.spriteCount)) {
        return nullptr;
    }
    return &compositor.sprites[handle - 1];
}

} // namespace

void prepareSpriteDrawing() {
    compositor.pair = BlendNormal;
    compositor.smooth = false;
    compositor.frameOpen = false;
}

SpriteHandle createSprite(int32_t width, int32_t height, const uint8_t* rows) {
    if (!rows || width <= 0 || height <= 0 || width > SoftSpriteMaxSide ||
        height > SoftSpriteMaxSide || compositor.spriteCount >= SoftSpriteCapacity) {
        return 0;
    }
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    uint32_t* texels = static_cast<uint32_t*>(std::malloc(count * sizeof(uint32_t)));
    if (!texels) {
        return 0;
    }
    // B, G, R, A bytes into A8R8G8B8 texels, unchanged: straight alpha.
    SoftSprite made{texels, width, height, 0.0f, width, height, -1, -1};
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const size_t k = static_cast<size_t>(y) * static_cast<size_t>(width) + x;
            const uint8_t* p = rows + 4 * k;
            texels[k] = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                        (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
            if (p[3] != 0) {
                made.visibleLeft = x < made.visibleLeft ? x : made.visibleLeft;
                made.visibleRight = x > made.visibleRight ? x : made.visibleRight;
                made.visibleTop = y < made.visibleTop ? y : made.visibleTop;
                made.visibleBottom = y > made.visibleBottom ? y : made.visibleBottom;
            }
        }
    }
    compositor.sprites[compositor.spriteCount] = made;
    ++compositor.spriteCount;
    return static_cast<SpriteHandle>(compositor.spriteCount);
}

bool beginFrame() {
    compositor.frameOpen = softSurfacePixels() != nullptr;
    return compositor.frameOpen;
}

void setBlendPair(uint32_t sourceFactor, uint32_t destinationFactor) {
    compositor.pair = BlendPair{sourceFactor, destinationFactor};
}

void setSpriteAngle(SpriteHandle sprite, float degrees) {
    SoftSprite* s = findSprite(sprite);
    if (s) {
        s->radians = spriteRadians(degrees);
    }
}

void drawSprite(SpriteHandle sprite, int32_t x, int32_t y, uint8_t intensity) {
    const SoftSprite* s = findSprite(sprite);
    uint32_t* pixels = softSurfacePixels();
    if (!s || !pixels || !compositor.frameOpen) {
        return;
    }
    SpriteVertex quad[4];
    placeSpriteQuad(quad, x, y, s->width, s->height, s->radians, intensity);
    const SoftTarget target{pixels, GaugeClientWidth, GaugeClientHeight, GaugeClientWidth};
    const SoftTexture texture{s->texels,      s->width,      s->height,       s->width,
                              s->visibleLeft, s->visibleTop, s->visibleRight, s->visibleBottom};
    const SoftDrawState state{compositor.pair.source, compositor.pair.destination,
                              compositor.smooth};
    softDrawQuad(target, texture, quad, state);
}

void endFrame() {
    compositor.frameOpen = false;
}

void releaseAllSprites() {
    for (int k = 0; k < compositor.spriteCount; ++k) {
        std::free(compositor.sprites[k].texels);
        compositor.sprites[k] = SoftSprite{};
    }
    compositor.spriteCount = 0;
}

void setSmoothFiltering(bool on) {
    compositor.smooth = on;
}
