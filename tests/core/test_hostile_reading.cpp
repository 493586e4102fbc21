// Hostile footprint files read at bounded cost and exactly: a reference that
// names itself thousands of times, files of nothing but line ends, files that
// are not s-expressions, byte 26 inside a footprint. The big inputs are made
// here; the small ones come from the reproducers found from outside.
#include "cli_run.h"
#include "corpus.h"
#include "footprint/footprintreader.h"
#include "library/footprintfolder.h"
#include "viewer/tarnel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <fstream>

extern char** environ;

using namespace tarnel;

namespace {

const std::string kMore = TARNEL_SOURCE_DIR "/../shared/robustness/more";

bool HaveReproducers() { return QDir(QString::fromStdString(kMore)).exists(); }

#define REQUIRE_REPRODUCERS() \
    if (!HaveReproducers()) GTEST_SKIP() << "reproducers not found at " << kMore

// Runs tarnel-cli with args; its exit code and peak resident memory in KiB.
struct Measured {
    int exit = -1;
    long peakKb = 0;
};
Measured RunMeasured(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    std::string cli = TARNEL_CLI;
    argv.push_back(cli.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    Measured r;
    if (posix_spawn(&pid, TARNEL_CLI, &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        struct rusage use {};
        if (wait4(pid, &status, 0, &use) == pid) {
            r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            r.peakKb = use.ru_maxrss;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    return r;
}

// Writes a footprint alone in its folder; returns the folder.
std::string WriteFootprint(const QTemporaryDir& dir, const std::string& name, const std::string& bytes) {
    const std::string folder = dir.filePath(QString::fromStdString(name + ".pretty")).toStdString();
    QDir().mkpath(QString::fromStdString(folder));
    std::ofstream(folder + "/" + name + ".kicad_mod", std::ios::binary) << bytes;
    return folder;
}

const std::string kHead = "(footprint \"X\" (version 20240108) (layer \"F.Cu\")\n";

} // namespace

// %R and ${REFERENCE} put the reference in once; the drawn text is cut and
// the texts together grow by no more than the file.
TEST(Hostile, ReferenceNamingItselfStaysSmall) {
    REQUIRE_REPRODUCERS();
    QTemporaryDir dir;
    const Measured tiny = RunMeasured({"render", kMore + "/not_sexpr.pretty", "bom", "--texts", "all"});
    ASSERT_EQ(tiny.exit, 0);
    std::string self;
    for (int i = 0; i < 8192; ++i) self += "%R";
    const std::string big = WriteFootprint(
        dir, "self", kHead + "(fp_text reference \"" + self + "\" (at 0 0) (layer \"F.SilkS\"))\n" +
                         "(fp_text user \"" + self + "${REFERENCE}\" (at 0 2) (layer \"F.SilkS\")))\n");
    for (const char* texts : {"name", "all"}) {
        const Measured r = RunMeasured({"render", big, "self", "--texts", texts});
        EXPECT_EQ(r.exit, 0) << texts;
        EXPECT_LT(r.peakKb - tiny.peakKb, 100 * 1024) << texts;  // was gigabytes
    }
    // The reproducers found from outside.
    for (const char* c : {"self4096.pretty self_4096", "self8192.pretty self_8192", "r64k.pretty R64k_x16k"}) {
        const QStringList w = QString(c).split(' ');
        const Measured r = RunMeasured({"render", kMore + "/" + w[0].toStdString(), w[1].toStdString(), "--texts", "all"});
        EXPECT_EQ(r.exit, 0) << c;
        EXPECT_LT(r.peakKb - tiny.peakKb, 100 * 1024) << c;
    }
}

TEST(Hostile, SubstitutionIsOnceAndCut) {
    TForm1Core v;
    v.Options().TextMode = 2;
    v.RenderLines({"(footprint X (fp_text reference \"A%VB\" (at 0 0) (layer F.SilkS))",
                   "(fp_text value \"%R\" (at 0 1) (layer F.SilkS))",
                   "(fp_text user \"<${VALUE}>\" (at 0 2) (layer F.SilkS)))"},
                  Units::Millimetre, "t");
    const figure::Figure& f = v.LastFigure();
    ASSERT_EQ(f.texts.size(), 3u);
    EXPECT_EQ(f.texts[0].text, "A%RB");   // the value, not expanded again
    EXPECT_EQ(f.texts[1].text, "A%VB");   // the reference as written
    EXPECT_EQ(f.texts[2].text, "<%R>");
    // Cut at the limit, but not inside a character: a reference of 999 bytes
    // and an "é" is drawn without its "é".
    const std::string reference = std::string(footprint::kMaxDrawnText - 1, 'x') + "\xC3\xA9";
    v.RenderLines({"(footprint X (fp_text reference \"" + reference + "\" (at 0 0) (layer F.SilkS))",
                   "(fp_text user \"%R and more\" (at 0 2) (layer F.SilkS)))"},
                  Units::Millimetre, "t");
    ASSERT_EQ(v.LastFigure().texts.size(), 2u);
    EXPECT_EQ(v.LastFigure().texts[0].text, std::string(footprint::kMaxDrawnText - 1, 'x'));
    EXPECT_EQ(v.LastFigure().texts[1].text, std::string(footprint::kMaxDrawnText - 1, 'x'));
}

// Memory grows with the file by a small factor, not with its lines.
TEST(Hostile, EmptyLinesCostTheirBytesOnly) {
    QTemporaryDir dir;
    const size_t n = size_t{16} << 20;
    const std::string lines(n, '\n');
    const std::string pretty = WriteFootprint(dir, "nl", kHead + lines + ")\n");
    const std::string mod = dir.filePath("nl.mod").toStdString();
    std::ofstream(mod, std::ios::binary) << "PCBNEW-LibModule-V1\n$MODULE A\nPo 0 0 0 15 0 0 ~~\n" << lines
                                         << "DS 0 0 100 100 10 21\n$EndMODULE A\n";
    const std::string lib = dir.filePath("nl.lib").toStdString();
    std::ofstream(lib, std::ios::binary) << "EESchema-LIBRARY Version 2.3\nDEF A U 0 40 Y Y 1 F N\nDRAW\n" << lines
                                         << "S 0 0 100 100 0 1 0 N\nENDDRAW\nENDDEF\n";
    const std::string small = WriteFootprint(dir, "small", kHead + ")\n");
    const Measured tiny = RunMeasured({"render", small, "small"});
    ASSERT_EQ(tiny.exit, 0);
    const struct {
        std::string lib, name;
    } cases[] = {{pretty, "nl"}, {mod, "A"}, {lib, "A"}};
    for (const auto& c : cases) {
        const Measured r = RunMeasured({"render", c.lib, c.name});
        EXPECT_EQ(r.exit, 0) << c.lib;
        EXPECT_LT(r.peakKb - tiny.peakKb, static_cast<long>(3 * n / 1024)) << c.lib;  // was 100 bytes a line
    }
}

// A file of a footprint folder is always a footprint: a byte order mark is
// passed over, anything else is refused; byte 26 is a byte like any other.
TEST(Hostile, FootprintFilesAreReadAsFootprints) {
    REQUIRE_REPRODUCERS();
    const struct {
        const char* folder;
        const char* name;
        int exit;
        const char* message;
    } cases[] = {
        {"not_sexpr.pretty", "empty", 1, "nenhuma lista encontrada"},
        {"not_sexpr.pretty", "bom", 0, ""},
        {"not_sexpr.pretty", "utf16", 1, "texto fora de qualquer lista"},
        {"not_sexpr.pretty", "text", 1, "texto fora de qualquer lista"},
        {"not_sexpr.pretty", "legacy", 1, "texto fora de qualquer lista"},
        {"ctrlz.pretty", "plain", 0, ""},
        {"ctrlz.pretty", "in_descr", 0, ""},
        {"ctrlz.pretty", "before_garbage", 1, "texto depois do fim"},
    };
    for (const auto& c : cases) {
        std::string out, err;
        EXPECT_EQ(RunCli({"render", QString::fromStdString(kMore + "/" + c.folder), c.name}, &out, &err), c.exit)
            << c.name;
        EXPECT_NE(err.find(c.message), std::string::npos) << c.name << ": " << err;
        if (c.exit == 0) {
            EXPECT_NE(out.find("\"format\":\"kicad_mod\""), std::string::npos) << c.name;
        }
    }
    // The description keeps its byte 26.
    TForm1Core v;
    v.OpenLibrary(kMore + "/ctrlz.pretty");
    v.SelectModule(v.FindModule("in_descr"));
    EXPECT_NE(v.LastFigure().fields.description.find('\x1a'), std::string::npos);
}
