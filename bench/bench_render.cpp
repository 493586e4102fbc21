// Renders every module of a generated library one after another, as
// selecting each in the main window does, and prints the figures.
#include "benchutil.h"
#include "genlib.h"
#include "viewer/tarnel.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>

using namespace tarnel;
using namespace tarnel::bench;

static double RenderAll(const std::string& path) {
    TForm1Core v;
    v.Options().ScaleDivisor = 100;
    v.Options().TextMode = 1;
    const double t0 = NowMs();
    v.OpenLibrary(path);
    for (size_t i = 0; i < v.ModuleList().size(); ++i) {
        v.SelectModule(static_cast<int>(i));
    }
    return NowMs() - t0;
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const int runs = 5;
    std::printf("workload: render every module, as selecting each does\n");
    double perModule[2] = {0, 0};
    const int sizes[2] = {250, 1000};
    for (int k = 0; k < 2; ++k) {
        const std::string path = dir.filePath(QStringLiteral("gen%1.mod").arg(sizes[k])).toStdString();
        std::ofstream(path, std::ios::binary) << GenerateLibrary(sizes[k], 42);
        std::vector<double> t;
        for (int r = 0; r < runs; ++r) t.push_back(RenderAll(path));
        const double med = Median(t);
        perModule[k] = med / sizes[k];
        std::printf("  %5d modules: median %.1f ms over %d runs, %.3f ms per module\n", sizes[k], med, runs, perModule[k]);
    }
    std::printf("  ratio 1000/250: %.2f (linear: 4)\n", perModule[1] * 1000 / (perModule[0] * 250));
    std::printf("  peak memory: %.1f MB\n", PeakMemoryMb());
    return 0;
}
