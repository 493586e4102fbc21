#pragma once
// Draws footprint text through the viewer and computes, from the drawing
// rules, where a millimetre coordinate must land.
#include "tokenizer/libtext.h"
#include "viewer/tarnel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

struct Footprint : ::testing::Test {
    tarnel::TForm1Core v;
    void SetUp() override {
        v.Options().ScaleDivisor = 10;
        v.Options().TextMode = 0;
    }
    void Draw(const std::string& text) { v.RenderLines(tarnel::SplitLines(text), tarnel::Units::Millimetre, "test"); }
    // mm -> decimils (x 10000 / 25.4, halves to even) -> pixel, as the
    // legacy mapping places a decimil coordinate.
    int Px(double mm) const {
        const long double d = std::nearbyint(mm * 10000.0 / 25.4);
        const long double div = v.Options().ScaleDivisor;
        const int64_t origin = static_cast<int64_t>(std::trunc(div / 115.0L * 250.0L));
        return static_cast<int>(origin + static_cast<int64_t>(std::trunc(d / div / 1.15L + 0.5L)));
    }
    tarnel::Color At(double xmm, double ymm) const { return v.WorkCanvas().Pixel(Px(xmm), Px(ymm)); }
    // Extents expected for a drawing spanning [x1, x2] x [y1, y2] mm.
    void ExpectExtents(double x1, double x2, double y1, double y2, const std::string& what) const {
        EXPECT_EQ(v.View().ExtentMinX, std::max(Px(x1), 0)) << what;
        EXPECT_EQ(v.View().ExtentMaxX, Px(x2)) << what;
        EXPECT_EQ(v.View().ExtentMinY, std::max(Px(y1), 0)) << what;
        EXPECT_EQ(v.View().ExtentMaxY, Px(y2)) << what;
        EXPECT_EQ(v.View().ViewWidth, v.View().ExtentMaxX - v.View().ExtentMinX + 100) << what;
        EXPECT_EQ(v.View().ViewHeight, v.View().ExtentMaxY - v.View().ExtentMinY + 100) << what;
    }
};

// A footprint file around some elements.
inline std::string Fp(const std::string& body, const std::string& version = "20240108") {
    return "(footprint \"T\" (version " + version + ") (layer \"F.Cu\")\n" + body + "\n)\n";
}
inline std::string OldModule(const std::string& body) { return "(module T (layer F.Cu)\n" + body + "\n)\n"; }
