// The catalogs of footprint folders shaped like the official library, to
// finished reports and to PDF, at two sizes to show the growth; and the
// component index of 155 such folders of 100 footprints each.
#include "catalogfigures.h"
#include "genpretty.h"
#include "index/indexrun.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>

using namespace tarnel;
using namespace tarnel::bench;


int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    SetScreenPixelsPerInch(96);
    const QString corpus = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TARNEL_CORPUS "/pretty");
    const QStringList sources = CorpusFootprints(corpus);
    if (sources.isEmpty()) {
        std::printf("no real footprints found in %s: nothing measured\n", qPrintable(corpus));
        return 0;
    }
    QTemporaryDir dir;
    const int sizes[2] = {250, 1000};
    CatalogFigures fig[2];
    for (int k = 0; k < 2; ++k) {
        const std::string path =
            MakeFootprintFolder(dir.filePath(QStringLiteral("Gen%1.pretty").arg(sizes[k])), sources, sizes[k]);
        fig[k] = MeasureCatalogs(path, dir.path().toStdString(), 3, false);
        const CatalogFigures& f = fig[k];
        std::printf("%d footprints (median of 3 runs)\n", sizes[k]);
        std::printf("  drawing catalog: %.0f ms, %d pages; with its PDF export %.0f ms (%.1f ms per page)\n", f.drawingsMs,
                    f.drawingPages, f.drawingsMs + f.pdfIndexedMs, f.pdfIndexedMs / f.drawingPages);
        std::printf("  list catalog:    %.0f ms, %d pages\n", f.listMs, f.listPages);
    }
    std::printf("ratio 1000/250: drawing catalog %.2f, list %.2f, PDF %.2f (linear: 4)\n",
                fig[1].drawingsMs / fig[0].drawingsMs, fig[1].listMs / fig[0].listMs, fig[1].pdfIndexedMs / fig[0].pdfIndexedMs);
    std::printf("peak memory after the catalogs: %.1f MB\n", PeakMemoryMb());

    // The index: 155 folders of 100 footprints, as the official library.
    QTemporaryDir idx;
    for (int i = 0; i < 155; ++i)
        MakeFootprintFolder(idx.filePath(QStringLiteral("Lib%1.pretty").arg(i, 3, 10, QChar('0'))), sources, 100, i);
    std::vector<double> t;
    int rows = 0;
    for (int r = 0; r < 5; ++r) {
        FolderFileList files(QFile::encodeName(idx.path()).toStdString());
        IndexTables tables;
        const double t0 = NowMs();
        const IndexRunResult res = BuildIndex(tables, files);
        t.push_back(NowMs() - t0);
        rows = res.modules;
    }
    std::printf("index of 155 folders x 100 footprints: %d rows, %.0f ms (median of 5)\n", rows, Median(t));
    std::printf("peak memory: %.1f MB\n", PeakMemoryMb());
    return 0;
}
