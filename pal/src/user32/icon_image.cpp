// Decoding of icon images. DIB images are bottom-up with a doubled height (colour rows, then the 1-bit
// AND mask); 32-bit ones carry their own alpha unless every alpha byte is zero, when the mask decides.
#include "user32/icon_image.h"

#include <cairo.h>

#include <cstring>

namespace pal::icons {

namespace {

const int kMaxSide = 1024;

uint32_t Le(const uint8_t* p, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

uint32_t Premultiply(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
    auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
    return (a << 24) | (mul(r) << 16) | (mul(g) << 8) | mul(b);
}

struct PngReader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
};

cairo_status_t ReadPng(void* closure, unsigned char* out, unsigned int length)
{
    auto* r = static_cast<PngReader*>(closure);
    if (length > r->size - r->at)
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, r->data + r->at, length);
    r->at += length;
    return CAIRO_STATUS_SUCCESS;
}

// Copies an ARGB32 surface out; false when it is in error or of another format.
bool FromSurface(cairo_surface_t* s, Image& out)
{
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS)
        return false;
    cairo_surface_flush(s);
    int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide)
        return false;
    cairo_format_t format = cairo_image_surface_get_format(s);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24)
        return false;
    int stride = cairo_image_surface_get_stride(s);
    const uint8_t* bits = cairo_image_surface_get_data(s);
    out.width = w;
    out.height = h;
    out.pixels.resize(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        std::memcpy(&out.pixels[size_t(y) * size_t(w)], bits + size_t(y) * size_t(stride), size_t(w) * 4);
        if (format == CAIRO_FORMAT_RGB24)
            for (int x = 0; x < w; ++x)
                out.pixels[size_t(y) * size_t(w) + size_t(x)] |= 0xFF000000u;
    }
    return true;
}

bool DecodePng(const uint8_t* data, size_t size, Image& out)
{
    PngReader reader{data, size};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(ReadPng, &reader);
    bool ok = FromSurface(s, out);
    cairo_surface_destroy(s);
    return ok;
}

bool DecodeDib(const uint8_t* data, size_t size, Image& out)
{
    if (size < 40)
        return false;
    uint32_t headerSize = Le(data, 4);
    int32_t width = int32_t(Le(data + 4, 4)), doubled = int32_t(Le(data + 8, 4));
    uint32_t bpp = Le(data + 14, 2), compression = Le(data + 16, 4), used = Le(data + 32, 4);
    if (headerSize < 40 || headerSize > size || compression != 0 || width < 1 || width > kMaxSide ||
        doubled < 2 || doubled > 2 * kMaxSide || doubled % 2)
        return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
        return false;
    int height = doubled / 2;
    size_t colours = bpp <= 8 ? (used && used < (1u << bpp) ? used : (1u << bpp)) : 0;
    size_t xorStride = ((size_t(width) * bpp + 31) / 32) * 4, andStride = ((size_t(width) + 31) / 32) * 4;
    const uint8_t* palette = data + headerSize;
    const uint8_t* xorBits = palette + colours * 4;
    const uint8_t* andBits = xorBits + xorStride * size_t(height);
    size_t needed = headerSize + colours * 4 + xorStride * size_t(height);
    if (needed > size)
        return false;
    // Some 32-bit images leave the mask out.
    bool hasMask = needed + andStride * size_t(height) <= size;

    out.width = width;
    out.height = height;
    out.pixels.assign(size_t(width) * size_t(height), 0);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = xorBits + size_t(height - 1 - y) * xorStride;
        const uint8_t* mask = andBits + size_t(height - 1 - y) * andStride;
        for (int x = 0; x < width; ++x) {
            uint32_t r, g, b, a = 255;
            if (bpp <= 8) {
                size_t bit = size_t(x) * bpp;
                uint32_t index = (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                if (index >= colours)
                    index = 0;
                b = palette[index * 4];
                g = palette[index * 4 + 1];
                r = palette[index * 4 + 2];
            } else {
                const uint8_t* p = row + size_t(x) * (bpp / 8);
                b = p[0];
                g = p[1];
                r = p[2];
                if (bpp == 32) {
                    a = p[3];
                    anyAlpha |= a != 0;
                }
            }
            if (hasMask && bpp != 32 && (mask[x / 8] >> (7 - x % 8)) & 1)
                a = 0;
            out.pixels[size_t(y) * size_t(width) + size_t(x)] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* mask = andBits + size_t(height - 1 - y) * andStride;
        for (int x = 0; x < width; ++x) {
            uint32_t& p = out.pixels[size_t(y) * size_t(width) + size_t(x)];
            uint32_t a = p >> 24;
            if (bpp == 32 && !anyAlpha)
                a = hasMask && ((mask[x / 8] >> (7 - x % 8)) & 1) ? 0 : 255;
            p = Premultiply(a, (p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
        }
    }
    return true;
}

} // namespace

bool Decode(const uint8_t* data, size_t size, Image& out)
{
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!data)
        return false;
    if (size >= 8 && std::memcmp(data, kPng, 8) == 0)
        return DecodePng(data, size, out);
    return DecodeDib(data, size, out);
}

Image Scale(const Image& in, int width, int height)
{
    if (in.width == width && in.height == height)
        return in;
    Image copy = in;
    cairo_surface_t* source = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(copy.pixels.data()), CAIRO_FORMAT_ARGB32, in.width, in.height, in.width * 4);
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(target);
    cairo_scale(cr, double(width) / in.width, double(height) / in.height);
    cairo_set_source_surface(cr, source, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    Image out;
    if (!FromSurface(target, out))
        out = Image{};
    cairo_surface_destroy(target);
    cairo_surface_destroy(source);
    return out;
}

} // namespace pal::icons
