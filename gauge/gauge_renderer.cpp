// gauge_renderer.cpp - drawGauge: the thirteen steps of one frame.
//
// Layer order, bottom first: the TO/FROM/NAV windows and the GS window (seen
// only through the face's holes), the face's shadow and the face, the LOC
// needle and the GS needle with their shadows, the course card (which hides
// the needles outside the face), the bezel's shadow and the bezel, the panel
// light, and the not-connected lamp with its glow.
//
// Every blend pair is selected where a step names it, also when it is already
// current; the lamp and glow take the pair in force, so with the panel light
// on they are drawn with BlendLight. Each field of instrumentState is loaded
// once. Nothing here clears the back buffer: the frame is painted over the
// previous one.
#include "gauge/gauge_renderer.h"

#include "app/instrument_state.h"
#include "display/gauge_window.h"
#include "display/sprite_compositor.h"
#include "gauge/gauge_artwork.h"
#include "settings/settings.h"

#include <bit>
#include <cstdint>

float locScale = 0.0f;
float gsScale = 0.0f;

namespace {

// -23/127 and +23/127 to the bit; the base angles 90.1 and 0.1 (not 90 and 0).
constexpr uint32_t LocScaleBits = 0xBE3972E6u;
constexpr uint32_t GsScaleBits = 0x3E3972E6u;
constexpr float LocBaseAngle = 90.1f;
constexpr float GsBaseAngle = 0.1f;
constexpr float CardBaseAngle = 360.0f;
static_assert(std::bit_cast<uint32_t>(LocBaseAngle) == 0x42B43333u);
static_assert(std::bit_cast<uint32_t>(GsBaseAngle) == 0x3DCCCCCDu);
static_assert(std::bit_cast<float>(GsScaleBits) == 23.0f / 127.0f);

constexpr uint8_t FaceShadowIntensity = 80;
constexpr uint8_t ShadowIntensity = 100;
constexpr uint8_t PanelLightIntensity = 200;
constexpr uint8_t FullIntensity = 255;

constexpr uint16_t PanelLightsBit = 0x20;

void drawWindows(int8_t toFrom) {
    const GaugeArtwork& art = gaugeArtwork;
    // Columns: FROM window, TO window, NAV window.
    switch (toFrom) {
    case 0:
        drawSprite(art.SpriteFlagCover, 168, 162, FullIntensity);
        drawSprite(art.SpriteFlagCover, 168, 89, FullIntensity);
        drawSprite(art.SpriteNavOff, 127, 215, FullIntensity);
        break;
    case 1:
        drawSprite(art.SpriteFlagCover, 168, 162, FullIntensity);
        drawSprite(art.SpriteFlagFill, 168, 89, FullIntensity);
        drawSprite(art.SpriteFlagCover, 127, 215, FullIntensity);
        break;
    case 2:
        drawSprite(art.SpriteFlagFill, 168, 162, FullIntensity);
        drawSprite(art.SpriteFlagCover, 168, 89, FullIntensity);
        drawSprite(art.SpriteFlagCover, 127, 215, FullIntensity);
        break;
    default:
        // No indication defined: the windows keep what the back buffer holds.
        break;
    }
}

} // namespace

void setNeedleScales() {
    locScale = std::bit_cast<float>(LocScaleBits);
    gsScale = std::bit_cast<float>(GsScaleBits);
}

void drawGauge() {
    const GaugeArtwork& art = gaugeArtwork;
    const InstrumentState& s = instrumentState;

    const int8_t toFrom = loadField(s.toFrom);
    const uint16_t gsFlag = loadField(s.gsFlag);
    const int8_t locNeedle = loadField(s.locNeedle);
    const int8_t gsNeedle = loadField(s.gsNeedle);
    const uint16_t obsDegrees = loadField(s.obsDegrees);
    const uint16_t lights = loadField(s.lights);
    const int8_t connected = loadField(s.connected);
    const int8_t lightEnabled = settings.lightEnabled;

    // 1. Needle angles, in 32-bit floats.
    const float locAngle = static_cast<float>(locNeedle) * locScale;
    const float gsAngle = static_cast<float>(gsNeedle) * gsScale;

    // 2.
    beginFrame();
    setBlendPair(BlendNormal);

    // 3. TO, FROM and NAV windows; 4. the GS window.
    drawWindows(toFrom);
    drawSprite(gsFlag == 1 ? art.SpriteFlagCover : art.SpriteGsOff, 221, 120, FullIntensity);

    // 5. Face shadow; 6. face.
    setBlendPair(BlendShadow);
    drawSprite(art.SpriteFace, 2, 2, FaceShadowIntensity);
    setBlendPair(BlendNormal);
    drawSprite(art.SpriteFace, 0, 0, FullIntensity);

    // 7. LOC needle, hanging from above the top edge.
    const float locRotation = locAngle + LocBaseAngle;
    setSpriteAngle(art.SpriteNeedle, locRotation);
    setBlendPair(BlendShadow);
    drawSprite(art.SpriteNeedle, -55, -152, ShadowIntensity);
    setBlendPair(BlendNormal);
    drawSprite(art.SpriteNeedle, -57, -156, FullIntensity);

    // 8. GS needle, pointing right from the left edge.
    const float gsRotation = gsAngle + GsBaseAngle;
    setSpriteAngle(art.SpriteNeedle, gsRotation);
    setBlendPair(BlendShadow);
    drawSprite(art.SpriteNeedle, -206, 0, ShadowIntensity);
    setBlendPair(BlendNormal);
    drawSprite(art.SpriteNeedle, -208, -4, FullIntensity);

    // 9. Course card, turned counter-clockwise by the OBS course.
    const float cardRotation = CardBaseAngle - static_cast<float>(obsDegrees);
    setSpriteAngle(art.SpriteCourseCard, cardRotation);
    setBlendPair(BlendNormal);
    drawSprite(art.SpriteCourseCard, 0, 0, FullIntensity);

    // 10. Bezel shadow and bezel.
    setBlendPair(BlendShadow);
    drawSprite(art.SpriteBezel, 3, 2, ShadowIntensity);
    setBlendPair(BlendNormal);
    drawSprite(art.SpriteBezel, 0, 0, FullIntensity);

    // 11. Panel light.
    if ((lights & PanelLightsBit) != 0 && lightEnabled != 0) {
        setBlendPair(BlendLight);
        drawSprite(art.SpritePanelLight, 0, 0, PanelLightIntensity);
    }

    // 12. Not-connected lamp and glow, with whatever pair is in force.
    if (connected == 0) {
        drawSprite(art.SpriteLinkLamp, 40, 40, FullIntensity);
        drawSprite(art.SpriteLinkGlow, 40, 40, FullIntensity);
    }

    // 13.
    setBlendPair(BlendNormal);
    endFrame();
    presentFrame();
}
