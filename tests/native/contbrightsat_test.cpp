#include "app/contbrightsat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

#include "../support/colour_reference.h"

namespace ocellus {
namespace {

using testing_support::ColourReference;
using testing_support::referenceContrastCurve;
using Bytes = std::vector<std::uint8_t>;

// Adjusts one row of 3-byte pixels held in a vector.
Bytes adjusted(Bytes pixels, std::int32_t brightness, std::int32_t contrast, std::int32_t saturation) {
    const PixelView view{static_cast<int>(pixels.size() / 3), 1, pixels.data(), 0, 3};
    AdjustBitmapColours(view, brightness, contrast, saturation);
    return pixels;
}

struct Params {
    std::int32_t b, c, s;
};
const Params kParams[] = {{250, 70, 290},   {256, 0, 256},     {300, -40, 100},
                          {-20, 100, 1000}, {INT_MAX, INT_MIN, INT_MAX},
                          {INT_MIN, INT_MAX, INT_MIN},      {0, 0, 0},
                          {1 << 24, 300, -290}};

constexpr std::int32_t kB = 250, kC = 70, kS = 290;

TEST(ContBrightSatCurve, FactorAndShape) {
    EXPECT_DOUBLE_EQ(contrastFactor(70), 2.2026892645852665);
    EXPECT_NEAR(contrastFactor(100), 63.66, 0.01);
    EXPECT_EQ(contrastFactor(100), contrastFactor(99));
    EXPECT_EQ(contrastCurve(100), contrastCurve(99));
    EXPECT_DOUBLE_EQ(contrastFactor(0), 1.0);
    EXPECT_NEAR(contrastFactor(-50), 0.70710, 1e-4);

    // Worked out by hand for the program's contrast: (i - 170) * 2.2026893 + 170, rounded and clamped.
    const std::pair<int, int> points[] = {{0, 0},     {93, 0},    {94, 3},    {128, 77},  {150, 126},
                                          {170, 170}, {200, 236}, {208, 254}, {209, 255}, {255, 255}};
    const auto curve = contrastCurve(70), reference = referenceContrastCurve(70);
    for (const auto& [i, v] : points) {
        EXPECT_EQ(curve[i], v) << i;
        EXPECT_EQ(reference[i], v) << i;
    }
    EXPECT_TRUE(std::is_sorted(curve.begin(), curve.end()));
    // Lower contrast: k = cos(50 * 0.015708) = 0.70711.
    const auto lower = contrastCurve(-50);
    EXPECT_EQ(lower[0], 50);
    EXPECT_EQ(lower[100], 121);  // 120.503
    EXPECT_EQ(lower[255], 230);

    const auto identity = contrastCurve(0);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(identity[i], i);
    for (std::int32_t c : {-100, -99, -30, -1, 1, 30, 99, 101, 250, INT_MIN, INT_MAX})
        EXPECT_EQ(contrastCurve(c), referenceContrastCurve(c)) << c;
}

TEST(ContBrightSatPixels, KnownResults) {
    struct Case { Bytes in, out; };
    const Case cases[] = {
        {{0, 0, 0}, {0, 0, 0}},
        {{255, 255, 255}, {255, 255, 255}},
        {{128, 128, 128}, {71, 71, 71}},
        {{170, 170, 170}, {161, 161, 161}},
        {{64, 64, 64}, {0, 0, 0}},
        {{192, 192, 192}, {207, 207, 207}},
        {{50, 100, 200}, {0, 5, 249}},
        {{0, 0, 255}, {0, 0, 255}},
        {{200, 150, 100}, {238, 117, 0}},  // mean 150, base -21, levels 206, 150, 93
        {{180, 190, 170}, {181, 205, 157}},  // mean 180, base -25, levels 180, 191, 168
    };
    for (const Case& c : cases) {
        EXPECT_EQ(adjusted(c.in, kB, kC, kS), c.out);
        // The same colour over a bottom-up picture big enough for the large-picture path.
        constexpr int kSide = 200;
        Bytes big(static_cast<std::size_t>(kSide * kSide * 4));
        for (std::size_t i = 0; i < big.size(); i += 4) std::copy(c.in.begin(), c.in.end(), &big[i]);
        AdjustBitmapColours(PixelView{kSide, kSide, &big[big.size() - kSide * 4], -kSide * 4, 4}, kB, kC, kS);
        for (std::size_t i = 0; i < big.size(); i += 4)
            ASSERT_TRUE(std::equal(c.out.begin(), c.out.end(), &big[i])) << "pixel " << i / 4;
    }
}

TEST(ContBrightSatPixels, LargePictureMatchesReference) {
    // A wide spread of bytes and means, for 3- and 4-byte pixels; the settings cover both the
    // folded-clamp tables and the wide ranges that keep the clamp in the loop.
    for (int bpp : {3, 4}) {
        Bytes in(static_cast<std::size_t>(256 * 256 * bpp));
        for (int i = 0; i < 256 * 256; ++i) {
            std::uint8_t* px = &in[static_cast<std::size_t>(i * bpp)];
            px[0] = static_cast<std::uint8_t>(i & 0xFF);
            px[1] = static_cast<std::uint8_t>(i >> 8);
            px[2] = static_cast<std::uint8_t>((i * 37) >> 8);
            if (bpp == 4) px[3] = 0x5A;
        }
        for (const Params& p : kParams) {
            const ColourReference ref(p.b, p.c, p.s);
            Bytes expect = in, got = in;
            for (std::size_t i = 0; i < expect.size(); i += static_cast<std::size_t>(bpp)) ref.apply(&expect[i]);
            AdjustBitmapColours(PixelView{256, 256, got.data(), 256 * bpp, bpp}, p.b, p.c, p.s);
            EXPECT_EQ(got, expect) << bpp << ": " << p.b << " " << p.c << " " << p.s;
        }
    }
}

TEST(ContBrightSatLayout, BottomUpAndPaddingRows) {
    // Three stored rows of 2 pixels + 2 padding bytes; the picture is the last two rows,
    // bottom-up, so row 0 is the last stored row.
    constexpr int kRowBytes = 8;
    Bytes buf(3 * kRowBytes, 128);
    AdjustBitmapColours(PixelView{2, 2, buf.data() + 2 * kRowBytes, -kRowBytes, 3}, kB, kC, kS);
    for (int r = 0; r < 3; ++r)
        for (int i = 0; i < kRowBytes; ++i) {
            const bool inPicture = r >= 1 && i < 6;
            EXPECT_EQ(buf[r * kRowBytes + i], inPicture ? 71 : 128) << "row " << r << " byte " << i;
        }
}

TEST(ContBrightSatLayout, InvalidViewsAreLeftAlone) {
    Bytes buf(64, 128);
    const Bytes before = buf;
    const PixelView views[] = {
        {0, 2, buf.data(), 16, 4},  {2, 0, buf.data(), 16, 4},   {-1, 2, buf.data(), 16, 4},
        {2, -3, buf.data(), 16, 4}, {2, 2, nullptr, 16, 4},      {2, 2, buf.data(), 16, 2},
        {2, 2, buf.data(), 16, 5},  {2, 2, buf.data(), 16, 0},
    };
    for (const PixelView& v : views) AdjustBitmapColours(v, kB, kC, kS);
    EXPECT_EQ(buf, before);
}

}  // namespace
}  // namespace ocellus
