// The figure: what readers make of real footprints, legacy modules and
// symbol lines, checked against the files' own numbers worked out by hand,
// and the raster made from it checked against the drawing rules.
#include "corpus.h"
#include "footprint/footprintreader.h"
#include "footprint_fixture.h"
#include "viewer/tarnel.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tarnel;
using figure::Item;
using figure::Kind;
using figure::Pt;

namespace {

constexpr double kEps = 1e-9;

// Draws item name of library lib (in the corpus) with every text shown.
const figure::Figure& Read(TForm1Core& v, const std::string& lib, const std::string& name) {
    v.Options().ScaleDivisor = 100;
    v.Options().TextMode = 2;
    v.OpenLibrary(std::string(TARNEL_CORPUS) + "/" + lib);
    const int i = v.FindModule(name);
    EXPECT_GE(i, 0) << name;
    v.SelectModule(i);
    EXPECT_EQ(v.Status(), "") << name;
    return v.LastFigure();
}

// The n-th item of a kind (and, for pads, of pad index), or null.
const Item* Nth(const figure::Figure& f, Kind kind, int n = 0) {
    for (const Item& it : f.items)
        if (it.kind == kind && !(it.flags & figure::kRasterOnly) && n-- == 0) return &it;
    return nullptr;
}
const Item* OfPad(const figure::Figure& f, Kind kind, uint32_t pad) {
    for (const Item& it : f.items)
        if (it.kind == kind && it.index == pad && !(it.flags & figure::kRasterOnly)) return &it;
    return nullptr;
}

// The bounds of an item's extent points.
struct Bounds {
    double minX, maxX, minY, maxY;
};
Bounds ExtentOf(const figure::Figure& f, const Item& it) {
    const Pt* p = f.ExtentsOf(it);
    Bounds b{p[0].x, p[0].x, p[0].y, p[0].y};
    for (uint32_t i = 1; i < it.extCount; ++i) {
        b.minX = std::min(b.minX, p[i].x), b.maxX = std::max(b.maxX, p[i].x);
        b.minY = std::min(b.minY, p[i].y), b.maxY = std::max(b.maxY, p[i].y);
    }
    return b;
}

// A pad's rotation as the files turn it: counter-clockwise as seen.
Pt Turn(Pt p, double deg) {
    const double a = deg * M_PI / 180;
    return {p.x * std::cos(a) + p.y * std::sin(a), -p.x * std::sin(a) + p.y * std::cos(a)};
}

} // namespace

