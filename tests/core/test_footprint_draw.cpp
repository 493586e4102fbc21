// Drawing current footprints: pad shapes and holes pixel by pixel, counting,
// graphic items, arcs, fills, texts and files that cannot be drawn. Expected
// places are computed from millimetres in the test.
#include "footprint_fixture.h"

#include <QDir>

using namespace tarnel;

namespace {
const Color kPadC = kGreen, kSmd = kRed, kBody = kBlue;

// A pixel expected at a place in millimetres.
struct Probe {
    double x, y;
    Color expected;
};
struct ProbeCase {
    const char* name;
    std::string text;  // the footprint's elements
    std::vector<Probe> probes;
};
} // namespace

// Draws each case inside a footprint made by wrap and checks its pixels.
static void CheckProbes(Footprint& t, const std::vector<ProbeCase>& cases, std::string (*wrap)(const std::string&)) {
    for (const ProbeCase& c : cases) {
        t.Draw(wrap(c.text));
        ASSERT_TRUE(t.v.Status().empty()) << c.name << ": " << t.v.Status();
        for (const Probe& p : c.probes)
            EXPECT_EQ(t.At(p.x, p.y), p.expected) << c.name << " at (" << p.x << ", " << p.y << ")";
    }
}
static std::string FpOf(const std::string& body) { return Fp(body); }

