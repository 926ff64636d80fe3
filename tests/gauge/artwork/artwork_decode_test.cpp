// artwork_decode_test.cpp - the PNG decoder and the loading of the artwork.
//
// Fixtures of every PNG kind are written with libpng in memory and must come
// back as exact 8-bit B, G, R, A rows; damaged or foreign bytes must fail
// the one image, with nothing read past its end (the sanitizers watch the
// fixtures' exact-size buffers) and nothing left allocated. createSprite is
// replaced by a recorder, so the test needs no drawing surface.
#include "gauge/embedded_art.h"
#include "gauge/gauge_artwork.h"
#include "gauge/png_decode.h"
#include "tests/gauge/artwork/png_fixtures.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct RecordedSprite {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> rows;
};
std::vector<RecordedSprite> recordedSprites;

} // namespace

// The compositor's entry point, recorded instead of drawn.
SpriteHandle createSprite(int32_t width, int32_t height, const uint8_t* rows) {
    recordedSprites.push_back(RecordedSprite{
        width, height, std::vector<uint8_t>(rows, rows + static_cast<size_t>(width) * height * 4)});
    return static_cast<SpriteHandle>(recordedSprites.size());
}

namespace {

// A sample of pixel i, channel c, within the bit depth; not a pattern that
// a wrong channel order or a shifted row could reproduce.
uint16_t sampleFor(int i, int c, int bitDepth) {
    const uint32_t h = static_cast<uint32_t>(i) * 2654435761u + static_cast<uint32_t>(c) * 40503u;
    const uint32_t v = (h >> 11) ^ (h >> 3);
    if (bitDepth == 16) {
        // A byte value times 257 plus an offset under 128: scaling to 8 bits
        // gives that byte back, taking the high byte would not.
        const uint32_t b = v & 0xFF;
        const int offset = static_cast<int>((v >> 8) % 200) - 100;
        return static_cast<uint16_t>(
            std::min(65535, std::max(0, static_cast<int>(b * 257) + offset)));
    }
    return static_cast<uint16_t>(v & ((1u << bitDepth) - 1));
}

uint8_t to8(uint16_t v, int bitDepth) {
    if (bitDepth == 16) {
        return static_cast<uint8_t>((v + 128) / 257);
    }
    return static_cast<uint8_t>(v * 255 / ((1 << bitDepth) - 1));
}

struct Kind {
    const char* name;
    int colourType;
    int bitDepth;
    bool interlaced;
    bool tRns;
    int width;
    int height;
};

// Test names and failure messages show the case's name.
void PrintTo(const Kind& k, std::ostream* os) {
    *os << k.name;
}

PngFixture makeFixture(const Kind& k) {
    PngFixture f;
    f.width = k.width;
    f.height = k.height;
    f.colourType = k.colourType;
    f.bitDepth = k.bitDepth;
    f.interlaced = k.interlaced;
    const int channels = channelsOf(k.colourType);
    const int n = k.width * k.height;
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < channels; ++c) {
            f.samples.push_back(sampleFor(i, c, k.bitDepth));
        }
    }
    if (k.colourType == PNG_COLOR_TYPE_RGB_ALPHA && k.bitDepth == 8) {
        // Every alpha value once, 0 included, each with a colour of its own.
        for (int i = 0; i < n; ++i) {
            f.samples[static_cast<size_t>(i) * 4 + 3] = static_cast<uint16_t>(i % 256);
        }
    }
    if (k.colourType == PNG_COLOR_TYPE_PALETTE) {
        const int entries = 1 << k.bitDepth;
        for (int e = 0; e < entries; ++e) {
            f.palette.push_back(static_cast<uint8_t>(e * 37 + 11));
            f.palette.push_back(static_cast<uint8_t>(255 - e * 13));
            f.palette.push_back(static_cast<uint8_t>(e * 91 + 3));
        }
        if (k.tRns) {
            // Fewer alphas than entries: the rest are opaque.
            for (int e = 0; e < (entries + 1) / 2; ++e) {
                f.paletteAlpha.push_back(static_cast<uint8_t>(e * 67 % 256));
            }
        }
    } else if (k.tRns) {
        // The colour of pixel 0 becomes the transparent one.
        f.transparentColour = true;
        for (int c = 0; c < channels && c < 3; ++c) {
            f.transparent[c] = f.samples[c];
        }
    }
    return f;
}

