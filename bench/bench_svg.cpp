// The figure and its SVG text for every footprint of folders shaped like the
// official library (copies of the corpus's real footprints under new names),
// one by one, in process: time per footprint, and the ratio of 1000 to 250.
#include "benchutil.h"
#include "genpretty.h"
#include "library/footprintfolder.h"
#include "output/svgdevice.h"
#include "viewer/figurereader.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>

using namespace tarnel;
using namespace tarnel::bench;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString corpus = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TARNEL_CORPUS "/pretty");
    const QStringList sources = CorpusFootprints(corpus);
    if (sources.isEmpty()) {
        std::printf("no real footprints found in %s: nothing measured\n", qPrintable(corpus));
        return 0;
    }
    QTemporaryDir dir;
    const int sizes[2] = {250, 1000};
    double per[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        const std::string path =
            MakeFootprintFolder(dir.filePath(QStringLiteral("Gen%1.pretty").arg(sizes[k])), sources, sizes[k]);
        FootprintFolder lib(path);
        std::vector<double> runs;
        size_t bytes = 0;
        for (int r = 0; r < 5; ++r) {
            bytes = 0;
            const double t0 = NowMs();
            for (const std::string& name : lib.Names()) {
                figure::Figure f;
                ReadLibraryFigure(lib, name, figure::ReadOptions{2, true}, f);
                bytes += FigureSvg(f, Palette{}).size();
            }
            runs.push_back(NowMs() - t0);
        }
        per[k] = Median(runs) / sizes[k];
        std::printf("%4d footprints: figure + SVG %.3f ms per footprint (median of 5), %.1f KB of SVG each\n",
                    sizes[k], per[k], bytes / 1024.0 / sizes[k]);
    }
    std::printf("ratio 1000/250 of the whole: %.2f (linear: 4)\n", per[1] * 1000 / (per[0] * 250));
    std::printf("peak memory: %.0f MB\n", PeakMemoryMb());
    return 0;
}