// Each pad sits at (5, 5) mm; at divisor 10 a millimetre is about 34 pixels.
TEST_F(Footprint, PadShapes) {
    const std::vector<ProbeCase> cases = {
        {"rect", "(pad \"1\" smd rect (at 5 5) (size 2 1) (layers \"F.Cu\"))",
         {{5, 5, kSmd}, {4.05, 4.55, kSmd}, {5.95, 5.45, kSmd}, {3.9, 5, kWhite}, {5, 4.4, kWhite}}},
        {"rect turned 90", "(pad \"1\" smd rect (at 5 5 90) (size 2 1) (layers \"F.Cu\"))",
         {{5, 5.9, kSmd}, {4.55, 4.05, kSmd}, {5.9, 5, kWhite}}},
        {"rect turned 45", "(pad \"1\" smd rect (at 5 5 45) (size 2 2) (layers \"F.Cu\"))",
         // A diamond: its tips lie on the axes at 1.41 mm, its box corners are empty.
         {{6.3, 5, kSmd}, {5, 3.7, kSmd}, {5.9, 4.1, kWhite}, {4.1, 5.9, kWhite}}},
        {"roundrect", "(pad \"1\" smd roundrect (at 5 5) (size 2 1) (roundrect_rratio 0.5) (layers \"F.Cu\"))",
         // Radius 0.5: the short sides are half circles.
         {{5, 5, kSmd}, {4.05, 5, kSmd}, {4.08, 4.58, kWhite}, {5.92, 5.42, kWhite}, {5, 4.55, kSmd}}},
        {"roundrect default ratio", "(pad \"1\" smd roundrect (at 5 5) (size 2 2) (layers \"F.Cu\"))",
         // Radius 0.5 at each corner of a 2 x 2 square.
         {{4.06, 4.06, kWhite}, {4.06, 5, kSmd}, {4.3, 4.3, kSmd}}},
        {"chamfered top left",
         "(pad \"1\" smd roundrect (at 5 5) (size 2 2) (roundrect_rratio 0) (chamfer_ratio 0.5) (chamfer top_left) "
         "(layers \"F.Cu\"))",
         // A 1 mm cut at the top left; the other corners stay sharp.
         {{4.3, 4.3, kWhite}, {4.7, 4.7, kSmd}, {5.95, 4.05, kSmd}, {4.05, 5.95, kSmd}, {5.95, 5.95, kSmd}}},
        {"chamfer beside rounding",
         "(pad \"1\" smd roundrect (at 5 5) (size 2 2) (roundrect_rratio 0.25) (chamfer_ratio 0) "
         "(chamfer bottom_right) (layers \"F.Cu\"))",
         // A listed corner stays sharp even with no cut; the others are round.
         {{5.95, 5.95, kSmd}, {4.06, 4.06, kWhite}, {5.94, 4.06, kWhite}}},
        {"circle", "(pad \"1\" smd circle (at 5 5) (size 2 2) (layers \"F.Cu\"))",
         {{5, 5, kSmd}, {4.05, 5, kSmd}, {5, 5.95, kSmd}, {4.2, 4.2, kWhite}}},
        {"oval wide", "(pad \"1\" smd oval (at 5 5) (size 3 1) (layers \"F.Cu\"))",
         {{3.55, 5, kSmd}, {3.57, 4.57, kWhite}, {5, 4.55, kSmd}, {6.45, 5, kSmd}, {6.43, 5.43, kWhite}}},
        {"oval turned 90", "(pad \"1\" smd oval (at 5 5 90) (size 3 1) (layers \"F.Cu\"))",
         {{5, 3.55, kSmd}, {5, 6.45, kSmd}, {3.6, 5, kWhite}}},
        {"trapezoid", "(pad \"1\" smd trapezoid (at 5 5) (size 2 2) (rect_delta 0 1) (layers \"F.Cu\"))",
         // Corners (-1.5, 1) (-0.5, -1) (0.5, -1) (1.5, 1): narrow at the top.
         {{4.2, 4.1, kWhite}, {5.8, 4.1, kWhite}, {4.2, 5.9, kSmd}, {3.6, 5.9, kSmd}, {5, 4.1, kSmd}}},
        {"custom rect anchor",
         "(pad \"1\" smd custom (at 5 5) (size 0.3 0.3) (layers \"F.Cu\") (options (anchor rect))"
         " (primitives (gr_poly (pts (xy -0.5 -0.75) (xy 0.5 -0.75) (xy 1 0) (xy 0.5 0.75) (xy -0.5 0.75)) (width 0))))",
         // The primitive is the triangle-tipped pad of a solder jumper.
         {{5, 5, kSmd}, {5.9, 5, kSmd}, {5.9, 5.5, kWhite}, {4.55, 5.7, kSmd}}},
        {"custom turned 90",
         "(pad \"1\" smd custom (at 5 5 90) (size 0.3 0.3) (layers \"F.Cu\") (options (anchor rect))"
         " (primitives (gr_poly (pts (xy -0.5 -0.75) (xy 0.5 -0.75) (xy 1 0) (xy 0.5 0.75) (xy -0.5 0.75)) (width 0))))",
         // The tip at (1, 0) turns to (0, -1).
         {{5, 4.1, kSmd}, {5.5, 4.1, kWhite}, {5.7, 5.45, kSmd}}},
        {"custom circle anchor and primitives",
         "(pad \"1\" thru_hole custom (at 5 5) (size 1 1) (drill 0.4) (layers \"*.Cu\")"
         " (primitives (gr_circle (center 1 0) (end 1.5 0) (width 0)) (gr_line (start 0 0) (end 0 -1.5) (width 0.2))))",
         {{5.3, 5, kPadC}, {6, 5, kPadC}, {6.4, 5, kPadC}, {5.6, 4.6, kWhite}, {5, 4.2, kPadC}, {5, 5, kBlack}}},
    };
    CheckProbes(*this, cases, FpOf);
}