// What the decoder must give for pixel i: B, G, R, A.
void expectedPixel(const PngFixture& f, int i, uint8_t out[4]) {
    const int channels = channelsOf(f.colourType);
    const uint16_t* s = &f.samples[static_cast<size_t>(i) * channels];
    uint8_t r = 0, g = 0, b = 0, a = 255;
    switch (f.colourType) {
    case PNG_COLOR_TYPE_GRAY:
        r = g = b = to8(s[0], f.bitDepth);
        if (f.transparentColour && s[0] == f.transparent[0]) {
            a = 0;
        }
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        r = g = b = to8(s[0], f.bitDepth);
        a = to8(s[1], f.bitDepth);
        break;
    case PNG_COLOR_TYPE_RGB:
        r = to8(s[0], f.bitDepth);
        g = to8(s[1], f.bitDepth);
        b = to8(s[2], f.bitDepth);
        if (f.transparentColour && s[0] == f.transparent[0] && s[1] == f.transparent[1] &&
            s[2] == f.transparent[2]) {
            a = 0;
        }
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        r = to8(s[0], f.bitDepth);
        g = to8(s[1], f.bitDepth);
        b = to8(s[2], f.bitDepth);
        a = to8(s[3], f.bitDepth);
        break;
    case PNG_COLOR_TYPE_PALETTE:
        r = f.palette[s[0] * 3u];
        g = f.palette[s[0] * 3u + 1];
        b = f.palette[s[0] * 3u + 2];
        a = s[0] < f.paletteAlpha.size() ? f.paletteAlpha[s[0]] : 255;
        break;
    }
    out[0] = b;
    out[1] = g;
    out[2] = r;
    out[3] = a;
}

class PngKinds : public ::testing::TestWithParam<Kind> {};

TEST_P(PngKinds, DecodeToExactBgraRows) {
    const Kind& k = GetParam();
    const PngFixture f = makeFixture(k);
    const std::vector<uint8_t> png = encodePng(f);
    ASSERT_FALSE(png.empty());

    DecodedImage img;
    ASSERT_TRUE(decodePng(png.data(), png.size(), &img));
    EXPECT_EQ(img.width, k.width);
    EXPECT_EQ(img.height, k.height);
    int wrong = 0;
    for (int i = 0; i < k.width * k.height && wrong < 5; ++i) {
        uint8_t want[4];
        expectedPixel(f, i, want);
        const uint8_t* got = img.pixels + static_cast<size_t>(i) * 4;
        if (std::memcmp(want, got, 4) != 0) {
            ADD_FAILURE() << "pixel " << i % k.width << "," << i / k.width << ": got "
                          << int(got[0]) << " " << int(got[1]) << " " << int(got[2]) << " "
                          << int(got[3]) << ", want " << int(want[0]) << " " << int(want[1]) << " "
                          << int(want[2]) << " " << int(want[3]);
            ++wrong;
        }
    }
    freeDecodedImage(&img);
    EXPECT_EQ(img.pixels, nullptr);
}

