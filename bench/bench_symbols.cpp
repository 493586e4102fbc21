// Current symbol libraries shaped like the official one: the real symbol
// files of the corpus copied under new names (each copy's symbols renamed, so
// that derived ones still find their parents in the same folder). Prints the
// time to list a 1,625-symbol folder and a 2 MB file as whole tarnel-cli
// processes, to read, resolve and draw every symbol (per symbol, for two
// sizes), and to index a tree of 223 folders, with its peak memory.
#include "benchutil.h"
#include "index/indexrun.h"
#include "library/kicadsymbollibrary.h"
#include "library/symbolscan.h"
#include "tokenizer/libtext.h"
#include "viewer/tarnel.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>

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
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    const double t0 = NowMs();
    pid_t pid;
    if (posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&fa);
    return NowMs() - t0;
}

// A symbol file's text with each top-level symbol renamed NAME + suffix, its
// sub-symbols and the parent it extends with it.
std::string Renamed(const std::string& text, const std::string& suffix) {
    SymbolFileScan scan;
    try {
        scan = ScanSymbolFile(text);
    } catch (const std::exception&) {
        return text;
    }
    std::string out;
    size_t at = 0;
    for (const ScannedSymbol& s : scan.symbols) {
        out.append(text, at, s.begin - at);
        std::string body = text.substr(s.begin, s.end - s.begin);
        auto replaceAll = [&](const std::string& from, const std::string& to) {
            for (size_t p = body.find(from); p != std::string::npos; p = body.find(from, p + to.size()))
                body.replace(p, from.size(), to);
        };
        replaceAll("(symbol \"" + s.name, "(symbol \"" + s.name + suffix);
        const size_t e = body.find("(extends \"");
        if (e != std::string::npos) {
            const size_t q = body.find('"', e + 10);
            if (q != std::string::npos) body.insert(q, suffix);
        }
        out += body;
        at = s.end;
    }
    out.append(text, at, std::string::npos);
    return out;
}

struct Source {
    std::string name;  // file name
    std::string text;
};

// The files of a corpus folder library.
std::vector<Source> FolderFiles(const QString& folder) {
    std::vector<Source> files;
    QDir d(folder);
    for (const QString& f : d.entryList({"*.kicad_sym"}, QDir::Files, QDir::Name))
        files.push_back({QFile::encodeName(f).toStdString(), ReadFileBytes(QFile::encodeName(d.filePath(f)).toStdString())});
    return files;
}

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Copies of whole source folders (so parents stay beside their children)
// into path until it holds at least n symbols; returns the symbols written.
int MakeFolder(const std::string& path, const std::vector<std::vector<Source>>& sources, int n, int& copy) {
    QDir().mkpath(QString::fromStdString(path));
    int written = 0;
    for (size_t k = 0; written < n; ++k) {
        const std::vector<Source>& src = sources[k % sources.size()];
        const std::string suffix = "~" + std::to_string(copy++);
        for (const Source& f : src) {
            if (written >= n) break;
            Write(path + "/" + f.name.substr(0, f.name.size() - 10) + suffix + ".kicad_sym", Renamed(f.text, suffix));
            ++written;
        }
    }
    return written;
}

