// Library tables and the search across libraries at the size of KiCad's
// official library: 155 footprint folders holding 15,450 footprints (copies
// of the real footprints in ../shared/corpus/pretty under new names, as
// bench_pretty makes them) named by a table, and 223 legacy symbol libraries
// holding 22,782 symbols (the DEF blocks of the corpus's linear.lib under new
// names, each with its .dcm). Prints the time to read each official table,
// the first indexing (every footprint file read and parsed), the second with
// the cache warm in memory and from its file, searches over everything, and
// the peak memory.
#include "benchutil.h"
#include "genpretty.h"
#include "search/indexbuilder.h"
#include "tables/librarytables.h"
#include "tokenizer/libtext.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>

using namespace tarnel;
using namespace tarnel::bench;
using namespace tarnel::search;

namespace {

constexpr int kFootprintFolders = 155, kFootprints = 15450;
constexpr int kSymbolLibraries = 223, kSymbols = 22782;

std::string Row(const std::string& nick, const char* type, const std::string& uri) {
    return "\t(lib (name \"" + nick + "\") (type \"" + type + "\") (uri \"" + uri + "\") (options \"\") (descr \"\"))\n";
}

// The DEF blocks of a legacy symbol library, with their names.
std::vector<std::pair<std::string, std::string>> SymbolBlocks(const std::string& bytes) {
    std::vector<std::pair<std::string, std::string>> blocks;
    std::string current, name;
    ForEachLine(bytes, [&](std::string_view line) {
        if (Word(line, 1) == "DEF") {
            current.clear();
            name = std::string(Word(line, 2));
        }
        if (!name.empty()) current += std::string(line) + "\n";
        if (Word(line, 1) == "ENDDEF" && !name.empty()) {
            blocks.emplace_back(name, current);
            name.clear();
        }
        return true;
    });
    return blocks;
}

// Replaces every whole occurrence of the name on the DEF line.
std::string Renamed(const std::string& block, const std::string& from, const std::string& to) {
    const size_t eol = block.find('\n');
    std::string head = block.substr(0, eol);
    const size_t at = head.find(" " + from + " ");
    if (at != std::string::npos) head.replace(at + 1, from.size(), to);
    // Aliases would repeat across copies: the copies have none.
    std::string body;
    ForEachLine(std::string_view(block).substr(eol + 1), [&](std::string_view line) {
        if (Word(line, 1) != "ALIAS") body += std::string(line) + "\n";
        return true;
    });
    return head + "\n" + body;
}

double TimeMs(const std::function<void()>& fn) {
    const double t0 = NowMs();
    fn();
    return NowMs() - t0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString corpus = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TARNEL_CORPUS);
    const QStringList sources = CorpusFootprints(corpus + "/pretty");
    if (sources.isEmpty()) {
        std::printf("no real footprints found in %s/pretty: nothing measured\n", qPrintable(corpus));
        return 0;
    }

    // ---- the official tables
    std::printf("reading the official tables (rows resolved against the stock folders):\n");
    for (const char* name : {"fp-lib-table-5.1.12", "fp-lib-table-6.0.0", "fp-lib-table-9.0.0", "fp-lib-table-10.0.5",
                             "sym-lib-table-5.1.12", "sym-lib-table-6.0.0", "sym-lib-table-9.0.0", "sym-lib-table-10.0.5"}) {
        const std::string path = (corpus + "/tables/").toStdString() + name;
        const tables::TableKind kind = name[0] == 'f' ? tables::TableKind::Footprints : tables::TableKind::Symbols;
        std::vector<double> times;
        size_t rows = 0;
        for (int r = 0; r < 200; ++r) {
            tables::LibraryTables t;
            std::vector<std::string> messages;
            times.push_back(TimeMs([&] {
                const tables::UriVariables vars = tables::MakeUriVariables(0, "", {}, "", messages);
                tables::ReadTableFile(path, kind, false, vars, t);
            }));
            rows = t.rows.size();
        }
        std::vector<double> sorted = times;
        std::sort(sorted.begin(), sorted.end());
        std::printf("  %-22s %3zu rows: %.2f ms median, %.2f ms at the 99th percentile, %.2f ms worst (first %.2f ms)\n",
                    name, rows, Median(times), sorted[sorted.size() * 99 / 100], sorted.back(), times.front());
    }

