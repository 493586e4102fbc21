// Footprint folders shaped like the official library: the real footprint
// files of the corpus under new names. Prints the time to list a
// folder (in process, and as a whole tarnel-cli process), to read, parse and
// draw every footprint as selecting each does, and the peak memory.
#include "benchutil.h"
#include "genpretty.h"
#include "viewer/tarnel.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>

using namespace tarnel;
using namespace tarnel::bench;

extern char** environ;

namespace {

double RunProcessMs(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    const double t0 = NowMs();
    pid_t pid;
    if (posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&fa);
    return NowMs() - t0;
}

// Wall-clock and processor milliseconds.
std::pair<double, double> RenderAll(const std::string& path) {
    TForm1Core v;
    v.Options().ScaleDivisor = 100;
    v.Options().TextMode = 1;
    const double t0 = NowMs(), c0 = CpuMs();
    v.OpenLibrary(path);
    for (size_t i = 0; i < v.ModuleList().size(); ++i) v.SelectModule(static_cast<int>(i));
    return {NowMs() - t0, CpuMs() - c0};
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString corpus = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TARNEL_CORPUS "/pretty");
    const QStringList sources = CorpusFootprints(corpus);
    if (sources.isEmpty()) {
        std::printf("no real footprints found in %s: nothing measured\n", qPrintable(corpus));
        return 0;
    }
    qint64 bytes = 0;
    for (const QString& f : sources) bytes += QFileInfo(f).size();
    std::printf("workload: .pretty folders of copies of %lld real footprints (mean %.1f KB)\n",
                static_cast<long long>(sources.size()), bytes / 1024.0 / sources.size());
    QTemporaryDir dir;
    const int sizes[2] = {250, 1000};
    double perFootprint[2] = {0, 0}, cpuPerFootprint[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        const std::string path = MakeFootprintFolder(dir.filePath(QStringLiteral("Gen%1.pretty").arg(sizes[k])), sources, sizes[k]);
        std::vector<double> list, proc, render, cpu;
        for (int r = 0; r < 10; ++r) {
            const double t0 = NowMs();
            const auto lib = OpenLibrary(path);
            list.push_back(NowMs() - t0);
            proc.push_back(RunProcessMs({TARNEL_CLI, "list", path}));
        }
        for (int r = 0; r < 5; ++r) {
            const auto [wall, processor] = RenderAll(path);
            render.push_back(wall);
            cpu.push_back(processor);
        }
        perFootprint[k] = Median(render) / sizes[k];
        cpuPerFootprint[k] = Median(cpu) / sizes[k];
        std::printf("  %5d footprints: list %.2f ms in process, tarnel-cli list %.1f ms; read+parse+draw all %.1f ms, "
                    "%.3f ms per footprint (%.3f ms of processor time) (medians)\n",
                    sizes[k], Median(list), Median(proc), Median(render), perFootprint[k], cpuPerFootprint[k]);
    }
    std::printf("  ratio 1000/250 of the whole render: %.2f, of its processor time %.2f (linear: 4)\n",
                perFootprint[1] * 1000 / (perFootprint[0] * 250), cpuPerFootprint[1] * 1000 / (cpuPerFootprint[0] * 250));
    std::printf("  peak memory: %.1f MB\n", PeakMemoryMb());
    return 0;
}
