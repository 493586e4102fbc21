#include "render_fixture.h"

using namespace tarnel;

namespace {
std::vector<std::string> PadBlock(const std::string& sh, const std::string& at = "STD", const std::string& po = "1000 0",
                                  const std::string& dr = "300") {
    std::vector<std::string> b = {"$PAD"};
    if (!sh.empty()) b.push_back("Sh \"1\" " + sh);
    if (!dr.empty()) b.push_back("Dr " + dr + " 0 0");
    b.push_back("At " + at + " N 00E0FFFF");
    b.push_back("Ne 0 \"\"");
    b.push_back("Po " + po);
    b.push_back("$EndPAD");
    return b;
}
} // namespace

TEST_F(Render, RectangularPadWithDrill) {
    v.Options().ScaleDivisor = 10;
    Draw(PadBlock("R 600 400 0 0 0"));
    EXPECT_EQ(v.PadCount(), 1);
    const int l = mx(700), t = my(-200), r = mx(1300), b = my(200);
    EXPECT_EQ(v.View().ExtentMinX, l);
    EXPECT_EQ(v.View().ExtentMaxX, r);
    EXPECT_EQ(W(l, (t + b) / 2), kGreen);          // outline
    EXPECT_EQ(W(l + 2, t + 2), kGreen);            // interior
    EXPECT_EQ(W(r, (t + b) / 2), kWhite);          // right edge excluded
    EXPECT_EQ(W(r - 1, b - 1), kGreen);
    EXPECT_EQ(W((mx(850) + mx(1150)) / 2, my(0)), kBlack);  // drill
    EXPECT_EQ(W(mx(800), my(0)), kGreen);
}

TEST_F(Render, PadOrientationSwapsSizes) {
    v.Options().ScaleDivisor = 10;
    for (const char* o : {"900", "1800", "450"}) {
        Draw(PadBlock(std::string("R 600 400 0 0 ") + o, "STD", "1000 5000"));
        EXPECT_EQ(v.View().ExtentMinX, mx(800)) << o;
        EXPECT_EQ(v.View().ExtentMaxX, mx(1200)) << o;
        EXPECT_EQ(v.View().ExtentMinY, my(4700)) << o;
        EXPECT_EQ(v.View().ExtentMaxY, my(5300)) << o;
    }
}

TEST_F(Render, CirclePadSetsSizeYForLaterPads) {
    v.Options().ScaleDivisor = 10;
    auto lines = PadBlock("C 600 400 0 0 0", "STD", "1000 1000", "0");
    auto second = PadBlock("", "STD", "3000 1000", "");
    lines.insert(lines.end(), second.begin(), second.end());
    Draw(lines);
    EXPECT_EQ(v.PadCount(), 2);
    EXPECT_EQ(v.Interpreter().PadState.SizeY, 600);
    EXPECT_EQ(v.View().ExtentMinY, my(700));
    EXPECT_EQ(v.View().ExtentMaxY, my(1300));
    EXPECT_EQ(v.View().ExtentMaxX, mx(3300));
    // Round pad: corner of the box stays white, centre green.
    EXPECT_EQ(W(mx(700), my(700)), kWhite);
    EXPECT_EQ(W(mx(1000) + 5, my(1000)), kGreen);
}

TEST_F(Render, PadAttributes) {
    v.Options().ScaleDivisor = 10;
    const struct { const char* at; Color c; int counted; } table[] = {
        {"STD", kGreen, 1}, {"CONN", kGreen, 1}, {"SMD", kRed, 1}, {"HOLE", kOlive, 0}, {"smd", kOlive, 0}, {"MECA", kOlive, 0}};
    for (auto& row : table) {
        Draw(PadBlock("R 600 400 0 0 0", row.at, "1000 0", "0"));
        EXPECT_EQ(v.PadCount(), row.counted) << row.at;
        EXPECT_EQ(W(mx(800), my(0)), row.c) << row.at;
    }
}

TEST_F(Render, OvalPadHoleShowsPadAndBodyColours) {
    v.Options().ScaleDivisor = 10;
    Draw(PadBlock("O 600 600 0 0 0", "STD", "0 0", "300"));
    EXPECT_EQ(W(mx(0), my(0)), kGreen & kBlue);  // black with the default colours
    v.Options().CorCorpo = 0xFFFFFF;                        // a white body colour leaves the hole unseen
    Draw(PadBlock("O 600 600 0 0 0", "STD", "0 0", "300"));
    EXPECT_EQ(W(mx(0), my(0)), kGreen);
}

