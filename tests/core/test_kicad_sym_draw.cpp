// Current symbols drawn: the view of real symbols worked out by hand, the
// pixels of rounded corners, inverted pins and texts, the arc rules, pin
// texts, fields, units and body styles, faults, and the same symbols drawn
// from their legacy ".lib" form.
//
// At divisor 100 a file number v (mm) is X = R(v * 16 / 0.0254) decimils,
// Y = -R(v * 16 / 0.0254), and a decimil d maps to 217 + trunc(d / 115 + 0.5)
// (217 = trunc(100 / 115 * 250)). Numbers used below:
//   mm      decimils  pixel as X   pixel as Y
//   0         0        217          217
//   0.635     400      220          215
//   1.27      800      224          211
//   2.54     1600      231          204
//   3.81     2400      238          197
//   5.08     3200      245          190
//   7.62     4800      259          176
//   10.16    6400      273          162
//   12.7     8000      287          148
//   and -v: X = 217 - (217's distance for v, one less when trunc cuts the 0.5
//   the other way): -0.635 -> 214, -1.016 -> 212, -1.27 -> 211, -2.54 -> 204,
//   -3.81 -> 197, -5.08 -> 190, -7.62 -> 176, -10.16 -> 162; as Y: -0.635 ->
//   220, -2.54 -> 231, -3.81 -> 238, -5.08 -> 245, -7.62 -> 259, -12.7 -> 287.
#include "figure/figure.h"
#include "library/kicadsymbollibrary.h"
#include "library/symbollibrary.h"
#include "symbol/arcs.h"
#include "symbol/pintext.h"
#include "tokenizer/libtext.h"
#include "viewer/figurereader.h"
#include "viewer/tarnel.h"

#include "cli_run.h"
#include "corpus.h"
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <set>

using namespace tarnel;

namespace {

const std::string kSymbols = TARNEL_CORPUS "/symbols";

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

struct Shown {
    int width, height;
    std::array<int32_t, 4> extents;
    int pins;
};

Shown ShownOf(const TForm1Core& v) {
    const ViewState s = v.View();
    return {s.ViewWidth, s.ViewHeight, {s.ExtentMinX, s.ExtentMaxX, s.ExtentMinY, s.ExtentMaxY},
            v.LastFigure().symbol.pinsDrawn};
}

// Draws symbol name of the library at path as choosing it does, at divisor
// 100, then in unit and style.
void Draw(TForm1Core& v, const std::string& path, const std::string& name, int unit = 1, int style = 1) {
    v.Options().ScaleDivisor = 100;
    v.OpenLibrary(path);
    const int i = v.FindModule(name);
    ASSERT_GE(i, 0) << name;
    v.SelectModule(i);
    if (unit != 1 || style != 1) {
        v.SetSymbolView(unit, style);
        v.ListBox1Click();
    }
}

} // namespace

