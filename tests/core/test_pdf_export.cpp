// The PDF export driver over pages drawn here: progress, file name, page
// placement, colours and failures.
#include "pdf/ExportPack.h"
#include "pdf/tnpdf.h"
#include "pdf_fixture.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace tarnel;
using namespace pdftest;

namespace {

// Pages drawn on the fly: page i has a filled square in colour i.
class DrawnPages : public PageSource {
public:
    DrawnPages(int count, QSize size, bool landscape = false) : count_(count), size_(size), landscape_(landscape) {}
    int PageCount() const override { return count_; }
    bool Landscape() const override { return landscape_; }
    QImage PageImage(int n) const override {
        if (n == failAt) throw std::runtime_error("page not finished");
        ++served;
        QImage img(size_, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        p.fillRect(100, 100, 300, 300, Colour(n));
        p.fillRect(0, 0, 20, 20, Qt::black);
        return img;
    }
    static QColor Colour(int n) {
        // Drawing colours of the program, 0x00BBGGRR read as RGB.
        const QColor c[] = {QColor(0, 128, 0), QColor(255, 0, 0), QColor(0, 0, 255), QColor(128, 128, 0),
                            QColor(0, 128, 128)};
        return c[(n - 1) % 5];
    }
    int failAt = 0;
    mutable int served = 0;

private:
    int count_;
    QSize size_;
    bool landscape_;
};

// Records what the export shows.
struct Recorded {
    std::vector<std::string> events;
    std::vector<std::string> labels;
    int min = 0, max = 100, pos = 0;
    bool shown = false, closed = false;
};

class RecordingProgress : public ExportProgress {
public:
    explicit RecordingProgress(Recorded& r) : r_(r) {}
    void SetCaption(const std::string& t) override { r_.events.push_back("caption " + t); }
    void SetRange(int min, int max) override {
        if (max < min) throw std::runtime_error("bad range");
        r_.min = min;
        r_.max = max;
    }
    void SetPosition(int p) override { r_.pos = p; }
    void StepIt() override {
        r_.pos = std::min(r_.pos + 1, r_.max);
        r_.events.push_back("pos " + std::to_string(r_.pos));
    }
    void SetLabel(const std::string& t) override {
        r_.labels.push_back(t);
        r_.events.push_back("label " + t);
    }
    void Show() override {
        r_.shown = true;
        r_.events.push_back("show");
    }
    void Close() override {
        r_.closed = true;
        r_.events.push_back("close");
    }

private:
    Recorded& r_;
};

class PdfExport : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ex_.MakeProgress = [this] { return std::make_unique<RecordingProgress>(rec_); };
        ex_.ShowError = [this](const std::string& m) {
            errors_.push_back(m);
            rec_.events.push_back("error");
        };
    }
    QString Path(const QString& name) const { return dir_.path() + "/" + name; }
    std::string Base(const QString& name) const { return QFile::encodeName(Path(name)).toStdString(); }
    int TempFolders() const { return static_cast<int>(QDir(QDir::tempPath()).entryList({"tarnel-pdf-*"}, QDir::Dirs).size()); }

    QTemporaryDir dir_;
    TExportQR ex_;
    Recorded rec_;
    std::vector<std::string> errors_;
};

