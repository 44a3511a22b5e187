#include "app/contbrightsat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <random>
#include <vector>

namespace ocellus {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Adjusts one row of 3-byte pixels held in a vector.
Bytes adjusted(Bytes pixels, std::int32_t brightness, std::int32_t contrast, std::int32_t saturation) {
    const PixelView view{static_cast<int>(pixels.size() / 3), 1, pixels.data(), 0, 3};
    AdjustBitmapColours(view, brightness, contrast, saturation);
    return pixels;
}

// Straight from the formulas, one pixel at a time, to check the table-driven loops.
class Reference {
public:
    Reference(std::int32_t brightness, std::int32_t contrast, std::int32_t saturation)
        : brightness_(brightness), saturation_(saturation), curve_(contrastCurve(contrast)) {}

    void apply(std::uint8_t* p) const {
        const int mean = (p[0] + p[1] + p[2]) / 3;
        const int base = mean - weight(mean);
        std::uint8_t out[3];
        for (int c = 0; c < 3; ++c) out[c] = level(std::clamp(base + weight(p[c]), 0, 255));
        std::copy(out, out + 3, p);
    }

private:
    int weight(int m) const {
        return static_cast<std::uint16_t>(
            static_cast<std::uint32_t>(static_cast<std::int64_t>(m + 1) * saturation_) >> 8);
    }
    std::uint8_t level(int j) const {
        const auto t = static_cast<std::int32_t>(static_cast<std::uint32_t>(
            static_cast<std::uint64_t>(256 - std::int64_t{brightness_} + std::int64_t{brightness_} * j)));
        return curve_[static_cast<std::size_t>(std::clamp(t / 256, 0, 255))];
    }
    std::int32_t brightness_, saturation_;
    std::array<std::uint8_t, 256> curve_;
};

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

    const auto curve = contrastCurve(70);
    for (int i = 0; i <= 93; ++i) EXPECT_EQ(curve[i], 0) << i;
    EXPECT_GT(curve[94], 0);
    EXPECT_EQ(curve[170], 170);
    EXPECT_LT(curve[208], 255);
    for (int i = 209; i <= 255; ++i) EXPECT_EQ(curve[i], 255) << i;
    EXPECT_TRUE(std::is_sorted(curve.begin(), curve.end()));

    const auto identity = contrastCurve(0);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(identity[i], i);
    EXPECT_EQ(contrastCurve(-50)[0], 50);  // -170 * 0.7071 + 170 = 49.79
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
            const Reference ref(p.b, p.c, p.s);
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
