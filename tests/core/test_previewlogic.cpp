#include "preview/core/previewlogic.h"

#include <gtest/gtest.h>

using namespace tarnel;

TEST(PreviewLogic, ZoomText) {
    const struct { const char* text; int zoom; } table[] = {
        {"75 %", 75}, {" 150 %", 150}, {"abc", 100}, {"", 100}, {"600", 600}, {"1 0 %", 10}, {"12.5", 100}};
    for (auto& row : table) EXPECT_EQ(ParseZoomText(QString::fromUtf8(row.text)), row.zoom) << row.text;
}

TEST(PreviewLogic, ZoomLimitsAndFits) {
    PageViewLogic v;
    EXPECT_EQ(v.PageSize100(), QSize(794, 1123));
    EXPECT_FALSE(v.SetZoom(1));
    EXPECT_FALSE(v.SetZoom(2001));
    EXPECT_EQ(v.Zoom, 100);
    EXPECT_TRUE(v.SetZoom(2));
    v.ZoomToFit(800, 600);  // min(round(800/794*95), round(600/1123*95)) = min(96, 51)
    EXPECT_EQ(v.Zoom, 51);
    EXPECT_EQ(v.State, PageViewLogic::ZoomState::FitPage);
    v.ZoomToWidth(800);     // round(800/794*90) = 91
    EXPECT_EQ(v.Zoom, 91);
    EXPECT_EQ(v.State, PageViewLogic::ZoomState::FitWidth);
    v.SetZoom(100);
    EXPECT_EQ(v.State, PageViewLogic::ZoomState::Other);
    EXPECT_EQ(v.SheetSize(), QSize(798, 1127));
    EXPECT_EQ(v.OffsetX(1000), 101);
    EXPECT_EQ(v.OffsetY(1000), 0);  // taller than the display: top
}