TEST_F(PdfExport, ThreePageCatalogGivesThreePagesOfOneImageEach) {
    DrawnPages pages(3, QSize(794, 1123));
    ex_.Report = &pages;
    ASSERT_TRUE(ex_.ExportPDF(PdfFileBase(Base("catalogo.pdf")), true)) << ex_.LastError;
    EXPECT_TRUE(errors_.empty());
    ASSERT_TRUE(QFile::exists(Path("catalogo.PDF")));
    EXPECT_FALSE(QFile::exists(Path("catalogo.pdf")));

    EXPECT_EQ(rec_.min, 0);
    EXPECT_EQ(rec_.max, 2);
    EXPECT_EQ(rec_.labels.back(), "Page... 3 of 3");
    const std::vector<std::string> expected = {
        "caption Exporting...", "label Page... 1 of 3", "show",  "label Page... 1 of 3", "pos 1",
        "label Page... 2 of 3", "pos 2",                "label Page... 3 of 3", "pos 2", "close"};
    EXPECT_EQ(rec_.events, expected);

    ParsedPdf pdf(ReadAll(Path("catalogo.PDF")));
    EXPECT_EQ(pdf.size, 3 * 3 + 3 + 20);
    const auto& pal = HalftonePalette();
    for (int j = 1; j <= 3; ++j) {
        EXPECT_EQ(Inflate(pdf.StreamData(2 * j)), "q\r\n506 0 0 778 52 14 cm\r\n/Im" + std::to_string(j) + " Do\r\nQ\r\n");
        const std::string& img = pdf.objects[2 * 3 + 18 + j];
        EXPECT_NE(img.find("/Width 794\r\n/Height 1123\r\n"), std::string::npos);
        const std::string data = pdf.StreamData(2 * 3 + 18 + j);
        const std::string samples = Inflate(data.substr(0, data.size() - 2));
        ASSERT_EQ(samples.size(), 794u * 1123u);
        // The square's colour and the black corner come through exactly.
        EXPECT_EQ(pal[static_cast<uint8_t>(samples[250 * 794 + 250])], DrawnPages::Colour(j).rgb());
        EXPECT_EQ(pal[static_cast<uint8_t>(samples[5 * 794 + 5])], qRgb(0, 0, 0));
        EXPECT_EQ(pal[static_cast<uint8_t>(samples[800 * 794 + 600])], qRgb(255, 255, 255));
    }
    const int rendered = CheckWithTools(Path("catalogo.PDF"), dir_.path());
    if (rendered < 0) GTEST_SKIP() << "qpdf or pdftoppm is not installed";
    EXPECT_EQ(rendered, 3);
}

