// Component index over a generated folder: 20 libraries, 20 000 modules.
// Prints the median wall time of a run, the CPU time per 10 000 modules and
// the peak memory.
#include "index/indexrun.h"

#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace tarnel;

namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A module shaped like the stock connector and IC footprints: header lines,
// two texts, an outline and a run of pads, now and then an alias line.
void WriteModule(std::string& out, std::mt19937& rng, int lib, int m) {
    std::uniform_int_distribution<int> pads(2, 50), outline(4, 12), coin(0, 9), names(1, 4);
    const std::string name = "M" + std::to_string(lib) + "_" + std::to_string(m) + (coin(rng) < 3 ? "_smd" : "");
    out += "$MODULE " + name + "\r\n";
    out += "Po 0 0 0 15 00200000 00000000 ~~\r\nLi " + name + "\r\nCd Generated footprint " + name + "\r\n";
    out += "Kw CONN\r\nSc 00000000\r\nOp 0 0 0\r\n";
    if (coin(rng) == 0) {
        out += "ALIAS";
        for (int k = names(rng); k > 0; --k) out += " " + name + "_A" + std::to_string(k);
        out += "\r\n";
    }
    out += "T0 0 -2750 600 600 0 120 N V 21 \"" + name + "\"\r\nT1 0 2750 600 600 0 120 N I 21 \"P**\"\r\n";
    for (int k = outline(rng); k > 0; --k) out += "DS -16000 1500 16000 1500 120 21\r\n";
    for (int p = 1, n = pads(rng); p <= n; ++p) {
        out += "$PAD\r\nSh \"" + std::to_string(p) + "\" C 700 700 0 0 0\r\nDr 320 0 0\r\nAt STD N 00E0FFFF\r\n";
        out += "Ne 0 \"\"\r\nPo " + std::to_string(p * 1000 - 25000) + " 0\r\n$EndPAD\r\n";
    }
    out += "$EndMODULE  " + name + "\r\n";
}

} // namespace

int main() {
    constexpr int kLibraries = 20, kModules = 20000, kRuns = 5;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    std::mt19937 rng(20070705);
    size_t bytes = 0;
    for (int lib = 0; lib < kLibraries; ++lib) {
        std::string text = "PCBNEW-LibModule-V1  18/10/2008-15:50:22\r\n$INDEX\r\n$EndINDEX\r\n";
        for (int m = 0; m < kModules / kLibraries; ++m) WriteModule(text, rng, lib, m);
        text += "$EndLIBRARY\r\n";
        bytes += text.size();
        std::ofstream(dir.path().toStdString() + "/lib" + std::to_string(lib) + ".mod", std::ios::binary) << text;
    }

    std::vector<double> wall, cpu;
    IndexRunResult r;
    IndexTables t;
    for (int i = 0; i < kRuns; ++i) {
        FolderFileList files(dir.path().toStdString());
        const double c0 = CpuSeconds();
        const auto w0 = std::chrono::steady_clock::now();
        r = BuildIndex(t, files);
        wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count());
        cpu.push_back(CpuSeconds() - c0);
        if (!r.ok()) {
            std::fprintf(stderr, "%s\n", r.error.c_str());
            return 1;
        }
    }
    const double firstWall = wall.front();
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("libraries %d, modules %d, names %d, %.1f MB of text, %d runs\n", kLibraries, r.modules, r.names,
                static_cast<double>(bytes) / 1e6, kRuns);
    std::printf("first run (fresh tables): %.3f s\n", firstWall);
    std::printf("median wall time per run: %.3f s\n", wall[kRuns / 2]);
    std::printf("median CPU per 10000 modules: %.3f s\n", cpu[kRuns / 2] * 10000.0 / r.modules);
    std::printf("peak memory: %.1f MB\n", static_cast<double>(u.ru_maxrss) / 1024.0);
    return 0;
}
