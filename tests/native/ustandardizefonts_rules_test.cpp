#include "mylib/ustandardizefonts_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

using ocellus::FormPlacement;
using ocellus::IntRect;
using ocellus::placeScaledForm;

void expectPlacement(const FormPlacement& p, int x, int y, int w, int h) {
    EXPECT_EQ(p.x, x);
    EXPECT_EQ(p.y, y);
    EXPECT_EQ(p.width, w);
    EXPECT_EQ(p.height, h);
}

TEST(UStandardizeFontsRules, FactorForDpi) {
    const struct {
        int dpi;
        double factor;
    } cases[] = {{96, 1.0},  {120, 1.25}, {144, 1.5},  {192, 2.0}, {110, 1.0},    {111, 1.25},  {134, 1.25},
                 {135, 1.5}, {170, 1.5},  {171, 2.0},  {0, 1.0},   {-96, 1.0},    {INT_MIN, 1.0}, {INT_MAX, 2.0}};
    for (const auto& c : cases) EXPECT_EQ(ocellus::ScaleFactorForDpi(c.dpi), c.factor) << "dpi " << c.dpi;
}

TEST(UStandardizeFontsRules, CentredFormKeepsItsCentre) {
    const IntRect area{0, 0, 1920, 1040};
    // 340x200 scaled by 1.25 to 425x250: 85 / 2 = 42 left, 50 / 2 = 25 up.
    const auto p = placeScaledForm({500, 300, 840, 500}, {500, 300, 925, 550}, true, &area);
    expectPlacement(p, 458, 275, 425, 250);
}

TEST(UStandardizeFontsRules, CentringTruncatesTowardZero) {
    const IntRect area{-5000, -5000, 5000, 5000};
    // Shrinking by an odd amount moves right by the truncated half (-3 / 2 = -1).
    const auto p = placeScaledForm({100, 100, 200, 200}, {100, 100, 197, 197}, true, &area);
    expectPlacement(p, 101, 101, 97, 97);
}

TEST(UStandardizeFontsRules, NonCentredFormStaysPutInsideArea) {
    const IntRect area{0, 0, 1920, 1040};
    expectPlacement(placeScaledForm({10, 20, 110, 120}, {10, 20, 135, 145}, false, &area), 10, 20, 125, 125);
}

TEST(UStandardizeFontsRules, RightEdgePastAreaMovesLeft) {
    const IntRect area{0, 0, 1920, 1040};
    const auto p = placeScaledForm({1600, 100, 1900, 300}, {1600, 100, 1975, 350}, false, &area);
    expectPlacement(p, 1545, 100, 375, 250);
}

TEST(UStandardizeFontsRules, BottomEdgePastAreaMovesUp) {
    const IntRect area{0, 0, 1920, 1040};
    const auto p = placeScaledForm({100, 900, 300, 1000}, {100, 900, 350, 1125}, false, &area);
    expectPlacement(p, 100, 815, 250, 225);
}

TEST(UStandardizeFontsRules, WiderThanAreaEndsOnLeftEdge) {
    const IntRect area{0, 0, 800, 600};
    const auto p = placeScaledForm({100, 100, 800, 500}, {100, 100, 1000, 600}, false, &area);
    expectPlacement(p, 0, 100, 900, 500);
}

TEST(UStandardizeFontsRules, AboveAreaTopMovesDown) {
    const IntRect area{0, 40, 1920, 1080};  // taskbar at the top
    expectPlacement(placeScaledForm({50, 10, 150, 110}, {50, 10, 175, 135}, false, &area), 50, 40, 125, 125);
}