TEST_F(Footprint, HolesAndTheirPlaces) {
    const std::vector<ProbeCase> cases = {
        {"round", "(pad 1 thru_hole circle (at 5 5) (size 2 2) (drill 1) (layers *.Cu))",
         {{5, 5, kBlack}, {5.35, 5, kBlack}, {5.75, 5, kPadC}}},
        {"oval slot turned with its pad", "(pad 1 thru_hole oval (at 5 5 90) (size 2 3) (drill oval 1 2) (layers *.Cu))",
         // The 1 x 2 slot lies across once turned.
         {{5.7, 5, kBlack}, {4.3, 5, kBlack}, {5, 5.7, kPadC}, {5, 5, kBlack}}},
        {"offset moves the copper", "(pad 1 thru_hole rect (at 5 5) (size 3 2) (drill 1 (offset 1 0)) (layers *.Cu))",
         {{5, 5, kBlack}, {7.3, 5, kPadC}, {3.8, 5, kWhite}, {6.5, 5, kPadC}}},
        {"offset turns with the pad", "(pad 1 thru_hole rect (at 5 5 90) (size 3 2) (drill 1 (offset 1 0)) (layers *.Cu))",
         {{5, 5, kBlack}, {5, 3.7, kPadC}, {5, 6.3, kWhite}}},
        {"smd ignores its drill", "(pad 1 smd rect (at 5 5) (size 2 2) (drill 1) (layers F.Cu))", {{5, 5, kSmd}}},
        {"connect ignores its drill", "(pad 1 connect circle (at 5 5) (size 2 2) (drill 1) (layers F.Cu))", {{5, 5, kPadC}}},
        {"offset only", "(pad 1 thru_hole rect (at 5 5) (size 2 2) (drill (offset 0.5 0)) (layers *.Cu))",
         {{5, 5, kPadC}, {6.4, 5, kPadC}}},
        {"zero drill", "(pad 1 thru_hole circle (at 5 5) (size 2 2) (drill 0) (layers *.Cu))", {{5, 5, kPadC}}},
        {"np hole", "(pad \"\" np_thru_hole circle (at 5 5) (size 2 2) (drill 2) (layers *.Cu))",
         {{5, 5, kBlack}, {4.2, 5, kBlack}, {5, 4, kOlive}}},
    };
    CheckProbes(*this, cases, OldModule);
}

TEST_F(Footprint, PadCountAndPadExtents) {
    struct Case {
        const char* pads;
        int count;
        double x1, x2, y1, y2;  // extents in mm
    } cases[] = {
        {"(pad 1 thru_hole circle (at 5 5) (size 2 2) (drill 1))", 1, 4, 6, 4, 6},
        {"(pad \"\" thru_hole circle (at 5 5) (size 2 2) (drill 1))", 0, 4, 6, 4, 6},
        {"(pad 1 np_thru_hole circle (at 5 5) (size 2 2) (drill 2))", 0, 4, 6, 4, 6},
        {"(pad A1 smd rect (at 5 5) (size 2 1)) (pad A2 connect rect (at 8 5) (size 2 1))", 2, 4, 9, 4.5, 5.5},
        {"(pad 1 weird rect (at 5 5) (size 2 1))", 0, 4, 6, 4.5, 5.5},
        // Turned 45 degrees, a 2 x 2 square reaches 1.414 mm along the axes.
        {"(pad 1 smd rect (at 5 5 45) (size 2 2))", 1, 5 - std::sqrt(2.0), 5 + std::sqrt(2.0), 5 - std::sqrt(2.0),
         5 + std::sqrt(2.0)},
        // An oval 2.03 x 3.05 turned 306 degrees (a valve pin): its half
        // circles' centres lie at +-0.51 mm along the turned long axis.
        {"(pad 1 thru_hole oval (at 5 5 306) (size 2.03 3.05) (drill oval 1.02 2.03))", 1,
         5 - 0.51 * std::fabs(std::sin(306 * M_PI / 180)) - 1.015, 5 + 0.51 * std::fabs(std::sin(306 * M_PI / 180)) + 1.015,
         5 - 0.51 * std::fabs(std::cos(306 * M_PI / 180)) - 1.015, 5 + 0.51 * std::fabs(std::cos(306 * M_PI / 180)) + 1.015},
        // The hole counts too when it reaches past the copper.
        {"(pad 1 thru_hole circle (at 5 5) (size 1 1) (drill oval 3 1))", 1, 3.5, 6.5, 4.5, 5.5},
        // A trapezoid's corners.
        {"(pad 1 smd trapezoid (at 5 5) (size 2 2) (rect_delta 0 1))", 1, 3.5, 6.5, 4, 6},
        // A custom pad: the anchor and the primitives, the arc included,
        // whatever the arcs choice says.
        {"(pad 1 smd custom (at 5 5) (size 1 1) (options (anchor circle)) (primitives (gr_arc (start 0 0) (end 2 0) "
         "(angle 90))))",
         1, 4.5, 7, 4.5, 7},
    };
    v.Options().DrawArcs = false;
    for (const Case& c : cases) {
        Draw(OldModule(c.pads));
        EXPECT_EQ(v.PadCount(), c.count) << c.pads;
        ExpectExtents(c.x1, c.x2, c.y1, c.y2, c.pads);
    }
}

