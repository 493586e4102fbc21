// Symbol libraries ("*.lib"): listing, extraction, the scale they are drawn
// at, tarnel-cli and the catalogs.
#include "catalogs/catalogcursor.h"
#include "catalogs/catalogs.h"
#include "library/symbollibrary.h"
#include "tokenizer/libtext.h"
#include "viewer/tarnel.h"

#include "cli_run.h"
#include "corpus.h"
#include "engine_fixture.h"
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <fstream>

using namespace tarnel;

namespace {

const std::string kFixture = TARNEL_SOURCE_DIR "/tests/fixtures/symbols.lib";

// The larger side of the drawing (without the crop's margins).
int DrawnSize(const TForm1Core& v) { return std::max(v.View().ViewWidth, v.View().ViewHeight) - 100; }

int Median(std::vector<int> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

TEST(SymbolLibrary, ListsDefNamesAndExtractsOneSymbol) {
    SymbolLibrary lib(kFixture);
    EXPECT_EQ(lib.Format(), LibraryFormat::Symbol);
    EXPECT_EQ(lib.LineUnits(), Units::Mil);
    EXPECT_EQ(lib.Names(), (std::vector<std::string>{"BOX", "lower", "Box", "TABBED", "PINS", "OPEN"}));
    struct Case {
        const char* name;
        size_t count;  // 0: nothing found
        const char* first;
        const char* last;
    };
    const Case cases[] = {
        {"BOX", 6, "DEF BOX U 0 40 Y Y 1 F N", "ENDDEF"},
        {"box", 6, "DEF BOX U 0 40 Y Y 1 F N", "ENDDEF"},   // letter case ignored
        {"Box", 6, "DEF BOX U 0 40 Y Y 1 F N", "ENDDEF"},   // the first of equal names
        {"LOWER", 3, "def lower X 0 40 Y Y 1 F N", "EndDef"},  // keywords in any case
        {"TABBED", 2, "\tDEF TABBED U 0 40 Y Y 1 F N", "ENDDEF"},
        {"OPEN", 2, "DEF OPEN U 0 40 Y Y 1 F N", "S 0 0 100 100 0 1 0 N"},  // runs to the end
        {"MISSING", 0, "", ""},
        {"S", 0, "", ""},  // a line's keyword is not a name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto lines = lib.ModuleLines(c.name);
        ASSERT_EQ(lines.size(), c.count);
        if (c.count == 0) continue;
        EXPECT_EQ(lines.front(), c.first);
        EXPECT_EQ(lines.back(), c.last);
    }
}

TEST(SymbolLibrary, OpenLibraryPicksTheKindByName) {
    QTemporaryDir d;
    const std::string bytes = ReadFileBytes(kFixture);
    struct Case {
        const char* name;
        LibraryFormat format;
        size_t names;
    };
    const Case cases[] = {
        {"a.lib", LibraryFormat::Symbol, 6},
        {"B.LIB", LibraryFormat::Symbol, 6},
        {"c.mod", LibraryFormat::Legacy, 0},      // DEF blocks are no modules
        {"d.lib.mod", LibraryFormat::Legacy, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string p = d.filePath(c.name).toStdString();
        std::ofstream(p, std::ios::binary) << bytes;
        const auto lib = OpenLibrary(p);
        EXPECT_EQ(lib->Format(), c.format);
        EXPECT_EQ(lib->Names().size(), c.names);
    }
    // A folder named like a symbol library is not read as one.
    ASSERT_TRUE(QDir(d.path()).mkdir("e.lib"));
    EXPECT_THROW(OpenLibrary(d.filePath("e.lib").toStdString()), std::runtime_error);
    // A symbol library without symbols says so in the status line.
    const std::string empty = d.filePath("f.lib").toStdString();
    std::ofstream(empty, std::ios::binary) << "EESchema-LIBRARY Version 2.3\n#End Library\n";
    TForm1Core v;
    v.OpenLibrary(empty);
    EXPECT_TRUE(v.ModuleList().empty());
    EXPECT_EQ(v.Status(), "A biblioteca f.lib não tem símbolos.");
}

// Each mil is drawn as kSymbolScale decimils; zoom changes the divisor as for
// footprints, and the same lines in a footprint's decimils keep their size.
TEST(SymbolLibrary, DrawnAtTheSymbolScaleAndZoomed) {
    struct Case {
        const char* what;
        int32_t divisor;
        Units units;
        int32_t min, max;  // both axes: the square from (-100, -100) to (100, 100)
    };
    // origin = trunc(d / 115 * 250); offset = trunc(v * 16 / d / 1.15 + 0.5)
    const Case cases[] = {
        {"normal", 100, Units::Mil, 204, 231},   // 217 + trunc(-13.41), 217 + trunc(14.41)
        {"+ zoom", 50, Units::Mil, 81, 136},     // 108 + trunc(-27.33), 108 + trunc(28.33)
        {"- zoom", 150, Units::Mil, 318, 335},   // 326 + trunc(-8.78), 326 + trunc(9.78)
        {"decimils", 100, Units::Decimil, 217, 218},  // 217 + trunc(-0.37), 217 + trunc(1.37)
    };
    SymbolLibrary lib(kFixture);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TForm1Core v;
        v.Options().ScaleDivisor = c.divisor;
        v.RenderLines(lib.ModuleLines("BOX"), c.units, kFixture);
        EXPECT_EQ(v.View().ExtentMinX, c.min);
        EXPECT_EQ(v.View().ExtentMaxX, c.max);
        EXPECT_EQ(v.View().ExtentMinY, c.min);
        EXPECT_EQ(v.View().ExtentMaxY, c.max);
        EXPECT_EQ(v.View().ViewWidth, c.max - c.min + 100);
        if (c.units != Units::Mil) continue;  // one pixel: the field's text covers it
        // The outline on the view: 50 pixels in, the right edge excluded.
        const QImage& view = v.ViewImage().Image();
        const int mid = (c.max - c.min) / 2 + 50;
        EXPECT_EQ(view.pixel(50, mid) & 0xFFFFFF, 0u);
        EXPECT_EQ(view.pixel(49, mid) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(view.pixel(c.max - c.min + 49, mid) & 0xFFFFFF, 0u);
        EXPECT_EQ(view.pixel(c.max - c.min + 50, mid) & 0xFFFFFF, 0xFFFFFFu);
    }
}

// Pins 100 mils apart (the usual pitch) are drawn at least a line of text
// apart at "Normal", so their names do not run into each other.
TEST(SymbolLibrary, PinPitchHoldsALineOfText) {
    TForm1Core v;
    v.Options().ScaleDivisor = 100;
    v.OpenLibrary(kFixture);
    v.SelectModule(v.FindModule("PINS"));
    ASSERT_EQ(v.LineUnits(), Units::Mil);
    const int32_t y0 = v.MapDecimil(0, false, true), y1 = v.MapDecimil(-100 * kSymbolScale, false, true);
    EXPECT_GE(y0 - y1, v.WorkCanvas().TextHeight("A"));
    EXPECT_EQ(v.AliasLine(), "ALIAS PINS2");
}

// A typical symbol is drawn about as large as a typical footprint at
// "Normal": the medians of the real libraries' drawings.
TEST(SymbolLibrary, TypicalSymbolAboutAsLargeAsATypicalFootprint) {
    REQUIRE_CORPUS();
    auto sizes = [](const std::string& path) {
        TForm1Core v;
        v.Options().ScaleDivisor = 100;
        v.OpenLibrary(path);
        std::vector<int> out;
        for (int i = 0; i < static_cast<int>(v.ModuleList().size()); ++i) {
            v.SelectModule(i);
            out.push_back(DrawnSize(v));
        }
        return out;
    };
    std::vector<int> footprints;
    for (const char* f : {"/connect.mod", "/Pot.mod", "/muonde.mod", "/units_mm/lqfp.mod"}) {
        const auto s = sizes(TARNEL_CORPUS + std::string(f));
        footprints.insert(footprints.end(), s.begin(), s.end());
    }
    const auto symbols = sizes(TARNEL_CORPUS "/linear.lib");
    ASSERT_EQ(symbols.size(), 21u);
    const double ratio = static_cast<double>(Median(symbols)) / Median(footprints);
    EXPECT_GT(ratio, 0.8) << Median(symbols) << " / " << Median(footprints);
    EXPECT_LT(ratio, 1.5) << Median(symbols) << " / " << Median(footprints);
}

TEST(SymbolLibrary, RealLibraryBlocks) {
    REQUIRE_CORPUS();
    const std::string path = TARNEL_CORPUS "/linear.lib";
    SymbolLibrary lib(path);
    ASSERT_EQ(lib.Names().size(), 21u);
    EXPECT_EQ(lib.Names().front(), "1408");
    for (const std::string& name : lib.Names()) {
        SCOPED_TRACE(name);
        const auto lines = lib.ModuleLines(name);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines.front().rfind("DEF " + name + " ", 0), 0u);
        EXPECT_EQ(lines.back(), "ENDDEF");
    }
    std::string out;
    ASSERT_EQ(RunCli({"list", QString::fromStdString(path)}, &out), 0);
    EXPECT_EQ(out.rfind("1408\nAD813\n", 0), 0u);
    EXPECT_NE(out.find("\ncount 21\n"), std::string::npos);
}

TEST(SymbolCli, ListAndRenderAsTheWindowDraws) {
    std::string out, err;
    ASSERT_EQ(RunCli({"list", QString::fromStdString(kFixture)}, &out, &err), 0) << err;
    EXPECT_EQ(out, "BOX\nlower\nBox\nTABBED\nPINS\nOPEN\ncount 6\n");

    QTemporaryDir d;
    const QString png = d.filePath("pins.png");
    ASSERT_EQ(RunCli({"render", QString::fromStdString(kFixture), "pins", "--png", png}, &out, &err), 0) << err;
    EXPECT_NE(out.find("\"units\":\"mil\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"alias\":\"ALIAS PINS2\""), std::string::npos) << out;
    // The window's drawing of the same choice, pixel for pixel.
    TForm1Core v;
    v.Options().ScaleDivisor = 100;
    v.Options().KeepAll = true;
    v.OpenLibrary(kFixture);
    v.SelectModule(v.FindModule("PINS"));
    const QImage cli(png);
    ASSERT_EQ(cli.width(), v.View().ViewWidth);
    ASSERT_EQ(cli.height(), v.View().ViewHeight);
    EXPECT_EQ(cli.convertToFormat(QImage::Format_RGB32),
              v.ViewImage().Image().copy(0, 0, v.View().ViewWidth, v.View().ViewHeight).convertToFormat(QImage::Format_RGB32));

    EXPECT_EQ(RunCli({"render", QString::fromStdString(kFixture), "NONE"}, &out, &err), 1);
    EXPECT_NE(err.find("NONE"), std::string::npos) << err;
}

// Catalogs run over a symbol library through the same cursor: descriptions
// from its ".dcm", aliases from its ALIAS lines, and no pad count.
TEST(SymbolCatalog, CellsAndRows) {
    TForm1Core core;
    core.Options().ScaleDivisor = 100;
    core.OpenLibrary(kFixture);
    CatalogCursor cursor(core);
    cursor.SetLibrary(kFixture);
    cursor.zerarparaimprimir("QR_FIG");
    Canvas pic(179, 179);
    std::vector<FigCell> cells;
    FigCell cell;
    while (cursor.QR_FIGNeedData(cell, pic)) cells.push_back(cell);
    ASSERT_EQ(cells.size(), 6u);
    EXPECT_EQ(cells[0].Name, "BOX");
    EXPECT_EQ(cells[0].Description, "Caixa de teste");
    EXPECT_EQ(cells[0].Pads, "");
    EXPECT_EQ(cells[0].Scale, "Escala: 100 %");
    EXPECT_EQ(cells[4].Alias, "ALIAS PINS2");

    cursor.zerarparaimprimir("QR_LISTA");
    std::vector<ListRow> rows;
    ListRow row;
    while (cursor.QuickRepNeedData(row)) rows.push_back(row);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].Description, "Caixa de teste");
    EXPECT_EQ(rows[4].Alias, "ALIAS PINS2");
}