// The views of real symbols, worked out from the numbers above.
TEST(KicadSymDraw, RealSymbolsViewsByHand) {
    REQUIRE_CORPUS();
    struct Case {
        const char* library;
        const char* name;
        int unit, style;
        Shown shown;
        int unitCount, styleCount;
        const char* root;
    };
    const Case cases[] = {
        // Device:R with a rounded body: the worked example of the rules.
        // Body (-1.016, -2.54)-(1.016, 2.54), pins (0, +-3.81)-(0, +-2.54),
        // Reference at (2.032, 0): x 212 … 228, y 197 … 238.
        {"modified/R_rounded.kicad_sym", "R", 1, 1, {116, 141, {212, 228, 197, 238}, 2}, 1, 1, "R"},
        // A dual op-amp of 6.0.0, derived from LM2904. Unit A: triangle
        // (-5.08, +-5.08)-(5.08, 0), inputs from x -7.62, output from 7.62,
        // Reference "U?A" at (0, 5.08), Value at (0, -5.08): x 176 … 259,
        // y 190 … 245; 183 x 155.
        {"Amplifier_Operational.kicad_sym", "LM358", 1, 1, {183, 155, {176, 259, 190, 245}, 3}, 3, 1, "LM2904"},
        // Its power unit C: pins (-2.54, +-7.62) to (-2.54, +-3.81), the
        // fields at x 0: x 204 … 217, y 176 … 259; 113 x 183.
        {"Amplifier_Operational.kicad_sym", "LM358", 3, 1, {113, 183, {204, 217, 176, 259}, 2}, 3, 1, "LM2904"},
        // A 4xxx NOR gate of 10.0.5 in both body styles: pins from x -7.62
        // and 7.62, body within y +-3.81 (no arc reaches past it): x 176 …
        // 259, y 197 … 238; 183 x 141. Four gates and a power unit.
        {"4xxx.kicad_symdir", "4001", 1, 1, {183, 141, {176, 259, 197, 238}, 3}, 5, 2, "4001"},
        {"4xxx.kicad_symdir", "4001", 1, 2, {183, 141, {176, 259, 197, 238}, 3}, 5, 2, "4001"},
        // Four levels of extends across files: the root MAX7400xSA's body
        // (-7.62, 7.62)-(7.62, -10.16), pins from x +-10.16, from y 10.16
        // and -12.7: x 162 … 273, y 162 … 287; 211 x 225.
        {"Filter.kicad_symdir", "MAX7409xUA", 1, 1, {211, 225, {162, 273, 162, 287}, 8}, 1, 1, "MAX7400xSA"},
        // A power symbol: its pin of length 0 at (0, 0), the body to
        // (+-1.27, -1.27) and (0, -2.54), Value at (0, -3.81): x 211 … 224,
        // y 217 … 238; 113 x 121.
        {"power.kicad_symdir", "GND", 1, 1, {113, 121, {211, 224, 217, 238}, 1}, 1, 1, "GND"},
        // 6.0-era half circles: pins from x +-3.81, Reference at (0, 2.032)
        // (Y 207), Value at (0, -2.54): x 197 … 238, y 207 … 231; 141 x 124.
        {"Jumper.kicad_sym", "SolderJumper_2_Bridged", 1, 1, {141, 124, {197, 238, 207, 231}, 2}, 1, 1,
         "SolderJumper_2_Bridged"},
        // Béziers: Reference at (2.54, 0), Value at (-2.54, 0), pins from
        // y +-3.81: x 204 … 231, y 197 … 238; 127 x 141.
        {"Thermal_Jumper.kicad_sym", "Thermal_Jumper", 1, 1, {127, 141, {204, 231, 197, 238}, 2}, 1, 1,
         "Thermal_Jumper"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " unit " + std::to_string(c.unit) + " style " + std::to_string(c.style));
        TForm1Core v;
        Draw(v, kSymbols + "/" + c.library, c.name, c.unit, c.style);
        EXPECT_EQ(v.Status(), "");
        const Shown s = ShownOf(v);
        EXPECT_EQ(s.width, c.shown.width);
        EXPECT_EQ(s.height, c.shown.height);
        EXPECT_EQ(s.extents, c.shown.extents);
        EXPECT_EQ(s.pins, c.shown.pins);
        const figure::SymbolView& sv = v.LastFigure().symbol;
        EXPECT_EQ(sv.unit, c.unit);
        EXPECT_EQ(sv.style, c.style);
        EXPECT_EQ(sv.unitCount, c.unitCount);
        EXPECT_EQ(sv.styleCount, c.styleCount);
        EXPECT_EQ(sv.root, c.root);
        EXPECT_TRUE(v.LinesAreKicadSym());
        EXPECT_EQ(v.LineUnits(), Units::Millimetre);
        EXPECT_EQ(v.PadCount(), 0);
    }
}

// The rounded corner leaves the corner pixel white; the same rectangle
// without its radius draws it. Body's top-left corner: (X -1.016, Y 2.54) =
// (212, 204); the left side runs down column 212 through row 217.
TEST(KicadSymDraw, RoundedRectangleCorners) {
    REQUIRE_CORPUS();
    const std::string rounded = ReadFileBytes(kSymbols + "/modified/R_rounded.kicad_sym");
    std::string sharp = rounded;
    const size_t at = sharp.find("(radius 0.508)");
    ASSERT_NE(at, std::string::npos);
    sharp.erase(at, std::string("(radius 0.508)").size());
    QTemporaryDir d;
    const std::string sharpPath = d.filePath("R.kicad_sym").toStdString();
    Write(sharpPath, sharp);
    struct Case {
        std::string path;
        Color corner;
    };
    for (const Case& c : {Case{kSymbols + "/modified/R_rounded.kicad_sym", kWhite}, Case{sharpPath, kBlack}}) {
        SCOPED_TRACE(c.path);
        TForm1Core v;
        Draw(v, c.path, "R");
        EXPECT_EQ(v.WorkCanvas().Pixel(212, 204), c.corner);
        EXPECT_EQ(v.WorkCanvas().Pixel(212, 217), kBlack);
        EXPECT_EQ(v.View().ViewWidth, 116);  // the radius changes no extents
    }
}