// Valve_ECC-83-2: pads 1 and 2 as the file writes them,
//   (pad "1" thru_hole oval (at 0 0 306) (size 2.03 3.05) (drill oval 1.02 2.03) (layers *.Cu *.Mask))
//   (pad "2" thru_hole circle (at -3.45 -4.75) (size 4.5 4.5) (drill 3.1) (layers *.Cu *.Mask))
TEST(Figure, PadsOfARealFootprintAsTheFileGivesThem) {
    REQUIRE_CORPUS();
    TForm1Core v;
    const figure::Figure& f = Read(v, "pretty/Valve.pretty", "Valve_ECC-83-2");
    EXPECT_EQ(f.source, figure::Source::Footprint);
    EXPECT_EQ(f.fields.name, "Valve_ECC-83-2");
    ASSERT_GE(f.pads.size(), 2u);
    const figure::Pad& p1 = f.pads[0];
    EXPECT_EQ(p1.number, "1");
    EXPECT_EQ(p1.type, "thru_hole");
    EXPECT_EQ(p1.shape, "oval");
    EXPECT_DOUBLE_EQ(p1.at.x, 0);
    EXPECT_DOUBLE_EQ(p1.angle, 306);
    EXPECT_DOUBLE_EQ(p1.w, 2.03);
    EXPECT_DOUBLE_EQ(p1.h, 3.05);
    EXPECT_TRUE(p1.hasDrill);
    EXPECT_DOUBLE_EQ(p1.drillW, 1.02);
    EXPECT_DOUBLE_EQ(p1.drillH, 2.03);
    EXPECT_EQ(p1.layers, (std::vector<std::string>{"*.Cu", "*.Mask"}));
    EXPECT_TRUE(p1.counted);

    // The oval's copper: a 2.03 wide stadium whose end circles (radius
    // 1.015) stand 0.51 above and below its centre, turned by 306 degrees.
    const Item* copper = OfPad(f, Kind::Pad, 0);
    ASSERT_NE(copper, nullptr);
    EXPECT_EQ(copper->outline, figure::Outline::Polygon);
    EXPECT_EQ(copper->role, figure::Role::Pad);
    const Pt c = Turn({0, 0.51}, 306);
    const Bounds b = ExtentOf(f, *copper);
    EXPECT_NEAR(b.maxX, std::fabs(c.x) + 1.015, kEps);
    EXPECT_NEAR(b.minX, -std::fabs(c.x) - 1.015, kEps);
    EXPECT_NEAR(b.maxY, std::fabs(c.y) + 1.015, kEps);
    // Its slot: 1.02 x 2.03, end circles of radius 0.51 at 0.505 from the centre.
    const Item* slot = OfPad(f, Kind::DrillHole, 0);
    ASSERT_NE(slot, nullptr);
    const Pt s = Turn({0, 0.505}, 306);
    EXPECT_NEAR(ExtentOf(f, *slot).maxX, std::fabs(s.x) + 0.51, kEps);
    EXPECT_NEAR(ExtentOf(f, *slot).maxY, std::fabs(s.y) + 0.51, kEps);

    // Pad 2: a circle of radius 2.25 and a round hole of radius 1.55.
    const figure::Pad& p2 = f.pads[1];
    EXPECT_EQ(p2.shape, "circle");
    EXPECT_DOUBLE_EQ(p2.drillW, 3.1);
    EXPECT_DOUBLE_EQ(p2.drillH, 3.1);
    const Item* round = OfPad(f, Kind::Pad, 1);
    ASSERT_NE(round, nullptr);
    EXPECT_EQ(round->outline, figure::Outline::Circle);
    EXPECT_DOUBLE_EQ(round->radius, 2.25);
    EXPECT_DOUBLE_EQ(f.PointsOf(*round)[0].x, -3.45);
    EXPECT_DOUBLE_EQ(f.PointsOf(*round)[0].y, -4.75);
    const Item* hole = OfPad(f, Kind::DrillHole, 1);
    ASSERT_NE(hole, nullptr);
    EXPECT_EQ(hole->outline, figure::Outline::Circle);
    EXPECT_DOUBLE_EQ(hole->radius, 1.55);
    EXPECT_EQ(hole->role, figure::Role::Drill);
}