TEST_F(Render, PadSizeTruncatesTowardZero) {
    v.Options().ScaleDivisor = 1;  // one library unit is close to one pixel
    Draw(PadBlock("R 55 55 0 0 0", "STD", "-1000 0", "0"));
    EXPECT_EQ(v.View().ExtentMaxX, v.MapX("-972", false));  // -972.5 truncated, not floored
    EXPECT_NE(v.MapX("-972", false), v.MapX("-973", false));
    Draw(PadBlock("R 55 55 0 0 0", "STD", "100 0", "0"));
    EXPECT_EQ(v.View().ExtentMinX, v.MapX("72", false));
    EXPECT_EQ(v.View().ExtentMaxX, v.MapX("127", false));
}

TEST_F(Render, PadWithoutShapeIsDrawnAsAnEllipse) {
    v.Options().ScaleDivisor = 10;
    TForm1Core fresh;
    fresh.Options().ScaleDivisor = 10;
    fresh.SetLines(ModuleText::FromLines({"$PAD", "At STD N 0", "Po 0 0", "$EndPAD"}));
    fresh.B_converterClick();
    EXPECT_EQ(fresh.PadCount(), 1);
    EXPECT_EQ(fresh.Interpreter().PadState.Shape, "");
    EXPECT_EQ(fresh.View().ViewWidth, 100);  // zero-size pad at the centre
}

TEST_F(Render, CircleRadiusRule) {
    v.Options().ScaleDivisor = 10;
    const struct { const char* line; int64_t cx, r; } table[] = {
        {"DC 5000 5000 5500 0 150 21", 5000, 714},
        {"DC 5000 5000 6000 0 150 21", 5000, 1000},
        {"DC 5000 5000 5999 0 150 21", 5000, 1427},
        {"DC -100 5000 200 0 150 21", -100, 143},   // |100 - 200|: the sides of X = 0 count
        {"DC 5000 5000 5000 5500 150 21", 5000, 0},  // only X counts
    };
    for (auto& row : table) {
        Draw({row.line});
        EXPECT_EQ(v.View().ExtentMaxX, mx(row.cx + row.r)) << row.line;
        EXPECT_EQ(v.View().ExtentMinY, my(5000 - row.r)) << row.line;
        EXPECT_EQ(v.View().ExtentMaxY, my(5000 + row.r)) << row.line;
    }
    Draw({"DC 5000 5000 6000 0"});
    EXPECT_EQ(W(mx(4000), my(5000)), kBlue);   // outline
    EXPECT_EQ(W(mx(5000), my(5000)), kWhite);  // white fill under the mask
}

TEST_F(Render, ArcQuarterAndHalf) {
    v.Options().ScaleDivisor = 10;
    // Quarter: counter-clockwise on screen from the radial through (0, 1000)
    // to the one through (1000, 0): the lower right quarter.
    Draw({"DA 5000 5000 6000 5000 900 150 21"});
    EXPECT_EQ(v.View().ViewWidth, 101);  // arcs never widen the extents
    const int cx = mx(5000), cy = my(5000), r = mx(6000) - mx(5000);
    const int d = static_cast<int>(r * 0.7071);
    EXPECT_GT(Count(kBlue, cx + d - 3, cy + d - 3, cx + d + 4, cy + d + 4), 0);    // lower right
    EXPECT_EQ(Count(kBlue, cx - d - 3, cy - d - 3, cx - d + 4, cy - d + 4), 0);    // upper left
    EXPECT_EQ(Count(kBlue, cx + d - 3, cy - d - 3, cx + d + 4, cy - d + 4), 0);    // upper right
    // Half: 3600 reduces to 180, the computed point is (-1000, 0): the lower half.
    Draw({"DA 5000 5000 6000 5000 3600 150 21"});
    EXPECT_GT(Count(kBlue, cx - d - 3, cy + d - 3, cx - d + 4, cy + d + 4), 0);
    EXPECT_GT(Count(kBlue, cx + d - 3, cy + d - 3, cx + d + 4, cy + d + 4), 0);
    EXPECT_EQ(Count(kBlue, cx - 3, cy - r - 3, cx + 4, cy - r + 3), 0);
}

