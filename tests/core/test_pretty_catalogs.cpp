// Both catalogs over footprint folders: cells and rows, descriptions, the
// footprint that cannot be read, and tarnel-cli over the real libraries.
#include "catalogs/catalogs.h"
#include "report/pagestream.h"

#include "corpus.h"

#include "cli_run.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <fstream>

using namespace tarnel;

namespace {
const std::string kPretty = TARNEL_CORPUS "/pretty";

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Utf16(const std::string& utf8) {
    const QString s = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    return std::string(reinterpret_cast<const char*>(s.utf16()), static_cast<size_t>(s.size()) * 2);
}
} // namespace

TEST(PrettyCatalog, CellsRowsAndAnUnreadableFootprint) {
    QTemporaryDir d;
    const std::string dir = d.filePath("Mine.pretty").toStdString();
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    Write(dir + "/A_Resistor.kicad_mod",
          "(footprint \"A_Resistor\" (version 20240108)\n"
          "  (descr \"R 0805, \\\"thin film\\\", 2\\xC2\\xB0C/W, \xC3\xA9tal\\non two lines\")\n"
          "  (pad \"1\" smd roundrect (at -1 0) (size 1 1.4) (layers \"F.Cu\"))\n"
          "  (pad \"2\" smd roundrect (at 1 0) (size 1 1.4) (layers \"F.Cu\"))\n"
          "  (pad \"\" smd rect (at 0 0) (size 0.2 0.2) (layers \"F.Paste\"))\n"
          ")\n");
    Write(dir + "/B_Broken.kicad_mod", "(footprint \"B_Broken\"\n (pad \"1\" smd rect\n");
    Write(dir + "/C_NoDescr.kicad_mod", "(module C_NoDescr (pad 1 thru_hole circle (at 0 0) (size 2 2) (drill 1)))\n");

    TForm1Core core;
    core.Options().ScaleDivisor = 100;
    core.OpenLibrary(dir);
    CatalogCursor cursor(core);
    cursor.SetLibrary(dir);
    cursor.zerarparaimprimir("QR_FIG");
    Canvas pic(179, 179);
    FigCell cell;
    std::vector<FigCell> cells;
    std::vector<int> inked;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(cursor.QR_FIGNeedData(cell, pic)) << i;
        cells.push_back(cell);
        int n = 0;
        for (int y = 0; y < 179; ++y)
            for (int x = 0; x < 179; ++x) n += pic.Pixel(x, y) != kWhite;
        inked.push_back(n);
    }
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[0].Name, "A_Resistor");
    EXPECT_EQ(cells[0].Description, "R 0805, \"thin film\", 2\xC2\xB0" "C/W, \xC3\xA9tal\non two lines");
    EXPECT_EQ(cells[0].Pads, "2 ilhas");  // the paste aperture has no number
    EXPECT_EQ(cells[0].Alias, "");
    EXPECT_EQ(cells[0].Scale, "Escala: 100 %");
    EXPECT_GT(inked[0], 10);
    EXPECT_EQ(cells[1].Name, "B_Broken");
    EXPECT_EQ(cells[1].Description.rfind("B_Broken.kicad_mod: line 2:", 0), 0u) << cells[1].Description;
    EXPECT_EQ(cells[1].Pads, "0 ilha");
    EXPECT_EQ(inked[1], 0);  // an empty drawing
    EXPECT_EQ(cells[2].Name, "C_NoDescr");
    EXPECT_EQ(cells[2].Description, "");
    EXPECT_EQ(cells[2].Pads, "1 ilha");

    // The list catalog's rows, and the library named by its folder.
    Catalogs cat(core);
    SetScreenPixelsPerInch(96);
    auto pages = cat.Lista1Click(dir + "/");
    SetScreenPixelsPerInch(0);
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->PageCount(), 1);
    EXPECT_EQ(cat.QR_lista.QRLabel5->Caption, "Biblioteca: Mine.pretty");
}

// Every real footprint folder through tarnel-cli: page counts that load back,
// a PDF qpdf accepts, and a real description in the pages.
TEST(PrettyCatalog, RealLibrariesThroughTheCommandLine) {
    REQUIRE_CORPUS();
    const bool qpdf = !QStandardPaths::findExecutable("qpdf").isEmpty();
    QTemporaryDir d;
    bool foundDescr = false;
    for (const char* lib : {"Jumper.pretty", "Valve.pretty", "RF_Antenna.pretty"}) {
        const std::string dir = kPretty + "/" + lib;
        const int n = QDir(QString::fromStdString(dir)).entryList({"*.kicad_mod"}, QDir::Files).size();
        for (const char* kind : {"drawings", "list"}) {
            const QString qrp = d.filePath("r.qrp"), base = d.filePath("r");
            std::string out, err;
            ASSERT_EQ(RunCli({"catalog", kind, QString::fromStdString(dir), "--qrp", qrp, "--pdf", base}, &out, &err), 0)
                << lib << " " << kind << ": " << err;
            const int perPage = std::string(kind) == "drawings" ? 6 : 52;
            const int expected = (n + perPage - 1) / perPage;
            EXPECT_NE(out.find("\"modules\":" + std::to_string(n) + ",\"pages\":" + std::to_string(expected)),
                      std::string::npos)
                << out;
            ASSERT_EQ(RunCli({"qrp-info", qrp}, &out, &err), 0) << err;
            EXPECT_NE(out.find(std::to_string(expected)), std::string::npos) << out;
            const LoadedReport r = LoadReport(qrp.toStdString());
            EXPECT_EQ(r.PageCount, expected) << lib << " " << kind;
            if (std::string(lib) == "Valve.pretty") {
                QFile f(qrp);
                ASSERT_TRUE(f.open(QIODevice::ReadOnly));
                const QByteArray bytes = f.readAll();
                foundDescr |= bytes.contains(QByteArray::fromStdString(Utf16("Valve ECC-83-2 flat pins")));
                EXPECT_TRUE(bytes.contains(QByteArray::fromStdString(Utf16("Biblioteca: Valve.pretty")))) << kind;
            }
            if (qpdf) {
                QProcess q;
                q.start("qpdf", {"--check", base + ".PDF"});
                q.waitForFinished(120000);
                EXPECT_EQ(q.exitCode(), 0) << lib << " " << kind << ": " << q.readAllStandardOutput().toStdString();
            }
        }
    }
    EXPECT_TRUE(foundDescr);
}
