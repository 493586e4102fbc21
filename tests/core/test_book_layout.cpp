// The vector catalog's page arithmetic and the update that finishes its
// file.
#include "book/layout.h"
#include "book/pdfbook.h"
#include "book/pdfupdate.h"
#include "output/cairotext.h"

#include "book_fixture.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <stdexcept>

using namespace tarnel;
using namespace tarnel::book;

TEST(BookLayout, TheLargestScaleThatFits) {
    const Size room{100 * kPtPerMm, 60 * kPtPerMm};
    struct Case {
        double w, h;
        const char* scale;
    } cases[] = {
        {1.0, 0.5, "50:1"},    // an 0402 part
        {2.1, 1.0, "20:1"},    // 42 mm at 20:1
        {6.0, 3.0, "10:1"},
        {10.0, 12.1, "2:1"},   // 60.5 mm high at 5:1: too high
        {100.0, 60.0, "1:1"},  // exactly the room
        {100.1, 10.0, "1:2"},
        {900.0, 10.0, "1:10"},
        {5000.0, 10.0, "1:10"},  // nothing fits: the smallest, cut
        {0.0, 0.0, "50:1"},
    };
    for (const Case& c : cases) EXPECT_EQ(FitScale(c.w, c.h, room).Caption(), c.scale) << c.w << " x " << c.h;
}

TEST(BookLayout, ScaleBarsAreRoundLengths) {
    const double max = 40 * kPtPerMm;
    struct Case {
        double factor;
        int mm;
    } cases[] = {{50, 1}, {20, 2}, {10, 2}, {5, 5}, {2, 20}, {1, 20}, {0.5, 20}, {0.1, 20}, {100, 1}};
    for (const Case& c : cases) EXPECT_EQ(ScaleBarMm(c.factor, max), c.mm) << c.factor;
}

TEST(BookLayout, CellsMakeAGridOfTwoByThree) {
    for (Paper p : {Paper::A4, Paper::Letter}) {
        const Size page = PaperSize(p);
        const Rect f = Frame(page);
        for (int slot = 0; slot < kCellsPerPage; ++slot) {
            const Rect c = CellRect(page, slot);
            EXPECT_NEAR(c.w, f.w / 2, 1e-9);
            EXPECT_NEAR(c.h, f.h / 3, 1e-9);
            EXPECT_NEAR(c.x, f.x + (slot % 2) * c.w, 1e-9);
            EXPECT_NEAR(c.y, f.y + (slot / 2) * c.h, 1e-9);
        }
    }
    EXPECT_NEAR(PaperSize(Paper::A4).w, 595.276, 0.001);
    EXPECT_NEAR(PaperSize(Paper::A4).h, 841.89, 0.001);
    EXPECT_EQ(PaperSize(Paper::Letter).w, 612);
    EXPECT_EQ(PaperSize(Paper::Letter).h, 792);
}

TEST(BookLayout, PackingFillsShelvesThenPages) {
    const Size room{100, 100};
    struct Case {
        const char* what;
        std::vector<Size> boxes;
        std::vector<Placement> expected;
    } cases[] = {
        {"one shelf", {{30, 10}, {30, 20}, {20, 5}}, {{0, 0, 0}, {0, 40, 0}, {0, 80, 0}}},
        {"next shelf under the tallest",
         {{60, 10}, {30, 20}, {50, 5}},
         {{0, 0, 0}, {0, 70, 0}, {0, 0, 30}}},
        {"next page", {{100, 60}, {100, 50}}, {{0, 0, 0}, {1, 0, 0}}},
        {"oversize alone", {{10, 10}, {150, 10}, {10, 10}}, {{0, 0, 0}, {1, 0, 0, true}, {2, 0, 0}}},
        {"oversize first", {{10, 150}, {10, 10}}, {{0, 0, 0, true}, {1, 0, 0}}},
    };
    for (const Case& c : cases) {
        const std::vector<Placement> got = Pack(c.boxes, room, 10);
        ASSERT_EQ(got.size(), c.expected.size()) << c.what;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].page, c.expected[i].page) << c.what << " #" << i;
            EXPECT_EQ(got[i].x, c.expected[i].x) << c.what << " #" << i;
            EXPECT_EQ(got[i].y, c.expected[i].y) << c.what << " #" << i;
            EXPECT_EQ(got[i].oversize, c.expected[i].oversize) << c.what << " #" << i;
        }
    }
}

TEST(BookLayout, MillimetresInPortuguese) {
    EXPECT_EQ(MmText(5.08), "5,08");
    EXPECT_EQ(MmText(12), "12");
    EXPECT_EQ(MmText(0.5), "0,5");
    EXPECT_EQ(MmText(-0.001), "0");
    EXPECT_EQ(MmText(2.004), "2");
}

