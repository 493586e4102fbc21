// Hostile input figures: wall time and peak memory of tarnel-cli over the
// reproducers of bad numbers, long names, huge text records, nested clips and
// many pages, polygons of a million points and thousands of canvas-sized
// shapes. Usage: bench_hostile [TARNEL_CLI [ROBUSTNESS_FOLDER]]
// (defaults: tarnel-cli beside this program, ../shared/robustness from here
// or from the build folder's parent). The report-file reproducers come from
// that folder's gen_repro.py when it is there.
#include "benchutil.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

const std::string kHeader = "PCBNEW-LibModule-V1  01/01/2010-00:00:00\n";

std::string LongName(size_t n) {
    return kHeader + "$MODULE " + std::string(n, 'A') +
           "\nPo 0 0 0 15 0 0 ~~\nDS -2000 -1000 2000 -1000 150 21\n$EndMODULE x\n";
}

} // namespace

int main(int argc, char** argv) {
    const fs::path self = fs::canonical("/proc/self/exe");
    const std::string cli = argc > 1 ? argv[1] : (self.parent_path() / "tarnel-cli").string();
    if (!fs::exists(cli)) {
        std::fprintf(stderr, "no %s: give the path of tarnel-cli\n", cli.c_str());
        return 2;
    }
    const fs::path work = fs::temp_directory_path() / ("tarnel-bench-hostile-" + std::to_string(getpid()));
    fs::create_directories(work);
    fs::path shared = argc > 2 ? fs::path(argv[2]) : fs::path("../shared/robustness");
    if (argc <= 2 && !fs::exists(shared)) shared = self.parent_path().parent_path() / ".." / "shared" / "robustness";

    Write(work / "extent_huge.mod", kHeader + "$MODULE X1\nPo 0 0 0 15 0 0 ~~\n"
                                              "DS -2147483648 -2147483648 2147483647 2147483647 100 21\n$EndMODULE X1\n");
    Write(work / "extent_3200000.mod",
          kHeader + "$MODULE BIG\nPo 0 0 0 15 0 0 ~~\nDS 0 0 3200000 3200000 10 21\n$EndMODULE BIG\n");
    Write(work / "long_name_200000.mod", LongName(200000));
    Write(work / "long_name_1000000.mod", LongName(1000000));
    const bool reports = fs::exists(shared / "gen_repro.py") &&
                         std::system(("python3 '" + (shared / "gen_repro.py").string() + "' '" + work.string() +
                                      "' > /dev/null")
                                         .c_str()) == 0;

    std::printf("%-44s %-12s %9s %9s %5s\n", "input", "verb", "seconds", "peak MB", "exit");
    std::fflush(stdout);  // before any fork
    auto row = [&](const fs::path& file, const std::string& verb, std::vector<std::string> args,
                   unsigned limitSeconds = 0) {
        if (!fs::exists(file)) return;
        const tarnel::bench::ProgramRun r = tarnel::bench::RunProgram(cli, args, limitSeconds);
        std::printf("%-44s %-12s %9.2f %9.1f %5d\n", file.filename().c_str(), verb.c_str(), r.seconds, r.peakMb, r.code);
        std::fflush(stdout);
    };
    std::vector<fs::path> libraries = {work / "extent_huge.mod", work / "extent_3200000.mod",
                                       work / "long_name_200000.mod", work / "long_name_1000000.mod"};
    for (const char* n : {"lqfp_mutation_719.mod", "pot_mutation_738.mod", "long_name_40000.mod"})
        libraries.push_back(shared / n);
    for (const fs::path& lib : libraries) {
        row(lib, "catalog", {"catalog", "drawings", lib.string(), "--qrp", (work / "out.qrp").string()});
        row(lib, "catalog list", {"catalog", "list", lib.string()});
    }
    if (!reports) std::printf("(no %s: report-file rows left out)\n", (shared / "gen_repro.py").c_str());
    for (const char* n : {"text_200k.qrp", "text_1M.qrp", "nest_exclude_x1.qrp", "nest_exclude_x2.qrp",
                          "nest_exclude_x4.qrp", "pages_20k.qrp"}) {
        const fs::path f = work / n;
        row(f, "qrp-info", {"qrp-info", f.string()});
        row(f, "qrp-page", {"qrp-page", f.string(), "1", "--png", (work / "p.png").string()});
        row(f, "qrp-pdf", {"qrp-pdf", f.string(), (work / "p").string()});
    }
    for (const char* n : {"emf_player_segv_reduced.qrp"})
        row(shared / n, "qrp-page", {"qrp-page", (shared / n).string(), "1", "--png", (work / "p.png").string()});
    // Footprints that cover the canvas: one polygon of many points, many
    // canvas-sized shapes, a number too small for a double. Made by the
    // folder's gen_repro3.py; each render is stopped after 120 s (exit 142).
    const fs::path more = shared / "more";
    const bool big = fs::exists(more / "gen_repro3.py") &&
                     std::system(("python3 '" + (more / "gen_repro3.py").string() + "' '" + (work / "more").string() +
                                  "' > /dev/null")
                                     .c_str()) == 0;
    if (!big) std::printf("(no %s: canvas-sized footprint rows left out)\n", (more / "gen_repro3.py").c_str());
    for (const char* n : {"zig10k", "zig100k", "zig1M", "fill1000", "fill8000", "fill100000", "pads100k"}) {
        const fs::path lib = work / "more" / (std::string(n) + ".pretty");
        row(lib, "render", {"render", lib.string(), n}, 120);
    }
    row(work / "more" / "bigpads40000.mod", "render", {"render", (work / "more" / "bigpads40000.mod").string(), "P"}, 120);
    row(more / "underflow.pretty", "render", {"render", (more / "underflow.pretty").string(), "U"}, 120);
    fs::remove_all(work);
    return 0;
}