// 4001 unit A: in style 1 its output (7.62, 0) -> (3.81, 0) is inverted: a
// circle of radius 0.635 about (4.445, 0), box (237, 215)-(245, 220), and the
// line stops at (5.08, 0), pixel 245; in style 2 the output is a plain line
// from 259 to 237 and the inputs are inverted instead.
TEST(KicadSymDraw, DeMorganStylesDrawTheirOwnPins) {
    REQUIRE_CORPUS();
    struct Case {
        int style;
        Color bubbleTop, insideBubble;
    };
    for (const Case& c : {Case{1, kBlack, kWhite}, Case{2, kWhite, kBlack}}) {
        SCOPED_TRACE(c.style);
        TForm1Core v;
        Draw(v, kSymbols + "/4xxx.kicad_symdir", "4001", 1, c.style);
        EXPECT_EQ(v.WorkCanvas().Pixel(241, 215), c.bubbleTop);
        EXPECT_EQ(v.WorkCanvas().Pixel(240, 217), c.insideBubble);
        EXPECT_EQ(v.WorkCanvas().Pixel(250, 217), kBlack);  // the pin's line in both
        // Input 1 (-7.62, 2.54) -> (-3.81, 2.54): inverted in style 2, its
        // circle about (-4.445, 2.54) in the box X -5.08 … -3.81 = 190 … 197,
        // Y 3.175 … 1.905 = 201 … 208 (-2000 / 115 + 0.5 = -16.89: 217 - 16).
        int top = 0;
        for (int x = 190; x < 197; ++x) top += v.WorkCanvas().Pixel(x, 201) == kBlack;
        EXPECT_EQ(top > 0, c.style == 2);
    }
}

// The Bézier of Thermal_Jumper from (-0.381, 2.032) through control points
// at x -0.635 to (-0.381, 0): its middle (t = 1/2) is (-0.5715, 0.92075),
// pixel (215, 213); the chord between its ends runs down column 216.
TEST(KicadSymDraw, BezierIsACurve) {
    REQUIRE_CORPUS();
    TForm1Core v;
    Draw(v, kSymbols + "/Thermal_Jumper.kicad_sym", "Thermal_Jumper");
    EXPECT_EQ(v.WorkCanvas().Pixel(215, 213), kBlack);
    const figure::Figure& f = v.LastFigure();
    int curves = 0;
    for (const figure::Item& it : f.items) curves += it.kind == figure::Kind::Curve;
    EXPECT_EQ(curves, 4);
}

// Texts: GND's Value centred on (0, -3.81) = (217, 238); JP's pin numbers
// with names hidden and offset 0 stand centred above the pin's middle, 2
// pixels clear of the line.
TEST(KicadSymDraw, FieldsAndPinNumbersWhereTheRulesPutThem) {
    REQUIRE_CORPUS();
    const Canvas font(1, 1);
    {
        TForm1Core v;
        Draw(v, kSymbols + "/power.kicad_symdir", "GND");
        const int w = font.TextWidth("GND"), h = font.TextHeight("GND");
        const int x0 = 217 - w / 2, y0 = 238 - h / 2;
        int inside = 0, outside = 0;
        for (int y = 150; y < 300; ++y)
            for (int x = 150; x < 300; ++x)
                if (v.WorkCanvas().Pixel(x, y) == kTeal)
                    ++(x >= x0 && x < x0 + w && y >= y0 && y < y0 + h ? inside : outside);
        EXPECT_GT(inside, 10);
        EXPECT_EQ(outside, 0);
    }
    {
        // Jumper_2_Bridged: pin 1 from (-5.08, 0) to (-2.54, 0), middle
        // (-3.81, 0) = (197, 217). "1" spans x 197 - w/2 … and rows
        // 217 - 2 - h … 214.
        TForm1Core v;
        Draw(v, kSymbols + "/Jumper.kicad_sym", "Jumper_2_Bridged");
        const int w = font.TextWidth("1"), h = font.TextHeight("1");
        const int x0 = 197 - w / 2, y0 = 217 - 2 - h;
        int in = 0, gap = 0, below = 0;
        for (int y = y0 - 5; y < 235; ++y)
            for (int x = x0; x < x0 + w; ++x) {
                if (v.WorkCanvas().Pixel(x, y) != kBlack) continue;
                if (y >= y0 && y < y0 + h) ++in;
                else if (y == 215 || y == 216) ++gap;
                else if (y > 217) ++below;
            }
        EXPECT_GT(in, 3);
        EXPECT_EQ(gap, 0);
        EXPECT_EQ(below, 0);  // the name is hidden: nothing below the line
    }
}

