// sprite_compositor_d3d9.cpp - sprite_compositor.h on the Direct3D 9 device
// of the surface.
//
// A sprite is an A8R8G8B8 texture of exactly the image's size, one level, in
// the managed pool (so a Reset keeps it), with its turn in 32-bit radians and
// its four XYZRHW | DIFFUSE | TEX1 vertices. A draw fills the quad through
// placeSpriteQuad (the very floats the software reference rasterises), binds
// the texture and issues one DrawPrimitiveUP strip: no upload, no allocation.
//
// Beyond what the device keeps, each sprite keeps a copy of its pixels and
// each frame leaves a short record of its draws: a new device (after the old
// one was lost for good) gets its textures made again and the last frame
// drawn again. Handle 0, and any handle released or never made, does nothing.
#include "display/sprite_compositor.h"
#include "display/sprite_quad.h"
#include "display/win32/d3d9_surface.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

struct Sprite {
    IDirect3DTexture9* texture; // 0 while the device is away
    int32_t width;
    int32_t height;
    float radians;
    SpriteVertex quad[4];
    std::vector<uint8_t> pixels; // B, G, R, A rows, for a new device
};

struct DrawRecord {
    SpriteHandle sprite;
    int32_t x;
    int32_t y;
    float radians;
    uint8_t intensity;
    BlendPair pair;
    bool smooth;
};

// A frame of the gauge makes about twenty draws; a longer one is not kept.
constexpr int FrameRecordSize = 64;
struct FrameRecord {
    DrawRecord draws[FrameRecordSize];
    int count;
    bool complete; // false once a draw did not fit
};

struct Compositor {
    std::vector<Sprite> sprites; // handle = index + 1
    BlendPair pair;
    bool smooth;
    FrameRecord building;
    FrameRecord last;
};

Compositor compositor;

const int32_t MaxTextureSide = 8192;

Sprite* findSprite(SpriteHandle handle) {
    if (handle == 0 || handle > compositor.sprites.size()) {
        return nullptr;
    }
    return &compositor.sprites[handle - 1];
}

bool fillTexture(Sprite& sprite) {
    IDirect3DDevice9* device = d3d9Surface.device;
    if (!device) {
        return false;
    }
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(device->CreateTexture(static_cast<UINT>(sprite.width),
                                     static_cast<UINT>(sprite.height), 1, 0, D3DFMT_A8R8G8B8,
                                     D3DPOOL_MANAGED, &texture, nullptr))) {
        return false;
    }
    IDirect3DSurface9* level = nullptr;
    D3DLOCKED_RECT locked;
    bool filled = false;
    if (SUCCEEDED(texture->GetSurfaceLevel(0, &level))) {
        if (SUCCEEDED(level->LockRect(&locked, nullptr, 0))) {
            const size_t rowBytes = static_cast<size_t>(sprite.width) * 4;
            uint8_t* destination = static_cast<uint8_t*>(locked.pBits);
            for (int32_t y = 0; y < sprite.height; ++y) {
                std::memcpy(destination + static_cast<size_t>(y) * locked.Pitch,
                            sprite.pixels.data() + static_cast<size_t>(y) * rowBytes, rowBytes);
            }
            level->UnlockRect();
            filled = true;
        }
        level->Release();
    }
    if (!filled) {
        texture->Release();
        return false;
    }
    sprite.texture = texture;
    return true;
}

void applyBlendPair(IDirect3DDevice9* device, BlendPair pair) {
    device->SetRenderState(D3DRS_SRCBLEND, pair.source);
    device->SetRenderState(D3DRS_DESTBLEND, pair.destination);
}

void applyFilter(IDirect3DDevice9* device, bool smooth) {
    const DWORD filter = smooth ? D3DTEXF_LINEAR : D3DTEXF_POINT;
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
}

void applyDrawingStates(IDirect3DDevice9* device, BlendPair pair, bool smooth) {
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    applyBlendPair(device, pair);
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    applyFilter(device, smooth);
}

void applyPlainStates(IDirect3DDevice9* device) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    applyFilter(device, false);
}

void drawQuad(IDirect3DDevice9* device, Sprite& sprite, int32_t x, int32_t y, float radians,
              uint8_t intensity) {
    placeSpriteQuad(sprite.quad, x, y, sprite.width, sprite.height, radians, intensity);
    if (!sprite.texture) {
        return;
    }
    device->SetTexture(0, sprite.texture);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, sprite.quad, sizeof(SpriteVertex));
}

} // namespace

void prepareSpriteDrawing() {
    compositor.pair = BlendNormal;
    compositor.smooth = false;
    compositor.building = FrameRecord{};
    compositor.last = FrameRecord{};
    d3d9Surface.sceneOpen = false;
}