TEST_F(Footprint, GraphicLayersAndFills) {
    const std::vector<ProbeCase> cases = {
        {"silk line", "(fp_line (start 2 2) (end 8 2) (layer \"F.SilkS\") (width 0.12))", {{5, 2, kBody}, {5, 2.2, kWhite}}},
        {"copper line", "(fp_line (start 2 2) (end 8 2) (layer \"B.Cu\") (stroke (width 0.2) (type solid)))",
         {{5, 2, kSmd}}},
        {"courtyard line", "(fp_line (start 2 2) (end 8 2) (layer \"F.CrtYd\") (width 0.05))", {{5, 2, kWhite}}},
        {"layer case", "(fp_line (start 2 2) (end 8 2) (layer \"f.fab\") (width 0.1))", {{5, 2, kBody}}},
        {"rect outline", "(fp_rect (start 2 2) (end 8 6) (stroke (width 0.1)) (fill none) (layer \"F.Fab\"))",
         {{2, 4, kBody}, {8, 4, kBody}, {5, 6, kBody}, {5, 4, kWhite}}},
        {"rect of width 0", "(fp_rect (start 2 2) (end 8 6) (width 0) (layer \"F.Fab\"))", {{5, 4, kBody}}},
        {"rect filled solid", "(fp_rect (start 2 2) (end 8 6) (stroke (width 0.1)) (fill solid) (layer \"F.Fab\"))",
         {{5, 4, kBody}}},
        {"circle fill none", "(fp_circle (center 5 5) (end 7 5) (layer \"F.SilkS\") (width 0.12) (fill none))",
         {{3, 5, kBody}, {5, 5, kWhite}}},
        {"circle fill yes", "(fp_circle (center 5 5) (end 7 5) (layer \"F.SilkS\") (stroke (width 0.1)) (fill yes))",
         {{5, 5, kBody}}},
        {"circle of width 0", "(fp_circle (center 5 5) (end 5 7) (layer \"F.SilkS\") (width 0))", {{5, 5, kBody}}},
        {"circle end off the axes", "(fp_circle (center 5 5) (end 6.2 6.6) (layer \"F.SilkS\") (width 0.1))",
         {{3, 5, kBody}, {5, 5, kWhite}}},  // radius 2
        {"poly filled by default", "(fp_poly (pts (xy 2 2) (xy 8 2) (xy 5 8)) (layer \"F.SilkS\") (width 0.1))",
         {{5, 4, kBody}, {2.5, 7, kWhite}}},
        {"poly fill none", "(fp_poly (pts (xy 2 2) (xy 8 2) (xy 5 8)) (layer \"F.SilkS\") (stroke (width 0.1)) (fill none))",
         {{5, 4, kWhite}, {5, 2, kBody}}},
        {"poly with an arc", "(fp_poly (pts (xy 2 5) (arc (start 2 2) (mid 5 1) (end 8 2)) (xy 8 5)) (layer \"F.Fab\"))",
         {{5, 3, kBody}, {5, 1.3, kBody}}},
    };
    CheckProbes(*this, cases, FpOf);
    // Items not drawn leave the extents alone: the empty view.
    Draw(Fp("(fp_line (start 2 2) (end 8 2) (layer \"F.CrtYd\")) (zone (net 0) (polygon (pts (xy 0 0) (xy 9 9))))"));
    EXPECT_EQ(v.View().ViewWidth, 101);
    EXPECT_EQ(v.View().ViewHeight, 101);
}