// One real item of each kind, against the numbers of its line in the file.
TEST(Figure, GraphicItemsOfRealFootprints) {
    REQUIRE_CORPUS();
    {
        // (fp_circle (center -3.45 -4.75) (end 6.71 -3.48) (layer "F.SilkS") (width 0.12) (fill none))
        TForm1Core v;
        const figure::Figure& f = Read(v, "pretty/Valve.pretty", "Valve_ECC-83-2");
        const Item* circle = Nth(f, Kind::Circle);
        ASSERT_NE(circle, nullptr);
        EXPECT_EQ(circle->role, figure::Role::Body);
        EXPECT_EQ(circle->layer, "F.SilkS");
        EXPECT_FALSE(circle->filled);
        EXPECT_DOUBLE_EQ(circle->strokeWidth, 0.12);
        EXPECT_DOUBLE_EQ(circle->radius, std::hypot(6.71 + 3.45, -3.48 + 4.75));
        // The courtyard circle of the next line is not drawn: it is no item.
        EXPECT_EQ(Nth(f, Kind::Circle, 1)->layer, "F.Fab");
    }
    {
        // (fp_line (start -1.4 1) (end -1.4 -1) (layer F.SilkS) (width 0.12)) and
        // (fp_poly (pts (xy -0.25 -0.3) (xy 0.25 -0.3) (xy 0.25 0.3) (xy -0.25 0.3)) (layer F.Cu) (width 0))
        TForm1Core v;
        const figure::Figure& f = Read(v, "pretty/Jumper.pretty", "SolderJumper-2_P1.3mm_Bridged_Pad1.0x1.5mm");
        const Item* line = Nth(f, Kind::Segment);
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->count, 2u);
        EXPECT_DOUBLE_EQ(f.PointsOf(*line)[0].x, -1.4);
        EXPECT_DOUBLE_EQ(f.PointsOf(*line)[0].y, 1);
        EXPECT_DOUBLE_EQ(f.PointsOf(*line)[1].y, -1);
        const Item* poly = Nth(f, Kind::Polygon);
        ASSERT_NE(poly, nullptr);
        EXPECT_EQ(poly->role, figure::Role::Copper);  // F.Cu: component copper
        EXPECT_TRUE(poly->filled);                    // no fill given, not on Edge.Cuts
        ASSERT_EQ(poly->count, 4u);
        EXPECT_DOUBLE_EQ(f.PointsOf(*poly)[2].x, 0.25);
        EXPECT_DOUBLE_EQ(f.PointsOf(*poly)[2].y, 0.3);
        EXPECT_EQ(f.pads.size(), 2u);
        EXPECT_EQ(f.padCount, 2);
        EXPECT_EQ(f.fields.tags, "solder jumper open");  // as the file has it
        EXPECT_EQ(f.fields.attributes, (std::vector<std::string>{"virtual"}));
        // Texts: the reference is the name text; the value is not.
        const Item* ref = Nth(f, Kind::Text);
        ASSERT_NE(ref, nullptr);
        EXPECT_TRUE(f.texts[ref->index].isName);
        EXPECT_EQ(f.texts[ref->index].text, "REF**");
        EXPECT_EQ(f.texts[ref->index].placement, figure::TextPlacement::Centred);
        EXPECT_DOUBLE_EQ(f.texts[ref->index].height, 1);
    }
    {
        // (pad 2 smd custom (at 0.725 0) (size 0.3 0.3) … (anchor rect)
        //  (primitives (gr_poly (pts (xy -0.65 -0.75) (xy 0.5 -0.75) (xy 0.5 0.75) (xy -0.65 0.75) (xy -0.15 0)))))
        TForm1Core v;
        const figure::Figure& f = Read(v, "pretty/Jumper.pretty", "SolderJumper-2_P1.3mm_Open_TrianglePad1.0x1.5mm");
        ASSERT_EQ(f.pads.size(), 2u);
        EXPECT_EQ(f.pads[0].shape, "custom");
        EXPECT_TRUE(f.pads[0].anchorRect);
        const Item* anchor = OfPad(f, Kind::Pad, 0);
        ASSERT_NE(anchor, nullptr);
        ASSERT_EQ(anchor->count, 4u);  // the 0.3 x 0.3 anchor square
        const Bounds a = ExtentOf(f, *anchor);
        EXPECT_NEAR(a.minX, 0.725 - 0.15, kEps);
        EXPECT_NEAR(a.maxY, 0.15, kEps);
        // The primitive, placed at the pad: each point moved by (0.725, 0).
        const Item* prim = nullptr;
        for (const Item& it : f.items)
            if ((it.flags & figure::kOfPad) && it.index == 0) prim = &it;
        ASSERT_NE(prim, nullptr);
        EXPECT_EQ(prim->kind, Kind::Polygon);
        ASSERT_EQ(prim->count, 5u);
        EXPECT_NEAR(f.PointsOf(*prim)[0].x, 0.075, kEps);
        EXPECT_NEAR(f.PointsOf(*prim)[4].x, 0.575, kEps);
        EXPECT_NEAR(f.PointsOf(*prim)[4].y, 0, kEps);
        EXPECT_EQ(prim->role, figure::Role::Copper);
    }
    {
        // (pad "1" smd roundrect (at -2.55 0) (size 1.1 2.1) (roundrect_rratio 0.2272727273))
        TForm1Core v;
        const figure::Figure& f = Read(v, "pretty/RF_Antenna.pretty", "AVX_M620720");
        const figure::Pad* rr = nullptr;
        uint32_t index = 0;
        for (uint32_t i = 0; i < f.pads.size() && !rr; ++i)
            if (f.pads[i].shape == "roundrect" && f.pads[i].at.x == -2.55 && f.pads[i].at.y == 0) rr = &f.pads[index = i];
        ASSERT_NE(rr, nullptr);
        EXPECT_DOUBLE_EQ(rr->roundRatio, 0.2272727273);
        const Item* copper = OfPad(f, Kind::Pad, index);
        ASSERT_NE(copper, nullptr);
        // Bounds of the rounded rectangle: exactly its size.
        const Bounds b = ExtentOf(f, *copper);
        EXPECT_NEAR(b.minX, -2.55 - 0.55, kEps);
        EXPECT_NEAR(b.maxX, -2.55 + 0.55, kEps);
        EXPECT_NEAR(b.minY, -1.05, kEps);
        EXPECT_NEAR(b.maxY, 1.05, kEps);
        // Its corners are rounded: no point at the sharp corner.
        for (uint32_t i = 0; i < copper->count; ++i) {
            const Pt p = f.PointsOf(*copper)[i];
            EXPECT_FALSE(std::fabs(p.x + 3.1) < 1e-9 && std::fabs(p.y + 1.05) < 1e-9);
        }
    }
}

