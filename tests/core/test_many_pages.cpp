// A saved report of many tiny pages, as a hostile file would have them,
// exported whole by tarnel-cli qrp-pdf. It runs as its own ctest entry with
// a timeout: a stall here is a failure, the time itself is bench_many_pages'.
#include "cli_run.h"
#include "pdf/tnpdf.h"
#include "pdf_fixture.h"
#include "report/emf.h"
#include "report/pagestream.h"
#include "canvas/canvas.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarnel;
using namespace pdftest;

namespace {

constexpr int kPages = 20000;

TEST(ManyPages, TinyPagesExportWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string qrp = QFile::encodeName(dir.filePath("pages.qrp")).toStdString();
    {
        EmfRecorder r(QSize(794, 1123));
        r.FillRect(QRect(0, 0, 10, 10), kBlack);
        const std::string page = r.Finish();
        PageList list;
        list.StartRun();
        for (int i = 0; i < kPages; ++i) list.AppendPage(page);
        list.Finish();
        ASSERT_EQ(SaveReport(list, qrp), SaveResult::Saved);
    }
    std::string out, err;
    ASSERT_EQ(RunCli({"qrp-pdf", dir.filePath("pages.qrp"), dir.filePath("pages")}, &out, &err, 600000), 0) << err;
    EXPECT_NE(out.find("\"pages\":" + std::to_string(kPages)), std::string::npos) << out;

    ParsedPdf pdf(ReadAll(dir.filePath("pages.PDF")));
    EXPECT_NE(pdf.objects.at(2 * kPages + 17).find("/Count " + std::to_string(kPages) + "\r\n"), std::string::npos);
    const auto& pal = HalftonePalette();
    for (int m : {1, kPages / 2, kPages}) {
        const int obj = 2 * kPages + 18 + m;
        ASSERT_NE(pdf.objects.at(obj).find("/Width 794\r\n/Height 1123\r\n"), std::string::npos) << m;
        const std::string data = pdf.StreamData(obj);
        const std::string samples = Inflate(data.substr(0, data.size() - 2));
        ASSERT_EQ(samples.size(), 794u * 1123u) << m;
        size_t black = 0;
        for (int y = 0; y < 1123; ++y)
            for (int x = 0; x < 794; ++x) {
                const QRgb c = pal[static_cast<uint8_t>(samples[static_cast<size_t>(y) * 794 + static_cast<size_t>(x)])];
                const bool inMark = x < 10 && y < 10;
                if (c == ToRgb(kBlack)) ++black;
                if (!inMark && c != ToRgb(kWhite)) FAIL() << "image " << m << ": pixel " << x << ", " << y;
            }
        EXPECT_EQ(black, 100u) << m;
    }
}

} // namespace
