// Footprint folders: listing, browsing through the viewer, tarnel-cli, and
// real footprints of the official libraries drawn as the rules place them.
#include "corpus.h"
#include "footprint_fixture.h"
#include "library/footprintfolder.h"

#include "cli_run.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

using namespace tarnel;

namespace {
const std::string kPretty = TARNEL_CORPUS "/pretty";

std::string Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}


const char* kSmall = "(footprint \"S\" (version 20240108)\n  (descr \"small\")\n  (pad \"1\" smd rect (at 0 0) (size 1 1))\n)\n";
} // namespace

TEST(FootprintFolder, NamesSortedAndOnlyFootprintFiles) {
    QTemporaryDir d;
    const std::string dir = d.filePath("Mixed.PRETTY").toStdString();
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    for (const char* f : {"b.kicad_mod", "A.KICAD_MOD", "a.kicad_mod", "_z.kicad_mod", "README.md", "x.kicad_mod.bak",
                          ".kicad_mod"})
        Write(dir + "/" + f, kSmall);
    ASSERT_EQ(mkdir((dir + "/sub.kicad_mod").c_str(), 0755), 0);  // a folder, not a footprint
    ASSERT_EQ(mkfifo((dir + "/pipe.kicad_mod").c_str(), 0644), 0);
    Write(d.filePath("outside.txt").toStdString(), kSmall);
    ASSERT_EQ(symlink(d.filePath("outside.txt").toStdString().c_str(), (dir + "/link.kicad_mod").c_str()), 0);
    ASSERT_EQ(symlink("/nonexistent", (dir + "/dangling.kicad_mod").c_str()), 0);

    FootprintFolder lib(dir);
    // Upper-cased bytes first ("_" sorts after letters), then the bytes.
    EXPECT_EQ(lib.Names(), (std::vector<std::string>{"A", "a", "b", "link", "_z"}));
    EXPECT_EQ(lib.Format(), LibraryFormat::KicadMod);
    EXPECT_EQ(lib.LineUnits(), Units::Millimetre);
    EXPECT_EQ(lib.FilePath("a"), dir + "/a.kicad_mod");
    EXPECT_EQ(lib.FilePath("B"), dir + "/b.kicad_mod");  // letter case ignored
    EXPECT_EQ(lib.FilePath("missing"), "");
    EXPECT_EQ(lib.ModuleLines("LINK").size(), 4u);
    EXPECT_TRUE(lib.ModuleLines("missing").empty());

    EXPECT_TRUE(IsFootprintFolderName("x/Y.Pretty/"));
    EXPECT_FALSE(IsFootprintFolderName("x.mod"));
    EXPECT_THROW(FootprintFolder(d.filePath("none.pretty").toStdString()), std::runtime_error);
}