TEST(KicadSymDraw, ArcRules) {
    using symbol::ArcShape;
    const double kOld = 20211014, kNew = 20251024;
    struct Case {
        const char* what;
        figure::Pt s, m, e;
        double version;
        ArcShape::Kind kind;
        double sweep;
        figure::Pt centre;
    };
    const double t = 1.016 * std::tan(0.25 * M_PI / 180);
    const Case cases[] = {
        {"a point", {1, 1}, {1, 1}, {1, 1}, kNew, ArcShape::Dot, 0, {0, 0}},
        {"start = end: a circle", {0, 1}, {0, -1}, {0, 1}, kNew, ArcShape::Arc, 360, {0, 0}},
        {"start = end, 6.0: a point", {0, 1}, {0, -1}, {0, 1}, kOld, ArcShape::Dot, 0, {0, 0}},
        {"on a line", {0, 0}, {1, 1}, {2, 2}, kNew, ArcShape::Segments, 0, {0, 0}},
        // SolderJumper's half circle about (-0.254, 0), bulging to -x.
        {"half circle", {-0.254, 1.016}, {-1.27, 0}, {-0.254, -1.016}, kNew, ArcShape::Arc, 180, {-0.254, 0}},
        {"half circle, 6.0", {-0.254, 1.016}, {-1.27, 0}, {-0.254, -1.016}, kOld, ArcShape::Arc, 179.5,
         {-0.254 + t, 0}},
        // A quarter circle about the origin, counter-clockwise, and back.
        {"quarter", {1, 0}, {0.6, 0.8}, {0, 1}, kOld, ArcShape::Arc, 90, {0, 0}},
        {"quarter back", {0, 1}, {0.6, 0.8}, {1, 0}, kOld, ArcShape::Arc, -90, {0, 0}},
        // Three quarters through (-1, 0): as written now, the other quarter in 6.0.
        {"three quarters", {1, 0}, {-1, 0}, {0, -1}, kNew, ArcShape::Arc, 270, {0, 0}},
        {"three quarters, 6.0", {1, 0}, {-1, 0}, {0, -1}, kOld, ArcShape::Arc, -90, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ArcShape a = symbol::ArcThroughPoints(c.s, c.m, c.e, c.version);
        EXPECT_EQ(a.kind, c.kind);
        if (a.kind != ArcShape::Arc) continue;
        EXPECT_NEAR(a.sweep, c.sweep, 1e-9);
        EXPECT_NEAR(a.centre.x, c.centre.x, 1e-9);
        EXPECT_NEAR(a.centre.y, c.centre.y, 1e-9);
    }
    // 6.0's 179.5-degree arc: radius h / cos 0.25, ends as written, and its
    // leftmost point (180 degrees) just short of the written -1.27.
    const ArcShape fixed = symbol::ArcThroughPoints({-0.254, 1.016}, {-1.27, 0}, {-0.254, -1.016}, kOld);
    EXPECT_NEAR(fixed.radius, 1.016 / std::cos(0.25 * M_PI / 180), 1e-12);
    double minX = 0;
    for (const figure::Pt& p : fixed.Extents()) minX = std::min(minX, p.x);
    EXPECT_NEAR(minX, -0.254 + t - 1.016 / std::cos(0.25 * M_PI / 180), 1e-12);
    EXPECT_GT(minX, -1.27);
    // The old centre form: at most 180 degrees, counter-clockwise at 180.
    struct Old {
        figure::Pt s, e, c;
        double sweep;
    };
    for (const Old& o : {Old{{1, 0}, {0, 1}, {0, 0}, 90}, Old{{0, 1}, {1, 0}, {0, 0}, -90},
                         Old{{1, 0}, {-1, 0}, {0, 0}, 180}, Old{{-1, 0}, {1, 0}, {0, 0}, 180},
                         Old{{1, 0}, {0, -1}, {0, 0}, -90}}) {
        const ArcShape a = symbol::ArcAboutCentre(o.s, o.e, o.c);
        EXPECT_EQ(a.kind, ArcShape::Arc);
        EXPECT_NEAR(a.sweep, o.sweep, 1e-9) << o.s.x << "," << o.s.y << " -> " << o.e.x << "," << o.e.y;
    }
}

TEST(KicadSymDraw, PinTextsAsShown) {
    struct Case {
        const char* written;
        double version;
        const char* shown;
        std::vector<std::pair<uint32_t, uint32_t>> over;
    };
    const Case cases[] = {
        {"~", 20211014, "", {}},                // "~" was empty
        {"~", 20251024, "~", {}},               // now it is a tilde
        {"IN A", 20251024, "IN_A", {}},         // spaces as "_"
        {"~{SHDN}", 20251024, "SHDN", {{0, 4}}},
        {"~{CS}/A", 20251024, "CS/A", {{0, 2}}},
        {"A~{B{x}}C", 20251024, "AB{x}C", {{1, 5}}},  // braces inside the overbar
        {"~RESET~", 20200908, "RESET", {{0, 5}}},     // the old form
        {"a~~b", 20200908, "a~b", {}},
        {"~{open", 20251024, "open", {{0, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        std::vector<figure::Overbar> over;
        EXPECT_EQ(symbol::ShownPinText(c.written, c.version, over), c.shown);
        std::vector<std::pair<uint32_t, uint32_t>> got;
        for (const auto& o : over) got.emplace_back(o.from, o.to);
        EXPECT_EQ(got, c.over);
    }
    struct Letters {
        long long unit;
        const char* letters;
    };
    for (const Letters& l : {Letters{1, "A"}, Letters{26, "Z"}, Letters{27, "AA"}, Letters{52, "AZ"},
                             Letters{53, "BA"}, Letters{702, "ZZ"}, Letters{703, "AAA"}}) {
        EXPECT_EQ(symbol::UnitLetters(l.unit), l.letters) << l.unit;
    }
}

namespace {

// A library of small symbols for the rules of units, styles and fields.
const char* const kRules = R"((kicad_symbol_lib (version 20251024)
  (symbol "Root"
    (pin_names (offset 0))
    (body_styles "Plain" "Fancy" "Third")
    (property "Reference" "U" (at 1 1 0))
    (property "Value" "Root" (at 0 -1 0))
    (property "Footprint" "FP:Root" (at 0 0 0) (hide yes))
    (property "Description" "the root" (at 0 0 0) (hide yes))
    (property "ki_keywords" "root words" (at 0 0 0) (hide yes))
    (property "MPN" "one" (at 0 2 0))
    (property "MPN" "two" (at 0 3 0) (hide yes))
    (property private "Note" "secret" (at 5 5 0))
    (rectangle (start -1 -1) (end 1 1))
    (symbol "Root_0_0" (pin passive line (at 0 -2 90) (length 1) (name "G") (number "9")))
    (symbol "Root_2_1" (pin input line (at -2 0 0) (length 1) (name "~{IN}") (number "1")))
    (symbol "Root_2_3" (pin input line (at -3 0 0) (length 2) (name "X") (number "2")))
    (symbol "Root_1_2" (pin input line (at 2 0 180) (length 1) hide (name "H") (number "3")))
    (symbol "Other_1_1" (pin input line (at 9 9 0) (name "no") (number "no")))
  )
  (symbol "Child" (extends "Root")
    (property "Reference" "K" (at 4 4 0))
    (property "Value" "" (at 7 7 0))
    (property "Footprint" "FP:Child" (at 0 0 0) (hide yes))
    (property "MPN" "child" (at 6 6 0))
    (property "ki_fp_filters" "A* B*")
    (rectangle (start -9 -9) (end 9 9))
  )
  (symbol "Lost" (extends "Nowhere"))
  (symbol "Loop1" (extends "Loop2"))
  (symbol "Loop2" (extends "Loop1"))
))";

} // namespace

TEST(KicadSymDraw, UnitsStylesAndFieldsOfAChain) {
    QTemporaryDir d;
    const std::string path = d.filePath("rules.kicad_sym").toStdString();
    Write(path, kRules);
    KicadSymbolLibrary lib(path);
    figure::Figure f;
    figure::ReadOptions o;
    ReadLibraryFigure(lib, "Root", o, f);
    // Units: the largest U (2); styles: three names and an S of 3.
    EXPECT_EQ(f.symbol.unitCount, 2);
    EXPECT_EQ(f.symbol.styleCount, 3);
    EXPECT_EQ(f.symbol.styleNames, (std::vector<std::string>{"Plain", "Fancy", "Third"}));
    // Unit 1, style 1: the shared pin 9 only (pin 3 is hidden and style 2).
    EXPECT_EQ(f.symbol.pinsDrawn, 1);
    // In body style 1, hidden ones too, each unit: 9, 1 (unit 2); not 2 (style 3) nor 3 (style 2).
    EXPECT_EQ(f.symbol.pinTotal, 2);
    EXPECT_EQ(f.pins.size(), 4u);  // "Other_1_1" is no sub-symbol of Root
    std::vector<std::string> texts;
    for (const auto& t : f.texts) texts.push_back(t.text);
    // Reference with the unit's letter; the second MPN is "MPN_1", hidden;
    // the private field is not drawn.
    EXPECT_EQ(texts, (std::vector<std::string>{"U?A", "Root", "one"}));
    EXPECT_EQ(f.fields.description, "the root");
    EXPECT_EQ(f.fields.tags, "root words");
    EXPECT_EQ(f.symbol.footprint, "FP:Root");

    o.unit = 2;
    o.style = 3;
    ReadLibraryFigure(lib, "Root", o, f);
    EXPECT_EQ(f.symbol.pinsDrawn, 2);  // 9 (shared) and 2 (unit 2, style 3)
    EXPECT_EQ(f.texts[0].text, "U?B");
    o.unit = 7;  // held to the counts
    ReadLibraryFigure(lib, "Root", o, f);
    EXPECT_EQ(f.symbol.unit, 2);

    // The derived symbol: the root's items and counts; its own rectangle is
    // ignored. Reference and Footprint replaced, the empty Value inherited,
    // MPN replaced by name, filters its own.
    o = figure::ReadOptions();
    ReadLibraryFigure(lib, "Child", o, f);
    EXPECT_EQ(f.symbol.root, "Root");
    EXPECT_EQ(f.symbol.parents, (std::vector<std::string>{"Root"}));
    EXPECT_EQ(f.symbol.unitCount, 2);
    double minX, maxX, minY, maxY;
    ASSERT_TRUE(f.Extents(minX, maxX, minY, maxY));
    EXPECT_EQ(minX, -1);  // not the child's -9
    texts.clear();
    std::vector<std::pair<double, double>> anchors;
    for (size_t i = 0; i < f.items.size(); ++i)
        if (f.items[i].kind == figure::Kind::Text) {
            texts.push_back(f.texts[f.items[i].index].text);
            anchors.emplace_back(f.PointsOf(f.items[i])[0].x, f.PointsOf(f.items[i])[0].y);
        }
    EXPECT_EQ(texts, (std::vector<std::string>{"K?A", "Root", "child"}));
    EXPECT_EQ(anchors, (std::vector<std::pair<double, double>>{{4, 4}, {0, -1}, {6, 6}}));
    EXPECT_EQ(f.symbol.footprint, "FP:Child");
    EXPECT_EQ(f.symbol.footprintFilters, (std::vector<std::string>{"A*", "B*"}));
    EXPECT_EQ(f.fields.tags, "root words");  // the nearest that has them

    // Faults name the symbol; the rest of the library is unharmed.
    struct Fault {
        const char* name;
        const char* message;
    };
    for (const Fault& c : {Fault{"Lost", "símbolo \"Lost\": o símbolo pai \"Nowhere\" não está na biblioteca"},
                           Fault{"Loop1", "símbolo \"Loop1\": sua cadeia de extends é um ciclo (Loop1 → Loop2 → Loop1)"}}) {
        SCOPED_TRACE(c.name);
        TForm1Core v;
        v.Options().ScaleDivisor = 100;
        v.OpenLibrary(path);
        v.SelectModule(v.FindModule(c.name));
        EXPECT_EQ(v.Status(), c.message);
        EXPECT_EQ(v.View().ViewWidth, 101);
        EXPECT_EQ(v.View().ViewHeight, 101);
        std::string out, err;
        EXPECT_EQ(RunCli({"render", QString::fromStdString(path), c.name}, &out, &err), 1);
        EXPECT_EQ(err, std::string("tarnel-cli render: ") + c.message + "\n");
    }
}

// The status line names the unit, the style and the chain; the core keeps
// the unit chosen while the same symbol is drawn again, and starts the next
// one at unit 1.
TEST(KicadSymDraw, InfoLineAndUnitChoice) {
    QTemporaryDir d;
    const std::string path = d.filePath("rules.kicad_sym").toStdString();
    Write(path, kRules);
    TForm1Core v;
    v.OpenLibrary(path);
    v.SelectModule(v.FindModule("Child"));
    EXPECT_EQ(v.Info(), "Unidade A (1 de 2) · Estilo Plain (1 de 3) · Derivado de Root");
    v.SetSymbolView(2, 2);
    v.ListBox1Click();
    EXPECT_EQ(v.Info(), "Unidade B (2 de 2) · Estilo Fancy (2 de 3) · Derivado de Root");
    v.Options().ScaleDivisor = 50;  // a zoom draws the same unit
    v.ListBox1Click();
    EXPECT_EQ(v.SymbolUnit(), 2);
    v.SelectModule(v.FindModule("Root"));
    EXPECT_EQ(v.SymbolUnit(), 1);
    EXPECT_EQ(v.Info(), "Unidade A (1 de 2) · Estilo Plain (1 de 3)");
}

TEST(KicadSymDraw, CliRenderAndInfoContract) {
    REQUIRE_CORPUS();
    const QString amp = QString::fromStdString(kSymbols + "/Amplifier_Operational.kicad_sym");
    std::string out, err;
    ASSERT_EQ(RunCli({"render", amp, "lm358", "--unit", "3"}, &out, &err), 0) << err;
    EXPECT_EQ(out,
              "{\"width\":113,\"height\":183,\"pads\":0,\"definition\":\"\",\"alias\":\"\",\"extents\":[204,217,176,259],"
              "\"units\":\"mm\",\"format\":\"kicad_sym\",\"pins\":2,\"unit\":3,\"unit_count\":3,\"style\":1,"
              "\"style_count\":1,\"root\":\"LM2904\"}\n");
    struct Bad {
        QStringList args;
        int code;
        const char* message;
    };
    const Bad bad[] = {
        {{"render", amp, "LM358", "--unit", "4"}, 2, "tarnel-cli render: --unit must be from 1 to 3 for this symbol\n"},
        {{"render", amp, "LM358", "--style", "2"}, 2, "tarnel-cli render: --style must be from 1 to 1 for this symbol\n"},
        {{"render", amp, "LM358", "--unit", "0"}, 2, nullptr},
        {{"render", amp, "NOPE"}, 1, nullptr},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.args.join(' ').toStdString());
        EXPECT_EQ(RunCli(b.args, &out, &err), b.code);
        if (b.message) {
            EXPECT_EQ(err, b.message);
        }
    }
    // info: the fields and every pin in millimetres, hidden ones too.
    ASSERT_EQ(RunCli({"info", amp, "AD8015"}, &out, &err), 0) << err;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
    EXPECT_EQ(o["format"].toString(), "kicad_sym");
    EXPECT_EQ(o["name"].toString(), "AD8015");
    EXPECT_EQ(o["description"].toString(), "Wideband/Differential Output Transimpedance Amplifier, SOIC-8");
    EXPECT_EQ(o["keywords"].toString(), "amplifier transimpedance differential optical receiver");
    EXPECT_EQ(o["footprint"].toString(), "Package_SO:SOIC-8_3.9x4.9mm_P1.27mm");
    EXPECT_EQ(o["footprint_filters"].toArray(), QJsonArray{"SOIC*3.9x4.9mm*P1.27mm*"});
    EXPECT_EQ(o["unit_count"].toInt(), 1);
    EXPECT_EQ(o["style_count"].toInt(), 1);
    const QJsonArray pins = o["pins"].toArray();
    ASSERT_GE(pins.size(), 3);
    const QJsonObject nc = pins[0].toObject();
    EXPECT_EQ(nc["type"].toString(), "no_connect");
    EXPECT_EQ(nc["shape"].toString(), "line");
    EXPECT_EQ(nc["x"].toDouble(), -5.08);
    EXPECT_EQ(nc["y"].toDouble(), 2.54);
    EXPECT_EQ(nc["angle"].toDouble(), 0);
    EXPECT_EQ(nc["length"].toDouble(), 2.54);
    EXPECT_EQ(nc["unit"].toInt(), 1);
    EXPECT_EQ(nc["style"].toInt(), 1);
    EXPECT_TRUE(nc["hidden"].toBool());
    EXPECT_EQ(o["pin_count"].toInt(), pins.size());
    // SVG: every drawn pin a group with its number.
    QTemporaryDir d;
    const QString svg = d.filePath("lm358.svg");
    ASSERT_EQ(RunCli({"render", amp, "LM358", "--svg", svg}, &out, &err), 0) << err;
    const std::string text = ReadFileBytes(svg.toStdString());
    EXPECT_NE(text.find("data-number=\"1\""), std::string::npos);
    EXPECT_NE(text.find("<text class=\"pin-number\""), std::string::npos);
    EXPECT_NE(text.find("U?A"), std::string::npos);
}

// Every symbol of the corpus draws in every unit and style, with no fault.
TEST(KicadSymDraw, EveryCorpusSymbolRenders) {
    REQUIRE_CORPUS();
    const char* const libraries[] = {"Jumper.kicad_sym",   "4xxx.kicad_symdir",        "4xxx.kicad_sym",
                                     "Amplifier_Operational.kicad_sym", "Filter.kicad_symdir", "Switch.kicad_symdir",
                                     "power.kicad_symdir", "Thermal_Jumper.kicad_sym", "modified/R_rounded.kicad_sym"};
    int symbols = 0, views = 0;
    for (const char* library : libraries) {
        TForm1Core v;
        v.Options().ScaleDivisor = 100;
        v.OpenLibrary(kSymbols + "/" + library);
        for (int i = 0; i < static_cast<int>(v.ModuleList().size()); ++i) {
            SCOPED_TRACE(std::string(library) + " " + v.ModuleList()[static_cast<size_t>(i)]);
            v.SelectModule(i);
            ASSERT_EQ(v.Status(), "");
            ++symbols;
            const figure::SymbolView s = v.LastFigure().symbol;
            for (int u = 1; u <= s.unitCount; ++u)
                for (int st = 1; st <= s.styleCount; ++st) {
                    v.SetSymbolView(u, st);
                    v.ListBox1Click();
                    ASSERT_EQ(v.Status(), "");
                    // Something drawn (a power unit may be one column wide).
                    EXPECT_LE(v.View().ExtentMinX, v.View().ExtentMaxX);
                    EXPECT_EQ(v.LastFigure().symbol.unit, u);
                    ++views;
                }
            // Hidden pins are neither drawn nor counted.
            int hiddenDrawn = 0;
            for (const auto& it : v.LastFigure().items)
                if (it.kind == figure::Kind::Pin) hiddenDrawn += v.LastFigure().pins[it.index].hidden;
            EXPECT_EQ(hiddenDrawn, 0);
        }
    }
    EXPECT_EQ(symbols, 754);
    EXPECT_GT(views, symbols);
}

namespace {

// A pin's two ends in raster decimils.
using Ends = std::array<int64_t, 4>;

// The visible pins of a legacy symbol's "X" lines (name number x y length
// orientation sizes unit style type [shape], in mils) in unit u and style
// s, in raster decimils (16 per mil), turned over top to bottom as the
// current form draws them.
std::multiset<Ends> LegacyEnds(const ModuleText& def, int u, int s) {
    std::multiset<Ends> ends;
    def.ForEachLine([&](std::string_view line) {
        if (Word(line, 1) != "X") return true;
        auto n = [&](int k) { return static_cast<int64_t>(ReadInt(Word(line, k))) * 16; };
        const int unit = ReadInt(Word(line, 10)), style = ReadInt(Word(line, 11));
        const std::string_view shape = Word(line, 13);
        if (!shape.empty() && shape[0] == 'N') return true;  // invisible
        if ((unit != 0 && unit != u) || (style != 0 && style != s)) return true;
        const int64_t x = n(4), y = n(5), l = n(6);
        int64_t rx = x, ry = y;
        switch (Word(line, 7).empty() ? 'R' : Word(line, 7)[0]) {
            case 'L': rx -= l; break;
            case 'R': rx += l; break;
            case 'U': ry += l; break;
            default: ry -= l; break;
        }
        ends.insert({x, -y, rx, -ry});
        return true;
    });
    return ends;
}

std::multiset<Ends> CurrentEnds(const figure::Figure& f) {
    std::multiset<Ends> ends;
    for (const figure::Item& it : f.items) {
        if (it.kind != figure::Kind::Pin) continue;
        const figure::Pt* p = f.PointsOf(it);
        ends.insert({f.RasterX(p[0].x), f.RasterY(p[0].y), f.RasterX(p[1].x), f.RasterY(p[1].y)});
    }
    return ends;
}

} // namespace

// The same symbols in their legacy ".lib" form (5.1.12) and their 6.0.0
// ".kicad_sym" form give the same pin ends in every unit and style, turned
// over top to bottom; the 4xxx symbols of 10.0.5 the same again. Four 4xxx
// symbols were redrawn after 5.1.
TEST(KicadSymDraw, SameSymbolsFromLegacyAndCurrentForms) {
    REQUIRE_CORPUS();
    const std::set<std::string> redrawn{"4528", "4538", "14528", "14538"};
    struct Pair {
        const char* legacy;
        const char* current;
        const char* folder;  // a 10.0.5 form too, or null
        int expected;        // symbols compared
    };
    int folderCompared = 0;
    for (const Pair& pair : {Pair{"legacy/4xxx.lib", "4xxx.kicad_sym", "4xxx.kicad_symdir", 44},
                             Pair{"legacy/Amplifier_Operational.lib", "Amplifier_Operational.kicad_sym", nullptr, 307}}) {
        SymbolLibrary legacy(kSymbols + "/" + pair.legacy);
        KicadSymbolLibrary current(kSymbols + "/" + pair.current);
        std::unique_ptr<KicadSymbolLibrary> folder;
        if (pair.folder) folder = std::make_unique<KicadSymbolLibrary>(kSymbols + "/" + pair.folder);
        // Every DEF and its ALIAS names.
        std::vector<std::pair<std::string, std::string>> names;  // name, DEF
        for (const std::string& def : legacy.Names()) {
            names.emplace_back(def, def);
            legacy.ReadModule(def).ForEachLine([&](std::string_view line) {
                if (Word(line, 1) == "ALIAS")
                    for (int k = 2; !Word(line, k).empty(); ++k) names.emplace_back(std::string(Word(line, k)), def);
                return true;
            });
        }
        int compared = 0;
        for (const auto& [name, def] : names) {
            if (redrawn.count(def) || current.ListedName(name) != name) continue;
            SCOPED_TRACE(std::string(pair.current) + " " + name);
            figure::Figure cf, ff;
            const ModuleText lines = legacy.ReadModule(def);
            figure::ReadOptions o;
            ReadLibraryFigure(current, name, o, cf);
            const int units = cf.symbol.unitCount, styles = cf.symbol.styleCount;
            const bool inFolder = folder && folder->ListedName(name) == name;
            for (int u = 1; u <= units; ++u)
                for (int s = 1; s <= styles; ++s) {
                    o.unit = u;
                    o.style = s;
                    ReadLibraryFigure(current, name, o, cf);
                    EXPECT_EQ(CurrentEnds(cf), LegacyEnds(lines, u, s)) << "unit " << u << " style " << s;
                    if (inFolder) {
                        ReadLibraryFigure(*folder, name, o, ff);
                        EXPECT_EQ(CurrentEnds(ff), CurrentEnds(cf)) << "10.0.5, unit " << u << " style " << s;
                    }
                }
            folderCompared += inFolder;
            ++compared;
        }
        EXPECT_EQ(compared, pair.expected) << pair.current;
    }
    EXPECT_GT(folderCompared, 30);
}
