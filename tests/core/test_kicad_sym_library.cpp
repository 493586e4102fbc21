// Current symbol libraries as libraries: what a ".kicad_sym" file or a
// ".kicad_symdir" folder lists, in which order, which definition a name
// finds, and what is left out when a file cannot be read.
#include "catalogs/catalogdata.h"
#include "library/kicadsymbollibrary.h"
#include "library/symbolname.h"
#include "library/symbolscan.h"
#include "symbol/reader.h"
#include "tokenizer/libtext.h"

#include "cli_run.h"
#include "corpus.h"
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

using namespace tarnel;

namespace {

const std::string kSymbols = TARNEL_CORPUS "/symbols";

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A file of the given top-level symbols, each "(symbol NAME BODY)".
std::string Lib(const std::vector<std::pair<std::string, std::string>>& symbols, const std::string& version = "20251024") {
    std::string s = "(kicad_symbol_lib (version " + version + ") (generator test)\n";
    for (const auto& [name, body] : symbols) s += "  (symbol " + name + " " + body + ")\n";
    return s + ")\n";
}

} // namespace

TEST(KicadSymName, ListedNamesAndSubSymbols) {
    struct Case {
        const char* written;
        const char* listed;
    };
    const Case names[] = {
        {"R", "R"},
        {"Lib:Name", "Name"},                    // 5.99-era files named the library
        {"A{slash}B", "A/B"},                    // escaped slash
        {"Lib:A:B", "A:B"},                      // only up to the first colon
        {"Lib{slash}x:Y{slash}Z", "Y/Z"},         // slashes first, then the prefix
    };
    for (const Case& c : names) {
        SCOPED_TRACE(c.written);
        EXPECT_EQ(SymbolListName(c.written), c.listed);
    }
    struct Sub {
        const char* sub;
        const char* parent;
        bool is;
        int unit, style;
    };
    const Sub subs[] = {
        {"74LS00_5_0", "74LS00", true, 5, 0},
        {"Raspberry_Pi_2_3_1_1", "Raspberry_Pi_2_3", true, 1, 1},  // a name that looks like a sub-symbol
        {"Raspberry_Pi_2_3", "Raspberry_Pi", true, 2, 3},         // … is one of a symbol named so
        {"R_1_1x", "R", false, 0, 0},
        {"R_1", "R", false, 0, 0},
        {"R__1", "R", false, 0, 0},
        {"S_1_1", "R", false, 0, 0},
        {"R_99999999999_1", "R", false, 0, 0},                    // no int
        {"R_1000000000_1", "R", true, 1000000000, 1},
    };
    for (const Sub& c : subs) {
        SCOPED_TRACE(c.sub);
        int u = 0, s = 0;
        EXPECT_EQ(SplitSubSymbolName(c.sub, c.parent, u, s), c.is);
        if (c.is) {
            EXPECT_EQ(std::pair(u, s), std::pair(c.unit, c.style));
        }
    }
}