TEST_F(Render, ArcEdgeCases) {
    Draw({"DA 0 0 0 0 900 150 21"});  // r = 0
    EXPECT_EQ(Count(kBlue, 0, 0, 500, 500), 0);
    v.Options().DrawArcs = false;
    v.WorkCanvas().PenColor = kRed;
    v.interpreta_linha("DA 0 0 1000 0 900 150 21");
    EXPECT_EQ(v.WorkCanvas().PenColor, kRed);  // unchecked: nothing changes
    v.Options().DrawArcs = true;
    // A radius whose square passes 32 bits is not drawn and never overflows.
    Draw({"DA 0 0 50000 0 900", "DA -2000000000 0 2000000000 0 900"});
    EXPECT_EQ(Count(kBlue, 0, 0, 2000, 2000), 0);
    EXPECT_EQ(v.WorkCanvas().PenColor, kBlue);
}

TEST_F(Render, TextChoices) {
    const std::vector<std::string> lines = {"T0 0 0 600 600 0 120 N V 21 \"REF\"", "T1 0 10000 600 600 0 120 N V 21 \"VAL\""};
    const int t0y = my(0) + 20, t1y = my(10000);
    auto inked = [&](int y) { return Count(kBlack, mx(0), y, mx(0) + 40, y + 13); };
    v.Options().TextMode = 0;
    Draw(lines);
    EXPECT_EQ(inked(t0y), 0);
    EXPECT_EQ(v.View().ViewWidth, 101);  // positions not tracked either
    v.Options().TextMode = 1;
    Draw(lines);
    EXPECT_GT(inked(t0y), 0);
    EXPECT_EQ(inked(t1y), 0);
    EXPECT_EQ(v.View().ExtentMinY, my(0));  // the anchor, without the 20-pixel shift
    EXPECT_EQ(v.WorkCanvas().PenColor, kTeal);
    v.Options().TextMode = 2;
    Draw(lines);
    EXPECT_GT(inked(t0y), 0);
    EXPECT_GT(inked(t1y), 0);
}

TEST_F(Render, TextTokenAtTokenCount) {
    v.Options().TextMode = 2;
    Draw({"T1 0 0 600 600 0 120 N V 21 \"A B C\""});
    const int wide = Count(kBlack, 0, 0, 2000, 2000);
    Draw({"T1 0 0 600 600 0 120 N V 21 \"A\""});
    EXPECT_GT(wide, Count(kBlack, 0, 0, 2000, 2000));  // inner blanks kept
    Draw({"T1 0 0 600 600 0 120 N V 21 \"\" X"});       // unquoted last: the one before
    EXPECT_EQ(Count(kBlack, 0, 0, 2000, 2000), 0);
}

TEST_F(Render, SymbolRectangleAndPolylines) {
    Draw({"S -1000 -1000 1000 1000 0 1 0 N"});
    EXPECT_EQ(W(mx(-1000), my(0)), kBlack);
    EXPECT_EQ(W(mx(0), my(-1000)), kBlack);
    EXPECT_EQ(W(mx(0), my(0)), kWhite);
    // Open polyline of two points: one segment.
    Draw({"P 2 0 0 0 0 0 1000 1000 N"});
    EXPECT_EQ(W(mx(500), my(500)), kBlack);
    // Closed triangle with F: the closing segment back to the first point exists.
    Draw({"P 3 0 0 0 0 0 1000 1000 1000 0 F"});
    EXPECT_EQ(W(mx(500), my(500)), kBlack);
    EXPECT_EQ(W(mx(1000), my(500)), kBlack);
    EXPECT_EQ(W(mx(500), my(0)), kBlack);
    // Trailing blank after F: not closed.
    Draw({"P 3 0 0 0 0 0 1000 1000 1000 0 F "});
    EXPECT_EQ(W(mx(500), my(0)), kWhite);
    // Body style 2: nothing.
    Draw({"P 2 0 2 0 0 0 1000 1000 N"});
    EXPECT_EQ(v.View().ViewWidth, 101);
    // Reserved closing point that does not match: goes to the canvas corner.
    Draw({"P 2 0 0 0 500 0 F"});
    EXPECT_EQ(W(1, 0), kWhite);
    EXPECT_GT(Count(kBlack, 0, 0, 2000, 2), 0);
}

TEST_F(Render, PolylineCountsOutsideTheTableDrawNothing) {
    Draw({"P -5 0 0 0 0 0 100 100 N"});
    EXPECT_EQ(v.View().ViewWidth, 101);
    Draw({"P 148 0 0 0 0 0 100 100 N"});
    EXPECT_EQ(v.View().ViewWidth, 101);
    Draw({"P 99999999999999999999 0 0 0 0 0 100 100 N"});
    EXPECT_EQ(v.View().ViewWidth, 101);
    Draw({"P 3 0 0 0 0 0 1000 1000 N"});  // missing pair: a point at the mapped origin
    EXPECT_EQ(v.View().ExtentMinX, mx(0));
}