namespace {

// A small document made by the writer: two pages, bookmarks and a link.
std::string SmallDocument(bool printScalingNone) {
    std::string bytes;
    DocumentInfo info;
    info.title = "Prova Ω";
    info.author = "Tarnel";
    info.creator = "Tarnel";
    info.created = "2024-05-01T10:00:00-03:00";
    info.printScalingNone = printScalingNone;
    PdfBook doc([&](const char* d, size_t n) { bytes.append(d, n); }, PaperSize(Paper::A4), info);
    doc.BeginPage("Capa");
    doc.Link({10, 10, 100, 20}, 2, 0, 0);
    doc.BeginPage("1");
    cairo_rectangle(doc.Cr(), 100, 100, 50, 50);
    cairo_fill(doc.Cr());
    const int lib = doc.Bookmark(0, "Biblioteca", 2, 0, 0, true);
    doc.Bookmark(lib, "Módulo", 2, 100, 100);
    doc.Finish();
    EXPECT_EQ(doc.Bytes(), bytes.size());
    return bytes;
}

} // namespace

TEST(BookPdf, TheUpdateKeepsTheFileValidAndAddsThePreferences) {
    REQUIRE_TOOL("qpdf");
    QTemporaryDir d;
    for (bool none : {false, true}) {
        const std::string bytes = SmallDocument(none);
        const QString path = d.filePath(none ? "none.pdf" : "fit.pdf");
        WriteFileBytes(path, bytes);
        std::string out;
        EXPECT_EQ(RunTool("qpdf", {"--check", path}, &out), 0) << out;
        EXPECT_EQ(out.find("WARNING"), std::string::npos) << out;
        const QJsonObject catalog = PdfCatalog(path);
        const QJsonObject prefs = catalog.value("/ViewerPreferences").toObject();
        EXPECT_EQ(prefs.value("/DisplayDocTitle").toBool(), true);
        EXPECT_EQ(prefs.value("/PrintScaling").toString(), none ? "/None" : "") << none;
        EXPECT_EQ(catalog.value("/PageMode").toString(), "/UseOutlines");
        // The outline's root counts its open items, never negatively.
        EXPECT_EQ(PdfObject(path, catalog.value("/Outlines").toString()).value("/Count").toInt(), 2);
        // One bookmark with one child, both opening page 2.
        const QJsonArray outline = PdfOutline(path);
        ASSERT_EQ(outline.size(), 1);
        EXPECT_EQ(outline[0].toObject().value("title").toString(), "Biblioteca");
        EXPECT_EQ(outline[0].toObject().value("destpageposfrom1").toInt(), 2);
        ASSERT_EQ(outline[0].toObject().value("kids").toArray().size(), 1);
        EXPECT_EQ(outline[0].toObject().value("kids").toArray()[0].toObject().value("title").toString(),
                  QString::fromUtf8("Módulo"));
        // The page labels as written.
        EXPECT_EQ(PdfPageLabels(path), (QStringList{"Capa", "1"}));
    }
}

TEST(BookPdf, TheUpdateRefusesWhatItDoesNotFind) {
    const std::string good = SmallDocument(false);
    EXPECT_NO_THROW(CatalogUpdate(good, 0, {}));
    struct Case {
        const char* what;
        std::string bytes;
        uint64_t at;
    } cases[] = {
        {"empty", "", 0},
        {"no startxref", "%PDF-1.5\n1 0 obj\n<< >>\nendobj\n", 0},
        {"startxref past the end", "%PDF-1.5\nstartxref\n99999\n%%EOF\n", 0},
        {"no table there", "%PDF-1.5\nstartxref\n0\n%%EOF\n", 0},
        {"tail after the table", good.substr(good.size() / 2), good.size() / 2 + 1000},
        {"catalog missing",
         "xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Size 2 /Root 1 0 R >>\nstartxref\n0\n%%EOF\n", 0},
        {"unbalanced trailer", "xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Size 2 /Root (1 0 R >>\nstartxref\n0\n%%EOF\n",
         0},
    };
    for (const Case& c : cases) EXPECT_THROW(CatalogUpdate(c.bytes, c.at, {}), std::runtime_error) << c.what;
}

// A file that cannot be written whole says why; a document given up half-way
// (cancelled) goes nowhere and harms nothing.
TEST(BookPdf, AFailedSinkOrAnAbandonedDocument) {
    for (bool abandon : {false, true}) {
        size_t written = 0;
        auto sink = [&](const char*, size_t n) {
            if (!abandon && written + n > 3000) throw std::runtime_error("cannot write x.pdf: No space left on device");
            written += n;
        };
        try {
            PdfBook doc(sink, PaperSize(Paper::A4), DocumentInfo{});
            tarnel::CairoText text;
            doc.BeginPage("Capa");
            doc.Link({10, 10, 100, 20}, 9, 0, 0);
            doc.Bookmark(0, "adiante", 7, 0, 0);
            for (int i = 0; i < 4; ++i) {
                doc.BeginPage(std::to_string(i + 1));
                for (int k = 0; k < 40; ++k) text.Line(doc.Cr(), "Texto Ω " + std::to_string(k * i), 20, 20 + 15 * k, 10);
            }
            if (!abandon) {
                doc.Finish();
                ADD_FAILURE() << "no error";
            }
        } catch (const std::runtime_error& e) {
            EXPECT_FALSE(abandon);
            EXPECT_EQ(std::string(e.what()), "cannot write x.pdf: No space left on device");
        }
    }
}
