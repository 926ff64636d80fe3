// file_writers.cpp - PNG through libpng, and the icon written by hand.
#include "tools/artgen/file_writers.h"

#include <algorithm>
#include <cstdio>
#include <png.h>

namespace {

struct PngFile {
    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

bool writePngRows(PngFile* f, const Image& img, const std::vector<uint8_t>& rgba) {
    if (setjmp(png_jmpbuf(f->png))) {
        return false;
    }
    png_init_io(f->png, f->file);
    // Fixed settings: the bytes depend on the pixels and nothing else.
    png_set_compression_level(f->png, 9);
    png_set_compression_mem_level(f->png, 9);
    png_set_compression_strategy(f->png, 0);
    png_set_filter(f->png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_set_IHDR(f->png, f->info, static_cast<png_uint_32>(img.width),
                 static_cast<png_uint_32>(img.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(f->png, f->info);
    for (int y = 0; y < img.height; ++y) {
        png_write_row(f->png, rgba.data() + static_cast<size_t>(y) * img.width * 4);
    }
    png_write_end(f->png, f->info);
    return true;
}

} // namespace

bool writePng(const std::string& path, const Image& img) {
    const std::vector<uint8_t> rgba = toRgba8(img);
    PngFile f;
    f.file = std::fopen(path.c_str(), "wb");
    if (f.file == nullptr) {
        std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
        return false;
    }
    f.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    f.info = f.png != nullptr ? png_create_info_struct(f.png) : nullptr;
    bool ok = f.info != nullptr && writePngRows(&f, img, rgba);
    png_destroy_write_struct(&f.png, &f.info);
    ok = std::fclose(f.file) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "artgen: failed writing %s\n", path.c_str());
    }
    return ok;
}

// ---- Icon -------------------------------------------------------------------

namespace {

struct Colour8 {
    uint8_t r, g, b;
};

// Median cut: split the box with the widest channel range at its median
// until there are `count` boxes; each box's mean is one palette colour.
std::vector<Colour8> medianCut(std::vector<Colour8> pixels, size_t count) {
    struct Box {
        size_t begin, end;
    };
    std::vector<Box> boxes;
    if (!pixels.empty()) {
        boxes.push_back(Box{0, pixels.size()});
    }
    auto range = [&](const Box& b, int* channel) {
        int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
        for (size_t i = b.begin; i < b.end; ++i) {
            const uint8_t v[3] = {pixels[i].r, pixels[i].g, pixels[i].b};
            for (int c = 0; c < 3; ++c) {
                lo[c] = std::min(lo[c], static_cast<int>(v[c]));
                hi[c] = std::max(hi[c], static_cast<int>(v[c]));
            }
        }
        int best = 0;
        for (int c = 1; c < 3; ++c) {
            if (hi[c] - lo[c] > hi[best] - lo[best]) {
                best = c;
            }
        }
        *channel = best;
        return hi[best] - lo[best];
    };
    while (boxes.size() < count) {
        // The box to split: widest range, weighted by its pixel count.
        size_t pick = boxes.size();
        long bestScore = 0;
        int pickChannel = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            int channel = 0;
            const int r = range(boxes[i], &channel);
            const long score =
                static_cast<long>(r) * static_cast<long>(boxes[i].end - boxes[i].begin);
            if (r > 0 && boxes[i].end - boxes[i].begin > 1 && score > bestScore) {
                bestScore = score;
                pick = i;
                pickChannel = channel;
            }
        }
        if (pick == boxes.size()) {
            break; // every box holds one colour
        }
        Box b = boxes[pick];
        auto key = [pickChannel](const Colour8& c) {
            return pickChannel == 0 ? c.r : (pickChannel == 1 ? c.g : c.b);
        };
        std::stable_sort(pixels.begin() + static_cast<long>(b.begin),
                         pixels.begin() + static_cast<long>(b.end),
                         [&](const Colour8& x, const Colour8& y) { return key(x) < key(y); });
        const size_t mid = b.begin + (b.end - b.begin) / 2;
        boxes[pick] = Box{b.begin, mid};
        boxes.push_back(Box{mid, b.end});
    }
    std::vector<Colour8> palette;
    for (const Box& b : boxes) {
        unsigned long sum[3] = {0, 0, 0};
        for (size_t i = b.begin; i < b.end; ++i) {
            sum[0] += pixels[i].r;
            sum[1] += pixels[i].g;
            sum[2] += pixels[i].b;
        }
        const unsigned long n = b.end - b.begin;
        palette.push_back(Colour8{static_cast<uint8_t>((sum[0] + n / 2) / n),
                                  static_cast<uint8_t>((sum[1] + n / 2) / n),
                                  static_cast<uint8_t>((sum[2] + n / 2) / n)});
    }
    return palette;
}

void put16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// One icon image: BITMAPINFOHEADER (height doubled for the two masks), the
// 256-entry palette, the colour indices bottom-up, the 1-bit AND mask.
std::vector<uint8_t> iconEntry(const Image& img) {
    const int n = img.width;
    const std::vector<uint8_t> rgba = toRgba8(img);
    std::vector<Colour8> opaque;
    for (size_t i = 0; i < rgba.size(); i += 4) {
        if (rgba[i + 3] >= 128) {
            opaque.push_back(Colour8{rgba[i], rgba[i + 1], rgba[i + 2]});
        }
    }
    // Entry 0 is black, for the transparent pixels (XOR 0 leaves the screen
    // as the AND mask made it).
    std::vector<Colour8> palette{Colour8{0, 0, 0}};
    for (const Colour8& c : medianCut(opaque, 255)) {
        palette.push_back(c);
    }
    palette.resize(256, Colour8{0, 0, 0});

    const int xorStride = (n + 3) / 4 * 4;
    const int andStride = ((n + 7) / 8 + 3) / 4 * 4;
    std::vector<uint8_t> out;
    put32(out, 40);
    put32(out, static_cast<uint32_t>(n));
    put32(out, static_cast<uint32_t>(2 * n));
    put16(out, 1);
    put16(out, 8);
    put32(out, 0); // BI_RGB
    put32(out, static_cast<uint32_t>((xorStride + andStride) * n));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (const Colour8& c : palette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    std::vector<uint8_t> andMask(static_cast<size_t>(andStride) * n, 0);
    for (int row = n - 1; row >= 0; --row) {
        const int outRow = n - 1 - row;
        for (int x = 0; x < xorStride; ++x) {
            uint8_t index = 0;
            if (x < n) {
                const uint8_t* p = &rgba[(static_cast<size_t>(row) * n + x) * 4];
                if (p[3] >= 128) {
                    long best = -1;
                    for (int i = 1; i < 256; ++i) {
                        const long dr = p[0] - palette[i].r, dg = p[1] - palette[i].g,
                                   db = p[2] - palette[i].b;
                        const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
                        if (best < 0 || d < best) {
                            best = d;
                            index = static_cast<uint8_t>(i);
                        }
                    }
                } else {
                    andMask[static_cast<size_t>(outRow) * andStride + x / 8] |=
                        static_cast<uint8_t>(0x80 >> (x % 8));
                }
            }
            out.push_back(index);
        }
    }
    out.insert(out.end(), andMask.begin(), andMask.end());
    return out;
}

} // namespace

bool writeIcon(const std::string& path, const std::vector<Image>& sizes) {
    std::vector<std::vector<uint8_t>> entries;
    for (const Image& img : sizes) {
        entries.push_back(iconEntry(img));
    }
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, 1); // icon
    put16(out, static_cast<unsigned>(entries.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const int n = sizes[i].width;
        out.push_back(static_cast<uint8_t>(n));
        out.push_back(static_cast<uint8_t>(n));
        out.push_back(0); // 256 colours
        out.push_back(0);
        put16(out, 1);
        put16(out, 8);
        put32(out, static_cast<uint32_t>(entries[i].size()));
        put32(out, offset);
        offset += static_cast<uint32_t>(entries[i].size());
    }
    for (const std::vector<uint8_t>& e : entries) {
        out.insert(out.end(), e.begin(), e.end());
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
        return false;
    }
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}