TEST(FootprintFolder, BrowsingThroughTheViewer) {
    QTemporaryDir d;
    const std::string dir = d.filePath("lib.pretty").toStdString();
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    Write(dir + "/Good.kicad_mod", kSmall);
    Write(dir + "/Broken.kicad_mod", "(footprint \"B\"\n  (pad \"1\" smd rect (at 0 0) (size 1 1))\n");
    Write(dir + "/Gone.kicad_mod", kSmall);

    TForm1Core v;
    v.OpenLibrary(dir);
    ASSERT_EQ(v.ModuleList(), (std::vector<std::string>{"Broken", "Gone", "Good"}));
    ASSERT_NE(v.CurrentLibrary(), nullptr);
    EXPECT_EQ(v.CurrentLibrary()->Format(), LibraryFormat::KicadMod);
    // The first footprint cannot be read: its lines, a message, the empty view.
    EXPECT_EQ(v.Lines().LineCount(), 2u);
    EXPECT_EQ(v.View().ViewWidth, 101);
    EXPECT_NE(v.Status().find(dir + "/Broken.kicad_mod: linha 2: o arquivo termina dentro de uma lista não fechada"), std::string::npos)
        << v.Status();

    v.SelectModule(v.FindModule("GOOD"));
    EXPECT_TRUE(v.Status().empty()) << v.Status();
    EXPECT_EQ(v.Lines().Lines(), SplitLines(kSmall));
    EXPECT_EQ(v.PadCount(), 1);
    EXPECT_TRUE(v.LinesAreKicadMod());
    EXPECT_EQ(v.LineUnits(), Units::Millimetre);
    EXPECT_GT(v.View().ViewWidth, 101);

    // A file that vanished after listing: a message, not an exception.
    ASSERT_EQ(unlink((dir + "/Gone.kicad_mod").c_str()), 0);
    EXPECT_NO_THROW(v.SelectModule(v.FindModule("gone")));
    EXPECT_NE(v.Status().find("Gone.kicad_mod"), std::string::npos) << v.Status();
    EXPECT_TRUE(v.Lines().empty());
    EXPECT_EQ(v.View().ViewWidth, 101);

    // "Converter" on edited lines draws them as they stand.
    v.SetLines(ModuleText::FromLines(SplitLines("(module X (pad 1 smd rect (at 0 0) (size 1 1)) (pad 2 smd rect (at 2 0) (size 1 1)))")));
    v.RestartPadCount();
    v.B_converterClick();
    EXPECT_EQ(v.PadCount(), 2);
    // Legacy lines in the memo still draw as legacy lines.
    v.SetLines(ModuleText::FromLines({"DS 0 0 1000 0 120 21"}));
    v.B_converterClick();
    EXPECT_FALSE(v.LinesAreKicadMod());
    EXPECT_GT(v.View().ViewWidth, 101);

    // A folder that cannot be read lists nothing, says why and clears the view.
    v.SelectModule(v.FindModule("Good"));
    ASSERT_GT(v.View().ViewWidth, 101);
    v.OpenLibrary(d.filePath("missing.pretty").toStdString());
    EXPECT_TRUE(v.ModuleList().empty());
    EXPECT_EQ(v.Status().rfind("Não foi possível ler a biblioteca: ", 0), 0u) << v.Status();
    EXPECT_NE(v.Status().find("missing.pretty"), std::string::npos) << v.Status();
    EXPECT_TRUE(v.Lines().empty());
    EXPECT_EQ(v.View().ViewWidth, 0);
    // So does a library with no modules, of either kind.
    const std::string empty = d.filePath("Empty.pretty").toStdString();
    ASSERT_EQ(mkdir(empty.c_str(), 0755), 0);
    Write(d.filePath("none.mod").toStdString(), "PCBNEW-LibModule-V1\n$EndLIBRARY\n");
    for (const std::string& lib : {empty + "/", d.filePath("none.mod").toStdString()}) {
        v.SelectModule(v.FindModule("Good"));
        v.OpenLibrary(dir);
        v.SelectModule(v.FindModule("Good"));
        v.OpenLibrary(lib);
        const std::string name = lib.back() == '/' ? "Empty.pretty" : "none.mod";
        EXPECT_EQ(v.Status(), "A biblioteca " + name + " não tem módulos.") << lib;
        EXPECT_EQ(v.View().ViewWidth, 0) << lib;
    }
}

TEST(FootprintFolder, EveryRealFootprintListsAndDraws) {
    REQUIRE_CORPUS();
    int total = 0;
    for (const char* lib : {"Jumper.pretty", "Valve.pretty", "RF_Antenna.pretty"}) {
        const std::string dir = kPretty + "/" + lib;
        const int files = QDir(QString::fromStdString(dir)).entryList({"*.kicad_mod"}, QDir::Files).size();
        TForm1Core v;
        v.Options().ScaleDivisor = 100;
        v.Options().TextMode = 2;
        v.OpenLibrary(dir);
        ASSERT_EQ(static_cast<int>(v.ModuleList().size()), files) << lib;
        for (size_t i = 0; i < v.ModuleList().size(); ++i) {
            v.SelectModule(static_cast<int>(i));
            EXPECT_TRUE(v.Status().empty()) << v.ModuleList()[i] << ": " << v.Status();
            EXPECT_GT(v.View().ViewWidth, 101) << v.ModuleList()[i];
            EXPECT_GT(v.PadCount(), 0) << v.ModuleList()[i];
            ++total;
        }
    }
    EXPECT_EQ(total, 21 + 10 + 16);
}

