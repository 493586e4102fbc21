// The "Detalhes" panel's texts, worked out by hand from the files: a legacy
// module, a current footprint, a current symbol, and small footprints for
// the mounting kinds.
#include "viewer/itemdetails.h"

#include "corpus.h"
#include "footprint_fixture.h"
#include "viewer/tarnel.h"

#include <gtest/gtest.h>

using namespace tarnel;

namespace {

void ExpectDetails(const ItemDetails& d, const ItemDetails& want, const std::string& what) {
    EXPECT_EQ(d.name, want.name) << what;
    EXPECT_EQ(d.library, want.library) << what;
    EXPECT_EQ(d.description, want.description) << what;
    EXPECT_EQ(d.keywords, want.keywords) << what;
    EXPECT_EQ(d.countLabel, want.countLabel) << what;
    EXPECT_EQ(d.count, want.count) << what;
    EXPECT_EQ(d.mounting, want.mounting) << what;
    EXPECT_EQ(d.size, want.size) << what;
}

} // namespace

TEST(ItemDetails, RealLibraries) {
    REQUIRE_CORPUS();
    const struct {
        std::string library, item;
        ItemDetails want;
    } cases[] = {
        // A box from -1000 to 1000 by -500 to 500 decimils around two
        // "STD" pads of 550 at ±500: 5.08 by 2.54 mm.
        {"connect.mod", "SIL-2",
         {"SIL-2", "connect.mod", "Connecteurs 2 pins", "CONN DEV", "Ilhas", "2", "furo passante", "5,08 \u00d7 2,54 mm"}},
        // The silkscreen box, ±1.4 by ±1 mm, holds the two 1 x 1.5 mm pads
        // at ±0.65; the courtyard is not drawn, the texts are left out.
        {"pretty/Jumper.pretty", "SolderJumper-2_P1.3mm_Open_Pad1.0x1.5mm",
         {"SolderJumper-2_P1.3mm_Open_Pad1.0x1.5mm", "Jumper.pretty", "SMD Solder Jumper, 1x1.5mm Pads, 0.3mm gap, open",
          "solder jumper open", "Ilhas", "2", "SMD", "2,80 \u00d7 2,00 mm"}},
        // Pins from x -5.08 to 5.08; the circles reach y -0.508, the arc's
        // middle 1.778: 10.16 by 2.286 mm.
        {"symbols/Jumper.kicad_sym", "Jumper_2_Open",
         {"Jumper_2_Open", "Jumper.kicad_sym", "Jumper, 2-pole, open", "Jumper SPST", "Pinos", "2", "",
          "10,16 \u00d7 2,29 mm"}},
    };
    for (const auto& c : cases) {
        TForm1Core v;
        v.Options().ScaleDivisor = 100;
        v.OpenLibrary(TARNEL_CORPUS "/" + c.library);
        const int i = v.FindModule(c.item);
        ASSERT_GE(i, 0) << c.item;
        v.SelectModule(i);
        ASSERT_EQ(v.Status(), "") << c.item;
        ExpectDetails(DescribeItem(v.LastFigure(), v.LibraryPath()), c.want, c.item);
        // The texts shown change nothing.
        v.Options().TextMode = 2;
        v.SelectModule(i);
        EXPECT_EQ(DescribeItem(v.LastFigure(), v.LibraryPath()).size, c.want.size) << c.item;
    }
}

TEST_F(Footprint, DetailsSayHowThePartMounts) {
    const struct {
        const char* name;
        std::string pads;
        const char* count;
        const char* mounting;
        const char* size;
    } cases[] = {
        {"smd and through-hole", "(pad 1 smd rect (at 0 0) (size 2 1) (layers F.Cu))"
                                 "(pad 2 thru_hole circle (at 3 0) (size 1.5 1.5) (drill 0.8) (layers *.Cu))",
         "2", "misto", "4,75 \u00d7 1,50 mm"},
        // A mounting hole is no pad of the part, nor is an unnamed pad counted.
        {"holes only", "(pad \"\" np_thru_hole circle (at 0 0) (size 3 3) (drill 3) (layers *.Cu))", "0", "",
         "3,00 \u00d7 3,00 mm"},
        {"nothing drawn", "", "0", "", ""},
    };
    for (const auto& c : cases) {
        Draw(Fp(c.pads));
        ASSERT_EQ(v.Status(), "") << c.name;
        const ItemDetails d = DescribeItem(v.LastFigure(), "/x/Lib.pretty/");
        EXPECT_EQ(d.name, "T") << c.name;
        EXPECT_EQ(d.library, "Lib.pretty") << c.name;
        EXPECT_EQ(d.countLabel, "Ilhas") << c.name;
        EXPECT_EQ(d.count, c.count) << c.name;
        EXPECT_EQ(d.mounting, c.mounting) << c.name;
        EXPECT_EQ(d.size, c.size) << c.name;
    }
}

TEST(ItemDetails, MillimetresWithADecimalComma) {
    const struct {
        double mm;
        const char* text;
    } cases[] = {{5.08, "5,08"}, {2.286, "2,29"}, {0, "0,00"}, {-0.001, "0,00"}, {1234.5, "1234,50"}};
    for (const auto& c : cases) EXPECT_EQ(MillimetreText(c.mm), c.text) << c.mm;
}
