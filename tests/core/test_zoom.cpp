// Zoom beyond the three buttons: the mapping at small divisors, the divisor
// that fits a drawing ("Ajustar"), and the wheel's steps.
#include "viewer/tarnel.h"
#include "viewer/zoom.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace tarnel;

namespace {

// A 0402 chip in a millimetre footprint: pads 0.56 x 0.62 at +-0.48, the
// body 1.0 x 0.5, the courtyard 1.86 x 0.94, and its two texts.
const char* const k0402 =
    "(footprint \"R_0402\" (version 20240108) (layer \"F.Cu\")\n"
    "  (property \"Reference\" \"REF**\" (at 0 -1.17 0) (layer \"F.SilkS\") (effects (font (size 1 1) (thickness 0.15))))\n"
    "  (property \"Value\" \"R_0402\" (at 0 1.17 0) (layer \"F.Fab\") (effects (font (size 1 1) (thickness 0.15))))\n"
    "  (fp_rect (start -0.5 -0.25) (end 0.5 0.25) (stroke (width 0.1) (type solid)) (fill none) (layer \"F.Fab\"))\n"
    "  (fp_rect (start -0.93 -0.47) (end 0.93 0.47) (stroke (width 0.05) (type solid)) (fill none) (layer \"F.CrtYd\"))\n"
    "  (pad \"1\" smd roundrect (at -0.48 0) (size 0.56 0.62) (layers \"F.Cu\" \"F.Mask\" \"F.Paste\") (roundrect_rratio 0.25))\n"
    "  (pad \"2\" smd roundrect (at 0.48 0) (size 0.56 0.62) (layers \"F.Cu\" \"F.Mask\" \"F.Paste\") (roundrect_rratio 0.25))\n"
    ")\n";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

struct Drawing {
    TForm1Core core;
    std::vector<std::string> lines;
    Units units;
    Drawing(const std::string& text, Units u, int textMode) : lines(Lines(text)), units(u) {
        core.Options().KeepAll = true;  // as the main window draws
        core.Options().TextMode = textMode;
    }
    ViewExtent At(int32_t d) {
        core.Options().ScaleDivisor = d;
        core.RenderLines(lines, units, "test");
        const bool drawn = core.View().ExtentMaxX >= core.View().ExtentMinX;
        return {core.View().ViewWidth, core.View().ViewHeight, drawn ? core.View().ExtentMaxX : -1, drawn ? core.View().ExtentMaxY : -1};
    }
};

bool Fits(const ViewExtent& e, int w, int h) {
    return e.Width <= w && e.Height <= h && e.MaxX <= 1950 && e.MaxY <= 1950;
}

} // namespace

// The origin, trunc(divisor / 115 x 250) in floating point, is the exact
// integer quotient for every divisor the view uses, the multiples of 23
// included (where divisor / 115 x 250 is a whole number), and the mapping
// draws 0 there.
TEST(Zoom, MappingOriginAtSmallDivisors) {
    const struct { int32_t divisor; int64_t origin; } hand[] = {
        {1, 2}, {2, 4}, {3, 6}, {5, 10}, {10, 21}, {20, 43}, {23, 50}, {46, 100}, {100, 217}, {115, 250}, {150, 326}, {600, 1304},
    };
    for (const auto& h : hand) EXPECT_EQ(MappingOrigin(h.divisor), h.origin) << h.divisor;
    TForm1Core core;
    for (int32_t d = 1; d <= kMaxViewDivisor; ++d) {
        ASSERT_EQ(MappingOrigin(d), int64_t{250} * d / 115) << d;
        core.Options().ScaleDivisor = d;
        ASSERT_EQ(core.MapDecimil(0, false, false), MappingOrigin(d)) << d;
    }
    // Divisor 1: a decimil is 1 / 1.15 pixel; -2.7 + 0.5 truncates to -2.
    core.Options().ScaleDivisor = 1;
    EXPECT_EQ(core.MapDecimil(115, false, false), 2 + 100);
    EXPECT_EQ(core.MapDecimil(-3, false, false), 2 - 2);
    EXPECT_EQ(core.MapDecimil(-1, false, false), 2);
}

// A view pixel goes to the drawing and back to the same pixel, at every
// divisor and any crop and shift.
TEST(Zoom, ViewPixelsAndDecimilsRoundTrip) {
    for (int32_t d : {1, 2, 3, 7, 23, 100, 150, 600})
        for (int32_t extentMin : {0, 37, 400})
            for (int64_t shift : {0, 180})
                for (int pixel : {0, 1, 50, 333, 1999}) {
                    const double v = ViewPixelToDecimil(pixel, d, extentMin, shift);
                    EXPECT_EQ(DecimilToViewPixel(v, d, extentMin, shift), pixel) << d << " " << extentMin << " " << shift;
                }
    // Pixel 51 of a crop from column 217 - 50 is one pixel right of the
    // origin: 115 decimils at divisor 100.
    EXPECT_DOUBLE_EQ(ViewPixelToDecimil(51, 100, 217, 0), 115.0);
}