// The pages name what they list: a symbol library's drawing catalog is a
// catalog of symbols, a footprint library's one of modules; the list
// catalog's footer gives the program's name.
TEST(SymbolCatalog, TitlesAndFooterNameWhatThePagesHold) {
    using namespace tarnel::testing_engine;
    QTemporaryDir d;
    const std::string mod = d.filePath("lib.mod").toStdString();
    std::ofstream(mod, std::ios::binary) << "$MODULE M1\r\nDS 0 0 1000 0 150 21\r\n$EndMODULE\r\n";
    const struct {
        std::string library;
        QString title;
    } cases[] = {
        {kFixture, QStringLiteral("Catálogo de Símbolos")},
        {mod, QStringLiteral("Catálogo de Módulos (footprints)")},
        {kFixture, QStringLiteral("Catálogo de Símbolos")},  // after the other, not left over
    };
    SetScreenPixelsPerInch(96);
    TForm1Core core;
    Catalogs cat(core);
    for (const auto& c : cases) {
        core.OpenLibrary(c.library);
        auto drawings = std::make_shared<RecordingMaker>(), list = std::make_shared<RecordingMaker>();
        cat.Form3.QR_FIG.Maker = drawings;
        cat.QR_lista.QR_lista.Maker = list;
        ASSERT_NE(cat.b_reportClick(c.library), nullptr);
        ASSERT_NE(cat.Lista1Click(c.library), nullptr);
        EXPECT_NE(drawings->FindText(0, c.title), nullptr) << c.library;
        EXPECT_NE(list->FindText(0, QStringLiteral("Catálogo de Componentes")), nullptr) << c.library;
        EXPECT_NE(list->FindText(0, QStringLiteral("Tarnel 0.80")), nullptr) << c.library;
        EXPECT_NE(drawings->FindText(0, QStringLiteral("Tarnel 0.80")), nullptr) << c.library;
    }
    SetScreenPixelsPerInch(0);
}
