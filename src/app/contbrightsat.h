// Brightness, contrast and saturation adjustment of a captured picture, in place.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/pixelview.h"

namespace ocellus {

// brightness 256 and contrast 0 are neutral; saturation 256 is neutral, 0 greys out.
// A view that is empty, has no buffer or an unknown pixel size is left alone.
void AdjustBitmapColours(const PixelView& bitmap, std::int32_t brightness, std::int32_t contrast,
                         std::int32_t saturation);

// Enhance: a touch darker, more contrast, stronger colours.
inline void EnhanceColours(const PixelView& bitmap) { AdjustBitmapColours(bitmap, 250, 70, 290); }

// The contrast curve AdjustBitmapColours applies, and its slope.
double contrastFactor(std::int32_t contrast);
std::array<std::uint8_t, 256> contrastCurve(std::int32_t contrast);

}  // namespace ocellus