// Shapes no real footprint of the corpus has: a drill offset, a trapezoid,
// chamfered corners.
TEST_F(Footprint, FigureOfOffsetTrapezoidAndChamfer) {
    v.Options().TextMode = 2;
    Draw(Fp("(pad 1 thru_hole rect (at 1 2 90) (size 2 1) (drill 0.8 (offset 0.5 0)) (layers *.Cu))"
            "(pad 2 smd trapezoid (at 0 0) (size 2 1) (rect_delta 0 0.4) (layers F.Cu))"
            "(pad 3 smd roundrect (at 0 5) (size 2 2) (roundrect_rratio 0) (chamfer_ratio 0.25)"
            " (chamfer top_left bottom_right) (layers F.Cu))"));
    const figure::Figure& f = v.LastFigure();
    ASSERT_EQ(f.pads.size(), 3u);
    // The offset moves the copper, turned with the pad: (0.5, 0) by 90 is (0, -0.5).
    EXPECT_DOUBLE_EQ(f.pads[0].drillOffset.x, 0.5);
    const Bounds copper = ExtentOf(f, *OfPad(f, Kind::Pad, 0));
    EXPECT_NEAR((copper.minX + copper.maxX) / 2, 1, kEps);
    EXPECT_NEAR((copper.minY + copper.maxY) / 2, 1.5, kEps);
    EXPECT_NEAR(copper.maxX - copper.minX, 1, kEps);  // 2 x 1 turned upright
    // The hole stays at the pad's place.
    const Bounds hole = ExtentOf(f, *OfPad(f, Kind::DrillHole, 0));
    EXPECT_NEAR((hole.minX + hole.maxX) / 2, 1, kEps);
    EXPECT_NEAR((hole.minY + hole.maxY) / 2, 2, kEps);
    EXPECT_NEAR(hole.maxX - hole.minX, 0.8, kEps);
    // The trapezoid: dy = 0.4 widens the bottom and narrows the top.
    const Item* trap = OfPad(f, Kind::Pad, 1);
    ASSERT_EQ(trap->count, 4u);
    EXPECT_NEAR(f.PointsOf(*trap)[0].x, -1.2, kEps);
    EXPECT_NEAR(f.PointsOf(*trap)[0].y, 0.5, kEps);
    EXPECT_NEAR(f.PointsOf(*trap)[1].x, -0.8, kEps);
    EXPECT_NEAR(f.PointsOf(*trap)[1].y, -0.5, kEps);
    // Two chamfered corners of 0.5 and two sharp ones: six points.
    EXPECT_EQ(f.pads[2].chamferCorners, 1u | 8u);
    EXPECT_EQ(OfPad(f, Kind::Pad, 2)->count, 6u);
    EXPECT_EQ(f.padCount, 3);
}

