// Hostile drawings: polygons of a million points, thousands of shapes that
// cover the whole canvas, coordinates at the ends of the 32-bit range, and
// numbers and names that once broke the reading or the listing. Big inputs
// are made here; the time limit is the ctest timeout, the figures are in
// bench/bench_hostile.
#include "canvas/canvas.h"
#include "cli_run.h"
#include "polygon_reference.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <climits>
#include <cstdio>
#include <string>

using namespace tarnel;

namespace {

#if defined(__SANITIZE_ADDRESS__)
// Under the sanitizers everything runs ten to twenty times slower: the big
// cases shrink tenfold to stay within the timeout.
constexpr int kScale = 10;
#else
constexpr int kScale = 1;
#endif

void Note(const std::string& what, const QElapsedTimer& t) {
    std::printf("    %s: %.2f s\n", what.c_str(), t.elapsed() / 1000.0);
}

void WriteFile(const QString& path, const std::string& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes.data(), static_cast<qint64>(bytes.size())), static_cast<qint64>(bytes.size()));
}

const std::string kFootprintHead = "(footprint \"X\" (version 20240108) (layer \"F.Cu\")\n";

} // namespace

TEST(Hostile, PolygonOfAMillionZigzagPoints) {
    // Teeth from row 10 to row 1990, a column further every 600 points.
    const int n = 1000000 / kScale;
    std::vector<QPoint> pts;
    pts.reserve(n);
    for (int k = 0; k < n; ++k) pts.emplace_back(100 + k / (600 / kScale), k % 2 ? 1990 : 10);
    Canvas c(2000, 2000);
    QElapsedTimer t;
    t.start();
    DrawFillOnly(c, pts);
    Note("fill of " + std::to_string(n) + " points", t);
    EXPECT_FALSE(c.CutShort());
    for (int y : {0, 9, 10, 11, 700, 1500, 1989, 1990, 1999}) EXPECT_EQ(FirstDifference(c, pts, y), -1) << "row " << y;
}

TEST(Hostile, PolygonPastTheBudgetIsCutShort) {
    // Every edge crosses the canvas slanting: rows x edges of work, far past
    // the budget whatever the method; the fill stops with the flag set.
    std::vector<QPoint> pts;
    for (int k = 0; k < 100000 / kScale; ++k) pts.emplace_back(k % 2 ? 1999 - k / 100 : k / 100, k % 2 ? 1999 : 0);
    Canvas c(2000, 2000);
    c.WorkLimit = Canvas::kDefaultWorkLimit / kScale;
    QElapsedTimer t;
    t.start();
    DrawFillOnly(c, pts);
    Note("slanted zigzag", t);
    EXPECT_TRUE(c.CutShort());
    EXPECT_LT(c.Work(), c.WorkLimit + c.WorkLimit / 100);
}

TEST(Hostile, HugeShapesCostTheSurface) {
    // Each shape covers the 2000 x 2000 canvas from coordinates at the ends
    // of the 32-bit range; each costs about the pixels it shows.
    struct Case {
        const char* name;
        void (*draw)(Canvas&);
        Color centre;
    } cases[] = {
        {"ellipse", [](Canvas& c) { c.Ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX); }, kRed},
        {"rectangle", [](Canvas& c) { c.Rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX); }, kRed},
        {"polygon", [](Canvas& c) { c.Polygon({{INT_MIN, INT_MIN}, {INT_MAX, INT_MIN}, {0, INT_MAX}}); }, kRed},
        {"arc", [](Canvas& c) { c.Arc(INT_MIN, -5, INT_MAX, 2005, 0, 0, 0, 0); }, kWhite},
        {"circle outline", [](Canvas& c) {
             c.Brush = BrushStyle::Clear;
             c.Ellipse(-2000000000, -2000000000, 2000000000, 2000000000);
         },
         kWhite},
        {"line", [](Canvas& c) { c.MoveTo(INT_MIN, INT_MIN), c.LineTo(INT_MAX, INT_MAX); }, kBlue},
    };
    for (const Case& k : cases) {
        Canvas c(2000, 2000);
        c.Mode = PenMode::Mask;
        c.PenColor = kBlue;
        c.Brush = BrushStyle::Solid;
        c.BrushColor = kRed;
        k.draw(c);
        EXPECT_EQ(c.Pixel(1000, 1000), k.centre) << k.name;
        // The surface's pixels, plus a row's work on each row, at most.
        EXPECT_LT(c.Work(), 2000 * 2000 + 2000 * 300) << k.name;
        EXPECT_FALSE(c.CutShort()) << k.name;
    }
}