// Whole real files, their extents worked out from the elements that bound
// them. At divisor 10, texts off unless said.
TEST_F(Footprint, RealValveWithTurnedOvalDrills) {
    REQUIRE_CORPUS();
    v.OpenLibrary(kPretty + "/Valve.pretty");
    v.SelectModule(v.FindModule("Valve_ECC-83-2"));
    ASSERT_TRUE(v.Status().empty()) << v.Status();
    // Nine pins (two numbered "2"): 10 counted pads. The F.Fab circle of
    // radius 10.25 around (-3.45, -4.75) bounds everything drawn; the
    // courtyard circle (radius 10.5) is not drawn.
    EXPECT_EQ(v.PadCount(), 10);
    ExpectExtents(-3.45 - 10.25, -3.45 + 10.25, -4.75 - 10.25, -4.75 + 10.25, "texts off");
    // Pin 1 at the origin turned 306: its 1.02 x 2.03 slot runs along
    // (sin 306, cos 306); across it, copper. (Probes where the mapping is
    // on the canvas, at divisor 30.)
    v.Options().ScaleDivisor = 30;
    v.SelectModule(v.ItemIndex());
    const double s = std::sin(306 * M_PI / 180), co = std::cos(306 * M_PI / 180);
    EXPECT_EQ(At(-0.7 * s, -0.7 * co), kBlack);   // along the slot
    EXPECT_EQ(At(0.8 * co, -0.8 * s), kGreen);    // across it
    EXPECT_EQ(At(1.2 * co, -1.2 * s), kWhite);    // past the pad
    v.Options().ScaleDivisor = 10;
    // Texts: the reference at y -16.18 (F.SilkS), the value at 6.68 (F.Fab).
    v.Options().TextMode = 2;
    v.SelectModule(v.ItemIndex());
    ExpectExtents(-3.45 - 10.25, -3.45 + 10.25, -16.18, 6.68, "texts on");
}

TEST_F(Footprint, RealJumperCustomPadsAndOldArcs) {
    REQUIRE_CORPUS();
    v.Options().ScaleDivisor = 5;
    v.OpenLibrary(kPretty + "/Jumper.pretty");
    v.SelectModule(v.FindModule("SolderJumper-2_P1.3mm_Open_RoundedPad1.0x1.5mm"));
    ASSERT_TRUE(v.Status().empty()) << v.Status();
    EXPECT_EQ(v.PadCount(), 2);
    // Silkscreen lines and the four old-form arcs (radius 0.7, -90 degrees)
    // close a rounded box of +-1.4 x +-1.
    ExpectExtents(-1.4, 1.4, -1, 1, "arcs on");
    // The arc around (0.7, 0.3) from (0.7, 1) runs to (1.4, 0.3) through
    // 45 degrees down and right.
    const double c = 0.7 * std::cos(M_PI / 4);
    auto nearBody = [&](double x, double y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (v.WorkCanvas().Pixel(Px(x) + dx, Px(y) + dy) == kBlue) return true;
        return false;
    };
    EXPECT_TRUE(nearBody(0.7 + c, 0.3 + c));
    // Pad 2 at (0.65, 0): a rect anchor 1 x 0.5, two filled circles of
    // radius 0.5 at (0, +-0.25) and a half-width block; all filled smd red.
    EXPECT_EQ(At(0.65, 0.6), kRed);   // inside the lower circle only
    EXPECT_EQ(At(1.1, 0.7), kWhite);  // beyond it
    EXPECT_EQ(At(0.3, 0.7), kRed);    // the block
    v.Options().DrawArcs = false;
    v.SelectModule(v.ItemIndex());
    EXPECT_FALSE(nearBody(0.7 + c, 0.3 + c));
}

