#pragma once
#include "viewer/tarnel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Renders command lines through the real render pass.
struct Render : ::testing::Test {
    tarnel::TForm1Core v;
    void SetUp() override { v.Options().ScaleDivisor = 100; }
    void Draw(std::vector<std::string> lines) {
        v.RenderLines(lines, v.LineUnits(), "");
    }
    int mx(int64_t x) { return v.MapX(std::to_string(x), false); }
    int my(int64_t y) { return v.MapY(std::to_string(y), false); }
    tarnel::Color W(int x, int y) const { return v.WorkCanvas().Pixel(x, y); }
    tarnel::Color V(int x, int y) const {
        return (x < v.View().ViewWidth && y < v.View().ViewHeight) ? v.ViewImage().Pixel(x, y) : 0x7F7F7F;
    }
    // Number of pixels of colour c in the work canvas box [x1,x2) x [y1,y2).
    int Count(tarnel::Color c, int x1 = 0, int y1 = 0, int x2 = 2000, int y2 = 2000) const {
        int n = 0;
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x) n += W(x, y) == c;
        return n;
    }
};