TEST_F(Render, Pins) {
    // Unit 2: nothing.
    Draw({"X A 1 0 0 300 R 50 50 2 1 P"});
    EXPECT_EQ(v.View().ViewWidth, 101);
    // Unit 1, body style 1: the pin line from the anchor to the far end.
    Draw({"X ~ 1 0 0 3000 R 50 50 1 1 P"});
    EXPECT_EQ(v.View().ExtentMaxX, mx(3000));
    EXPECT_EQ(W(mx(1500), my(0)), kBlack);
    EXPECT_EQ(v.WorkCanvas().FontColor, kBlack);
    // Length 0 texts are olive.
    Draw({"X NAME 1 0 0 0 R 50 50 1 1 P"});
    EXPECT_EQ(v.WorkCanvas().FontColor, kOlive);
    EXPECT_GT(Count(kOlive, 0, 0, 2000, 2000), 0);
    // An inverted pin draws its bubble and switches to copy mode.
    Draw({"X A 1 0 0 3000 R 50 50 1 1 P I", "S -1000 -1000 1000 1000"});
    EXPECT_EQ(v.WorkCanvas().Mode, PenMode::Copy);
    const int X = mx(3000), Y = my(0);
    EXPECT_EQ(W(X - 16, Y), kBlack);  // the bubble's left edge
    // An unknown orientation letter draws only the anchor mark.
    Draw({"X A 1 0 0 3000 Q 50 50 1 1 P"});
    EXPECT_EQ(v.View().ExtentMaxX, mx(0));
    EXPECT_GT(Count(kBlack, mx(0) - 4, my(0) - 2, mx(0) + 2, my(0) + 2), 0);
}

TEST_F(Render, PinNameEqualToNumberDrawnOnce) {
    Draw({"X 1 1 0 0 3000 L 50 50 1 1 P"});
    const int once = Count(kBlack, 0, 0, 2000, 2000);
    Draw({"X 2 1 0 0 3000 L 50 50 1 1 P"});
    EXPECT_GT(Count(kBlack, 0, 0, 2000, 2000), once);
}

TEST_F(Render, FieldsInTealAndFontColourCarries) {
    Draw({"F0 \"U\" 0 0 50 H I C CNN"});
    EXPECT_EQ(v.WorkCanvas().FontColor, kTeal);
    EXPECT_GT(Count(kTeal, 0, 0, 2000, 2000), 0);
    v.Options().TextMode = 2;
    Draw({"T1 0 0 600 600 0 120 N V 21 \"VAL\""});  // a later pass keeps teal
    EXPECT_GT(Count(kTeal, 0, 0, 2000, 2000), 0);
}

// Kept whole (the main window): a drawing reaching left of the canvas moves
// right by what it lacks of the 50-pixel margin; the plain mapping (catalogs,
// tarnel-cli render) cuts it at 0.
TEST_F(Render, KeepAllMovesTheDrawingIntoView) {
    // At divisor 100: origin 217; -40000 maps to -130, 40000 to 565.
    const std::vector<std::string> lines = {"DS -40000 0 40000 0 120 21", "$PAD", "Sh \"1\" C 600 600 0 0 0",
                                            "At STD N 00E0FFFF", "Po -39000 0", "$EndPAD"};
    Draw(lines);
    EXPECT_EQ(v.View().ExtentMinX, 0);
    EXPECT_EQ(v.View().ExtentMaxX, 565);
    EXPECT_EQ(v.View().ViewWidth, 665);
    EXPECT_EQ(v.PadCount(), 1);
    v.Options().KeepAll = true;
    Draw(lines);
    EXPECT_EQ(v.View().ShiftX, 180);
    EXPECT_EQ(v.View().ShiftY, 0);  // 217 is inside the margin already
    EXPECT_EQ(v.View().ExtentMinX, 50);
    EXPECT_EQ(v.View().ExtentMaxX, 745);
    EXPECT_EQ(v.View().ViewWidth, 795);
    EXPECT_EQ(v.PadCount(), 1);  // drawn twice, counted once
    // The left end of the segment lies at the margin, the pad 9 pixels on.
    EXPECT_EQ(W(50, 217), v.Options().CorCorpo);
    EXPECT_EQ(W(49, 217), kWhite);
    EXPECT_EQ(W(59, 215), v.Options().CorPad);
    // A drawing already in view does not move.
    Draw({"DS 0 0 1000 0 120 21"});
    EXPECT_EQ(v.View().ShiftX, 0);
}
