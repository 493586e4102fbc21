// Hostile current symbol libraries: each ends quickly with a drawing, or
// with one line naming the file or symbol and the fault, and loses nothing
// else. Time limits are the ctest timeout and bench/bench_symbols.
#include "library/kicadsymbollibrary.h"
#include "tokenizer/libtext.h"
#include "viewer/tarnel.h"

#include "cli_run.h"
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <functional>

using namespace tarnel;

namespace {

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A small well-formed symbol library of one symbol.
std::string Good(const std::string& name) {
    return "(kicad_symbol_lib (version 20251024)\n"
           "  (symbol \"" + name + "\" (property \"Reference\" \"U\" (at 0 2 0))\n"
           "    (symbol \"" + name + "_1_1\" (rectangle (start -1 -1) (end 1 1))\n"
           "      (pin input line (at -3 0 0) (length 2) (name \"A\") (number \"1\")))))\n";
}

} // namespace

TEST(Hostile, SymbolLibraries) {
    QTemporaryDir d;
    const std::string deep = std::string(100000, '(') + std::string(100000, ')');
    const std::string huge(2 << 20, 'x');
    struct Case {
        const char* what;
        std::string bytes;
        // Expected: the status of choosing the first symbol ("" when
        // drawn), or of opening the library when it lists nothing.
        const char* status;
        size_t symbols;
        // What else the drawing must show.
        std::function<void(const TForm1Core&, const std::string& path)> check = {};
    };
    const Case cases[] = {
        {"unbalanced", "(kicad_symbol_lib (symbol \"A\" (pin", "linha 1: o arquivo termina dentro de uma lista não fechada", 0},
        {"deep", "(kicad_symbol_lib " + deep + ")", "linha 1: listas aninhadas em mais de 200 níveis", 0},
        {"deep inside a symbol", "(kicad_symbol_lib (symbol \"A\" " + deep + "))", "linha 1: listas aninhadas em mais de 200 níveis", 0},
        // 2 MiB names and values: listed, drawn, the texts cut.
        {"huge atoms", "(kicad_symbol_lib (symbol \"" + huge + "\" (property \"Value\" \"" + huge +
                           "\" (at 0 0 0)) (symbol \"" + huge + "_1_1\" (pin input line (at 0 0 0) (name \"" + huge +
                           "\") (number \"1\")))))",
         "", 1,
         [](const TForm1Core& v, const std::string&) {
             ASSERT_EQ(v.LastFigure().texts.size(), 1u);  // the Value
             EXPECT_LE(v.LastFigure().texts[0].text.size(), 1000u);
             ASSERT_EQ(v.LastFigure().pins.size(), 1u);
             EXPECT_LE(v.LastFigure().pins[0].nameText.size(), 1000u);
         }},
        {"missing parent", "(kicad_symbol_lib (symbol \"A\" (extends \"Z\")))",
         "símbolo \"A\": o símbolo pai \"Z\" não está na biblioteca", 1},
        {"cycle", "(kicad_symbol_lib (symbol \"A\" (extends \"B\")) (symbol \"B\" (extends \"A\")))",
         "símbolo \"A\": sua cadeia de extends é um ciclo (A → B → A)", 2},
        {"self", "(kicad_symbol_lib (symbol \"A\" (extends \"A\")))",
         "símbolo \"A\": sua cadeia de extends é um ciclo (A → A)", 1},
        // A unit of 1e9: one sub-symbol, counted, not walked.
        {"unit 1e9", "(kicad_symbol_lib (symbol \"U\" (symbol \"U_1000000000_1000000000\" (rectangle (start 0 0) (end 1 1)))"
                     " (symbol \"U_1_1\" (pin input line (at 0 0 0) (name \"a\") (number \"1\")))))",
         "", 1,
         [](const TForm1Core& v, const std::string& path) {
             EXPECT_EQ(v.LastFigure().symbol.unitCount, 1000000000);
             EXPECT_EQ(v.LastFigure().symbol.styleCount, 1000000000);
             EXPECT_EQ(v.Info(), "Unidade A (1 de 1000000000) · Estilo Normal (1 de 1000000000)");
             std::string out, err;
             EXPECT_EQ(RunCli({"render", QString::fromStdString(path), "U", "--unit", "1000000000", "--style",
                               "1000000000"},
                              &out, &err),
                       0)
                 << err;
             EXPECT_NE(out.find("\"unit\":1000000000,\"unit_count\":1000000000"), std::string::npos) << out;
             EXPECT_NE(out.find("\"pins\":0"), std::string::npos) << out;
         }},
        {"numbers past any drawing", "(kicad_symbol_lib (symbol \"N\" (symbol \"N_1_1\" (rectangle (start -1e300 0) (end 1e300 1))"
                                     " (circle (center 0 0) (radius 1e308)) (arc (start 1e300 0) (mid 0 1e300) (end -1e300 0))"
                                     " (pin input line (at 1e300 -1e300 90) (length 1e300) (name \"a\") (number \"1\")))))",
         "", 1},
        {"bad elements", "(kicad_symbol_lib (symbol \"B\" (symbol \"B_1_1\" (pin input line (at 0 0 45))"
                         " (pin input line (at x 0 0)) (circle (center 0 0)) (bezier (pts (xy 0 0) (xy 1 1)))"
                         " (polyline (pts (xy 0 0) (xy a b))) (arc (start 0 0) (end 1 1)) (text \"t\"))))",
         "", 1,
         [](const TForm1Core& v, const std::string&) {
             EXPECT_EQ(v.LastFigure().pins.size(), 0u);  // every element lacked something
             EXPECT_TRUE(v.LastFigure().items.empty());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = d.filePath("h.kicad_sym").toStdString();
        Write(path, c.bytes);
        TForm1Core v;
        v.Options().ScaleDivisor = 100;
        v.OpenLibrary(path);
        ASSERT_EQ(v.ModuleList().size(), c.symbols);
        if (c.symbols == 0) {
            EXPECT_EQ(v.Status(), "Não foi possível ler a biblioteca: " + path + ": " + c.status);
            continue;
        }
        EXPECT_EQ(v.Status(), c.status);
        if (*c.status) {
            EXPECT_EQ(v.View().ViewWidth, 101);
            EXPECT_EQ(v.View().ViewHeight, 101);
        }
        if (c.check) c.check(v, path);
    }
}

TEST(Hostile, SymbolFolders) {
    QTemporaryDir d;
    // A damaged file among good ones: left out and named, the rest drawn.
    const QString folder = d.filePath("mixed.kicad_symdir");
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::string f = folder.toStdString();
    Write(f + "/a.kicad_sym", Good("G"));
    Write(f + "/b.kicad_sym", "(kicad_symbol_lib (symbol \"B\"");
    Write(f + "/c.kicad_sym", Good("C"));
    Write(f + "/d.kicad_sym", "");
    {
        TForm1Core v;
        v.Options().ScaleDivisor = 100;
        v.OpenLibrary(f);
        EXPECT_EQ(v.ModuleList(), (std::vector<std::string>{"C", "G"}));
        EXPECT_EQ(v.Status(), "");
        EXPECT_EQ(v.Info(), "Arquivos não lidos: " + f + "/b.kicad_sym: linha 1: o arquivo termina dentro de uma lista não fechada; " +
                                f + "/d.kicad_sym: linha 1: nenhuma lista encontrada");
        EXPECT_GT(v.View().ViewWidth, 101);
        // A file that changed after listing is read again when chosen.
        Write(f + "/c.kicad_sym", "(kicad_symbol_lib (symbol \"C\"");
        v.SelectModule(0);
        EXPECT_EQ(v.Status(), f + "/c.kicad_sym: linha 1: o arquivo termina dentro de uma lista não fechada");
        EXPECT_EQ(v.View().ViewWidth, 101);
        v.SelectModule(1);
        EXPECT_EQ(v.Status(), "");
    }
    // A file over 64 MiB is refused unread (a sparse file costs no disk).
    {
        const std::string big = f + "/e.kicad_sym";
        const int fd = open(big.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, (int64_t(64) << 20) + 1), 0);
        close(fd);
        KicadSymbolLibrary lib(f);
        ASSERT_EQ(lib.Faults().size(), 4u);  // b, c (damaged since), d and e
        EXPECT_NE(lib.Faults()[3].find("e.kicad_sym"), std::string::npos);
        EXPECT_EQ(lib.Names().size(), 1u);  // C is damaged now
    }
    // 50,000 files: 1,000 symbols, each file linked under 50 names (links are
    // made faster than files); read once each, the later definitions of a
    // name replacing the earlier. S1 … S999 each extend the one before: a
    // chain too long is refused.
    const QString many = d.filePath("many.kicad_symdir");
    ASSERT_TRUE(QDir().mkpath(many));
    const std::string m = many.toStdString();
    for (int i = 0; i < 1000; ++i) {
        const std::string n = "S" + std::to_string(i);
        const std::string parent = i ? "(extends \"S" + std::to_string(i - 1) + "\")" : "";
        const std::string file = m + "/" + n + "_0.kicad_sym";
        Write(file, "(kicad_symbol_lib (symbol \"" + n + "\" " + parent + " (symbol \"" + n +
                        "_1_1\" (pin input line (at 0 0 0) (name \"a\") (number \"1\")))))");
        for (int k = 1; k < 50; ++k) ASSERT_EQ(link(file.c_str(), (m + "/" + n + "_" + std::to_string(k) + ".kicad_sym").c_str()), 0);
    }
    TForm1Core v;
    v.OpenLibrary(m);
    EXPECT_EQ(v.ModuleList().size(), 1000u);
    EXPECT_EQ(v.Info(), "");  // no file left out
    v.SelectModule(v.FindModule("S0"));
    EXPECT_EQ(v.Status(), "");
    v.SelectModule(v.FindModule("S64"));
    EXPECT_EQ(v.Status(), "");  // 64 parents
    v.SelectModule(v.FindModule("S65"));
    EXPECT_EQ(v.Status(), "símbolo \"S65\": sua cadeia de extends tem mais de 64 símbolos");
}