TEST(Hostile, ThousandsOfCanvasSizedShapes) {
    const int n = 100000 / kScale;
    auto square = [](Canvas& c, int shift) {
        c.Polygon({{-500 + shift, -500}, {2500, -500}, {2500, 2500}, {-500, 2500}});
    };
    // The same square again and again: drawn once.
    Canvas same(2000, 2000);
    same.Mode = PenMode::Mask;
    same.PenColor = same.BrushColor = kBlue;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < n; ++i) square(same, 0);
    Note(std::to_string(n) + " same squares", t);
    EXPECT_FALSE(same.CutShort());
    EXPECT_LT(same.Work(), same.WorkLimit / 10);
    EXPECT_EQ(same.Pixel(0, 0), kBlue);
    EXPECT_EQ(same.Pixel(1999, 1999), kBlue);
    // Each a pixel further: every one is new, and the budget ends them.
    Canvas moved(2000, 2000);
    moved.WorkLimit = Canvas::kDefaultWorkLimit / kScale;
    moved.Mode = PenMode::Copy;
    t.restart();
    for (int i = 0; i < n && !moved.CutShort(); ++i) {
        moved.PenColor = moved.BrushColor = i % 2 ? kBlue : kRed;
        square(moved, i);
    }
    Note("moving squares until cut short", t);
    EXPECT_TRUE(moved.CutShort());
}

namespace {

// Big footprints as the fault report made them, smaller under the sanitizers.
struct BigFootprint {
    const char* name;
    QString file;  // under the temporary folder
    QString item;
    std::string (*make)(int scale);
    Color centre;  // the middle pixel of the view
};

std::string Zigzag(int scale) {
    std::string s = kFootprintHead + "  (fp_poly (pts ";
    char b[64];
    for (int i = 0; i < 1000000 / scale; ++i) {
        std::snprintf(b, sizeof b, "(xy %.6f %d)", i * 1e-5 * scale, i % 2 ? 500 : 0);
        s += b;
    }
    return s + ") (layer \"F.SilkS\") (width 0))\n)\n";
}

std::string Squares(int scale) {
    std::string s = kFootprintHead;
    for (int i = 0; i < 100000 / scale; ++i)
        s += "(fp_poly (pts (xy -250 -250) (xy 250 -250) (xy 250 250) (xy -250 250)) (layer F.SilkS))\n";
    return s + ")\n";
}

std::string RoundRectPads(int scale) {
    std::string s = kFootprintHead;
    for (int i = 0; i < 100000 / scale; ++i)
        s += "(pad " + std::to_string(i) + " smd roundrect (at 0 0 " + std::to_string(i % 90) +
             ") (size 400 400) (layers F.Cu))\n";
    return s + ")\n";
}

std::string LegacyPads(int scale) {
    std::string s = "PCBNEW-LibModule-V1  01/01/2010-00:00:00\n$MODULE P\nPo 0 0 0 15 0 0 ~~\n";
    for (int i = 0; i < 40000 / scale; ++i)
        s += "$PAD\nSh \"1\" R 200000 200000 0 0 0\nDr 0 0 0\nAt SMD N 00888000\nPo 0 0\n$EndPAD\n";
    return s + "$EndMODULE P\n";
}

} // namespace