SpriteHandle createSprite(int32_t width, int32_t height, const uint8_t* rows) {
    if (!rows || width <= 0 || height <= 0 || width > MaxTextureSide || height > MaxTextureSide) {
        return 0;
    }
    Sprite sprite = {};
    sprite.width = width;
    sprite.height = height;
    sprite.radians = 0.0f;
    sprite.pixels.assign(rows, rows + static_cast<size_t>(width) * height * 4);
    if (!fillTexture(sprite)) {
        return 0;
    }
    // Until the first draw the quad is the one of the Data model: z 0, rhw 1,
    // white with alpha 0, the whole texture; positions come with each draw.
    placeSpriteQuad(sprite.quad, 0, 0, width, height, 0.0f, 0);
    compositor.sprites.push_back(std::move(sprite));
    return static_cast<SpriteHandle>(compositor.sprites.size());
}

bool beginFrame() {
    IDirect3DDevice9* device = d3d9Surface.device;
    compositor.building.count = 0;
    compositor.building.complete = true;
    if (!device) {
        return false;
    }
    if (!d3d9Surface.sceneOpen && SUCCEEDED(device->BeginScene())) {
        d3d9Surface.sceneOpen = true;
    }
    applyDrawingStates(device, compositor.pair, compositor.smooth);
    return d3d9Surface.sceneOpen;
}

void setBlendPair(uint32_t sourceFactor, uint32_t destinationFactor) {
    compositor.pair = BlendPair{sourceFactor, destinationFactor};
    if (d3d9Surface.device) {
        applyBlendPair(d3d9Surface.device, compositor.pair);
    }
}

void setSpriteAngle(SpriteHandle handle, float degrees) {
    if (Sprite* sprite = findSprite(handle)) {
        sprite->radians = spriteRadians(degrees);
    }
}

void drawSprite(SpriteHandle handle, int32_t x, int32_t y, uint8_t intensity) {
    Sprite* sprite = findSprite(handle);
    if (!sprite) {
        return;
    }
    FrameRecord& frame = compositor.building;
    if (frame.count < FrameRecordSize) {
        frame.draws[frame.count++] = DrawRecord{
            handle, x, y, sprite->radians, intensity, compositor.pair, compositor.smooth};
    } else {
        frame.complete = false;
    }
    if (d3d9Surface.device) {
        drawQuad(d3d9Surface.device, *sprite, x, y, sprite->radians, intensity);
    }
}

void endFrame() {
    if (d3d9Surface.device) {
        applyPlainStates(d3d9Surface.device);
    }
    if (compositor.building.complete) {
        compositor.last = compositor.building;
    } else {
        compositor.last.complete = false;
    }
}

void releaseAllSprites() {
    for (Sprite& sprite : compositor.sprites) {
        if (sprite.texture) {
            sprite.texture->Release();
            sprite.texture = nullptr;
        }
    }
    compositor.sprites.clear();
    compositor.building = FrameRecord{};
    compositor.last = FrameRecord{};
}

void setSmoothFiltering(bool on) {
    compositor.smooth = on;
    if (d3d9Surface.sceneOpen && d3d9Surface.device) {
        applyFilter(d3d9Surface.device, on);
    }
}

void releaseSpriteTextures() {
    for (Sprite& sprite : compositor.sprites) {
        if (sprite.texture) {
            sprite.texture->Release();
            sprite.texture = nullptr;
        }
    }
}

bool restoreSpriteTextures() {
    bool all = true;
    for (Sprite& sprite : compositor.sprites) {
        if (!sprite.texture && !fillTexture(sprite)) {
            all = false;
        }
    }
    return all;
}

void drawLastFrameAgain() {
    IDirect3DDevice9* device = d3d9Surface.device;
    const FrameRecord& frame = compositor.last;
    if (!device || !frame.complete || frame.count == 0 || d3d9Surface.sceneOpen) {
        return;
    }
    if (FAILED(device->BeginScene())) {
        return;
    }
    applyDrawingStates(device, frame.draws[0].pair, frame.draws[0].smooth);
    for (int i = 0; i < frame.count; ++i) {
        const DrawRecord& draw = frame.draws[i];
        Sprite* sprite = findSprite(draw.sprite);
        if (!sprite) {
            continue;
        }
        applyBlendPair(device, draw.pair);
        applyFilter(device, draw.smooth);
        drawQuad(device, *sprite, draw.x, draw.y, draw.radians, draw.intensity);
    }
    applyPlainStates(device);
    // The device's pair is the compositor's current one again, as setBlendPair left it.
    applyBlendPair(device, compositor.pair);
    device->EndScene();
}

IDirect3DTexture9* spriteTexture(SpriteHandle handle) {
    Sprite* sprite = findSprite(handle);
    return sprite ? sprite->texture : nullptr;
}