// The figure replayed on the canvas draws what the rules say, pixel for
// pixel: here a round pad with its hole, drawn by hand with the same canvas
// operations at the mapped places.
TEST_F(Footprint, ReplayedPadMatchesTheRules) {
    Draw(Fp("(pad 1 thru_hole circle (at 1 1) (size 2 2) (drill 1) (layers *.Cu))"));
    Canvas expected(2000, 2000);
    expected.Mode = PenMode::Mask;
    expected.PenColor = kGreen;
    expected.Brush = BrushStyle::Solid;
    expected.BrushColor = kGreen;
    expected.Ellipse(Px(0), Px(0), Px(2), Px(2));
    expected.BrushColor = kBlack;
    expected.Ellipse(Px(0.5), Px(0.5), Px(1.5), Px(1.5));
    int differ = 0;
    for (int y = Px(-1); y <= Px(3); ++y)
        for (int x = Px(-1); x <= Px(3); ++x) differ += v.WorkCanvas().Pixel(x, y) != expected.Pixel(x, y);
    EXPECT_EQ(differ, 0);
    ExpectExtents(0, 2, 0, 2, "round pad");
}

// Legacy lines: decimils as written, the pad as data, the arc's points.
TEST(Figure, LegacyModuleLines) {
    TForm1Core v;
    v.Options().ScaleDivisor = 100;
    v.Options().TextMode = 2;
    v.RenderLines({"$MODULE M1", "Cd a module", "Kw k1 k2", "At SMD", "DS -100 -200 300 400 50 21",
                   "DC 0 0 500 0 50 21", "DA 0 0 1000 0 900 50 21", "T0 0 -600 300 300 0 50 N V 21 N \"REF\"",
                   "$PAD", "Sh \"7\" O 600 400 0 0 900", "Dr 300 50 0 O 300 200", "At STD N 00E0FFFF",
                   "Po 1000 -500", "$EndPAD", "$EndMODULE M1"},
                  Units::Decimil, "t");
    const figure::Figure& f = v.LastFigure();
    EXPECT_EQ(f.fields.name, "M1");
    EXPECT_EQ(f.fields.description, "a module");
    EXPECT_EQ(f.fields.tags, "k1 k2");
    EXPECT_EQ(f.fields.attributes, (std::vector<std::string>{"SMD"}));
    const Item* seg = Nth(f, Kind::Segment);
    ASSERT_NE(seg, nullptr);
    EXPECT_EQ(f.PointsOf(*seg)[0].x, -100);
    EXPECT_EQ(f.PointsOf(*seg)[1].y, 400);
    EXPECT_EQ(seg->strokeWidth, 50);
    // DC: |0 - 500| = 500 is under 1000, so the radius is 500 / 0.7 = 714.
    EXPECT_EQ(Nth(f, Kind::Circle)->radius, 714);
    // DA: the quarter ends at (0, 1000).
    const Item* arc = Nth(f, Kind::Arc);
    ASSERT_NE(arc, nullptr);
    EXPECT_EQ(arc->radius, 1000);
    EXPECT_EQ(f.PointsOf(*arc)[2].x, 0);
    EXPECT_EQ(f.PointsOf(*arc)[2].y, 1000);
    EXPECT_EQ(arc->extCount, 0u);  // arcs never widen the extents
    const Item* name = Nth(f, Kind::Text);
    EXPECT_EQ(f.texts[name->index].placement, figure::TextPlacement::TopLeftBelow);
    EXPECT_EQ(f.texts[name->index].text, "REF");
    ASSERT_EQ(f.pads.size(), 1u);
    const figure::Pad& p = f.pads[0];
    EXPECT_EQ(p.number, "7");
    EXPECT_EQ(PadTypeName(f, p), "thru_hole");
    EXPECT_EQ(PadShapeName(f, p), "oval");
    EXPECT_EQ(p.at.x, 1000);
    EXPECT_EQ(p.at.y, -500);
    EXPECT_EQ(p.angle, 90);
    EXPECT_EQ(p.w, 600);
    EXPECT_EQ(p.h, 400);
    EXPECT_EQ(p.drillW, 300);
    EXPECT_EQ(p.drillH, 200);
    EXPECT_EQ(p.drillOffset.x, 50);
    EXPECT_EQ(f.PadMillimetres(p.at.x), 2.54);
    EXPECT_EQ(p.layers.front(), "F.Cu");
    EXPECT_EQ(p.layers.back(), "F.Mask");
    EXPECT_EQ(p.layers.size(), 16u + 3u);
    // The pad turned by 90 is drawn 400 wide and 600 high, with its hole.
    const Item* copper = OfPad(f, Kind::Pad, 0);
    EXPECT_EQ(copper->outline, figure::Outline::EllipseBox);
    EXPECT_EQ(f.PointsOf(*copper)[0].x, 800);
    EXPECT_EQ(f.PointsOf(*copper)[0].y, -800);
    EXPECT_NE(OfPad(f, Kind::DrillHole, 0), nullptr);
    EXPECT_EQ(f.padCount, 1);
}