TEST(Hostile, CanvasSizedFootprintsDrawInSeconds) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const BigFootprint cases[] = {
        {"a million-point zigzag", "zig.pretty/zig.kicad_mod", "zig", Zigzag, kBlue},
        {"100,000 squares of 500 mm", "fill.pretty/fill.kicad_mod", "fill", Squares, kBlue},
        {"100,000 round-cornered pads of 400 mm", "pads.pretty/pads.kicad_mod", "pads", RoundRectPads, kRed},
        {"a legacy module of 40,000 twenty-inch pads", "pads.mod", "P", LegacyPads, kRed},
    };
    for (const BigFootprint& c : cases) {
        const QString file = dir.filePath(c.file);
        WriteFile(file, c.make(kScale));
        const QString library = c.file.endsWith(".mod") ? file : QFileInfo(file).path();
        const QString png = dir.filePath("view.png");
        std::string out, err;
        QElapsedTimer t;
        t.start();
        ASSERT_EQ(RunCli({"render", library, c.item, "--png", png}, &out, &err), 0) << c.name << ": " << err;
        Note(c.name, t);
        const QImage view(png);
        ASSERT_FALSE(view.isNull()) << c.name;
        EXPECT_EQ(FromRgb(view.pixel(view.width() / 2, view.height() / 2)), c.centre) << c.name << ": " << out;
    }
}

TEST(Hostile, TinyDecimalWithoutExponentReadsAsZero) {
    // 0.000…01 with 400 zeros is 1e-401: nearest double 0, so the line is
    // drawn as if it ended at x = 0.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string tiny = "0." + std::string(400, '0') + "1";
    for (const auto& [name, x] : {std::pair<const char*, std::string>{"U", tiny}, {"Z", "0"}, {"N", "-" + tiny}})
        WriteFile(dir.filePath(QStringLiteral("u.pretty/%1.kicad_mod").arg(name)),
                  kFootprintHead + "  (fp_line (start 0 0) (end " + x + " 5) (layer \"F.SilkS\") (width 0.1))\n)\n");
    std::string zero, tinyOut, negOut;
    ASSERT_EQ(RunCli({"render", dir.filePath("u.pretty"), "Z"}, &zero), 0);
    ASSERT_EQ(RunCli({"render", dir.filePath("u.pretty"), "U"}, &tinyOut), 0);
    ASSERT_EQ(RunCli({"render", dir.filePath("u.pretty"), "N"}, &negOut), 0);
    EXPECT_EQ(tinyOut, zero);
    EXPECT_EQ(negOut, zero);
}

TEST(Hostile, NamesWithLineBreaksStayOnTheirLine) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string fp = kFootprintHead + "  (fp_line (start 0 0) (end 1 1) (layer \"F.SilkS\") (width 0.1))\n)\n";
    WriteFile(dir.filePath("n.pretty/new\nline.kicad_mod"), fp);
    WriteFile(dir.filePath("n.pretty/tab\there.kicad_mod"), fp);
    WriteFile(dir.filePath("n.pretty/back\\slash.kicad_mod"), fp);
    std::string out, err;
    ASSERT_EQ(RunCli({"list", dir.filePath("n.pretty")}, &out, &err), 0) << err;
    EXPECT_EQ(out, "back\\\\slash\nnew\\nline\ntab\\there\ncount 3\n");
    ASSERT_EQ(RunCli({"index", dir.path()}, &out, &err), 0) << err;
    EXPECT_NE(out.find("NEW\\nLINE\tn.pretty\tNEW\\nLINE\t"), std::string::npos) << out;
    EXPECT_NE(out.find("TAB\\tHERE\tn.pretty\tTAB\\tHERE\t"), std::string::npos) << out;
    // Every row: four fields, so three tabs.
    size_t rows = 0;
    for (size_t at = out.find("\n", out.find("Componentes")) + 1; at < out.size();) {
        const size_t end = out.find('\n', at);
        const std::string row = out.substr(at, end - at);
        EXPECT_EQ(std::count(row.begin(), row.end(), '\t'), 3) << row;
        ++rows;
        at = end + 1;
    }
    EXPECT_EQ(rows, 3u);
}
