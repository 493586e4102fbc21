#include "catalogs/catalogs.h"
#include "report/emf.h"

#include "corpus.h"
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <QFontMetrics>

#include <fstream>

using namespace tarnel;

namespace {
struct Placed {
    int page;
    BandKind kind;
    double x, y;
};

struct CatalogRun : ::testing::Test {
    QTemporaryDir dir;
    TForm1Core core;
    Catalogs cat{core};
    std::vector<std::string> errors;
    std::vector<Placed> placed;
    std::unique_ptr<PageList> pages;
    void SetUp() override {
        SetScreenPixelsPerInch(96);
        auto track = [this](const BandPlacement& b) { placed.push_back({b.Page, b.Band->Kind, b.X, b.Y}); };
        cat.Form3.QR_FIG.OnBandPlaced = track;
        cat.QR_lista.QR_lista.OnBandPlaced = track;
    }
    void TearDown() override { SetScreenPixelsPerInch(0); }

    void Library(int modules, const std::string& extra = "") {
        std::string lib;
        for (int i = 1; i <= modules; ++i) {
            lib += "$MODULE M" + std::to_string(i) + "\r\nDS 0 0 1000 0 150 21\r\n";
            if (i == 1) lib += extra;
            lib += "$EndMODULE\r\n";
        }
        const std::string p = dir.filePath("lib.mod").toStdString();
        std::ofstream(p, std::ios::binary) << lib;
        core.FileListBox1Click(p);
        cat.ShowError = [this](const std::string& m) { errors.push_back(m); };
    }
    std::vector<Placed> Of(BandKind k) {
        std::vector<Placed> out;
        for (auto& p : placed)
            if (p.kind == k) out.push_back(p);
        return out;
    }
};
} // namespace

TEST_F(CatalogRun, DrawingCatalogGeometry) {
    Library(7);
    pages = cat.b_reportClick("");
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->PageCount(), 2);
    auto details = Of(BandKind::rbDetail);
    ASSERT_EQ(details.size(), 7u);
    const double ys[] = {265, 1079, 1893, 265, 1079, 1893, 265};
    const double xs[] = {100, 100, 100, 1049, 1049, 1049, 100};
    const int pages[] = {1, 1, 1, 1, 1, 1, 2};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(details[i].y, ys[i]) << i;
        EXPECT_EQ(details[i].x, xs[i]) << i;
        EXPECT_EQ(details[i].page, pages[i]) << i;
    }
    auto headers = Of(BandKind::rbPageHeader), footers = Of(BandKind::rbPageFooter);
    ASSERT_EQ(headers.size(), 2u);  // every page, the first included
    ASSERT_EQ(footers.size(), 2u);  // every page, the last included
    for (auto& f : footers) EXPECT_EQ(f.y, 2781);
    for (auto& h : headers) EXPECT_EQ(h.y, 100);
    EXPECT_EQ(cat.CurrentReport, &cat.Form3.QR_FIG);
    EXPECT_EQ(cat.Form3.QR_FIG.ReportTitle, "Visão prévia lib: lib.mod");
    EXPECT_EQ(core.Options().ScaleDivisor, 100);
}

TEST_F(CatalogRun, ListCatalogGeometry) {
    Library(60);
    pages = cat.Lista1Click("");
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->PageCount(), 2);
    auto details = Of(BandKind::rbDetail);
    ASSERT_EQ(details.size(), 60u);
    EXPECT_EQ(details[0].y, 256);
    EXPECT_EQ(details[25].y, 256 + 25 * 93);
    EXPECT_EQ(details[25].x, 100);
    EXPECT_EQ(details[26].y, 256);   // row 27 tops the right column
    EXPECT_EQ(details[26].x, 1050);
    EXPECT_EQ(details[52].page, 2);  // row 53 on page 2
    EXPECT_EQ(details[59].y, 256 + 7 * 93);
    for (auto& f : Of(BandKind::rbPageFooter)) EXPECT_EQ(f.y, 2764);
}

TEST_F(CatalogRun, EmptyListRefuses) {
    cat.ShowError = [this](const std::string& m) { errors.push_back(m); };
    core.Options().ScaleDivisor = 50;
    cat.Lista1Click("");
    EXPECT_EQ(core.Options().ScaleDivisor, 50);
    cat.b_reportClick("");
    EXPECT_EQ(core.Options().ScaleDivisor, 100);
    EXPECT_EQ(errors, (std::vector<std::string>{"Nenhuma biblioteca selecionada", "Nenhuma biblioteca selecionada"}));
}


TEST_F(CatalogRun, OneModuleOnePageAndTheEndMessage) {
    Library(1);
    std::vector<std::string> infos;
    cat.Cursor.ShowInfo = [&](const std::string& m) { infos.push_back(m); };
    pages = cat.b_reportClick("");
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->PageCount(), 1);
    EXPECT_EQ(Of(BandKind::rbDetail).size(), 1u);
    EXPECT_EQ(infos, std::vector<std::string>{"Catálogo gerado!"});
}

TEST_F(CatalogRun, LongDescriptionWrapsToItsBox) {
    Library(1);
    std::ofstream(dir.filePath("lib.dcm").toStdString(), std::ios::binary)
        << "$CMP M1\r\nD a rather long description of this module that cannot stand on one line of the cell\r\n$ENDCMP\r\n";
    pages = cat.b_reportClick("");
    const QStringList& lines = cat.Form3.QRLabel9->Lines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("a rather long")));
    QFont f = cat.Form3.QR_FIG.Font.ToQFont(96);
    for (const QString& l : lines) EXPECT_LE(QFontMetrics(f).horizontalAdvance(l), TenthsToPixels(654.8, 96 / 254.0)) << l.toStdString();
}

// Real footprint libraries carry descriptions on their Cd lines and in a
// .mdc file; the catalogs show them.
TEST(CatalogDescriptions, ConnectLibraryCells) {
    REQUIRE_CORPUS();
    TForm1Core core;
    core.Options().ScaleDivisor = 100;
    core.FileListBox1Click(TARNEL_CORPUS "/connect.mod");
    CatalogCursor cursor(core);
    cursor.SetLibrary(TARNEL_CORPUS "/connect.mod");
    cursor.zerarparaimprimir("QR_FIG");
    Canvas pic(179, 179);
    FigCell cell;
    int described = 0, cells = 0;
    while (cursor.QR_FIGNeedData(cell, pic)) {
        ++cells;
        described += !cell.Description.empty();
        if (cell.Name == "BUS_PC") {
            EXPECT_EQ(cell.Description, "Connecteur Bus PC 8 bits");
        }
    }
    EXPECT_EQ(cells, 90);
    EXPECT_GE(described, 82);
}