// "Ajustar" gives the smallest divisor from 1 up at which the view fits:
// found here by trying every divisor in turn.
TEST(Zoom, FitDivisorIsTheSmallestThatFits) {
    const std::string big =
        "$MODULE BIG\nDS -60000 -20000 60000 -20000 120 21\nDS -60000 20000 60000 20000 120 21\n$EndMODULE BIG\n";
    const std::string offCentre = "$MODULE OFF\nDS 3000 3000 3400 3200 120 21\n$EndMODULE OFF\n";
    const struct {
        const char* name;
        std::string text;
        Units units;
        int textMode, width, height;
    } cases[] = {
        {"0402, no texts", k0402, Units::Decimil, 0, 560, 480},
        {"0402, texts", k0402, Units::Decimil, 2, 560, 480},
        {"0402, a narrow view", k0402, Units::Decimil, 0, 180, 480},
        {"a board outline 300 mm wide", big, Units::Decimil, 0, 560, 480},
        {"a small drawing far from the origin", offCentre, Units::Decimil, 0, 560, 480},
    };
    for (const auto& c : cases) {
        Drawing drawing(c.text, c.units, c.textMode);
        int32_t oracle = kMaxViewDivisor;
        for (int32_t d = 1; d <= kMaxViewDivisor; ++d)
            if (Fits(drawing.At(d), c.width, c.height)) {
                oracle = d;
                break;
            }
        const ViewExtent at100 = drawing.At(100);
        const int32_t got = FitDivisor([&](int32_t d) { return drawing.At(d); }, 100, at100, c.width, c.height);
        EXPECT_EQ(got, oracle) << c.name;
        // The drawing is left at the divisor found.
        EXPECT_EQ(drawing.core.Options().ScaleDivisor, got) << c.name;
        EXPECT_TRUE(Fits(drawing.At(got), c.width, c.height)) << c.name;
    }
    // The 0402 fills a small view at a divisor far below the buttons'
    // nearest step (20); in a large one it stops at 1, the largest drawing.
    Drawing chip(k0402, Units::Decimil, 0);
    const int32_t d = FitDivisor([&](int32_t x) { return chip.At(x); }, 100, chip.At(100), 300, 250);
    EXPECT_GT(d, 1);
    EXPECT_LT(d, 20);
    EXPECT_TRUE(chip.core.View().ViewWidth > 300 * 3 / 4 || chip.core.View().ViewHeight > 250 * 3 / 4)
        << chip.core.View().ViewWidth << " x " << chip.core.View().ViewHeight;
    EXPECT_EQ(FitDivisor([&](int32_t x) { return chip.At(x); }, 100, chip.At(100), 1500, 1500), 1);
}

TEST(Zoom, NothingFitsGivesTheSmallestDrawing) {
    Drawing chip(k0402, Units::Decimil, 0);
    int renders = 0;
    const int32_t d = FitDivisor(
        [&](int32_t x) {
            ++renders;
            return chip.At(x);
        },
        100, chip.At(100), 90, 90);  // less than the margins
    EXPECT_EQ(d, kMaxViewDivisor);
    EXPECT_EQ(chip.core.Options().ScaleDivisor, kMaxViewDivisor);
    EXPECT_LE(renders, 12);
}

TEST(Zoom, WheelStepsEachWay) {
    std::vector<int32_t> in{100}, out{1};
    while (in.back() > 1) in.push_back(WheelDivisor(in.back(), true));
    while (out.back() < kMaxViewDivisor) out.push_back(WheelDivisor(out.back(), false));
    EXPECT_EQ(std::vector<int32_t>(in.begin(), in.begin() + 6), (std::vector<int32_t>{100, 80, 64, 51, 40, 32}));
    EXPECT_EQ(std::vector<int32_t>(out.begin(), out.begin() + 6), (std::vector<int32_t>{1, 2, 3, 4, 5, 7}));
    EXPECT_LT(in.size(), 30u);  // from "Normal" to 1 in a few notches
    for (size_t i = 1; i < in.size(); ++i) EXPECT_LT(in[i], in[i - 1]);
    for (size_t i = 1; i < out.size(); ++i) EXPECT_GT(out[i], out[i - 1]);
    EXPECT_EQ(WheelDivisor(1, true), 1);
    EXPECT_EQ(WheelDivisor(kMaxViewDivisor, false), kMaxViewDivisor);
}
