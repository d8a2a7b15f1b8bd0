// The images of icon resources: a PNG (as stored for large icons since Vista) or a DIB with its AND mask.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pal::icons {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // premultiplied 0xAARRGGBB, top-down
};

// False for data that is neither, is truncated, or is larger than 1024 pixels a side.
bool Decode(const uint8_t* data, size_t size, Image& out);

// The image resampled to width by height.
Image Scale(const Image& in, int width, int height);

} // namespace pal::icons
