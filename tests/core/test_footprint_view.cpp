// What the main window adds to a footprint's drawing: pad numbers on the
// pads, and a view that holds the texts shown.
#include "footprint_fixture.h"

using namespace tarnel;

namespace {

// White pixels (pad numbers are written in white) in the box [x1, x2) x [y1, y2).
int WhiteIn(const TForm1Core& v, int x1, int y1, int x2, int y2) {
    int n = 0;
    for (int y = y1; y < y2; ++y)
        for (int x = x1; x < x2; ++x) n += v.WorkCanvas().Pixel(x, y) == kWhite;
    return n;
}

} // namespace

TEST_F(Footprint, PadNumbersWhereTheyCanBeRead) {
    const std::string fp = Fp("(pad 5 smd rect (at 10 10) (size 3 3) (layers F.Cu))"
                              "(pad 6 smd rect (at 15 10) (size 0.2 0.2) (layers F.Cu))"
                              "(pad \"\" smd rect (at 20 10) (size 3 3) (layers F.Cu))");
    const struct {
        const char* name;
        bool numbers;
        bool big, small, unnamed;
    } cases[] = {{"off", false, false, false, false}, {"on", true, true, false, false}};
    for (const auto& c : cases) {
        v.Options().PadNumbers = c.numbers;
        Draw(fp);
        // Inside the 3 mm pad (a box of about 100 pixels at divisor 10).
        EXPECT_EQ(WhiteIn(v, Px(8.5) + 1, Px(8.5) + 1, Px(11.5) - 1, Px(11.5) - 1) > 0, c.big) << c.name;
        // The 0.2 mm pad is a few pixels: no number.
        EXPECT_EQ(WhiteIn(v, Px(14.9), Px(9.9), Px(15.1), Px(10.1)) > 0, c.small) << c.name;
        // A pad without a number has none.
        EXPECT_EQ(WhiteIn(v, Px(18.5) + 1, Px(8.5) + 1, Px(21.5) - 1, Px(11.5) - 1) > 0, c.unnamed) << c.name;
        // The number stands inside its pad: the copper around it stays.
        EXPECT_EQ(v.WorkCanvas().Pixel(Px(8.5) + 1, Px(10)), kRed) << c.name;
    }
    // Legacy modules keep their drawing.
    v.Options().PadNumbers = true;
    v.RenderLines({"$PAD", "Sh \"5\" R 1200 1200 0 0 0", "Dr 0 0 0", "At SMD N 00888000", "Po 5000 5000", "$EndPAD"},
                  Units::Decimil, "t");
    EXPECT_EQ(WhiteIn(v, v.MapX("4450", false), v.MapY("4450", false), v.MapX("5550", false), v.MapY("5550", false)), 0);
}

TEST_F(Footprint, KeptWholeTheViewHoldsTheTexts) {
    const std::string fp = Fp("(fp_text reference \"A_LONG_REFERENCE_NAME\" (at 10 8) (layer F.SilkS))"
                              "(pad 1 smd rect (at 10 10) (size 0.5 0.5) (layers F.Cu))");
    v.Options().TextMode = 1;
    Canvas c(10, 10);
    const int w = c.TextWidth("A_LONG_REFERENCE_NAME"), h = c.TextHeight("A_LONG_REFERENCE_NAME");
    // The plain mapping: the anchor only.
    Draw(fp);
    ExpectExtents(9.75, 10.25, 8, 10.25, "plain");
    // Kept whole, as the main window draws: the text's box.
    v.Options().KeepAll = true;
    Draw(fp);
    EXPECT_EQ(v.View().ExtentMinX, Px(10) - w / 2);
    EXPECT_EQ(v.View().ExtentMaxX, Px(10) - w / 2 + w);
    EXPECT_EQ(v.View().ExtentMinY, Px(8) - h / 2);
    EXPECT_EQ(v.View().ExtentMaxY, Px(10.25));
    EXPECT_EQ(v.View().ViewWidth, w + 100);
}

TEST_F(Footprint, EachDrawingHasItsOwnBudget) {
    const std::string fp = Fp("(pad 1 smd rect (at 10 10) (size 3 3) (layers F.Cu))");
    Draw(fp);
    ASSERT_EQ(v.Status(), "");
    const int64_t one = v.WorkCanvas().Work();
    ASSERT_GT(one, 0);
    // Many drawings each within the budget: the work of one does not carry
    // over to the next.
    v.WorkCanvas().WorkLimit = one + one / 2;
    for (int i = 0; i < 5; ++i) {
        Draw(fp);
        EXPECT_EQ(v.Status(), "") << "drawing " << i;
    }
    // One past it is cut short and says so; the pad it did not reach stays white.
    v.WorkCanvas().WorkLimit = one / 100;
    Draw(Fp("(pad 1 smd rect (at 10 10) (size 3 3) (layers F.Cu))"
            "(pad 2 smd rect (at 20 10) (size 3 3) (layers F.Cu))"));
    EXPECT_EQ(v.Status(), "Desenho incompleto: o item pede trabalho demais para ser desenhado por inteiro");
    EXPECT_EQ(v.WorkCanvas().Pixel(Px(20), Px(10)), kWhite);
}
