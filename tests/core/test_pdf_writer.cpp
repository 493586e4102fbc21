// The PDF writer: object numbering, cross-reference table, page operators,
// image bodies, temporary image files and safe saving.
#include "pdf/tnpdf.h"
#include "pdf_fixture.h"

#include <QDateTime>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

using namespace tarnel;
using namespace pdftest;

namespace {

QImage White(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

class PdfWriter : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Path(const char* name) const { return dir_.path() + "/" + name; }
    std::string StdPath(const char* name) const { return QFile::encodeName(Path(name)).toStdString(); }
    static void Fix(TPrintPDF& w) { w.Now = [] { return QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)); }; }
    QTemporaryDir dir_;
};

// The object number where each kind of object must sit, for P pages and I images.
struct Layout {
    int pages;
    std::vector<int> imagesPerPage;
};

class PdfNumbering : public PdfWriter, public ::testing::WithParamInterface<Layout> {};

TEST_P(PdfNumbering, ObjectsFollowTheNumberingTable) {
    const Layout L = GetParam();
    TPrintPDF w(96, 96);
    Fix(w);
    w.FileName = StdPath("n.PDF");
    w.BeginDoc();
    int I = 0;
    for (int j = 0; j < L.pages; ++j) {
        if (j > 0) w.NewPage();
        for (int k = 0; k < L.imagesPerPage[static_cast<size_t>(j)]; ++k, ++I) {
            QImage img = White(40 + I, 30);
            w.DrawBitmap(10, 10, img);
        }
    }
    EXPECT_EQ(w.PageNumber(), L.pages);
    w.EndDoc();
    const int P = L.pages;
    ParsedPdf pdf(ReadAll(Path("n.PDF")));
    ASSERT_EQ(pdf.bytes, w.Document());
    EXPECT_EQ(pdf.size, 3 * P + I + 20);
    EXPECT_EQ(pdf.xref.front(), 10);
    for (const auto& [n, text] : pdf.objects) EXPECT_EQ(text.rfind(std::to_string(n) + " 0 obj\r\n", 0), 0u) << n;

    EXPECT_NE(pdf.objects[1].find("/CreationDate (D:20240102030405)"), std::string::npos);
    for (int j = 1; j <= P; ++j) {
        EXPECT_NE(pdf.objects[2 * j].find("<< /Length " + std::to_string(2 * j + 1) + " 0 R"), std::string::npos);
        EXPECT_EQ(Lines(pdf.objects[2 * j + 1])[1], std::to_string(pdf.StreamData(2 * j).size()));
    }
    EXPECT_NE(pdf.objects[2 * P + 2].find("/Type /Outlines"), std::string::npos);
    for (int i = 1; i <= 14; ++i)
        EXPECT_NE(pdf.objects[2 * P + 2 + i].find("/Name /F" + std::to_string(i) + "\r\n"), std::string::npos);
    EXPECT_NE(pdf.objects[2 * P + 17].find("/Type /Pages"), std::string::npos);
    EXPECT_NE(pdf.objects[2 * P + 18].find("/ProcSet"), std::string::npos);
    for (int m = 1; m <= I; ++m) {
        EXPECT_NE(pdf.objects[2 * P + 18 + m].find("/Name /Im" + std::to_string(m) + "\r\n"), std::string::npos);
        EXPECT_NE(pdf.objects[2 * P + 18].find("/Im" + std::to_string(m) + " " + std::to_string(2 * P + 18 + m) + " 0 R\r\n"),
                  std::string::npos);
    }
    for (int j = 1; j <= P; ++j) {
        const std::string& page = pdf.objects[2 * P + 18 + I + j];
        EXPECT_NE(page.find("/Type /Page\r\n"), std::string::npos);
        EXPECT_NE(page.find("/Contents " + std::to_string(2 * j) + " 0 R"), std::string::npos);
        EXPECT_NE(page.find("/Parent " + std::to_string(2 * P + 17) + " 0 R"), std::string::npos);
        EXPECT_NE(pdf.objects[2 * P + 17].find("\r\n" + std::to_string(2 * P + 18 + I + j) + " 0 R\r\n"), std::string::npos);
    }
    EXPECT_NE(pdf.objects[3 * P + I + 19].find("/Type /Catalog"), std::string::npos);
    const std::string trailer = pdf.bytes.substr(pdf.bytes.find("trailer"));
    EXPECT_NE(trailer.find("/Root " + std::to_string(3 * P + I + 19) + " 0 R\r\n/Info 1 0 R"), std::string::npos);
    EXPECT_TRUE(pdf.bytes.ends_with("startxref\r\n" + std::to_string(pdf.startxref) + "\r\n%%EOF\r\n"));

    const QString work = Path("tools");
    QDir().mkpath(work);
    const int rendered = CheckWithTools(Path("n.PDF"), work);
    if (rendered >= 0) {
        EXPECT_EQ(rendered, P);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, PdfNumbering,
                         ::testing::Values(Layout{1, {1}}, Layout{1, {0}}, Layout{3, {1, 1, 1}}, Layout{2, {2, 0}},
                                           Layout{4, {0, 3, 1, 0}}));

TEST_F(PdfWriter, OnePageOneImageMatchesTheWorkedExample) {
    TPrintPDF w(96, 96);
    w.FileName = StdPath("a4.PDF");
    w.BeginDoc();
    QImage page = White(794, 1123);
    w.DrawBitmap(52, 0, page);
    w.EndDoc();
    const std::string& doc = w.Document();
    ParsedPdf pdf(doc);
    EXPECT_EQ(pdf.size, 24);
    EXPECT_EQ(pdf.xref.size(), 23u);
    EXPECT_EQ(pdf.xref[0], 10);
    EXPECT_TRUE(doc.starts_with("%PDF-1.4\r\n1 0 obj\r\n<<\r\n/Producer ()\r\n"));
    // 24 entries of exactly 20 bytes between "0 24" and "trailer".
    const size_t table = doc.find("xref\r\n0 24\r\n");
    ASSERT_NE(table, std::string::npos);
    EXPECT_EQ(doc.find("trailer\r\n") - (table + 12), 24u * 20u);
    EXPECT_NE(doc.find("/Kids [\r\n22 0 R\r\n]\r\n/Count 1\r\n"), std::string::npos);
    EXPECT_NE(pdf.objects[21].find("/Width 794\r\n/Height 1123\r\n"), std::string::npos);
    EXPECT_NE(pdf.objects[22].find("/MediaBox [ 0 0 612 792]"), std::string::npos);
    EXPECT_EQ(Inflate(pdf.StreamData(2)), "q\r\n506 0 0 778 52 14 cm\r\n/Im1 Do\r\nQ\r\n");
}

struct Placement {
    int pageW, pageH, bmpW, bmpH;
    int x, y;
    double dpi;
    const char* cm;
};

class PdfPlacement : public PdfWriter, public ::testing::WithParamInterface<Placement> {};

TEST_P(PdfPlacement, ScaleRuleGivesTheOperators) {
    const Placement c = GetParam();
    TPrintPDF w(c.dpi, c.dpi);
    w.Compress = false;
    w.FileName = StdPath("p.PDF");
    w.BeginDoc();
    // Changed after BeginDoc: the draw and the MediaBox use the new values.
    w.PageWidth = c.pageW;
    w.PageHeight = c.pageH;
    QImage img = White(c.bmpW, c.bmpH);
    w.DrawJPEG(c.x, c.y, img);
    w.EndDoc();
    ParsedPdf pdf(w.Document());
    EXPECT_EQ(pdf.StreamData(2), std::string("q\r\n") + c.cm + "\r\n/Im1 Do\r\nQ\r\n");
    EXPECT_NE(pdf.objects[22].find("/MediaBox [ 0 0 " + std::to_string(c.pageW) + " " + std::to_string(c.pageH) + "]"),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PdfPlacement,
    ::testing::Values(Placement{612, 792, 794, 1123, 52, 0, 96, "506 0 0 778 52 14 cm"},
                      // Turned page: taller than the page, so the bottom edge goes below it.
                      Placement{792, 612, 1123, 794, 52, 0, 96, "712 0 0 632 52 -20 cm"},
                      // A square page counts as landscape.
                      Placement{600, 600, 100, 100, 0, 0, 10, "461 0 0 750 0 -150 cm"},
                      Placement{612, 792, 100, 100, -5, 30, 120, "51 0 0 55 -5 707 cm"}));

TEST_F(PdfWriter, EndDocRightAfterBeginDocWritesOneEmptyPage) {
    TPrintPDF w;
    w.Compress = false;
    w.FileName = StdPath("empty.PDF");
    w.BeginDoc();
    w.EndDoc();
    ParsedPdf pdf(ReadAll(Path("empty.PDF")));
    EXPECT_EQ(pdf.size, 23);
    EXPECT_EQ(pdf.StreamData(2), "");
    EXPECT_EQ(Lines(pdf.objects[3])[1], "0");
    EXPECT_NE(pdf.objects[20].find("/XObject << \r\n>>\r\n/Font << \r\n/F1 5 0 R \r\n"), std::string::npos);
    EXPECT_EQ(w.Document().find("/Subtype /Image"), std::string::npos);
    EXPECT_NE(pdf.objects[19].find("/Kids [\r\n21 0 R\r\n]\r\n/Count 1"), std::string::npos);
    const int rendered = CheckWithTools(Path("empty.PDF"), dir_.path());
    if (rendered >= 0) {
        EXPECT_EQ(rendered, 1);
    }
}

TEST_F(PdfWriter, CompressFalseWritesPlainStreams) {
    TPrintPDF w;
    w.Compress = false;
    w.FileName = StdPath("plain.PDF");
    w.BeginDoc();
    QImage img = White(37, 11);
    img.setPixel(3, 2, qRgb(0, 128, 0));
    w.DrawBitmap(0, 0, img);
    w.EndDoc();
    const std::string& doc = w.Document();
    EXPECT_EQ(doc.find("/FlateDecode"), std::string::npos);
    ParsedPdf pdf(doc);
    EXPECT_NE(pdf.objects[21].find("/Length 407\r\n"), std::string::npos);  // 37 x 11
    const std::string samples = pdf.StreamData(21);
    ASSERT_EQ(samples.size(), 37u * 11u + 2u);  // the image body ends with CR LF before endstream
    const auto& pal = HalftonePalette();
    EXPECT_EQ(pal[static_cast<uint8_t>(samples[2 * 37 + 3])], qRgb(0, 128, 0));
    EXPECT_EQ(pal[static_cast<uint8_t>(samples[0])], qRgb(255, 255, 255));
    EXPECT_NE(pdf.StreamData(2).find("/Im1 Do"), std::string::npos);
    const int rendered = CheckWithTools(Path("plain.PDF"), dir_.path());
    if (rendered >= 0) {
        EXPECT_EQ(rendered, 1);
    }
}

TEST_F(PdfWriter, IndexedImageBodyAndPaletteText) {
    TPrintPDF w;
    w.FileName = StdPath("idx.PDF");
    w.BeginDoc();
    // An 8-bit bitmap keeps its own palette; missing entries read 000000.
    QImage img(4, 3, QImage::Format_Indexed8);
    img.setColorTable({qRgb(0x12, 0xAB, 0xFE), qRgb(255, 255, 255), qRgb(1, 2, 3)});
    img.fill(1);
    img.setPixel(1, 1, 0);
    img.setPixel(3, 2, 2);
    w.DrawBitmap(0, 0, img);
    w.EndDoc();
    ParsedPdf pdf(w.Document());
    const std::string& o = pdf.objects[21];
    const size_t a = o.find("/ColorSpace [/Indexed /DeviceRGB 255 <");
    ASSERT_NE(a, std::string::npos);
    const size_t b = o.find(">]\r\n", a);
    const std::string pal = o.substr(a + 38, b - a - 38);
    EXPECT_EQ(pal.size(), 1792u);
    EXPECT_TRUE(pal.starts_with("12ABFE FFFFFF 010203 000000 "));
    EXPECT_TRUE(pal.ends_with("000000 "));
    const std::string data = pdf.StreamData(21);
    const std::string z = data.substr(0, data.size() - 2);
    EXPECT_NE(o.find("/Length " + std::to_string(z.size()) + "\r\n/Name /Im1\r\n/Filter [/FlateDecode]\r\n>>\r\nstream\r\n"),
              std::string::npos);
    EXPECT_EQ(Inflate(z), std::string("\x01\x01\x01\x01\x01\x00\x01\x01\x01\x01\x01\x02", 12));
}

TEST_F(PdfWriter, JpegImageIsBaselineAndKeepsColours) {
    TPrintPDF w;
    w.FileName = StdPath("j.PDF");
    w.BeginDoc();
    QImage img = White(64, 48);
    QPainter(&img).fillRect(0, 0, 32, 48, QColor(0, 0, 255));
    w.DrawJPEG(52, 0, img);
    w.EndDoc();
    ParsedPdf pdf(w.Document());
    const std::string& o = pdf.objects[21];
    EXPECT_NE(o.find("/ColorSpace /DeviceRGB\r\n/BitsPerComponent 8\r\n"), std::string::npos);
    EXPECT_NE(o.find("/Filter [/DCTDecode]\r\n>>\r\nstream\r\n"), std::string::npos);
    const std::string data = pdf.StreamData(21);
    const std::string jpeg = data.substr(0, data.size() - 2);
    EXPECT_NE(o.find("/Length " + std::to_string(jpeg.size()) + "\r\n"), std::string::npos);
    EXPECT_NE(jpeg.find("\xFF\xC0"), std::string::npos);  // baseline frame
    EXPECT_EQ(jpeg.find("\xFF\xC2"), std::string::npos);  // no progressive frame
    QImage back;
    ASSERT_TRUE(back.loadFromData(QByteArray::fromStdString(jpeg), "JPEG"));
    EXPECT_EQ(back.size(), QSize(64, 48));
    const QRgb left = back.pixel(8, 24), right = back.pixel(56, 24);
    EXPECT_GT(qBlue(left), 230);
    EXPECT_LT(qRed(left), 25);
    EXPECT_GT(qRed(right), 230);
    const int rendered = CheckWithTools(Path("j.PDF"), dir_.path());
    if (rendered >= 0) {
        EXPECT_EQ(rendered, 1);
    }
}

TEST_F(PdfWriter, ImageNumbersRunThroughThePages) {
    TPrintPDF w;
    w.FileName = StdPath("run.PDF");
    w.BeginDoc();
    for (int j = 1; j <= 3; ++j) {
        if (j > 1) w.NewPage();
        QImage img = White(20, 20);
        w.DrawBitmap(0, 0, img);
    }
    w.EndDoc();
    ParsedPdf pdf(w.Document());
    for (int j = 1; j <= 3; ++j) {
        const std::string ops = Inflate(pdf.StreamData(2 * j));
        EXPECT_TRUE(ops.ends_with("/Im" + std::to_string(j) + " Do\r\nQ\r\n")) << ops;
        EXPECT_EQ(ops.find("/Im", ops.find("/Im") + 1), std::string::npos);
    }
}

TEST_F(PdfWriter, InfoValuesCannotBreakOutOfTheirStrings) {
    TPrintPDF w;
    w.FileName = StdPath("info.PDF");
    w.TITLE = "a) (b \\";
    w.Author = "Jos\xe9";
    w.BeginDoc();
    w.EndDoc();
    EXPECT_NE(w.Document().find("/Title (a\\) \\(b \\\\)\r\n"), std::string::npos);
    EXPECT_NE(w.Document().find("/Author (Jos\xe9)\r\n"), std::string::npos);
    const int rendered = CheckWithTools(Path("info.PDF"), dir_.path());
    if (rendered >= 0) {
        EXPECT_EQ(rendered, 1);
    }
}

// Images wait in a file with no name, so that an interrupted export (even
// by SIGKILL) leaves nothing in the temporary folder.
TEST_F(PdfWriter, ImagesWaitInAnUnnamedFileUntilEndDoc) {
    const QString tmp = Path("tmp");
    ASSERT_TRUE(QDir().mkpath(tmp));
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(tmp));
    TPrintPDF w;
    w.FileName = StdPath("t.PDF");
    w.BeginDoc();
    EXPECT_EQ(w.ParkedImages(), 0);
    QImage a = White(10, 10), b = White(10, 10);
    w.DrawBitmap(0, 0, a);
    w.DrawJPEG(0, 0, b);
    EXPECT_EQ(w.ParkedImages(), 2);
    EXPECT_EQ(QDir(tmp).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{});
    w.EndDoc();
    if (oldTmp.isNull()) qunsetenv("TMPDIR");
    else qputenv("TMPDIR", oldTmp);
    EXPECT_EQ(w.ParkedImages(), 0);
    ParsedPdf pdf(ReadAll(Path("t.PDF")));
    int images = 0;
    for (const auto& [n, body] : pdf.objects) images += body.find("<< /Type /XObject\r\n") != std::string::npos;
    EXPECT_EQ(images, 2);
}

TEST_F(PdfWriter, FailedSaveKeepsTheOldFileAndLeavesNothingBehind) {
    const QString ro = Path("ro");
    QDir().mkpath(ro);
    QFile old(ro + "/out.PDF");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents");
    old.close();
    ReadOnlyFolder lock(ro);
    if (!lock.ok()) GTEST_SKIP() << "cannot make a folder read-only here";

    TPrintPDF w;
    w.FileName = QFile::encodeName(ro + "/out.PDF").toStdString();
    w.BeginDoc();
    QImage img = White(30, 30);
    w.DrawBitmap(0, 0, img);
    EXPECT_THROW(w.EndDoc(), std::runtime_error);
    EXPECT_EQ(ReadAll(ro + "/out.PDF"), "old contents");
    EXPECT_EQ(QDir(ro).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"out.PDF"});
    EXPECT_EQ(w.ParkedImages(), 0);
}