TEST(KicadSymScan, FindsTopLevelSymbolsAndRefusesBrokenFiles) {
    const std::string text =
        "\xEF\xBB\xBF(kicad_symbol_lib (version 20211014) (generator \"x\")\n"
        "  (symbol \"A\" (property \"Value\" \"(symbol \\\"fake\\\"\") (symbol \"A_1_1\"))\n"
        "  (other (symbol \"nested\"))\n"
        "  (symbol (odd))\n"
        "  (symbol B)\n"
        ")";
    const SymbolFileScan scan = ScanSymbolFile(text);
    EXPECT_EQ(scan.version, 20211014);
    ASSERT_EQ(scan.symbols.size(), 2u);
    EXPECT_EQ(scan.symbols[0].name, "A");
    EXPECT_EQ(text.substr(scan.symbols[0].begin, scan.symbols[0].end - scan.symbols[0].begin).substr(0, 12),
              "(symbol \"A\" ");
    EXPECT_EQ(text[scan.symbols[0].end - 1], ')');
    EXPECT_EQ(scan.symbols[1].name, "B");
    EXPECT_EQ(ScanSymbolFile("(kicad_symbol_lib)").version, kNewestSymbolVersion);  // no version: the newest

    struct Bad {
        const char* what;
        std::string text;
        const char* message;
    };
    const Bad bad[] = {
        {"unbalanced", "(kicad_symbol_lib (symbol \"A\")", "linha 1: o arquivo termina dentro de uma lista não fechada"},
        {"extra close", "(kicad_symbol_lib))", "linha 1: um parêntese que fecha sem outro que abra"},
        {"another root", "(footprint \"X\")", "linha 1: o arquivo não é uma biblioteca de símbolos (começa com \"footprint\")"},
        {"two roots", "(kicad_symbol_lib)\n(kicad_symbol_lib)", "linha 2: texto depois do fim da lista principal"},
        {"open string", "(kicad_symbol_lib\n (symbol \"A)\n)", "linha 2: um texto entre aspas que não termina"},
        {"empty", "", "linha 1: nenhuma lista encontrada"},
        {"deep", "(kicad_symbol_lib " + std::string(200, '(') + std::string(201, ')'),
         "linha 1: listas aninhadas em mais de 200 níveis"},
    };
    for (const Bad& c : bad) {
        SCOPED_TRACE(c.what);
        try {
            ScanSymbolFile(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

TEST(KicadSymLibrary, FileListsSortedAndLaterDefinitionsWin) {
    QTemporaryDir d;
    const std::string path = d.filePath("t.kicad_sym").toStdString();
    Write(path, Lib({{"\"b\"", "(property \"Value\" \"first\")"},
                     {"\"B\"", ""},
                     {"\"a{slash}x\"", ""},
                     {"\"Old:Z\"", ""},
                     {"\"b\"", "(property \"Value\" \"second\")"}}));
    KicadSymbolLibrary lib(path);
    EXPECT_EQ(lib.Format(), LibraryFormat::KicadSym);
    EXPECT_EQ(lib.LineUnits(), Units::Millimetre);
    EXPECT_FALSE(lib.IsFolder());
    EXPECT_EQ(lib.Names(), (std::vector<std::string>{"a/x", "B", "b", "Z"}));
    // The later "b" replaces the earlier; names are exact first, then the
    // first equal with letter case ignored.
    EXPECT_NE(std::string(lib.ReadModule("b").Bytes()).find("second"), std::string::npos);
    EXPECT_EQ(lib.ReadModule("b").TextKind(), ModuleText::Kind::Symbol);
    EXPECT_EQ(lib.ListedName("b"), "b");
    EXPECT_EQ(lib.ListedName("B"), "B");
    EXPECT_EQ(lib.ListedName("A/X"), "a/x");
    EXPECT_EQ(lib.ListedName("z"), "Z");
    EXPECT_EQ(lib.ListedName("q"), "");
    EXPECT_TRUE(lib.ReadModule("q").empty());
    EXPECT_EQ(lib.ModuleSource("b"), path);
    // OpenLibrary picks the kind by name.
    EXPECT_EQ(OpenLibrary(path)->Format(), LibraryFormat::KicadSym);
}

TEST(KicadSymLibrary, FolderJoinsItsFilesAndLeavesDamagedOnesOut) {
    QTemporaryDir d;
    const QString folder = d.filePath("Lib.KiCad_SymDir");  // letter case ignored
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::string f = folder.toStdString();
    // File names are not symbol names; files are read in byte order, so the
    // "P" of "b.kicad_sym" replaces the one of "a.kicad_sym".
    Write(f + "/a.kicad_sym", Lib({{"\"P\"", "(property \"Value\" \"from a\")"}, {"\"Q\"", ""}}));
    Write(f + "/b.kicad_sym", Lib({{"\"P\"", "(property \"Value\" \"from b\")"}}));
    Write(f + "/c.KICAD_SYM", Lib({{"\"D\"", "(extends \"P\")"}}));
    Write(f + "/damaged.kicad_sym", "(kicad_symbol_lib (symbol \"X\")");
    Write(f + "/notes.txt", Lib({{"\"T\"", ""}}));
    ASSERT_TRUE(QDir().mkpath(folder + "/sub.kicad_sym"));  // a folder, not a file
    KicadSymbolLibrary lib(f);
    EXPECT_TRUE(lib.IsFolder());
    EXPECT_EQ(lib.Names(), (std::vector<std::string>{"D", "P", "Q"}));
    EXPECT_NE(std::string(lib.ReadModule("P").Bytes()).find("from b"), std::string::npos);
    EXPECT_EQ(lib.ModuleSource("p"), f + "/b.kicad_sym");
    ASSERT_EQ(lib.Faults().size(), 1u);
    EXPECT_EQ(lib.Faults()[0], f + "/damaged.kicad_sym: linha 1: o arquivo termina dentro de uma lista não fechada");
    SymbolSource s;
    ASSERT_TRUE(lib.FindSymbol("D", s));
    EXPECT_EQ(s.file, f + "/c.KICAD_SYM");
    EXPECT_EQ(s.version, 20251024);
    EXPECT_FALSE(lib.FindSymbol("d", s));  // exact names only
    // Every symbol once, its last definition.
    std::vector<std::string> seen;
    lib.ForEachSymbol([&](const std::string& name, const SymbolSource& src) {
        seen.push_back(name + "@" + FileNameOf(src.file));
    });
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"D@c.KICAD_SYM", "P@b.kicad_sym", "Q@a.kicad_sym"}));
    // The folder's own listing of libraries.
    Write(d.filePath("one.kicad_sym").toStdString(), Lib({}));
    EXPECT_EQ(KicadSymbolFileNames(d.path().toStdString()), (std::vector<std::string>{"one.kicad_sym"}));
    EXPECT_EQ(KicadSymbolFolderNames(d.path().toStdString()), (std::vector<std::string>{"Lib.KiCad_SymDir"}));
}

TEST(KicadSymLibrary, UnreadableFileLibraryThrowsNamingTheFault) {
    QTemporaryDir d;
    const std::string path = d.filePath("bad.kicad_sym").toStdString();
    Write(path, "(kicad_symbol_lib\n  (symbol \"A\"\n");
    try {
        KicadSymbolLibrary lib(path);
        ADD_FAILURE() << "opened";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), path + ": linha 3: o arquivo termina dentro de uma lista não fechada");
    }
    // tarnel-cli list: exit 1 with the one line; a folder's damaged file goes
    // to stderr and the rest is listed.
    std::string out, err;
    EXPECT_EQ(RunCli({"list", QString::fromStdString(path)}, &out, &err), 1);
    EXPECT_EQ(err, "tarnel-cli list: " + path + ": linha 3: o arquivo termina dentro de uma lista não fechada\n");
    const QString folder = d.filePath("x.kicad_symdir");
    ASSERT_TRUE(QDir().mkpath(folder));
    Write((folder + "/good.kicad_sym").toStdString(), Lib({{"\"G\"", ""}}));
    Write((folder + "/bad.kicad_sym").toStdString(), "(footprint x)");
    EXPECT_EQ(RunCli({"list", folder}, &out, &err), 0);
    EXPECT_EQ(out, "G\ncount 1\n");
    EXPECT_EQ(err, (folder + "/bad.kicad_sym: linha 1: o arquivo não é uma biblioteca de símbolos (começa com \"footprint\")\n")
                       .toStdString());
}