// Symbol lines: a rectangle, a closed polyline, a pin, a field.
TEST(Figure, LegacySymbolLines) {
    TForm1Core v;
    v.Options().ScaleDivisor = 100;
    v.RenderLines({"DEF LM358 U 0 20 Y Y 2 F N", "F0 \"U\" 0 250 50 H V C CNN", "S -100 -100 100 100 0 1 10 f",
                   "P 3 0 1 10 0 0 100 100 100 0 F", "X + 3 -200 100 150 R 50 50 1 1 I I"},
                  Units::Mil, "t");
    const figure::Figure& f = v.LastFigure();
    EXPECT_EQ(f.fields.name, "LM358");
    EXPECT_EQ(f.fields.definition, "2");  // token 8 of the DEF line
    // Each mil is 16 decimils.
    const Item* rect = Nth(f, Kind::Rect);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(f.PointsOf(*rect)[0].x, -1600);
    EXPECT_DOUBLE_EQ(f.Millimetres(f.PointsOf(*rect)[1].x), 2.54);
    const Item* poly = Nth(f, Kind::Polyline);
    ASSERT_EQ(poly->count, 4u);  // closed by the first point again
    EXPECT_EQ(f.PointsOf(*poly)[3].x, 0);
    ASSERT_EQ(f.pins.size(), 1u);
    EXPECT_EQ(f.pins[0].name, "+");
    EXPECT_EQ(f.pins[0].number, "3");
    EXPECT_EQ(f.pins[0].orientation, 'R');
    const Item* pin = Nth(f, Kind::Pin);
    EXPECT_EQ(f.PointsOf(*pin)[1].x, (-200 + 150) * 16);  // the far end
    const Item* field = Nth(f, Kind::Text);
    EXPECT_EQ(f.texts[field->index].text, "U");
    EXPECT_EQ(field->paint.font.rgb, kTeal);
}
