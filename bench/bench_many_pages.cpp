// PDF export of reports with many pages through tarnel-cli qrp-pdf: wall
// time per page, peak memory and file size per page, for reports of tiny
// pages (a 10 x 10 mark on an A4 page, as hostile files have them) at two
// page counts, to show the cost per page does not grow with the count, and
// for pages of text lines and cell frames like a catalog's.
// Usage: bench_many_pages [PAGES [TARNEL_CLI]] (default 20000 pages).
#include "benchutil.h"
#include "canvas/canvas.h"
#include "report/emf.h"
#include "report/pagestream.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

using namespace tarnel;

namespace {

std::string TinyPage() {
    EmfRecorder r(QSize(794, 1123));
    r.FillRect(QRect(0, 0, 10, 10), kBlack);
    return r.Finish();
}

std::string CatalogLikePage(int n) {
    EmfRecorder r(QSize(794, 1123));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(12);
    for (int cell = 0; cell < 6; ++cell) {
        const int x = 40 + (cell % 2) * 360, y = 60 + (cell / 2) * 340;
        for (const QRect& side : {QRect(x, y, 350, 1), QRect(x, y + 330, 350, 1), QRect(x, y, 1, 330), QRect(x + 350, y, 1, 331)})
            r.FillRect(side, kBlack);
        r.FillRect(QRect(x + 100 + n % 50, y + 120, 80, 40), kRed);
        for (int line = 0; line < 4; ++line)
            r.DrawText(x + 8, y + 8 + line * 16, QStringLiteral("MODULE_%1_%2 descrição %3").arg(n).arg(cell).arg(line), f,
                       kBlack, QRect(0, 0, 794, 1123), false, kWhite);
    }
    return r.Finish();
}

void Row(const char* what, int pages, const std::function<std::string(int)>& page, const std::string& cli,
         const QTemporaryDir& dir) {
    const std::string qrp = QFile::encodeName(dir.filePath("bench.qrp")).toStdString();
    {
        PageList list;
        list.StartRun();
        for (int i = 1; i <= pages; ++i) list.AppendPage(page(i));
        list.Finish();
        SaveReport(list, qrp);
    }
    const std::string base = QFile::encodeName(dir.filePath("bench")).toStdString();
    const bench::ProgramRun r = bench::RunProgram(cli, {"qrp-pdf", qrp, base});
    const double kib = static_cast<double>(QFileInfo(QString::fromStdString(base + ".PDF")).size()) / 1024.0;
    std::printf("%-12s %6d pages  %8.2f s  %7.3f ms/page  %7.1f MB peak  %6.2f KiB/page  exit %d\n", what, pages,
                r.seconds, r.seconds * 1000 / pages, r.peakMb, kib / pages, r.code);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int pages = argc > 1 ? std::max(10, std::atoi(argv[1])) : 20000;
    const std::string cli = argc > 2 ? argv[2] : TARNEL_CLI;
    if (!std::filesystem::exists(cli)) {
        std::fprintf(stderr, "no %s: give the path of tarnel-cli\n", cli.c_str());
        return 2;
    }
    QTemporaryDir dir;
    const std::string tiny = TinyPage();
    Row("tiny", pages / 10, [&](int) { return tiny; }, cli, dir);
    Row("tiny", pages, [&](int) { return tiny; }, cli, dir);
    Row("catalog-like", std::max(10, pages / 100), CatalogLikePage, cli, dir);
    return 0;
}
