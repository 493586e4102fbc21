#include "corpus.h"
#include "render_fixture.h"
#include "tokenizer/libtext.h"

using namespace tarnel;

TEST(Units, MillimetreTextToDecimil) {
    const struct { const char* mm; int64_t decimil; } table[] = {
        {"-10.75", -4232}, {"1.2", 472}, {"0.3", 118}, {"25.4", 10000}, {"0", 0}, {"1.27", 500}};
    for (auto& row : table) EXPECT_EQ(MmTextToDecimil(row.mm), row.decimil) << row.mm;
}

TEST(Units, HeaderDeclaresUnits) {
    EXPECT_EQ(ScanUnits("PCBNEW-LibModule-V1\nUnits mm\n$MODULE A\n"), Units::Millimetre);
    EXPECT_EQ(ScanUnits("PCBNEW-LibModule-V1\n  UNITS MM\n"), Units::Millimetre);
    EXPECT_EQ(ScanUnits("PCBNEW-LibModule-V1\nUnits deci\n"), Units::Decimil);
    EXPECT_EQ(ScanUnits("PCBNEW-LibModule-V1\n$MODULE A\nUnits mm\n"), Units::Decimil);  // after a module
    EXPECT_EQ(ScanUnits("PCBNEW-LibModule-V1\r\n$MODULE A\r\n"), Units::Decimil);
}

TEST(Units, MillimetreLibraryDrawsItsPadsApart) {
    REQUIRE_CORPUS();
    TForm1Core v;
    v.Options().ScaleDivisor = 100;
    v.FileListBox1Click(TARNEL_CORPUS "/units_mm/lqfp.mod");
    auto it = std::find(v.ModuleList().begin(), v.ModuleList().end(), "LQFP144");
    ASSERT_NE(it, v.ModuleList().end());
    v.SetItemIndex(static_cast<int>(it - v.ModuleList().begin()));
    v.ListBox1Click();
    EXPECT_EQ(v.PadCount(), 144);
    // Pad rows at X = +-10.75 mm (4232 decimils), 1.2 mm long (472):
    // boxes -4468..-3996 and 3996..4468 -> columns 179..183 and 252..256.
    EXPECT_EQ(v.View().ExtentMinX, 179);
    EXPECT_EQ(v.View().ExtentMaxX, 256);
    EXPECT_EQ(v.View().ExtentMinY, 179);
    EXPECT_EQ(v.View().ExtentMaxY, 256);
    EXPECT_EQ(v.View().ViewWidth, 177);
    EXPECT_EQ(v.View().ViewHeight, 177);
    // Pad "9" at (-10.75, -4.75) mm: rows -1929..-1811 decimil -> row 201.
    EXPECT_EQ(v.WorkCanvas().Pixel(181, 201), kRed);
    // The body outline DS -9.75 -10 9.75 -10 runs along row 217 - 33 = 184.
    EXPECT_EQ(v.WorkCanvas().Pixel(200, 184), kBlue);
    // Red pads on all four sides of the body.
    auto redIn = [&](int x1, int y1, int x2, int y2) {
        int n = 0;
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x) n += v.WorkCanvas().Pixel(x, y) == kRed;
        return n;
    };
    EXPECT_GT(redIn(179, 190, 184, 245), 30);
    EXPECT_GT(redIn(252, 190, 257, 245), 30);
    EXPECT_GT(redIn(190, 179, 245, 184), 30);
    EXPECT_GT(redIn(190, 252, 245, 257), 30);
    // Converter on the extracted lines keeps the library's units.
    v.RestartPadCount();
    v.B_converterClick();
    EXPECT_EQ(v.View().ViewWidth, 177);
}
