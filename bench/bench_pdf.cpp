// PDF export of generated catalog-like pages (A4 at 96 dpi): milliseconds
// per page for indexed and for JPEG images, and the file size per page: pages
// drawn on the fly, then the same pages played back from page pictures.
#include "pdf/ExportPack.h"
#include "pdf/tnpdf.h"
#include "report/emf.h"
#include "report/pagestream.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <cstdlib>

using namespace tarnel;

namespace {

// Six framed cells with outlines, pads and text, like a drawing catalog page.
class GeneratedPages : public PageSource {
public:
    explicit GeneratedPages(int n) : n_(n) {}
    int PageCount() const override { return n_; }
    QImage PageImage(int n) const override {
        std::mt19937 rng(static_cast<unsigned>(n));
        std::uniform_int_distribution<int> d(0, 300);
        QImage img(794, 1123, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setFont(QFont(QStringLiteral("Arial"), 9));
        for (int cell = 0; cell < 6; ++cell) {
            const int x = 40 + (cell % 2) * 360, y = 60 + (cell / 2) * 340;
            p.setPen(Qt::black);
            p.drawRect(x, y, 350, 330);
            p.drawText(x + 8, y + 18, QStringLiteral("MODULE_%1_%2 descrição").arg(n).arg(cell));
            p.setPen(QColor(0, 128, 128));
            for (int k = 0; k < 20; ++k) p.drawLine(x + 20 + d(rng), y + 30 + d(rng), x + 20 + d(rng), y + 30 + d(rng));
            for (int k = 0; k < 16; ++k) {
                const int px = x + 30 + d(rng) % 280, py = y + 40 + d(rng) % 260;
                p.fillRect(px, py, 14, 10, QColor(255, 0, 0));
                p.setBrush(Qt::black);
                p.drawEllipse(px + 4, py + 2, 6, 6);
                p.setBrush(Qt::NoBrush);
            }
        }
        return img;
    }

private:
    int n_;
};

void Run(const char* what, bool indexed, int pages) {
    QTemporaryDir dir;
    GeneratedPages src(pages);
    TExportQR ex;
    ex.Report = &src;
    const std::string base = dir.path().toStdString() + "/bench";
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = ex.ExportPDF(base, indexed);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    if (!ok) {
        std::printf("%s: failed: %s\n", what, ex.LastError.c_str());
        return;
    }
    const qint64 size = QFileInfo(QString::fromStdString(base + ".PDF")).size();
    std::printf("%-8s %3d pages  %7.1f ms/page  %7.1f KiB/page\n", what, pages, ms / pages,
                static_cast<double>(size) / 1024.0 / pages);
}

// The same pages recorded as page pictures, exported as the command line
// does: each picture is played back before it is placed.
void RunRecorded(const char* what, bool indexed, int pages) {
    GeneratedPages src(pages);
    PageList list;
    list.StartRun();
    for (int i = 1; i <= pages; ++i) {
        EmfRecorder r(QSize(794, 1123));
        r.DrawImage(QRect(0, 0, 794, 1123), src.PageImage(i));
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(12);
        for (int row = 0; row < 40; ++row)
            r.DrawText(60, 40 + row * 26, QStringLiteral("Linha %1 descrição do módulo").arg(row), f, 0, QRect(0, 0, 794, 1123),
                       false, 0xFFFFFF);
        list.AppendPage(r.Finish());
    }
    list.Finish();
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString() + "/bench";
    std::string why;
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = ExportPageListPdf(list, false, base, indexed, &why);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    if (!ok) {
        std::printf("%s: failed: %s\n", what, why.c_str());
        return;
    }
    const qint64 size = QFileInfo(QString::fromStdString(base + ".PDF")).size();
    std::printf("%-8s %3d pages  %7.1f ms/page  %7.1f KiB/page\n", what, pages, ms / pages,
                static_cast<double>(size) / 1024.0 / pages);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int pages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    Run("indexed", true, pages);
    Run("jpeg", false, pages);
    RunRecorded("qrp-idx", true, pages);
    RunRecorded("qrp-jpeg", false, pages);
    return 0;
}