    // ---- libraries of the official size
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    std::string fpRows, symRows;
    int made = 0;
    for (int f = 0; f < kFootprintFolders; ++f) {
        const int n = kFootprints / kFootprintFolders + (f < kFootprints % kFootprintFolders ? 1 : 0);
        const std::string nick = "Lib" + std::to_string(f);
        MakeFootprintFolder(dir.filePath(QString::fromStdString(nick + ".pretty")), sources, n, made);
        made += n;
        fpRows += Row(nick, "KiCad", root + "/" + nick + ".pretty");
    }
    const auto blocks = SymbolBlocks(ReadFileBytes((corpus + "/linear.lib").toStdString()));
    int symbols = 0;
    for (int l = 0; l < kSymbolLibraries; ++l) {
        const int n = kSymbols / kSymbolLibraries + (l < kSymbols % kSymbolLibraries ? 1 : 0);
        const std::string nick = "Sym" + std::to_string(l);
        std::string lib = "EESchema-LIBRARY Version 2.3\n#encoding utf-8\n", dcm = "EESchema-DOCLIB  Version 2.0\n";
        for (int i = 0; i < n; ++i, ++symbols) {
            const auto& [name, block] = blocks[static_cast<size_t>(symbols) % blocks.size()];
            const std::string newName = name + "_" + std::to_string(symbols);
            lib += Renamed(block, name, newName);
            dcm += "$CMP " + newName + "\nD Generated symbol " + std::to_string(symbols) + " after " + name +
                   "\nK ampliop generated\n$ENDCMP\n";
        }
        lib += "#End Library\n";
        std::ofstream(root + "/" + nick + ".lib", std::ios::binary) << lib;
        std::ofstream(root + "/" + nick + ".dcm", std::ios::binary) << dcm;
        symRows += Row(nick, "Legacy", root + "/" + nick + ".lib");
    }
    const std::string settings = root + "/config/10.0";
    QDir().mkpath(QString::fromStdString(settings));
    std::ofstream(settings + "/fp-lib-table") << "(fp_lib_table\n\t(version 7)\n" << fpRows << ")\n";
    std::ofstream(settings + "/sym-lib-table") << "(sym_lib_table\n\t(version 7)\n" << symRows << ")\n";
    std::printf("workload: %d footprint folders, %d footprints (copies of %lld real ones); %d symbol libraries, %d symbols\n",
                kFootprintFolders, made, static_cast<long long>(sources.size()), kSymbolLibraries, symbols);
    std::printf("  (the files were just written: the first indexing reads them from the page cache)\n");

    const tables::LibraryTables t = tables::LoadLibraryTables({settings, "", {}});
    std::vector<SearchLibrary> footprints, all = LibrariesOfTables(t);
    for (const SearchLibrary& l : all)
        if (l.path.size() > 7 && l.path.compare(l.path.size() - 7, 7, ".pretty") == 0) footprints.push_back(l);
    const std::string cacheFile = root + "/cache/search-index.bin";

    // ---- indexing
    DescribeCache cache;
    SearchIndex index;
    IndexReport r;
    const double first = TimeMs([&] { r = BuildSearchIndex(footprints, cache, index); });
    std::printf("first indexing of the footprints: %.2f s (%d files read, %d items)\n", first / 1000, r.stats.read, r.items);
    const double save = TimeMs([&] { cache.Save(cacheFile); });
    std::printf("  cache file written in %.0f ms (%.1f MB)\n", save, QFileInfo(QString::fromStdString(cacheFile)).size() / 1e6);
    std::vector<double> warm, fromFile;
    for (int k = 0; k < 5; ++k) {
        warm.push_back(TimeMs([&] { r = BuildSearchIndex(footprints, cache, index); }));
        DescribeCache fresh;
        fromFile.push_back(TimeMs([&] {
            std::string why;
            fresh.Load(cacheFile, why);
            r = BuildSearchIndex(footprints, fresh, index);
        }));
    }
    std::printf("second indexing, cache warm in memory: %.0f ms; in a new session, from the cache file: %.0f ms "
                "(%d files reused, %d read) (medians)\n",
                Median(warm), Median(fromFile), r.stats.reused, r.stats.read);

    DescribeCache withSymbols;
    const double firstAll = TimeMs([&] { r = BuildSearchIndex(all, withSymbols, index); });
    const double warmAll = TimeMs([&] { r = BuildSearchIndex(all, withSymbols, index); });
    std::printf("footprints and symbols: first indexing %.2f s, second %.0f ms (%zu items in %zu libraries)\n",
                firstAll / 1000, warmAll, index.Size(), index.LibraryCount());

    // ---- searching everything
    const char* queries[] = {"soic",         "soic 8",       "qfn 0.5mm",      "connector",   "Package_SO:SOIC-8",
                             "pin header",   "antenna",      "valve pins",     "jumper open", "lm358",
                             "ampliop",      "resistor",     "2.54",           "a",           "zzqxj",
                             "smd 1.5mm",    "patch antenna", "generated 123", "bridged",     "Lib77:Valve_EURO_77"};
    std::vector<double> times;
    size_t hits = 0;
    (void)index.Search("warm-up");  // the name order is made at the first search
    double slowest = 0;
    const char* slowestQuery = "";
    for (int rep = 0; rep < 10; ++rep)
        for (const char* q : queries) {
            times.push_back(TimeMs([&] { hits += index.Search(q).size(); }));
            if (times.back() > slowest) slowest = times.back(), slowestQuery = q;
            times.push_back(TimeMs([&] { hits += index.Search(q, {8, -1}, 50).size(); }));
        }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    std::printf("  the slowest: \"%s\" (%.2f ms)\n", slowestQuery, slowest);
    std::printf("one search over %zu items: %.2f ms median, %.2f ms worst (%zu searches, %zu hits in all)\n", index.Size(),
                Median(times), sorted.back(), times.size(), hits);
    std::printf("peak memory: %.1f MB\n", PeakMemoryMb());
    return 0;
}