TEST_F(Footprint, ArcExtentsByFormAndSweep) {
    struct Case {
        const char* name;
        std::string text;
        double x1, x2, y1, y2;
    } cases[] = {
        // Centre (5, 5), first end (6, 5): the sweep runs toward +y first.
        {"old form +180", OldModule("(fp_arc (start 5 5) (end 6 5) (angle 180) (layer F.SilkS))"), 4, 6, 5, 6},
        {"old form -180", OldModule("(fp_arc (start 5 5) (end 6 5) (angle -180) (layer F.SilkS))"), 4, 6, 4, 5},
        {"old form -90", OldModule("(fp_arc (start 5 5) (end 6 5) (angle -90) (layer F.SilkS))"), 5, 6, 4, 5},
        {"old form 725 is 5", OldModule("(fp_arc (start 5 5) (end 6 5) (angle 725) (layer F.SilkS))"), 5 + std::cos(5 * M_PI / 180),
         6, 5, 5 + std::sin(5 * M_PI / 180)},
        {"old form 360 is whole", OldModule("(fp_arc (start 5 5) (end 6 5) (angle 360) (layer F.SilkS))"), 4, 6, 4, 6},
        {"old form in an early footprint file",
         Fp("(fp_arc (start 5 5) (end 6 5) (angle 180) (layer F.SilkS))", "20210824"), 4, 6, 5, 6},
        {"three points", Fp("(fp_arc (start 6 5) (mid 5 6) (end 4 5) (layer \"F.SilkS\"))"), 4, 6, 5, 6},
        {"three points the other way", Fp("(fp_arc (start 6 5) (mid 5 4) (end 4 5) (layer \"F.SilkS\"))"), 4, 6, 4, 5},
        {"start equals end", Fp("(fp_arc (start 6 5) (mid 4 5) (end 6 5) (layer \"F.SilkS\"))"), 4, 6, 4, 6},
        {"curve by its control points",
         Fp("(fp_curve (pts (xy 2 2) (xy 3 9) (xy 7 9) (xy 8 2)) (layer \"F.SilkS\"))"), 2, 8, 2, 9},
    };
    for (const Case& c : cases) {
        Draw(c.text);
        ASSERT_TRUE(v.Status().empty()) << c.name << ": " << v.Status();
        ExpectExtents(c.x1, c.x2, c.y1, c.y2, c.name);
    }
    // Without "Desenhar arcos" an arc neither draws nor widens the extents.
    v.Options().DrawArcs = false;
    Draw(OldModule("(fp_arc (start 5 5) (end 6 5) (angle 180) (layer F.SilkS))"));
    EXPECT_EQ(v.View().ViewWidth, 101);
}

TEST_F(Footprint, ArcPixelsRunTheRightWay) {
    // A half circle of radius 2 around (5, 5) from (7, 5) through (5, 7).
    Draw(OldModule("(fp_arc (start 5 5) (end 7 5) (angle 180) (layer F.SilkS))"));
    int below = 0, above = 0;
    for (int dx = -1; dx <= 1; ++dx) {
        below += v.WorkCanvas().Pixel(Px(5) + dx, Px(7) - 1) == kBody || v.WorkCanvas().Pixel(Px(5) + dx, Px(7)) == kBody;
        above += v.WorkCanvas().Pixel(Px(5) + dx, Px(3)) == kBody || v.WorkCanvas().Pixel(Px(5) + dx, Px(3) + 1) == kBody;
    }
    EXPECT_GT(below, 0);
    EXPECT_EQ(above, 0);
}

TEST_F(Footprint, TextsByModeVisibilityAndVersion) {
    const std::string body =
        "(property \"Reference\" \"R1\" (at 0 -10) (layer \"F.SilkS\"))\n"
        "(property \"Value\" \"V\" (at 0 10) (layer \"F.Fab\"))\n"
        "(property \"Datasheet\" \"x\" (at 20 0) (layer \"F.Fab\") (hide yes))\n"
        "(property \"Footprint\" \"x\" (at -20 0) (layer \"F.Fab\"))\n"
        "(fp_text user \"%R\" (at 0 0) (layer \"Cmts.User\"))\n"
        "(pad 1 smd rect (at 0 0) (size 1 1) (layers F.Cu))";
    struct Case {
        const char* name;
        int mode;
        std::string text;
        double x1, x2, y1, y2;
    } cases[] = {
        {"none", 0, Fp(body), -0.5, 0.5, -0.5, 0.5},
        {"name only", 1, Fp(body), -0.5, 0.5, -10, 0.5},
        {"all: a later property shows", 2, Fp(body), -20, 0.5, -10, 10},
        {"all: an early property hides", 2, Fp(body, "20221018"), -0.5, 0.5, -10, 10},
        {"bare hide", 2, OldModule("(fp_text reference R1 (at 0 -10) (layer F.SilkS) hide) (fp_text value V (at 0 10) (layer F.Fab))"),
         0, 0, 10, 10},
        {"hide inside effects", 2, Fp("(fp_text value V (at 0 10) (layer F.Fab) (effects (font (size 1 1)) hide)) (fp_text user U (at 3 3) (layer F.Fab))"),
         3, 3, 3, 3},
        {"hide no shows", 2, Fp("(property \"Value\" \"V\" (at 0 10) (layer F.Fab) (hide no))"), 0, 0, 10, 10},
        {"text named hide", 2, OldModule("(fp_text user hide (at 4 4) (layer F.SilkS))"), 4, 4, 4, 4},
    };
    for (const Case& c : cases) {
        v.Options().TextMode = c.mode;
        Draw(c.text);
        ASSERT_TRUE(v.Status().empty()) << c.name << ": " << v.Status();
        ExpectExtents(c.x1, c.x2, c.y1, c.y2, c.name);
    }
}

