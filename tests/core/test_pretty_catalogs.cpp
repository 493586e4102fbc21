// Both catalogs over footprint folders: cells and rows, descriptions, the
// footprint that cannot be read, and tarnel-cli over the real libraries.
#include "catalogs/catalogs.h"
#include "report/pagestream.h"

#include "corpus.h"

#include "cli_run.h"
#include "engine_fixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFontMetrics>
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
    EXPECT_EQ(cells[1].Description.rfind("B_Broken.kicad_mod: linha 2:", 0), 0u) << cells[1].Description;
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

// The list catalog keeps every footprint name whole: a name too long for its
// place before the description gets a line of its own across the row, in a
// smaller type when that keeps it on one line, with the description and the
// alias text below; a name that fits keeps the row as designed. A legacy
// library's rows stay as they were, long names cut as ever.
TEST(PrettyCatalog, ListRowsKeepLongNamesWhole) {
    using namespace tarnel::testing_engine;
    QTemporaryDir d;
    const std::string dir = d.filePath("Long.pretty").toStdString();
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    const std::vector<std::string> names = {
        "Abracon_PRO-OB-440",
        "Abracon_PRO-OB-471",
        "Connector_PinHeader_2.54mm_Vertical_SMD_Pin1Left_2x20_P2.54mm",
        "R_0402",
        "SolderJumper-3_P1.3mm_Bridged2Bar12_RoundedPad1.0x1.5mm_NumberLabels_Extra_Long_Name_With_More_Words_x",
    };
    for (size_t k = 0; k < names.size(); ++k)
        Write(dir + "/" + names[k] + ".kicad_mod", "(footprint \"" + names[k] + "\" (version 20240108)\n  (descr \"Descrição " +
                                                       std::to_string(k) + "\")\n  (pad \"1\" smd rect (at 0 0) (size 1 1) (layers \"F.Cu\")))\n");
    const std::string legacy = d.filePath("long.mod").toStdString();
    Write(legacy, "$MODULE Abracon_PRO-OB-440\r\nDS 0 0 1000 0 150 21\r\n$EndMODULE\r\n"
                  "$MODULE R_0402\r\nDS 0 0 1000 0 150 21\r\n$EndMODULE\r\n");

    SetScreenPixelsPerInch(96);
    struct Run {
        std::shared_ptr<RecordingMaker> maker = std::make_shared<RecordingMaker>();
        std::vector<double> heights;
    };
    auto run = [](const std::string& library) {
        TForm1Core core;
        core.OpenLibrary(library);
        Catalogs cat(core);
        Run r;
        cat.QR_lista.QR_lista.Maker = r.maker;
        cat.QR_lista.QR_lista.OnBandPlaced = [&r](const BandPlacement& b) {
            if (b.Band->Kind == BandKind::rbDetail) r.heights.push_back(b.Height);
        };
        EXPECT_NE(cat.Lista1Click(library), nullptr);
        return r;
    };
    const Run pretty = run(dir), old = run(legacy);
    SetScreenPixelsPerInch(0);

    // Whatever a later white box of the row paints over a text.
    auto covered = [](const std::vector<Op>& ops, size_t i) {
        const Op& t = ops[i];
        const QFontMetrics fm(t.font);
        const QRect painted = QRect(t.at, QSize(fm.horizontalAdvance(t.text), fm.height())) & t.rect;
        int hidden = painted.width() < fm.horizontalAdvance(t.text) ? 1 : 0;
        for (size_t j = i + 1; j < ops.size(); ++j)
            if (ops[j].kind == Op::Fill && ops[j].color == kWhite && ops[j].rect.intersects(painted)) ++hidden;
        return hidden;
    };
    const std::vector<Op>& ops = pretty.maker->pages.at(0);
    ASSERT_EQ(pretty.heights.size(), names.size());
    for (size_t k = 0; k < names.size(); ++k) {
        const QString name = QString::fromStdString(names[k]);
        // The name's texts in the row, in order, make the whole name.
        QString shown;
        for (size_t i = 0; i < ops.size() && shown.size() < name.size(); ++i) {
            if (ops[i].kind != Op::Text || ops[i].text.isEmpty() || !name.mid(shown.size()).startsWith(ops[i].text)) continue;
            EXPECT_EQ(covered(ops, i), 0) << names[k] << ": " << ops[i].text.toStdString();
            shown += ops[i].text;
        }
        EXPECT_EQ(shown, name) << names[k];
        const bool shortName = names[k] == "R_0402";
        if (shortName) EXPECT_DOUBLE_EQ(pretty.heights[k], 92.60416666666667) << names[k];
        else EXPECT_GE(pretty.heights[k], 92.60416666666667 + 45.0) << names[k];
        // The description follows the name.
        const Op* descr = pretty.maker->FindText(0, QStringLiteral("Descrição %1").arg(k));
        ASSERT_NE(descr, nullptr) << names[k];
        EXPECT_EQ(covered(ops, static_cast<size_t>(descr - ops.data())), 0) << names[k];
    }
    // The 100-character name takes two lines of the smallest type.
    EXPECT_GT(pretty.heights[4], pretty.heights[0]);

    // The legacy library: rows of the designed height, the long name cut
    // where the description's box begins, as before.
    ASSERT_EQ(old.heights.size(), 2u);
    for (double h : old.heights) EXPECT_DOUBLE_EQ(h, 92.60416666666667);
    const Op* cut = old.maker->FindText(0, QStringLiteral("Abracon_PRO-OB-440"));
    ASSERT_NE(cut, nullptr);
    EXPECT_GT(covered(old.maker->pages.at(0), static_cast<size_t>(cut - old.maker->pages.at(0).data())), 0);
}
