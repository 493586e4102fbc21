// The vector PDF catalog (tarnel-cli book) of footprint folders made of the
// real footprints of the corpus under new names: one folder at two sizes to
// show the growth, then a library the size of the official one (155
// folders, 15,450 footprints), in both layouts. Prints wall and processor
// time of the whole process, its peak memory and the file's size.
#include "benchutil.h"
#include "genpretty.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <string>
#include <vector>

using namespace tarnel::bench;

namespace {

struct Figures {
    ProgramRun run;
    double bytes = 0;
};

Figures Book(const std::vector<std::string>& libraries, const std::string& out, bool trueScale) {
    std::vector<std::string> args{"book"};
    args.insert(args.end(), libraries.begin(), libraries.end());
    args.insert(args.end(), {"--out", out});
    if (trueScale) args.push_back("--true-scale");
    Figures f;
    f.run = RunProgram(TARNEL_CLI, args);
    f.bytes = static_cast<double>(QFileInfo(QString::fromStdString(out)).size());
    return f;
}

void Print(const char* what, int footprints, const Figures& f) {
    std::printf("  %-34s %6d footprints: %6.2f s, processor %6.2f s (%.2f cores), peak %5.0f MB, file %6.1f MB "
                "(%.2f KB per footprint)%s\n",
                what, footprints, f.run.seconds, f.run.cpuSeconds, f.run.cpuSeconds / f.run.seconds, f.run.peakMb,
                f.bytes / 1e6, f.bytes / 1024 / footprints, f.run.code ? "  FAILED" : "");
}

} // namespace

int main(int argc, char** argv) {
    const QString corpus = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TARNEL_CORPUS "/pretty");
    const QStringList sources = CorpusFootprints(corpus);
    if (sources.isEmpty()) {
        std::printf("no real footprints found in %s: nothing measured\n", qPrintable(corpus));
        return 0;
    }
    QTemporaryDir dir;
    const std::string out = dir.filePath("book.pdf").toStdString();
    std::printf("tarnel-cli book, whole process (medians of 3 runs)\n");
    double seconds[2] = {0, 0};
    const int sizes[2] = {250, 1000};
    for (int k = 0; k < 2; ++k) {
        const std::string lib =
            MakeFootprintFolder(dir.filePath(QStringLiteral("Gen%1.pretty").arg(sizes[k])), sources, sizes[k]);
        std::vector<Figures> runs;
        std::vector<double> t;
        for (int r = 0; r < 3; ++r) {
            runs.push_back(Book({lib}, out, false));
            t.push_back(runs.back().run.seconds);
        }
        const double m = Median(t);
        for (const Figures& f : runs)
            if (f.run.seconds == m) Print("one folder, cells", sizes[k], f);
        seconds[k] = m;
    }
    std::printf("  ratio 1000/250: %.2f (linear: 4)\n", seconds[1] / seconds[0]);

    // The official library's size: 150 folders of 100 and 5 of 90.
    QTemporaryDir big;
    std::vector<std::string> libraries;
    int total = 0;
    for (int i = 0; i < 155; ++i) {
        const int n = i < 150 ? 100 : 90;
        libraries.push_back(
            MakeFootprintFolder(big.filePath(QStringLiteral("Lib%1.pretty").arg(i, 3, 10, QChar('0'))), sources, n, i));
        total += n;
    }
    Print("155 folders, cells (A4)", total, Book(libraries, out, false));
    Print("155 folders, true size (A4)", total, Book(libraries, out, true));
    return 0;
}