TEST_F(PdfWriter, SaveReplacesAnExistingFileWhole) {
    QFile old(Path("x.PDF"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(std::string(100000, 'z').c_str());
    old.close();
    TPrintPDF w;
    w.FileName = StdPath("x.PDF");
    w.BeginDoc();
    w.EndDoc();
    EXPECT_EQ(ReadAll(Path("x.PDF")), w.Document());
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"x.PDF"});
}

TEST_F(PdfWriter, BeginDocStartsAFreshDocument) {
    TPrintPDF w;
    Fix(w);
    w.FileName = StdPath("r.PDF");
    w.BeginDoc();
    QImage img = White(10, 10);
    w.DrawBitmap(0, 0, img);
    w.NewPage();
    w.EndDoc();
    w.BeginDoc();
    EXPECT_EQ(w.PageNumber(), 1);
    w.EndDoc();
    TPrintPDF fresh;
    Fix(fresh);
    fresh.FileName = StdPath("f.PDF");
    fresh.BeginDoc();
    fresh.EndDoc();
    EXPECT_EQ(w.Document(), fresh.Document());
}

TEST(HalftonePalette, HoldsTheDrawingColoursExactly) {
    const auto& pal = HalftonePalette();
    EXPECT_EQ(std::set<QRgb>(pal.begin(), pal.end()).size(), 256u);
    // 0x00BBGGRR drawing colours: black, white, green, red, blue, olive, teal.
    const uint32_t colours[] = {0x000000, 0xFFFFFF, 0x008000, 0x0000FF, 0xFF0000, 0x008080, 0x808000};
    QImage img(7, 1, QImage::Format_RGB32);
    for (int i = 0; i < 7; ++i) {
        const uint32_t c = colours[i];
        img.setPixel(i, 0, qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
    }
    const QImage out = ToHalftone8(img);
    ASSERT_EQ(out.format(), QImage::Format_Indexed8);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(out.color(out.pixelIndex(i, 0)), img.pixel(i, 0)) << i;
}

TEST(HalftonePalette, OtherColoursGoToTheNearestEntry) {
    QImage img(3, 1, QImage::Format_RGB32);
    img.setPixel(0, 0, qRgb(250, 3, 2));     // near red
    img.setPixel(1, 0, qRgb(126, 127, 129)); // near the middle grey
    img.setPixel(2, 0, qRgb(52, 101, 150));  // a cube colour off by one
    const QImage out = ToHalftone8(img);
    EXPECT_EQ(out.color(out.pixelIndex(0, 0)), qRgb(255, 0, 0));
    EXPECT_EQ(out.color(out.pixelIndex(1, 0)), qRgb(128, 128, 128));
    EXPECT_EQ(out.color(out.pixelIndex(2, 0)), qRgb(51, 102, 153));
}

} // namespace