TEST_F(Footprint, RealAntennaTrapezoidsAndHiddenProperties) {
    REQUIRE_CORPUS();
    v.OpenLibrary(kPretty + "/RF_Antenna.pretty");
    v.SelectModule(v.FindModule("pulse_w3011"));
    ASSERT_TRUE(v.Status().empty()) << v.Status();
    EXPECT_EQ(v.PadCount(), 3);
    // Silk lines at x +-0.925 reaching y -1.95; the trapezoid pads (no
    // delta: rectangles) turned 90 reach y -2 and 2.
    ExpectExtents(-0.925, 0.925, -2, 2, "texts off");
    EXPECT_EQ(At(0.1, 1.8), kRed);   // pad 2, 1.6 wide once turned
    EXPECT_EQ(At(0.75, 1.8), kRed);
    EXPECT_EQ(At(0, -1.6), kWhite);  // between pads 1 and 3
    // Texts: Reference at y -3, Value at 3; the hidden Footprint, Datasheet
    // and Description properties and the Cmts.User notes at x -2.7 are not
    // drawn.
    v.Options().TextMode = 2;
    v.SelectModule(v.ItemIndex());
    ExpectExtents(-0.925, 0.925, -3, 3, "texts on");
}

TEST(CliPretty, ListRenderAndLines) {
    QTemporaryDir d;
    const std::string dir = d.filePath("cli.pretty").toStdString();
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    Write(dir + "/Small.kicad_mod", kSmall);
    Write(dir + "/Bad.kicad_mod", "(footprint \"B\" (pad");
    std::string out, err;
    ASSERT_EQ(RunCli({"list", QString::fromStdString(dir)}, &out, &err), 0) << err;
    EXPECT_EQ(out, "Bad\nSmall\ncount 2\n");
    ASSERT_EQ(RunCli({"render", QString::fromStdString(dir), "SMALL"}, &out, &err), 0) << err;
    EXPECT_NE(out.find("\"pads\":1,"), std::string::npos) << out;
    EXPECT_NE(out.find("\"units\":\"mm\",\"format\":\"kicad_mod\"}"), std::string::npos) << out;
    ASSERT_EQ(RunCli({"render", "--lines", QString::fromStdString(dir + "/Small.kicad_mod")}, &out, &err), 0) << err;
    EXPECT_NE(out.find("\"format\":\"kicad_mod\""), std::string::npos) << out;
    EXPECT_EQ(RunCli({"render", QString::fromStdString(dir), "Bad"}, &out, &err), 1);
    EXPECT_NE(err.find("Bad.kicad_mod: linha 1:"), std::string::npos) << err;
    EXPECT_EQ(RunCli({"render", QString::fromStdString(dir), "nothing"}, &out, &err), 1);
    EXPECT_NE(err.find("no module named"), std::string::npos) << err;
    EXPECT_EQ(RunCli({"list", d.filePath("absent.pretty")}, &out, &err), 1);
    // Legacy libraries answer as before, with their format.
    if (tarnel::test::HaveCorpus()) {
        ASSERT_EQ(RunCli({"render", TARNEL_CORPUS "/Pot.mod", "pot-poth_1"}, &out, &err), 0) << err;
        EXPECT_NE(out.find("\"units\":\"decimil\",\"format\":\"legacy\"}"), std::string::npos) << out;
    }
}

TEST(CliPretty, KeepAllDrawsAsTheWindowDoes) {
    QTemporaryDir d;
    const std::string lines = d.filePath("wide.txt").toStdString();
    Write(lines, "DS -40000 0 40000 0 120 21\n");
    std::string out, err;
    ASSERT_EQ(RunCli({"render", "--lines", QString::fromStdString(lines)}, &out, &err), 0) << err;
    EXPECT_NE(out.find("\"width\":665,"), std::string::npos) << out;  // cut at the canvas edge
    ASSERT_EQ(RunCli({"render", "--lines", QString::fromStdString(lines), "--keep-all"}, &out, &err), 0) << err;
    EXPECT_NE(out.find("\"width\":795,"), std::string::npos) << out;  // whole
}
