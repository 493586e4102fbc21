// Current symbol libraries in the catalogs and the component index.
#include "catalogs/catalogcursor.h"
#include "index/indexrun.h"
#include "tokenizer/libtext.h"

#include "cli_run.h"
#include "corpus.h"
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <fstream>
#include <map>

using namespace tarnel;

namespace {

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Two symbols of 6.0 (descriptions in ki_description) and a derived one.
const char* const kOld = R"((kicad_symbol_lib (version 20211014)
  (symbol "Gate" (property "Reference" "U" (at 0 2 0)) (property "Value" "Gate" (at 0 -2 0))
    (property "ki_description" "a gate") (property "ki_keywords" "logic")
    (symbol "Gate_1_1" (rectangle (start -1 -1) (end 1 1))
      (pin input line (at -3 0 0) (length 2) (name "A") (number "1"))
      (pin output line (at 3 0 180) (length 2) (name "Y") (number "2")))
    (symbol "Gate_1_2" (circle (center 0 0) (radius 1))
      (pin input line (at -3 0 0) (length 2) (name "A") (number "1")))
    (symbol "Gate_2_1" (pin input line (at -3 0 0) (length 2) hide (name "B") (number "3")))
    (symbol "Gate_3_0" (pin power_in line (at 0 3 270) (length 2) (name "V") (number "4"))))
  (symbol "Gate2" (extends "Gate") (property "Value" "Gate2" (at 0 -2 0)) (property "ki_keywords" "newer"))
  (symbol "Broken" (extends "Missing"))
))";

} // namespace

// A cell per symbol in unit 1, style 1: "N pinos" counts every pin of every
// unit in style 1, hidden ones too; the units and De Morgan go beside it.
TEST(KicadSymCatalog, CellsAndRows) {
    QTemporaryDir d;
    const std::string path = d.filePath("gates.kicad_sym").toStdString();
    Write(path, kOld);
    TForm1Core core;
    core.Options().ScaleDivisor = 100;
    core.OpenLibrary(path);
    // The one shown in unit 2 does not change the catalog.
    core.SetSymbolView(2, 2);
    core.ListBox1Click();
    ASSERT_EQ(core.SymbolUnit(), 2);
    CatalogCursor cursor(core);
    cursor.SetLibrary(path);
    cursor.zerarparaimprimir("QR_FIG");
    Canvas pic(179, 179);
    std::vector<FigCell> cells;
    std::vector<int> inked;
    FigCell cell;
    while (cursor.QR_FIGNeedData(cell, pic)) {
        cells.push_back(cell);
        int n = 0;
        for (int y = 0; y < 179; ++y)
            for (int x = 0; x < 179; ++x) n += pic.Pixel(x, y) != kWhite;
        inked.push_back(n);
    }
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[0].Name, "Broken");
    EXPECT_EQ(cells[0].Description, "símbolo \"Broken\": o símbolo pai \"Missing\" não está na biblioteca");
    EXPECT_EQ(cells[0].Pads, "0 pinos");
    EXPECT_EQ(inked[0], 0);
    EXPECT_EQ(cells[1].Name, "Gate");
    EXPECT_EQ(cells[1].Description, "a gate");
    EXPECT_EQ(cells[1].Pads, "4 pinos");  // 1, 2, 3 (hidden) and 4; not the style-2 pin
    EXPECT_EQ(cells[1].Alias, "3 unidades, De Morgan");
    EXPECT_GT(inked[1], 10);
    EXPECT_EQ(cells[2].Name, "Gate2");
    EXPECT_EQ(cells[2].Description, "a gate");
    EXPECT_EQ(cells[2].Pads, "4 pinos");
    EXPECT_GT(inked[2], 10);  // drawn as its root

    cursor.zerarparaimprimir("QR_LISTA");
    ListRow row;
    std::vector<ListRow> rows;
    while (cursor.QuickRepNeedData(row)) rows.push_back(row);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].Name, "Gate");
    EXPECT_EQ(rows[1].Alias, "3 unidades, De Morgan");
    EXPECT_EQ(rows[2].Description, "a gate");
}