TEST_F(PdfExport, RenderedPageShowsThePictureAtItsPlace) {
    if (!HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm is not installed";
    DrawnPages pages(1, QSize(794, 1123));
    ex_.Report = &pages;
    ASSERT_TRUE(ex_.ExportPDF(Base("one"), true));
    // 72 dpi: one pixel per point, so the square (100..400 px of the picture)
    // sits at 52 + 100 * 506 / 794 points and so on.
    ASSERT_EQ(pdftest::Run("pdftoppm", {"-r", "72", "-png", "-singlefile", Path("one.PDF"), Path("one")}), 0);
    QImage shot(Path("one.png"));
    ASSERT_EQ(shot.size(), QSize(612, 792));
    EXPECT_EQ(shot.pixel(52 + 160, 160) & 0xFFFFFF, qRgb(0, 128, 0) & 0xFFFFFF);
    EXPECT_EQ(shot.pixel(20, 400) & 0xFFFFFF, 0xFFFFFFu);   // left margin
    EXPECT_EQ(shot.pixel(300, 785) & 0xFFFFFF, 0xFFFFFFu);  // below the picture
    EXPECT_EQ(shot.pixel(56, 4) & 0xFFFFFF, 0u);            // black corner at the top edge
}

TEST_F(PdfExport, LandscapeReportGetsTurnedPages) {
    DrawnPages pages(2, QSize(1123, 794), true);
    ex_.Report = &pages;
    ASSERT_TRUE(ex_.ExportPDF(Base("land"), false)) << ex_.LastError;
    ParsedPdf pdf(ReadAll(Path("land.PDF")));
    for (int j = 1; j <= 2; ++j) {
        EXPECT_EQ(Inflate(pdf.StreamData(2 * j)), "q\r\n712 0 0 632 52 -20 cm\r\n/Im" + std::to_string(j) + " Do\r\nQ\r\n");
        EXPECT_NE(pdf.objects[2 * 2 + 18 + 2 + j].find("/MediaBox [ 0 0 792 612]"), std::string::npos);
        EXPECT_NE(pdf.objects[2 * 2 + 18 + j].find("/Filter [/DCTDecode]"), std::string::npos);
    }
    const int rendered = CheckWithTools(Path("land.PDF"), dir_.path());
    if (rendered < 0) GTEST_SKIP() << "qpdf or pdftoppm is not installed";
    EXPECT_EQ(rendered, 2);
}

TEST_F(PdfExport, ReportWithNoPagesShowsTheErrorAndWritesNothing) {
    DrawnPages pages(0, QSize(794, 1123));
    ex_.Report = &pages;
    EXPECT_FALSE(ex_.ExportPDF(Base("none"), true));
    EXPECT_EQ(errors_, std::vector<std::string>{"Error exporting report"});
    EXPECT_FALSE(rec_.shown);
    EXPECT_TRUE(rec_.closed);
    EXPECT_TRUE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(PdfExport, UnfinishedPageFailsTheExportAndKeepsTheOldFile) {
    QFile old(Path("cat.PDF"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous export");
    old.close();
    const int foldersBefore = TempFolders();
    DrawnPages pages(3, QSize(200, 300));
    pages.failAt = 3;
    ex_.Report = &pages;
    EXPECT_FALSE(ex_.ExportPDF(Base("cat"), true));
    EXPECT_EQ(pages.served, 2);
    EXPECT_EQ(ex_.LastError, "page not finished");
    EXPECT_EQ(errors_, std::vector<std::string>{"Error exporting report"});
    // The message is shown before the progress window closes.
    ASSERT_GE(rec_.events.size(), 2u);
    EXPECT_EQ(rec_.events[rec_.events.size() - 2], "error");
    EXPECT_EQ(rec_.events.back(), "close");
    EXPECT_EQ(ReadAll(Path("cat.PDF")), "previous export");
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"cat.PDF"});
    EXPECT_EQ(TempFolders(), foldersBefore);
}

TEST_F(PdfExport, ReadOnlyFolderKeepsTheOldFileAndLeavesNoTemporaryFiles) {
    const QString ro = Path("ro");
    QDir().mkpath(ro);
    QFile old(ro + "/cat.PDF");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous export");
    old.close();
    ReadOnlyFolder lock(ro);
    if (!lock.ok()) GTEST_SKIP() << "cannot make a folder read-only here";
    const int foldersBefore = TempFolders();
    DrawnPages pages(2, QSize(200, 300));
    ex_.Report = &pages;
    EXPECT_FALSE(ex_.ExportPDF(QFile::encodeName(ro + "/cat").toStdString(), true));
    EXPECT_EQ(errors_, std::vector<std::string>{"Error exporting report"});
    EXPECT_NE(ex_.LastError.find("cannot create"), std::string::npos) << ex_.LastError;
    EXPECT_EQ(pages.served, 2);
    EXPECT_EQ(ReadAll(ro + "/cat.PDF"), "previous export");
    EXPECT_EQ(QDir(ro).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"cat.PDF"});
    EXPECT_EQ(TempFolders(), foldersBefore);
}

TEST_F(PdfExport, NameWithAccentsAndSpacesIsKept) {
    DrawnPages pages(1, QSize(50, 60));
    ex_.Report = &pages;
    const QString name = QString::fromUtf8("catálogo de peças");
    ASSERT_TRUE(ex_.ExportPDF(Base(name), true)) << ex_.LastError;
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{name + ".PDF"});
}

TEST_F(PdfExport, WithoutAReportNothingIsWritten) {
    EXPECT_FALSE(ex_.ExportPDF(Base("x"), true));
    EXPECT_EQ(errors_.size(), 1u);
    EXPECT_FALSE(QFile::exists(Path("x.PDF")));
}

TEST(PdfFileBase, DropsTheExtensionOfTheNamePart) {
    const struct {
        const char* chosen;
        const char* base;
    } cases[] = {
        {"catalogo", "catalogo"},
        {"catalogo.pdf", "catalogo"},
        {"catalogo.txt", "catalogo"},
        {"lib.old", "lib"},
        {"/home/u/catalogo.QRP", "/home/u/catalogo"},
        {"a.b.c", "a.b"},
        {"/data/v1.2/catalogo", "/data/v1.2/catalogo"},
        {"C:\\docs.old\\lista", "C:\\docs.old\\lista"},
        {"C:\\docs\\lista.pdf", "C:\\docs\\lista"},
        {"dir/.pdf", "dir/"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PdfFileBase(c.chosen), c.base) << c.chosen;
}

TEST(PageLabel, ReadsPageIOfN) { EXPECT_EQ(PageLabel(2, 17), "Page... 2 of 17"); }

} // namespace