// A library that cannot be opened says why in Portuguese, the system's
// reason last; a symbol that left its file since the listing is named.
TEST(KicadSymLibrary, OpenFaultsNameThePathAndTheReason) {
    QTemporaryDir d;
    const std::string dir = d.path().toStdString();
    ASSERT_EQ(mkfifo((dir + "/fifo.kicad_sym").c_str(), 0644), 0);
    ASSERT_TRUE(QDir().mkpath(d.filePath("folder.kicad_sym")));
    Write(dir + "/file.kicad_symdir", Lib({{"\"A\"", ""}}));
    struct Case {
        const char* what;
        std::string path;
        std::string message;  // after the quoted path
    };
    const Case cases[] = {
        {"missing file", dir + "/gone.kicad_sym", "o arquivo \"" + dir + "/gone.kicad_sym\" não pode ser aberto: " +
                                                      std::strerror(ENOENT)},
        {"a FIFO", dir + "/fifo.kicad_sym", "\"" + dir + "/fifo.kicad_sym\" não é um arquivo comum"},
        {"a folder named as a file", dir + "/folder.kicad_sym", "\"" + dir + "/folder.kicad_sym\" não é um arquivo comum"},
        {"missing folder", dir + "/gone.kicad_symdir",
         "a pasta \"" + dir + "/gone.kicad_symdir\" não pode ser aberta: " + std::strerror(ENOENT)},
        {"a file named as a folder", dir + "/file.kicad_symdir",
         "a pasta \"" + dir + "/file.kicad_symdir\" não pode ser aberta: " + std::strerror(ENOTDIR)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            KicadSymbolLibrary lib(c.path);
            ADD_FAILURE() << "opened";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }

    const std::string folder = dir + "/lib.kicad_symdir";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    Write(folder + "/a.kicad_sym", Lib({{"\"P\"", ""}}));
    KicadSymbolLibrary lib(folder);
    Write(folder + "/a.kicad_sym", Lib({{"\"Q\"", ""}}));
    SymbolSource s;
    try {
        lib.FindSymbol("P", s);
        ADD_FAILURE() << "found";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), folder + "/a.kicad_sym: o símbolo \"P\" não está mais no arquivo");
    }
    figure::Figure f;
    try {
        symbol::ReadLibrarySymbol(lib, "Nope", {}, f);
        ADD_FAILURE() << "read";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "não há símbolo chamado \"Nope\" em " + folder);
    }

    // A folder its reader may not open: tarnel-cli list says so and fails.
    // The superuser opens any folder: the run is made as nobody then.
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    const std::string closed = dir + "/closed.kicad_symdir";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(closed)));
    Write(closed + "/a.kicad_sym", Lib({{"\"A\"", ""}}));
    ASSERT_EQ(chmod(closed.c_str(), 0), 0);
    QStringList args = {"list", QString::fromStdString(closed)};
    QString program = TARNEL_CLI;
    if (geteuid() == 0) {
        program = QStandardPaths::findExecutable("setpriv");
        if (program.isEmpty()) GTEST_SKIP() << "running as root without setpriv";
        for (const char* a : {TARNEL_CLI, "--clear-groups", "--regid=65534", "--reuid=65534"}) args.prepend(a);
    }
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_EQ(p.readAllStandardError().toStdString(),
              "tarnel-cli list: a pasta \"" + closed + "\" não pode ser aberta: " + std::strerror(EACCES) + "\n");
    chmod(closed.c_str(), 0755);
}

