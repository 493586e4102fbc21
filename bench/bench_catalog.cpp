// The catalogs of a generated library to finished reports, and the PDF
// export of the drawing catalog, at two library sizes to show the growth.
#include "catalogfigures.h"
#include "genlib.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>

using namespace tarnel;
using namespace tarnel::bench;


int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    SetScreenPixelsPerInch(96);
    QTemporaryDir dir;
    const int sizes[2] = {250, 1000};
    CatalogFigures fig[2];
    for (int k = 0; k < 2; ++k) {
        const std::string path = dir.filePath(QStringLiteral("gen%1.mod").arg(sizes[k])).toStdString();
        std::ofstream(path, std::ios::binary) << GenerateLibrary(sizes[k], 7);
        fig[k] = MeasureCatalogs(path, dir.path().toStdString(), 3, true);
        const CatalogFigures& f = fig[k];
        std::printf("%d modules (median of 3 runs)\n", sizes[k]);
        std::printf("  drawing catalog: %.0f ms, %d pages, %.1f ms per page\n", f.drawingsMs, f.drawingPages,
                    f.drawingsMs / f.drawingPages);
        std::printf("  list catalog:    %.0f ms, %d pages, %.1f ms per page\n", f.listMs, f.listPages, f.listMs / f.listPages);
        std::printf("  PDF indexed:     %.0f ms, %.1f ms per page\n", f.pdfIndexedMs, f.pdfIndexedMs / f.drawingPages);
        std::printf("  PDF JPEG:        %.0f ms, %.1f ms per page\n", f.pdfJpegMs, f.pdfJpegMs / f.drawingPages);
    }
    std::printf("ratio 1000/250: drawing catalog %.2f, list %.2f, PDF indexed %.2f (linear: 4)\n",
                fig[1].drawingsMs / fig[0].drawingsMs, fig[1].listMs / fig[0].listMs, fig[1].pdfIndexedMs / fig[0].pdfIndexedMs);
    std::printf("peak memory: %.1f MB\n", PeakMemoryMb());
    return 0;
}
