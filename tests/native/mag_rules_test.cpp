#include "app/mag_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <set>

namespace ocellus {
namespace {

constexpr int kPicW = 572, kPicH = 356, kScrW = 1920, kScrH = 1080;

TEST(MagRulesSource, ExtentPerZoomCode) {
    struct Case { int zoom, w, h; };
    const Case cases[] = {{2, 572, 356}, {3, 380, 236}, {4, 286, 178}, {6, 190, 118}, {8, 142, 88},
                          {12, 94, 58},  {18, 62, 38},  {24, 46, 28},  {30, 38, 22}};
    for (const Case& c : cases) {
        const SourceRect r = sourceRectangle(960, 540, kPicW, kPicH, c.zoom, {0, 0, kScrW, kScrH});
        EXPECT_EQ(r.width, c.w) << "zoom " << c.zoom;
        EXPECT_EQ(r.height, c.h) << "zoom " << c.zoom;
        EXPECT_EQ(r.left, 960 - c.w / 2) << "zoom " << c.zoom;
        EXPECT_EQ(r.markerX, 286);
        EXPECT_EQ(r.markerY, 178);
    }
}

TEST(MagRulesSource, PointerPositionsAtZoom6) {
    struct Case { int x, y, left, top, right, bottom, mx, my; };
    const Case cases[] = {
        {960, 540, 865, 481, 1055, 599, 286, 178},   // centred
        {0, 0, 0, 0, 190, 118, 1, 1},                // corner: marker floored at 1
        {10, 10, 0, 0, 190, 118, 30, 30},            // near the top-left corner
        {1919, 1079, 1730, 962, 1920, 1080, 569, 353},  // bottom-right corner
        {95, 59, 0, 0, 190, 118, 286, 178},          // exactly fits: no clamping
        {1825, 1021, 1730, 962, 1920, 1080, 286, 178},  // exactly fits on the far side
    };
    for (const Case& c : cases) {
        const SourceRect r = sourceRectangle(c.x, c.y, kPicW, kPicH, 6, {0, 0, kScrW, kScrH});
        SCOPED_TRACE(testing::Message() << "pointer " << c.x << "," << c.y);
        EXPECT_EQ(r.left, c.left);
        EXPECT_EQ(r.top, c.top);
        EXPECT_EQ(r.right(), c.right);
        EXPECT_EQ(r.bottom(), c.bottom);
        EXPECT_EQ(r.markerX, c.mx);
        EXPECT_EQ(r.markerY, c.my);
    }
}

TEST(MagRulesSource, RightEdgeMarkerHasNoLowerLimit) {
    // The left clamp floors the marker at 1, but the right clamp that follows replaces
    // it with (-500 + 90) / 190 * 572 = -1234.3.
    const SourceRect r = sourceRectangle(-500, 540, kPicW, kPicH, 6, {0, 0, 100, kScrH});
    EXPECT_EQ(r.left, 100 - 190);
    EXPECT_EQ(r.markerX, -1234);
}

TEST(MagRulesSource, ScreenNarrowerThanSourceEndsWithNegativeLeft) {
    // Source 572 wide (zoom 2) on a 400-wide screen: left clamps to 0, then right to -172.
    const SourceRect r = sourceRectangle(10, 540, kPicW, kPicH, 2, {0, 0, 400, kScrH});
    EXPECT_EQ(r.left, -172);
    EXPECT_EQ(r.width, 572);
    EXPECT_EQ(r.right(), 400);
    EXPECT_EQ(r.markerX, 182);  // (10 + 172) / 572 * 572
}

TEST(MagRulesSource, MarkerRoundsHalfToEven) {
    // Picture 12 at zoom 3: extent 8, so the marker is an exact multiple of 1.5.
    struct Case { int x, marker; };
    const Case leftEdge[] = {{1, 2}, {3, 4}, {2, 3}, {0, 1}, {-1, 1}};  // 1.5, 4.5, 3, 0, -1.5
    for (const Case& c : leftEdge) {
        const SourceRect r = sourceRectangle(c.x, 50, 12, 12, 3, {0, 0, 100, 100});
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.markerX, c.marker) << "x " << c.x;
    }
    const Case rightEdge[] = {{97, 8}, {99, 10}, {101, 14}, {98, 9}};  // 7.5, 10.5, 13.5, 9
    for (const Case& c : rightEdge) {
        const SourceRect r = sourceRectangle(50, c.x, 12, 12, 3, {0, 0, 100, 100});
        EXPECT_EQ(r.top, 92);
        EXPECT_EQ(r.markerY, c.marker) << "y " << c.x;
    }
}

TEST(MagRulesSource, ZeroExtentKeepsCentreMarker) {
    // Picture smaller than the zoom code: no division by zero, centre marker, clamped position.
    const SourceRect a = sourceRectangle(-5, 2000, 5, 7, 6, {0, 0, kScrW, kScrH});
    EXPECT_EQ(a.width, 0);
    EXPECT_EQ(a.height, 2);  // 7 div 6 = 1, doubled
    EXPECT_EQ(a.left, 0);
    EXPECT_EQ(a.markerX, 2);
    EXPECT_EQ(a.top, kScrH - 2);

    const SourceRect b = sourceRectangle(3000, -9, 5, 5, 6, {0, 0, kScrW, kScrH});
    EXPECT_EQ(b.width, 0);
    EXPECT_EQ(b.height, 0);
    EXPECT_EQ(b.left, kScrW);
    EXPECT_EQ(b.top, 0);
    EXPECT_EQ(b.markerX, 2);
    EXPECT_EQ(b.markerY, 2);
}

TEST(MagRulesSource, NonPositiveZoomOrPictureGivesEmptySource) {
    for (int zoom : {0, -1, INT_MIN}) {
        const SourceRect r = sourceRectangle(100, 200, kPicW, kPicH, zoom, {0, 0, kScrW, kScrH});
        EXPECT_EQ(r.width, 0);
        EXPECT_EQ(r.height, 0);
        EXPECT_EQ(r.left, 100);
        EXPECT_EQ(r.top, 200);
        EXPECT_EQ(r.markerX, 286);
        EXPECT_EQ(r.markerY, 178);
    }
    const SourceRect n = sourceRectangle(100, 200, -572, INT_MIN, 6, {0, 0, kScrW, kScrH});
    EXPECT_EQ(n.width, 0);
    EXPECT_EQ(n.height, 0);
    EXPECT_EQ(n.markerX, 0);
    EXPECT_EQ(n.markerY, 0);
}

TEST(MagRulesSource, ExtremeValuesStayInRange) {
    const int v[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX - 1, INT_MAX};
    for (int x : v)
        for (int pic : v)
            for (int zoom : {1, 2, 30, INT_MAX})
                for (int scr : v) {
                    const SourceRect r = sourceRectangle(x, x, pic, pic, zoom, {0, 0, scr, scr});
                    EXPECT_GE(r.width, 0);
                    EXPECT_GE(r.height, 0);
                    // right()/bottom() must not overflow (UBSan checks); the edge stays
                    // on the screen unless the left had to saturate.
                    EXPECT_LE(r.right(), std::max(scr, -1));
                    EXPECT_LE(r.bottom(), std::max(scr, -1));
                }
    // Huge picture at zoom 1: the true width (2 * INT_MAX) saturates, and the right edge
    // still lands on the screen edge or left of it.
    const SourceRect r = sourceRectangle(0, 0, INT_MAX, INT_MAX, 1, {0, 0, 1920, 1080});
    EXPECT_EQ(r.width, INT_MAX);
    EXPECT_EQ(r.left, INT_MIN);
    EXPECT_LE(r.right(), 1920);
}

// A 1024 x 768 monitor beside a 1280 x 1024 primary, to its right or its left.
constexpr IntRect kRightOfPrimary{1280, 0, 2304, 768}, kLeftOfPrimary{-1024, 0, 0, 768};

TEST(MagRulesSource, KeepsToTheMonitorUnderThePointer) {
    struct Case { const char* where; IntRect monitor; int x, y, left, top, mx, my; };
    const Case cases[] = {
        {"middle", kRightOfPrimary, 1792, 384, 1697, 325, 286, 178},
        {"outer edge", kRightOfPrimary, 2303, 384, 2114, 325, 569, 178},
        {"edge beside the primary", kRightOfPrimary, 1280, 384, 1280, 325, 1, 178},
        {"top edge", kRightOfPrimary, 1792, 0, 1697, 0, 286, 1},
        {"bottom edge, above the primary's", kRightOfPrimary, 1792, 767, 1697, 650, 286, 353},
        {"outer edge at negative x", kLeftOfPrimary, -1024, 384, -1024, 325, 1, 178},
        {"near the outer corner", kLeftOfPrimary, -1014, 10, -1024, 0, 30, 30},
        {"edge beside the primary", kLeftOfPrimary, -1, 383, -190, 324, 569, 178},
        {"top edge of a monitor above", {0, -768, 1024, 0}, 500, -768, 405, -768, 286, 1},
        {"bottom edge of a monitor above", {0, -768, 1024, 0}, 500, -1, 405, -118, 286, 353},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        const SourceRect r = sourceRectangle(c.x, c.y, kPicW, kPicH, 6, c.monitor);
        EXPECT_EQ(r.left, c.left);
        EXPECT_EQ(r.top, c.top);
        EXPECT_EQ(r.width, 190);
        EXPECT_EQ(r.height, 118);
        EXPECT_EQ(r.markerX, c.mx);
        EXPECT_EQ(r.markerY, c.my);
    }
}

TEST(MagRulesSource, ExtremeMonitorEdgesStayInRange) {
    const int v[] = {INT_MIN, -1, 0, 1, INT_MAX};
    for (int low : v)
        for (int high : v)
            for (int x : v) {
                const SourceRect r = sourceRectangle(x, x, kPicW, kPicH, 2, {low, low, high, high});
                EXPECT_GE(r.width, 0);
                EXPECT_LE(r.right(), std::max(high, INT_MIN + kPicW));
                EXPECT_LE(r.bottom(), std::max(high, INT_MIN + kPicH));
            }
}

TEST(MagRulesReadout, FormatsTable) {
    struct Case { std::uint32_t colour; const wchar_t *rgb, *hex, *tcolor; };
    const Case cases[] = {
        {0x000000FFu, L"RGB: 255,0,0", L"$FF0000", L"255"},
        {0x00FF0000u, L"RGB: 0,0,255", L"$0000FF", L"16711680"},
        {0xFFFFFFFFu, L"RGB: 255,255,255", L"$FFFFFF", L"-1"},
        {0x00000000u, L"RGB: 0,0,0", L"$000000", L"0"},
        {0x000A0B0Cu, L"RGB: 12,11,10", L"$0C0B0A", L"658188"},
        {0x80000000u, L"RGB: 0,0,0", L"$000000", L"-2147483648"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readoutFor(c.colour, 1).text, c.rgb);
        EXPECT_EQ(readoutFor(c.colour, 2).text, c.hex);
        EXPECT_EQ(readoutFor(c.colour, 3).text, c.tcolor);
    }
    EXPECT_EQ(readoutFor(0, 1).hint, L"RGB");
    EXPECT_EQ(readoutFor(0, 2).hint, L"Hexadecimal");
    EXPECT_EQ(readoutFor(0, 3).hint, L"TColor");
}

TEST(MagRulesReadout, UnknownFormatReadsAsRgb) {
    for (int f : {0, 4, -1, INT_MAX, INT_MIN}) {
        const ReadoutText t = readoutFor(0x00336699u, f);
        EXPECT_EQ(t.text, L"RGB: 153,102,51");
        EXPECT_EQ(t.hint, L"RGB");
    }
}

TEST(MagRulesReadout, FormatCycleAndCoordinates) {
    EXPECT_EQ(nextReadoutFormat(1), 2);
    EXPECT_EQ(nextReadoutFormat(2), 3);
    EXPECT_EQ(nextReadoutFormat(3), 1);
    EXPECT_EQ(nextReadoutFormat(INT_MAX), 1);  // no overflow
    EXPECT_EQ(coordinatesText(640, 480), L"640, 480");
    EXPECT_EQ(coordinatesText(-3, 0), L"-3, 0");
}

TEST(MagRulesOffScreen, Positions) {
    struct Case { int left, top; bool off; };
    const Case cases[] = {
        {1300, 100, true}, {1230, 100, false}, {1231, 100, true},
        {100, -5, true},   {-200, 100, false}, {100, 974, false},
        {100, 975, true},  {0, 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isOffScreen(c.left, c.top, {0, 0, 1280, 1024}), c.off) << c.left << "," << c.top;
    EXPECT_TRUE(isOffScreen(0, 0, {0, 0, INT_MIN, INT_MIN}));   // no overflow in screen - 50
    EXPECT_FALSE(isOffScreen(INT_MIN, 0, {0, 0, 1280, 1024}));
    EXPECT_TRUE(isOffScreen(INT_MAX, INT_MAX, {0, 0, INT_MAX, INT_MAX - 1}));
}

TEST(MagRulesOffScreen, MeasuresAgainstTheGivenMonitor) {
    struct Case { IntRect monitor; int left, top; bool off; };
    const IntRect above{0, -768, 1024, 0};
    const Case cases[] = {
        {kRightOfPrimary, 1380, 50, false},  {kRightOfPrimary, 2254, 50, false},
        {kRightOfPrimary, 2255, 50, true},   {kRightOfPrimary, 1380, 718, false},
        {kRightOfPrimary, 1380, 719, true},  {kRightOfPrimary, 1380, -1, true},
        {kLeftOfPrimary, -924, 100, false},  {kLeftOfPrimary, -1500, 100, false},  // off the outer edge
        {kLeftOfPrimary, -924, 719, true},   {kLeftOfPrimary, -49, 100, true},
        {above, 100, -768, false},           {above, 100, -769, true},
        {above, 100, -50, false},            {above, 100, -49, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isOffScreen(c.left, c.top, c.monitor), c.off)
            << c.monitor.left << "," << c.monitor.top << ": " << c.left << "," << c.top;
    EXPECT_TRUE(isOffScreen(0, INT_MIN, {INT_MIN + 1, INT_MIN + 1, 0, 0}));
}

}  // namespace
}  // namespace ocellus