// Odd sizes, so that interlacing leaves some passes short or empty.
INSTANTIATE_TEST_SUITE_P(
    AllKinds, PngKinds,
    ::testing::Values(Kind{"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false, 16, 16},
                      Kind{"rgb8", PNG_COLOR_TYPE_RGB, 8, false, false, 7, 5},
                      Kind{"rgb8_trns", PNG_COLOR_TYPE_RGB, 8, false, true, 7, 5},
                      Kind{"rgb16", PNG_COLOR_TYPE_RGB, 16, false, false, 9, 4},
                      Kind{"rgb16_trns", PNG_COLOR_TYPE_RGB, 16, false, true, 9, 4},
                      Kind{"rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, false, 9, 4},
                      Kind{"grey1", PNG_COLOR_TYPE_GRAY, 1, false, false, 13, 3},
                      Kind{"grey2", PNG_COLOR_TYPE_GRAY, 2, false, false, 13, 3},
                      Kind{"grey4", PNG_COLOR_TYPE_GRAY, 4, false, false, 13, 3},
                      Kind{"grey4_trns", PNG_COLOR_TYPE_GRAY, 4, false, true, 13, 3},
                      Kind{"grey8", PNG_COLOR_TYPE_GRAY, 8, false, false, 13, 3},
                      Kind{"grey16", PNG_COLOR_TYPE_GRAY, 16, false, false, 13, 3},
                      Kind{"grey_alpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false, 6, 6},
                      Kind{"grey_alpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, false, 6, 6},
                      Kind{"palette1", PNG_COLOR_TYPE_PALETTE, 1, false, false, 11, 3},
                      Kind{"palette2", PNG_COLOR_TYPE_PALETTE, 2, false, false, 11, 3},
                      Kind{"palette4_trns", PNG_COLOR_TYPE_PALETTE, 4, false, true, 11, 3},
                      Kind{"palette8_trns", PNG_COLOR_TYPE_PALETTE, 8, false, true, 17, 9},
                      Kind{"interlaced_rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false, 13, 11},
                      Kind{"interlaced_rgb8_trns", PNG_COLOR_TYPE_RGB, 8, true, true, 13, 11},
                      Kind{"interlaced_palette2", PNG_COLOR_TYPE_PALETTE, 2, true, true, 10, 9},
                      Kind{"interlaced_grey16", PNG_COLOR_TYPE_GRAY, 16, true, false, 9, 7},
                      Kind{"interlaced_1x1", PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false, 1, 1},
                      Kind{"interlaced_3x2", PNG_COLOR_TYPE_GRAY_ALPHA, 8, true, false, 3, 2}),
    [](const ::testing::TestParamInfo<Kind>& p) { return std::string(p.param.name); });

// ---- Damaged input ----------------------------------------------------------

std::vector<uint8_t> goodPng() {
    return encodePng(makeFixture(Kind{"", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false, 40, 30}));
}

// Offset of the first byte of the chunk `type` (its length field).
size_t chunkOffset(const std::vector<uint8_t>& png, const char* type) {
    size_t at = 8;
    while (at + 8 <= png.size()) {
        const uint32_t length = (uint32_t(png[at]) << 24) | (uint32_t(png[at + 1]) << 16) |
                                (uint32_t(png[at + 2]) << 8) | png[at + 3];
        if (std::memcmp(&png[at + 4], type, 4) == 0) {
            return at;
        }
        at += 12 + length;
    }
    return png.size();
}

// Rewrites IHDR's width and height and its CRC, so that only the size is wrong.
std::vector<uint8_t> withSize(std::vector<uint8_t> png, uint32_t width, uint32_t height) {
    const size_t ihdr = chunkOffset(png, "IHDR");
    for (int i = 0; i < 4; ++i) {
        png[ihdr + 8 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
        png[ihdr + 12 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    const uLong crc = crc32(crc32(0, nullptr, 0), &png[ihdr + 4], 17);
    for (int i = 0; i < 4; ++i) {
        png[ihdr + 21 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    }
    return png;
}

struct Damage {
    const char* name;
    std::vector<uint8_t> (*make)();
};

const Damage damages[] = {
    {"empty", [] { return std::vector<uint8_t>(); }},
    {"signature_only",
     [] {
         const std::vector<uint8_t> v = goodPng();
         return std::vector<uint8_t>(v.begin(), v.begin() + 8);
     }},
    {"not_a_png",
     [] {
         const char gif[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00";
         return std::vector<uint8_t>(gif, gif + sizeof gif - 1);
     }},
    {"bmp_header_bytes",
     [] {
         std::vector<uint8_t> v = goodPng();
         v[0] = 'B';
         v[1] = 'M';
         return v;
     }},
    {"cut_after_header",
     [] {
         const std::vector<uint8_t> v = goodPng();
         return std::vector<uint8_t>(v.begin(), v.begin() + chunkOffset(v, "IHDR") + 25);
     }},
    {"cut_inside_image_data",
     [] {
         const std::vector<uint8_t> v = goodPng();
         return std::vector<uint8_t>(v.begin(), v.begin() + chunkOffset(v, "IDAT") + 8 + 40);
     }},
    {"cut_before_end_chunk",
     [] {
         const std::vector<uint8_t> v = goodPng();
         return std::vector<uint8_t>(v.begin(), v.begin() + chunkOffset(v, "IEND"));
     }},
    {"image_data_crc_wrong",
     [] {
         std::vector<uint8_t> v = goodPng();
         v[chunkOffset(v, "IEND") - 1] ^= 0x5A;
         return v;
     }},
    {"header_crc_wrong",
     [] {
         std::vector<uint8_t> v = goodPng();
         v[chunkOffset(v, "IHDR") + 24] ^= 0x01;
         return v;
     }},
    {"zero_width", [] { return withSize(goodPng(), 0, 30); }},
    {"huge_size", [] { return withSize(goodPng(), 60000, 60000); }},
    {"larger_than_its_data", [] { return withSize(goodPng(), 40, 300); }},
};

void PrintTo(const Damage& d, std::ostream* os) {
    *os << d.name;
}

class DamagedPng : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedPng, FailsTheImage) {
    const std::vector<uint8_t> bytes = GetParam().make();
    // An exact-size copy on the heap: a read past its end is a sanitizer error.
    std::vector<uint8_t> exact(bytes.begin(), bytes.end());
    exact.shrink_to_fit();
    DecodedImage img{7, 7, reinterpret_cast<uint8_t*>(&img)};
    EXPECT_FALSE(decodePng(exact.empty() ? nullptr : exact.data(), exact.size(), &img));
    EXPECT_EQ(img.pixels, nullptr);
    EXPECT_EQ(img.width, 0);
    EXPECT_EQ(img.height, 0);
}

INSTANTIATE_TEST_SUITE_P(Faults, DamagedPng, ::testing::ValuesIn(damages),
                         [](const ::testing::TestParamInfo<Damage>& p) {
                             return std::string(p.param.name);
                         });

TEST(DamagedPng, AMidStreamFailureAfterGoodImagesLeavesDecodingSound) {
    // libpng's error path unwinds with longjmp; the next decode must still work.
    std::vector<uint8_t> good = goodPng();
    std::vector<uint8_t> bad = damages[5].make();
    for (int i = 0; i < 3; ++i) {
        DecodedImage img;
        EXPECT_FALSE(decodePng(bad.data(), bad.size(), &img));
        ASSERT_TRUE(decodePng(good.data(), good.size(), &img));
        EXPECT_EQ(img.width, 40);
        freeDecodedImage(&img);
    }
}

// ---- Loading the artwork ----------------------------------------------------

struct SlotSize {
    SpriteHandle GaugeArtwork::*slot;
    int32_t width;
    int32_t height;
};
const SlotSize slotSizes[EmbeddedImageCount] = {
    {&GaugeArtwork::SpriteBezel, 300, 300},      {&GaugeArtwork::SpriteFace, 300, 300},
    {&GaugeArtwork::SpriteCourseCard, 300, 300}, {&GaugeArtwork::SpriteNeedle, 416, 300},
    {&GaugeArtwork::SpriteFlagFill, 38, 41},     {&GaugeArtwork::SpriteFlagCover, 56, 56},
    {&GaugeArtwork::SpriteNavOff, 48, 22},       {&GaugeArtwork::SpriteGsOff, 23, 49},
    {&GaugeArtwork::SpriteLinkLamp, 30, 30},     {&GaugeArtwork::SpritePanelLight, 300, 300},
    {&GaugeArtwork::SpriteLinkGlow, 30, 30},
};

const RecordedSprite& recorded(SpriteHandle h) {
    return recordedSprites.at(h - 1);
}

TEST(LoadGaugeArtwork, MakesElevenSpritesOfTheirImagesSizes) {
    recordedSprites.clear();
    gaugeArtwork = GaugeArtwork{};
    loadGaugeArtwork();
    ASSERT_EQ(recordedSprites.size(), 11u);
    for (const SlotSize& s : slotSizes) {
        const SpriteHandle h = gaugeArtwork.*s.slot;
        ASSERT_NE(h, 0u);
        EXPECT_EQ(recorded(h).width, s.width);
        EXPECT_EQ(recorded(h).height, s.height);
    }
}

TEST(LoadGaugeArtwork, HandsTheNeedlesSoftEdgeOverUnchanged) {
    recordedSprites.clear();
    gaugeArtwork = GaugeArtwork{};
    loadGaugeArtwork();
    const RecordedSprite& needle = recorded(gaugeArtwork.SpriteNeedle);
    auto px = [&](int x, int y) { return &needle.rows[(static_cast<size_t>(y) * 416 + x) * 4]; };
    // Lowest row of the blade: alpha 115 over its shaded colour, not premultiplied.
    const uint8_t edge[4] = {136, 142, 143, 115};
    EXPECT_EQ(std::memcmp(px(300, 152), edge, 4), 0);
    const uint8_t blade[4] = {230, 248, 253, 255};
    EXPECT_EQ(std::memcmp(px(300, 150), blade, 4), 0);
    EXPECT_EQ(px(300, 153)[3], 0);
}

TEST(LoadGaugeArtwork, AFailedImageLeavesOnlyItsSlotEmpty) {
    EmbeddedImage images[EmbeddedImageCount];
    std::memcpy(images, embeddedImages, sizeof images);
    const uint8_t notPng[] = "this is not an image";
    images[1] = EmbeddedImage{"face.png", notPng, sizeof notPng};
    // The needle cut short just after its header.
    images[3].size = 33;
    std::vector<uint8_t> cut(embeddedImages[3].bytes, embeddedImages[3].bytes + 33);
    images[3].bytes = cut.data();

    recordedSprites.clear();
    GaugeArtwork art{};
    loadArtworkImages(images, &art);
    EXPECT_EQ(recordedSprites.size(), 9u);
    for (int i = 0; i < EmbeddedImageCount; ++i) {
        const SpriteHandle h = art.*slotSizes[i].slot;
        if (i == 1 || i == 3) {
            EXPECT_EQ(h, 0u) << images[i].name;
        } else {
            ASSERT_NE(h, 0u) << images[i].name;
            EXPECT_EQ(recorded(h).width, slotSizes[i].width) << images[i].name;
        }
    }
}

} // namespace
