// PDF export of recorded pages (page pictures in a PageList) and of saved
// report files through tarnel-cli qrp-pdf.
#include "pdf/ExportPack.h"
#include "pdf/tnpdf.h"
#include "pdf_fixture.h"
#include "report/emf.h"
#include "report/pagestream.h"
#include "canvas/canvas.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarnel;
using namespace pdftest;

namespace {

// A page picture with a square in colour, a black corner and a line of text.
std::string Page(QSize size, Color square) {
    EmfRecorder r(size);
    r.FillRect(QRect(100, 100, 300, 300), square);
    r.FillRect(QRect(0, 0, 20, 20), kBlack);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(14);
    r.DrawText(100, 450, QStringLiteral("Página 1"), f, kBlack, QRect(0, 0, size.width(), size.height()), false, kWhite);
    return r.Finish();
}

const Color kSquares[] = {kGreen, kRed, kBlue, kOlive, kTeal};

void Fill(PageList& list, int pages, QSize size) {
    list.StartRun();
    for (int i = 0; i < pages; ++i) list.AppendPage(Page(size, kSquares[i % 5]));
    list.Finish();
}

struct CliResult {
    int code;
    std::string out, err;
};

CliResult Cli(const QStringList& args) {
    QProcess p;
    p.start(TARNEL_CLI, args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

class PdfFromPages : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Path(const QString& n) const { return dir_.path() + "/" + n; }
    std::string StdPath(const QString& n) const { return QFile::encodeName(Path(n)).toStdString(); }
    QTemporaryDir dir_;
};

TEST_F(PdfFromPages, DrawingColoursOfRecordedPagesComeThroughExactly) {
    PageList list;
    Fill(list, 5, QSize(794, 1123));
    std::string why;
    ASSERT_TRUE(ExportPageListPdf(list, false, StdPath("cores"), true, &why)) << why;
    ParsedPdf pdf(ReadAll(Path("cores.PDF")));
    const auto& pal = HalftonePalette();
    for (int j = 1; j <= 5; ++j) {
        EXPECT_EQ(Inflate(pdf.StreamData(2 * j)), "q\r\n506 0 0 778 52 14 cm\r\n/Im" + std::to_string(j) + " Do\r\nQ\r\n");
        const int obj = 2 * 5 + 18 + j;
        EXPECT_NE(pdf.objects[obj].find("/Width 794\r\n/Height 1123\r\n"), std::string::npos);
        const std::string data = pdf.StreamData(obj);
        const std::string samples = Inflate(data.substr(0, data.size() - 2));
        ASSERT_EQ(samples.size(), 794u * 1123u);
        EXPECT_EQ(pal[static_cast<uint8_t>(samples[250 * 794 + 250])], ToRgb(kSquares[j - 1])) << j;
        EXPECT_EQ(pal[static_cast<uint8_t>(samples[5 * 794 + 5])], ToRgb(kBlack));
        EXPECT_EQ(pal[static_cast<uint8_t>(samples[1000 * 794 + 700])], ToRgb(kWhite));
    }
    const int rendered = CheckWithTools(Path("cores.PDF"), dir_.path());
    if (rendered < 0) GTEST_SKIP() << "qpdf or pdftoppm is not installed";
    EXPECT_EQ(rendered, 5);
}

TEST_F(PdfFromPages, PageTheListCannotGiveFailsTheExport) {
    PageList list;
    list.StartRun();  // a run that has produced nothing yet
    std::string why;
    EXPECT_FALSE(ExportPageListPdf(list, false, StdPath("none"), true, &why));
    EXPECT_FALSE(why.empty());
    EXPECT_TRUE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(PdfFromPages, CliExportsASavedReport) {
    PageList list;
    Fill(list, 3, QSize(794, 1123));
    ASSERT_EQ(SaveReport(list, StdPath("cat.qrp")), SaveResult::Saved);

    const struct {
        const char* base;
        bool jpeg;
        const char* filter;
    } cases[] = {{"catalogo.pdf", false, "/Filter [/FlateDecode]"}, {"jpeg", true, "/Filter [/DCTDecode]"}};
    for (const auto& c : cases) {
        QStringList args{"qrp-pdf", Path("cat.qrp"), Path(c.base)};
        if (c.jpeg) args << "--jpeg";
        const CliResult r = Cli(args);
        ASSERT_EQ(r.code, 0) << r.err;
        const QString file = Path(QString::fromLatin1(c.base).section('.', 0, 0) + ".PDF");
        EXPECT_NE(r.out.find("\"pages\":3"), std::string::npos) << r.out;
        ParsedPdf pdf(ReadAll(file));
        EXPECT_EQ(pdf.size, 3 * 3 + 3 + 20);
        for (int m = 1; m <= 3; ++m)
            EXPECT_NE(pdf.objects[2 * 3 + 18 + m].find(std::string("/Name /Im") + std::to_string(m) + "\r\n" + c.filter),
                      std::string::npos);
        const QString work = Path(c.jpeg ? "wj" : "wi");
        QDir().mkpath(work);
        const int rendered = CheckWithTools(file, work);
        if (rendered >= 0) {
            EXPECT_EQ(rendered, 3);
        }
    }
}

TEST_F(PdfFromPages, CliTurnsTheExportForALandscapeReport) {
    PageList list;
    Fill(list, 1, QSize(1123, 794));
    ASSERT_EQ(SaveReport(list, StdPath("land.qrp")), SaveResult::Saved);
    const CliResult r = Cli({"qrp-pdf", Path("land.qrp"), Path("land")});
    ASSERT_EQ(r.code, 0) << r.err;
    ParsedPdf pdf(ReadAll(Path("land.PDF")));
    EXPECT_EQ(Inflate(pdf.StreamData(2)), "q\r\n712 0 0 632 52 -20 cm\r\n/Im1 Do\r\nQ\r\n");
    EXPECT_NE(pdf.objects[22].find("/MediaBox [ 0 0 792 612]"), std::string::npos);
}

TEST_F(PdfFromPages, CliWritesNothingForAnEmptyOrDamagedReport) {
    PageList empty;
    empty.StartRun();
    empty.Finish();
    ASSERT_EQ(SaveReport(empty, StdPath("empty.qrp")), SaveResult::Saved);
    CliResult r = Cli({"qrp-pdf", Path("empty.qrp"), Path("out")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Error exporting report"), std::string::npos) << r.err;
    EXPECT_FALSE(QFile::exists(Path("out.PDF")));

    QFile junk(Path("junk.qrp"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(300, '\x07'));
    junk.close();
    r = Cli({"qrp-pdf", Path("junk.qrp"), Path("out")});
    EXPECT_NE(r.code, 0);
    EXPECT_FALSE(r.err.empty());
    EXPECT_FALSE(QFile::exists(Path("out.PDF")));

    r = Cli({"qrp-pdf", Path("empty.qrp")});
    EXPECT_EQ(r.code, 2);
}

} // namespace