// Every symbol of the real libraries is listed, and the command line lists
// them as the library does.
TEST(KicadSymLibrary, CorpusLibrariesListEverySymbol) {
    REQUIRE_CORPUS();
    struct Case {
        const char* library;
        size_t symbols;
        const char* first;
        const char* last;
    };
    const Case cases[] = {
        {"Jumper.kicad_sym", 9, "Jumper_2_Bridged", "SolderJumper_3_Open"},
        {"4xxx.kicad_symdir", 51, "14528", "HEF4094B"},
        {"4xxx.kicad_sym", 48, "14528", "HEF4093B"},
        {"Amplifier_Operational.kicad_sym", 323, "AD797", "TSV994"},
        {"Filter.kicad_symdir", 141, "0603USB-142", "SF14-1575F5UUC1"},
        {"Switch.kicad_symdir", 79, "CK_KMS2xxG", "SW_Wuerth_450301014042"},
        {"power.kicad_symdir", 101, "+10V", "VSSA"},
        {"Thermal_Jumper.kicad_sym", 1, "Thermal_Jumper", "Thermal_Jumper"},
        {"modified/R_rounded.kicad_sym", 1, "R", "R"},
    };
    size_t total = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.library);
        const std::string path = kSymbols + "/" + c.library;
        const auto lib = OpenLibrary(path);
        EXPECT_EQ(lib->Format(), LibraryFormat::KicadSym);
        EXPECT_TRUE(lib->Faults().empty());
        ASSERT_EQ(lib->Names().size(), c.symbols);
        total += c.symbols;
        EXPECT_EQ(lib->Names().front(), c.first);
        EXPECT_EQ(lib->Names().back(), c.last);
        std::vector<std::string> sorted = lib->Names();
        SortListNames(sorted);
        EXPECT_EQ(sorted, lib->Names());
        std::string out;
        ASSERT_EQ(RunCli({"list", QString::fromStdString(path)}, &out), 0);
        std::string expected;
        for (const auto& n : lib->Names()) expected += n + "\n";
        EXPECT_EQ(out, expected + "count " + std::to_string(c.symbols) + "\n");
    }
    EXPECT_EQ(total, 754u);
}