double RenderAllMs(const std::string& path, int& symbols) {
    TForm1Core v;
    v.Options().ScaleDivisor = 100;
    const double t0 = NowMs();
    v.OpenLibrary(path);
    for (size_t i = 0; i < v.ModuleList().size(); ++i) v.SelectModule(static_cast<int>(i));
    symbols = static_cast<int>(v.ModuleList().size());
    return NowMs() - t0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString corpus = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TARNEL_CORPUS "/symbols");
    std::vector<std::vector<Source>> folders;
    for (const char* f : {"Filter.kicad_symdir", "Switch.kicad_symdir", "power.kicad_symdir", "4xxx.kicad_symdir"}) {
        auto files = FolderFiles(corpus + "/" + f);
        if (!files.empty()) folders.push_back(std::move(files));
    }
    const std::string amp = QFile::encodeName(corpus + "/Amplifier_Operational.kicad_sym").toStdString();
    if (folders.size() < 4 || !QFileInfo::exists(QString::fromStdString(amp))) {
        std::printf("no real symbol libraries found in %s: nothing measured\n", qPrintable(corpus));
        return 0;
    }
    QTemporaryDir dir;
    int copy = 0;

    // Listing as a whole process.
    const std::string big = dir.filePath("Regulator_Like.kicad_symdir").toStdString();
    const int bigCount = MakeFolder(big, folders, 1625, copy);
    std::string single;
    {
        // The op-amp file's symbols again and again, renamed each time.
        const std::string text = ReadFileBytes(amp);
        const size_t open = text.find("(symbol ");
        const size_t close = text.rfind(')');
        const std::string head = "(kicad_symbol_lib ";
        single = text.substr(0, open);
        for (int k = 0; single.size() < (2u << 20); ++k) {
            const std::string copy = Renamed(head + text.substr(open, close - open) + ")", "~" + std::to_string(k));
            single += copy.substr(head.size(), copy.size() - head.size() - 1);
        }
        single += ")\n";
    }
    const std::string file = dir.filePath("Big.kicad_sym").toStdString();
    Write(file, single);
    const size_t fileSymbols = KicadSymbolLibrary(file).Names().size();
    std::vector<double> listFolder, listFile;
    for (int r = 0; r < 15; ++r) {
        listFolder.push_back(RunProcessMs({TARNEL_CLI, "list", big}));
        listFile.push_back(RunProcessMs({TARNEL_CLI, "list", file}));
    }
    std::printf("tarnel-cli list, whole process (median of 15):\n");
    std::printf("  folder of %d symbol files: %.1f ms (target 30)\n", bigCount, Median(listFolder));
    std::printf("  file of %.2f MB, %zu symbols: %.1f ms (target 30)\n", single.size() / 1048576.0, fileSymbols,
                Median(listFile));

    // Read, resolve and draw, per symbol, as choosing each does.
    std::printf("read, resolve and draw every symbol as choosing it does (median of 5):\n");
    double per[2] = {0, 0};
    const int sizes[2] = {250, 1000};
    for (int k = 0; k < 2; ++k) {
        const std::string path = dir.filePath(QStringLiteral("Gen%1.kicad_symdir").arg(sizes[k])).toStdString();
        MakeFolder(path, folders, sizes[k], copy);
        std::vector<double> t;
        int n = 0;
        for (int r = 0; r < 5; ++r) t.push_back(RenderAllMs(path, n));
        per[k] = Median(t) / n;
        std::printf("  folder of %d: %.3f ms per symbol (target 1)\n", n, per[k]);
    }
    std::printf("  ratio of the per-symbol times 1000/250: %.2f (1 is linear)\n", per[1] / per[0]);
    {
        double total = 0;
        int n = 0;
        for (const char* lib : {"Jumper.kicad_sym", "4xxx.kicad_symdir", "4xxx.kicad_sym", "Amplifier_Operational.kicad_sym",
                                "Filter.kicad_symdir", "Switch.kicad_symdir", "power.kicad_symdir"}) {
            int k = 0;
            total += RenderAllMs(QFile::encodeName(corpus + "/" + lib).toStdString(), k);
            n += k;
        }
        std::printf("  the corpus, %d symbols: %.3f ms per symbol\n", n, total / n);
    }

    // The component index of a tree the size of the official library.
    const QString tree = dir.filePath("tree");
    QDir().mkpath(tree);
    int symbols = 0, libs = 0;
    for (; libs < 223; ++libs) {
        const std::vector<Source>& src = folders[static_cast<size_t>(libs) % folders.size()];
        const bool twice = symbols + (223 - libs) * 93 < 22800 && src.size() < 100;
        symbols += MakeFolder(QFile::encodeName(tree + QStringLiteral("/L%1.kicad_symdir").arg(libs)).toStdString(),
                              {src}, static_cast<int>(src.size()) * (twice ? 2 : 1), copy);
    }
    const ProgramRun run = RunProgram(TARNEL_CLI, {"index", QFile::encodeName(tree).toStdString()});
    std::printf("component index of %d folders, %d symbols (tarnel-cli index): %.2f s (target 5), peak %.0f MB "
                "(target 300), exit %d\n",
                libs, symbols, run.seconds, run.peakMb, run.code);
    return 0;
}