TEST(UStandardizeFontsRules, SecondMonitorWorkArea) {
    const IntRect area{1920, 0, 3200, 1024};
    // Left of the second monitor's area: clamped to its left edge, not to 0.
    expectPlacement(placeScaledForm({1800, 100, 2000, 300}, {1800, 100, 2050, 350}, false, &area), 1920, 100, 250,
                    250);
    // Past its right edge: moved back inside.
    expectPlacement(placeScaledForm({3000, 100, 3190, 300}, {3000, 100, 3240, 350}, false, &area), 2960, 100, 240,
                    250);
    // A monitor left of and above the primary has negative coordinates; those are kept.
    const IntRect leftArea{-1280, -200, 0, 824};
    expectPlacement(placeScaledForm({-1000, -100, -800, 0}, {-1000, -100, -750, 25}, false, &leftArea), -1000,
                    -100, 250, 125);
}

TEST(UStandardizeFontsRules, NoMonitorClampsAtZero) {
    expectPlacement(placeScaledForm({-50, -20, 50, 80}, {-50, -20, 75, 105}, false, nullptr), 0, 0, 125, 125);
    expectPlacement(placeScaledForm({5000, 5000, 5100, 5100}, {5000, 5000, 5125, 5125}, false, nullptr), 5000,
                    5000, 125, 125);
    // Centring may push a form at the origin negative; it is pulled back to 0.
    expectPlacement(placeScaledForm({0, 0, 100, 100}, {0, 0, 200, 200}, true, nullptr), 0, 0, 200, 200);
}

TEST(UStandardizeFontsRules, EdgeTestUsesUnmovedRectangle) {
    const IntRect area{0, 0, 1000, 800};
    // Scaled right edge 1020 is past 1000: x := 1000 - 500, overriding the centring move.
    expectPlacement(placeScaledForm({620, 100, 1020, 400}, {520, 100, 1020, 475}, true, &area), 500, 63, 500, 375);
    // A shrunk form re-centred moves right, past the edge (890 + 200 = 1090), but the scaled
    // rectangle itself ends at 990, so no correction applies.
    expectPlacement(placeScaledForm({690, 300, 1090, 400}, {790, 300, 990, 400}, true, &area), 890, 300, 200, 100);
}

TEST(UStandardizeFontsRules, ExtremeRectanglesDoNotOverflow) {
    const IntRect huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    EXPECT_EQ(huge.width(), INT_MAX);
    EXPECT_EQ(huge.height(), INT_MAX);
    const auto p = placeScaledForm({0, 0, 10, 10}, huge, true, nullptr);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.width, INT_MAX);
    const IntRect area{INT_MIN, INT_MIN, INT_MIN + 10, INT_MIN + 10};
    const auto q = placeScaledForm({0, 0, 10, 10}, {0, 0, INT_MAX, INT_MAX}, false, &area);
    EXPECT_EQ(q.x, INT_MIN);
    EXPECT_EQ(q.y, INT_MIN);
}

TEST(UStandardizeFontsRules, ScaledWarningText) {
    EXPECT_EQ(ocellus::scaledWarning(L"MainForm"),
              L"WARNING: StandardizeFormFont: Form \"MainForm\" is set to Scaled. Proper form scaling requires VCL "
              L"scaling to be disabled, unless you implement scaling by overriding the protected ChangeScale() "
              L"method of the form.");
}

TEST(UStandardizeFontsRules, AutoScrollWarningText) {
    EXPECT_EQ(ocellus::autoScrollWarning(L"AboutBox"),
              L"WARNING: StandardizeFormFont: Form \"AboutBox\" is set to AutoScroll. Form designed size will be "
              L"suseptable to changes in Windows form caption height (e.g. 2000 vs XP).");
}

TEST(UStandardizeFontsRules, ShowHintNoteText) {
    EXPECT_EQ(ocellus::showHintNote(L"MainForm"),
              L"INFORMATION: StandardizeFormFont: Turning on form \"MainForm\" hints. (ShowHint := True)");
    EXPECT_EQ(ocellus::showHintNote(L""),
              L"INFORMATION: StandardizeFormFont: Turning on form \"\" hints. (ShowHint := True)");
}

}  // namespace