TEST(KicadSymCatalog, CliCatalogOfARealLibrary) {
    REQUIRE_CORPUS();
    std::string out, err;
    ASSERT_EQ(RunCli({"catalog", "drawings", TARNEL_CORPUS "/symbols/4xxx.kicad_symdir"}, &out, &err), 0) << err;
    EXPECT_EQ(out, "{\"catalog\":\"drawings\",\"modules\":51,\"pages\":9}\n");
    ASSERT_EQ(RunCli({"catalog", "list", TARNEL_CORPUS "/symbols/power.kicad_symdir"}, &out, &err), 0) << err;
    EXPECT_EQ(out, "{\"catalog\":\"list\",\"modules\":101,\"pages\":2}\n");
}

// The index takes current symbol libraries, files and folders: a row per
// symbol, its description and keywords as its chain gives them, its text
// read when shown.
TEST(KicadSymIndex, SymbolRows) {
    QTemporaryDir d;
    const std::string root = d.path().toStdString();
    Write(root + "/gates.kicad_sym", kOld);
    Write(root + "/old.lib", "EESchema-LIBRARY Version 2.4\nDEF X U 0 40 Y Y 1 F N\nENDDEF\n");
    ASSERT_TRUE(QDir().mkpath(d.filePath("Parts.kicad_symdir")));
    Write(root + "/Parts.kicad_symdir/r.kicad_sym",
          "(kicad_symbol_lib (version 20251024) (symbol \"R_Small\" (property \"Description\" \"resistor\")"
          " (property \"ki_keywords\" \"R res\")))");
    Write(root + "/Parts.kicad_symdir/r2.kicad_sym",
          "(kicad_symbol_lib (version 20251024) (symbol \"R_Tiny\" (extends \"R_Small\")"
          " (property \"Description\" \"\")))");
    Write(root + "/bad.kicad_sym", "(kicad_symbol_lib");

    FolderFileList files(root);
    std::vector<std::string> entries;
    for (int i = 0; i < files.Count(); ++i) entries.push_back(files.Entry(i));
    EXPECT_EQ(entries, (std::vector<std::string>{"bad.kicad_sym", "gates.kicad_sym", "Parts.kicad_symdir"}));
    IndexTables t;
    const IndexRunResult r = BuildIndex(t, files);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.modules, 5);
    const TMemTable& c = t.RxMD_comp;
    std::map<std::string, std::array<std::string, 4>> rows;  // principal -> lib, description, keywords, symbol
    int rGateRow = -1;
    for (int i = 0; i < c.RowCount(); ++i) {
        const std::string p = c.Text(i, c.FieldIndex("Principal"));
        rows[p] = {c.Text(i, c.FieldIndex("Lib")), c.Text(i, c.FieldIndex("Descricao")),
                   c.Text(i, c.FieldIndex("Palavras")), c.Text(i, c.FieldIndex("Simbolo"))};
        if (p == "GATE2") rGateRow = i;
    }
    using Row = std::array<std::string, 4>;
    EXPECT_EQ(rows["GATE"], (Row{"gates.kicad_sym", "a gate", "logic", "Gate"}));
    EXPECT_EQ(rows["GATE2"], (Row{"gates.kicad_sym", "a gate", "newer", "Gate2"}));
    EXPECT_EQ(rows["BROKEN"][1], "símbolo \"Broken\": o símbolo pai \"Missing\" não está na biblioteca");
    EXPECT_EQ(rows["R_SMALL"], (Row{"Parts.kicad_symdir", "resistor", "R res", "R_Small"}));
    EXPECT_EQ(rows["R_TINY"], (Row{"Parts.kicad_symdir", "resistor", "R res", "R_Tiny"}));
    // Search finds them by name.
    const TMemTable& n = t.RxMD_principal;
    bool found = false;
    for (int i = 0; i < n.RowCount(); ++i) found = found || n.Text(i, n.FieldIndex("alias")) == "R_TINY";
    EXPECT_TRUE(found);
    // The lines shown: the symbol's own text.
    ASSERT_GE(rGateRow, 0);
    const std::string lines = IndexedModuleLines(t, rGateRow);
    EXPECT_EQ(lines.rfind("(symbol \"Gate2\" (extends \"Gate\")", 0), 0u) << lines;
}