TEST_F(Footprint, ReferenceAndValueSubstitution) {
    v.Options().TextMode = 2;
    auto picture = [&](const std::string& user) {
        Draw(Fp("(fp_text reference \"R0\" (at 0 -9) (layer F.Fab) hide)\n"
                "(property \"Reference\" \"WIDE_REF\" (at 0 -9) (layer F.Fab) (hide yes))\n"
                "(property \"Value\" \"10k\" (at 0 9) (layer F.Fab) (hide yes))\n"
                "(fp_text user \"" + user + "\" (at 3 3) (layer F.Fab))"));
        return v.WorkCanvas().Image().copy(0, 0, 400, 400);
    };
    const QImage plain = picture("WIDE_REF/10k");
    EXPECT_EQ(picture("%R/%V"), plain);  // the later reference wins
    EXPECT_EQ(picture("${REFERENCE}/${VALUE}"), plain);
    EXPECT_NE(picture("R0/10k"), plain);
}

TEST_F(Footprint, FilesThatCannotBeDrawn) {
    struct Case {
        const char* name;
        std::string text;
        const char* says;
    } cases[] = {
        {"unbalanced", "(footprint \"X\" (version 20240108)\n(pad 1 smd rect (at 0 0) (size 1 1))", "não fechada"},
        {"another root", "(kicad_symbol_lib (version 20211014))", "o arquivo não é um footprint (começa com \"kicad_symbol_lib\")"},
        {"no keyword", "((module))", "o arquivo não é um footprint"},
        {"too deep", std::string(1000, '(') + std::string(1000, ')'), "aninhadas em mais de"},
    };
    for (const Case& c : cases) {
        // A drawing before the bad file must not show through.
        Draw(Fp("(pad 1 smd rect (at 5 5) (size 2 2))"));
        ASSERT_GT(v.View().ViewWidth, 101);
        Draw(c.text);
        EXPECT_EQ(v.View().ViewWidth, 101) << c.name;
        EXPECT_EQ(v.View().ViewHeight, 101) << c.name;
        EXPECT_EQ(v.PadCount(), 0) << c.name;
        EXPECT_EQ(v.Status().rfind("test: ", 0), 0u) << c.name << ": " << v.Status();
        EXPECT_NE(v.Status().find(c.says), std::string::npos) << c.name << ": " << v.Status();
        EXPECT_EQ(v.Status().find('\n'), std::string::npos) << c.name;
        EXPECT_EQ(At(5, 5), kWhite) << c.name;
    }
    // The next good drawing clears the message.
    Draw(Fp("(pad 1 smd rect (at 5 5) (size 2 2))"));
    EXPECT_TRUE(v.Status().empty());
}

TEST_F(Footprint, HugeNumbersStayBounded) {
    Draw(Fp("(pad 1 smd rect (at 1e300 -1e300 1e300) (size 1e300 1e300))"
            "(fp_line (start -1e308 0) (end 1e308 5e307) (layer F.SilkS))"
            "(fp_arc (start 0 0) (mid 1e-300 1e300) (end 1e300 0) (layer F.SilkS))"
            "(fp_circle (center 0 0) (end 1e200 1e200) (layer F.SilkS))"
            "(pad 2 thru_hole oval (at 0 0) (size 1e20 1) (drill oval 1e20 1e30))"));
    EXPECT_TRUE(v.Status().empty()) << v.Status();
    EXPECT_EQ(v.PadCount(), 2);
}
