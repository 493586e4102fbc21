// KiCad's library tables: the official defaults, settings folders made here,
// and tables that are wrong in every way a table can be.
#include "library/library.h"
#include "library/libraryfolder.h"
#include "tables/librarytables.h"
#include "tokenizer/libtext.h"

#include "corpus.h"
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

using namespace tarnel;
using namespace tarnel::tables;

namespace {

const std::string kTables = TARNEL_CORPUS "/tables";

void WriteFile(const std::string& path, const std::string& bytes) {
    QDir().mkpath(QString::fromStdString(path.substr(0, path.find_last_of('/'))));
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Row(const std::string& nick, const std::string& type, const std::string& uri, const std::string& extra = "") {
    return "  (lib (name \"" + nick + "\")(type \"" + type + "\")(uri \"" + uri + "\")(options \"\")(descr \"" + nick +
           " parts\")" + extra + ")\n";
}

std::string FpTable(const std::string& rows) { return "(fp_lib_table\n  (version 7)\n" + rows + ")\n"; }

const LibraryRow* Find(const LibraryTables& t, const std::string& nick, bool project = false) {
    for (const LibraryRow& r : t.rows)
        if (r.nickname == nick && r.project == project) return &r;
    return nullptr;
}

std::string Messages(const LibraryTables& t) {
    std::string all;
    for (const std::string& m : t.messages) all += m + "\n";
    return all;
}

} // namespace

// ---- the official default tables

TEST(Tables, OfficialDefaultsReadWhole) {
    REQUIRE_CORPUS();
    struct Case {
        const char* file;
        TableKind kind;
        size_t rows;
        int version;
        const char* firstType;
        const char* uriStart;
        const char* lastSuffix;
    };
    const Case cases[] = {
        {"fp-lib-table-5.1.12", TableKind::Footprints, 132, 0, "KiCad", "${KISYSMOD}/", ".pretty"},
        {"fp-lib-table-6.0.0", TableKind::Footprints, 133, 0, "Kicad", "${KICAD6_FOOTPRINT_DIR}/", ".pretty"},
        {"fp-lib-table-9.0.0", TableKind::Footprints, 146, 0, "Kicad", "${KICAD9_FOOTPRINT_DIR}/", ".pretty"},
        {"fp-lib-table-10.0.5", TableKind::Footprints, 155, 7, "KiCad", "${KICAD10_FOOTPRINT_DIR}/", ".pretty"},
        {"sym-lib-table-5.1.12", TableKind::Symbols, 200, 0, "Legacy", "${KICAD_SYMBOL_DIR}/", ".lib"},
        {"sym-lib-table-6.0.0", TableKind::Symbols, 203, 0, "KiCad", "${KICAD6_SYMBOL_DIR}/", ".kicad_sym"},
        {"sym-lib-table-9.0.0", TableKind::Symbols, 224, 0, "KiCad", "${KICAD9_SYMBOL_DIR}/", ".kicad_sym"},
        {"sym-lib-table-10.0.5", TableKind::Symbols, 223, 7, "KiCad", "${KICAD10_SYMBOL_DIR}/", ".kicad_symdir"},
    };
    for (const Case& c : cases) {
        const TableText t = ReadTableText(ReadFileBytes(kTables + "/" + c.file));
        EXPECT_EQ(t.error, "") << c.file;
        EXPECT_EQ(t.kind, c.kind) << c.file;
        EXPECT_EQ(t.version, c.version) << c.file;
        ASSERT_EQ(t.rows.size(), c.rows) << c.file;
        EXPECT_EQ(t.rows[0].type, c.firstType) << c.file;
        for (const TableRow& r : t.rows) {
            EXPECT_EQ(r.error, "") << c.file << " line " << r.line;
            EXPECT_EQ(r.uri.rfind(c.uriStart, 0), 0u) << c.file << ": " << r.uri;
            EXPECT_EQ(r.uri.substr(r.uri.size() - std::string(c.lastSuffix).size()), c.lastSuffix) << c.file;
            EXPECT_FALSE(r.disabled || r.hidden) << c.file;
            EXPECT_FALSE(r.description.empty()) << c.file << " " << r.nickname;
        }
    }
    // Quoted values and tabs (10.0.5) read as bare ones (5.1.12) do.
    const TableText ten = ReadTableText(ReadFileBytes(kTables + "/fp-lib-table-10.0.5"));
    EXPECT_EQ(ten.rows[0].nickname, "Audio_Module");
    EXPECT_EQ(ten.rows[0].uri, "${KICAD10_FOOTPRINT_DIR}/Audio_Module.pretty");
    EXPECT_EQ(ten.rows[0].description, "Audio Module footprints");
    EXPECT_EQ(ten.rows[0].line, 3u);
}

// Each official table resolved against libraries laid out here as the
// stock folders are: rows whose library is there open, the others are
// missing; "Kicad", "${KISYSMOD}" and "Legacy" rows all resolve.
TEST(Tables, OfficialDefaultsResolveAndOpen) {
    REQUIRE_CORPUS();
    QTemporaryDir stock;
    const std::string fp = stock.path().toStdString() + "/footprints", sym = stock.path().toStdString() + "/symbols";
    // Audio_Module (the 6.0/9.0 "Kicad" row) and Valve hold real footprints.
    for (const char* lib : {"Audio_Module.pretty", "Valve.pretty"}) {
        QDir().mkpath(QString::fromStdString(fp + "/" + lib));
        QFile::copy(TARNEL_CORPUS "/pretty/Valve.pretty/Valve_EURO.kicad_mod",
                    QString::fromStdString(fp + "/" + lib + "/Valve_EURO.kicad_mod"));
    }
    QDir().mkpath(QString::fromStdString(sym));
    QFile::copy(TARNEL_CORPUS "/linear.lib", QString::fromStdString(sym + "/4xxx.lib"));
    struct Case {
        const char* file;
        TableKind kind;
        const char* variable;
        const char* open;  // a row that must open
        size_t ok;
    };
    const Case cases[] = {
        {"fp-lib-table-5.1.12", TableKind::Footprints, "KISYSMOD", "Valve", 1},
        {"fp-lib-table-6.0.0", TableKind::Footprints, "KICAD6_FOOTPRINT_DIR", "Audio_Module", 2},
        {"fp-lib-table-9.0.0", TableKind::Footprints, "KICAD9_FOOTPRINT_DIR", "Audio_Module", 2},
        {"fp-lib-table-10.0.5", TableKind::Footprints, "KICAD10_FOOTPRINT_DIR", "Valve", 2},
        {"sym-lib-table-5.1.12", TableKind::Symbols, "KICAD_SYMBOL_DIR", "4xxx", 1},
    };
    for (const Case& c : cases) {
        UriVariables vars;
        vars.Set(c.variable, c.kind == TableKind::Footprints ? fp : sym);
        LibraryTables t;
        ReadTableFile(kTables + "/" + c.file, c.kind, false, vars, t);
        EXPECT_EQ(Messages(t), "") << c.file;
        size_t ok = 0;
        for (const LibraryRow& r : t.rows) {
            EXPECT_TRUE(r.state == RowState::Ok || r.state == RowState::Missing) << c.file << " " << r.nickname;
            EXPECT_EQ(r.stateText, r.state == RowState::Ok ? "ok" : "não encontrada");
            ok += r.state == RowState::Ok;
        }
        EXPECT_EQ(ok, c.ok) << c.file;
        const LibraryRow* row = Find(t, c.open);
        ASSERT_NE(row, nullptr) << c.file;
        ASSERT_TRUE(row->CanOpen()) << c.file << ": " << row->WhyNot();
        const auto lib = row->library->open(row->path);
        EXPECT_FALSE(lib->Names().empty()) << c.file;
    }
}

// Reading every official table, for the benchmark's sake also a check that
// a 10.0 table on a 9.0 settings folder resolves through the fallback.
TEST(Tables, VersionedVariableFallsBackToAnotherVersion) {
    UriVariables v;
    v.Set("KICAD9_FOOTPRINT_DIR", "/nine");
    v.Set("KICAD7_FOOTPRINT_DIR", "/seven");
    v.Set("KICAD8_SYMBOL_DIR", "/symbols");
    struct Case {
        const char* uri;
        const char* text;
        std::vector<std::string> unknown;
    };
    const Case cases[] = {
        {"${KICAD10_FOOTPRINT_DIR}/A.pretty", "/nine/A.pretty", {}},
        {"$(KICAD6_FOOTPRINT_DIR)/A.pretty", "/nine/A.pretty", {}},
        {"${KICAD7_FOOTPRINT_DIR}/A.pretty", "/seven/A.pretty", {}},
        {"${KICAD10_SYMBOL_DIR}/B.kicad_sym", "/symbols/B.kicad_sym", {}},
        {"${KICAD10_3DMODEL_DIR}/x", "${KICAD10_3DMODEL_DIR}/x", {"KICAD10_3DMODEL_DIR"}},
        {"${MYLIBS}/a/${OTHER}", "${MYLIBS}/a/${OTHER}", {"MYLIBS", "OTHER"}},
        {"/plain/$HOME/${unclosed", "/plain/$HOME/${unclosed", {}},
    };
    for (const Case& c : cases) {
        const UriVariables::Expanded e = v.Expand(c.uri);
        EXPECT_EQ(e.text, c.text) << c.uri;
        EXPECT_EQ(e.unknown, c.unknown) << c.uri;
    }
}

// ---- a settings folder made here

class SettingsFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = dir.path().toStdString();
        env = {{"HOME", root + "/home"}, {"KICAD_CONFIG_HOME", root + "/config"}};
        libs = root + "/libs";
        for (const char* l : {"A.pretty", "B.pretty", "C.pretty", "Hidden.pretty", "Off.pretty", "Proj.pretty"}) {
            QDir().mkpath(QString::fromStdString(libs + "/" + l));
            WriteFile(libs + "/" + l + "/R.kicad_mod", "(footprint \"R\" (descr \"resistor\") (pad \"1\" smd rect))\n");
        }
        WriteFile(libs + "/old.mod", "$MODULE X\n$EndMODULE X\n");
    }
    std::string Config(const std::string& version) const { return root + "/config/" + version; }

    QTemporaryDir dir;
    std::string root, libs;
    Environment env;
};

TEST_F(SettingsFolderTest, NewestVersionWithATableIsUsed) {
    WriteFile(Config("9.0") + "/fp-lib-table", FpTable(Row("Nine", "KiCad", "${MYLIBS}/A.pretty")));
    WriteFile(Config("10.0") + "/fp-lib-table", FpTable(Row("Ten", "KiCad", "${MYLIBS}/A.pretty")));
    QDir().mkpath(QString::fromStdString(Config("10.99")));  // a nightly's folder with no table yet
    WriteFile(Config("10.0") + "/kicad_common.json", R"({"environment": {"vars": {"MYLIBS": ")" + libs + R"("}}})");
    const std::vector<SettingsFolder> found = FindSettingsFolders(env);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].version, "10.99");
    EXPECT_EQ(found[1].version, "10.0");
    EXPECT_EQ(found[2].version, "9.0");
    EXPECT_EQ(NewestSettingsFolder(env).path, Config("10.0"));

    const LibraryTables t = LoadLibraryTables({"", "", env});
    EXPECT_EQ(t.settings.version, "10.0");
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0].nickname, "Ten");
    EXPECT_EQ(t.rows[0].path, libs + "/A.pretty");  // the variable from kicad_common.json
    EXPECT_EQ(t.rows[0].state, RowState::Ok) << t.rows[0].stateText;

    // The environment wins over kicad_common.json; an empty value does not.
    Environment other = env;
    other["MYLIBS"] = libs + "/../libs";
    EXPECT_EQ(LoadLibraryTables({"", "", other}).rows[0].path, libs + "/../libs/A.pretty");
    other["MYLIBS"] = "";
    EXPECT_EQ(LoadLibraryTables({"", "", other}).rows[0].path, libs + "/A.pretty");
    // The user may pick another settings folder.
    const LibraryTables nine = LoadLibraryTables({Config("9.0"), "", env});
    ASSERT_EQ(nine.rows.size(), 1u);
    EXPECT_EQ(nine.rows[0].nickname, "Nine");
    EXPECT_EQ(nine.rows[0].state, RowState::UnknownVariable);  // 9.0 has no kicad_common.json
    EXPECT_EQ(nine.rows[0].stateText, "variável desconhecida: MYLIBS");
}

TEST_F(SettingsFolderTest, EveryRowKeptWithItsState) {
    WriteFile(Config("10.0") + "/kicad_common.json", R"({"environment": {"vars": {"MYLIBS": ")" + libs + R"("}}})");
    WriteFile(Config("10.0") + "/fp-lib-table",
              FpTable(Row("A", "KiCad", "${MYLIBS}/A.pretty") + Row("Shared", "KiCad", "${MYLIBS}/B.pretty") +
                      Row("Off", "KiCad", "${MYLIBS}/Off.pretty", "(disabled)") +
                      Row("Hid", "KiCad", "${MYLIBS}/Hidden.pretty", "(hidden)") +
                      Row("Gone", "KiCad", "${MYLIBS}/Gone.pretty") + Row("Unset", "KiCad", "${NEVER_SET}/X.pretty") +
                      Row("Eagle", "Eagle", "${MYLIBS}/parts.lbr") + Row("Old", "Legacy", "${MYLIBS}/old.mod") +
                      Row("More", "Table", "nested/fp-lib-table") + Row("Tail", "KiCad", "${MYLIBS}/C.pretty")));
    // A nested table, its uri relative to the table naming it, with a
    // relative library path of its own.
    WriteFile(Config("10.0") + "/nested/fp-lib-table", FpTable(Row("Inner", "KiCad", "../../../libs/C.pretty")));
    // A project: its rows come first and shadow the global row of the same name.
    const std::string project = root + "/board";
    WriteFile(project + "/board.kicad_pro", "{}");
    WriteFile(project + "/fp-lib-table", FpTable(Row("Shared", "KiCad", "${KIPRJMOD}/../libs/Proj.pretty")));

    const LibraryTables t = LoadLibraryTables({"", project + "/board.kicad_pro", env});
    EXPECT_EQ(Messages(t), "");
    EXPECT_EQ(t.projectFolder, project);
    std::vector<std::string> order;
    for (const LibraryRow& r : t.rows) order.push_back(r.nickname);
    EXPECT_EQ(order, (std::vector<std::string>{"Shared", "A", "Shared", "Off", "Hid", "Gone", "Unset", "Eagle", "Old",
                                               "More", "Inner", "Tail"}));
    struct Expect {
        const char* nick;
        bool project;
        RowState state;
        const char* text;
        bool opens;
    };
    const Expect expected[] = {
        {"Shared", true, RowState::Ok, "ok", true},
        {"A", false, RowState::Ok, "ok", true},
        {"Shared", false, RowState::Shadowed, "encoberta pelo projeto", false},
        {"Off", false, RowState::Disabled, "desativada", false},
        {"Hid", false, RowState::Hidden, "oculta", true},
        {"Gone", false, RowState::Missing, "não encontrada", false},
        {"Unset", false, RowState::UnknownVariable, "variável desconhecida: NEVER_SET", false},
        {"Eagle", false, RowState::UnsupportedType, "tipo não suportado", false},
        {"Old", false, RowState::Ok, "ok", true},
        {"More", false, RowState::Ok, "ok", false},
        {"Inner", false, RowState::Ok, "ok", true},
        {"Tail", false, RowState::Ok, "ok", true},
    };
    for (const Expect& e : expected) {
        const LibraryRow* r = Find(t, e.nick, e.project);
        ASSERT_NE(r, nullptr) << e.nick;
        EXPECT_EQ(r->state, e.state) << e.nick << ": " << r->stateText;
        EXPECT_EQ(r->stateText, e.text) << e.nick;
        EXPECT_EQ(r->CanOpen(), e.opens) << e.nick << ": " << r->WhyNot();
        EXPECT_EQ(r->WhyNot().empty(), e.opens) << e.nick;
    }
    EXPECT_EQ(Find(t, "Shared", true)->path, project + "/../libs/Proj.pretty");
    EXPECT_EQ(Find(t, "Inner")->depth, 1);
    EXPECT_EQ(Find(t, "Inner")->path, Config("10.0") + "/nested/../../../libs/C.pretty");
    EXPECT_EQ(Find(t, "Old")->library->format, LibraryFormat::Legacy);
    // A disabled row opens when asked for.
    EXPECT_TRUE(Find(t, "Off")->CanOpen(true)) << Find(t, "Off")->WhyNot(true);
    EXPECT_NE(Find(t, "Off")->WhyNot().find("desativada"), std::string::npos);
    EXPECT_NE(Find(t, "Gone")->WhyNot().find(libs + "/Gone.pretty"), std::string::npos);
    EXPECT_EQ(t.Count(TableKind::Footprints), 12u);
    EXPECT_EQ(t.files.size(), 3u);
}

// ---- tables that are wrong

TEST(TablesBadInput, RowFaultsMarkTheRowAndKeepTheOthers) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> nicks;   // every row read, in order
        std::vector<std::string> errors;  // each row's error ("" for none)
        const char* tableError;           // part of the table's message
    };
    const std::string a = "(lib (name A)(type KiCad)(uri /a.pretty))\n";
    const std::string c = "(lib (name C)(type KiCad)(uri /c.pretty))\n";
    const Case cases[] = {
        {"no uri", "(fp_lib_table\n" + a + "(lib (name B)(type KiCad))\n" + c + ")", {"A", "B", "C"},
         {"", "a entrada não tem (uri …)", ""}, ""},
        {"no type", "(fp_lib_table\n(lib (name B)(uri /b))\n)", {"B"}, {"a entrada não tem (type …)"}, ""},
        {"no name", "(fp_lib_table\n(lib (type KiCad)(uri /b))\n)", {""}, {"a entrada não tem (name …)"}, ""},
        {"uri twice", "(fp_lib_table\n" + a + "(lib (name B)(type KiCad)(uri /b)(uri /c))\n)", {"A", "B"},
         {"", "(uri …) aparece duas vezes"}, ""},
        {"name not first", "(fp_lib_table\n(lib (type KiCad)(name B)(uri /b))\n)", {"B"},
         {"(name …) não é a primeira propriedade"}, ""},
        {"nickname twice", "(fp_lib_table\n" + a + c + a + ")", {"A", "C", "A"},
         {"", "", "apelido \"A\" já usado na linha 2"}, ""},
        {"value missing", "(fp_lib_table\n(lib (name B)(type KiCad)(uri))\n)", {"B"}, {"(uri …) sem valor"}, ""},
        {"row left open", "(fp_lib_table\n" + a + "(lib (name B)(type KiCad)(uri /b)\n" + c + ")", {"A", "B", "C"},
         {"", "os parênteses da entrada não fecham", ""}, ""},
        {"table left open", "(fp_lib_table\n" + a + c, {"A", "C"}, {"", ""}, "linha 4: o arquivo termina dentro"},
        {"text after the end", "(fp_lib_table\n" + a + ") " + c, {"A"}, {""}, "texto depois do fim da tabela"},
        {"unknown properties and heads", "(fp_lib_table (version 99) (future x)\n(lib (name A)(type KiCad)(uri /a)(colour red))\n)",
         {"A"}, {""}, ""},
        {"quote never ends", "(fp_lib_table\n" + a + "(lib (name \"B)(type KiCad)(uri /b))\n" + c + ")", {"A"}, {""},
         "linha 3: um texto entre aspas que não termina"},
        {"not a table", "(kicad_pcb (version 1))", {}, {}, "não é uma tabela de bibliotecas (começa com \"kicad_pcb\")"},
        {"empty", "", {}, {}, "nenhuma lista encontrada"},
        {"deep row", "(fp_lib_table\n" + a + "(lib (name B)" + std::string(300, '(') + std::string(300, ')') + ")\n" + c + ")",
         {"A", "", "C"}, {"", "linha 3: a entrada não pode ser lida (listas aninhadas em mais de 200 níveis)", ""}, ""},
    };
    for (const Case& k : cases) {
        const TableText t = ReadTableText(k.text);
        std::vector<std::string> nicks, errors;
        for (const TableRow& r : t.rows) {
            nicks.push_back(r.nickname);
            errors.push_back(r.error);
        }
        EXPECT_EQ(nicks, k.nicks) << k.name;
        EXPECT_EQ(errors, k.errors) << k.name;
        if (*k.tableError) EXPECT_NE(t.error.find(k.tableError), std::string::npos) << k.name << ": " << t.error;
        else EXPECT_EQ(t.error, "") << k.name;
    }
}

TEST(TablesBadInput, NestedTableNamingItselfOrReachedTwiceIsRefused) {
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    WriteFile(d + "/fp-lib-table", FpTable(Row("Self", "Table", "fp-lib-table") + Row("Other", "Table", "sub/t") +
                                           Row("Again", "Table", d + "/sub/../sub/t") + Row("Last", "KiCad", "/x.pretty")));
    WriteFile(d + "/sub/t", FpTable(Row("Back", "Table", "../fp-lib-table") + Row("Leaf", "KiCad", "/y.pretty")));
    LibraryTables t;
    ReadTableFile(d + "/fp-lib-table", TableKind::Footprints, false, UriVariables(), t);
    std::vector<std::string> order;
    for (const LibraryRow& r : t.rows) order.push_back(r.nickname + " " + r.stateText.substr(0, r.stateText.find(':')));
    EXPECT_EQ(order, (std::vector<std::string>{"Self recusada", "Other ok", "Back recusada", "Leaf não encontrada",
                                               "Again recusada", "Last não encontrada"}));
    EXPECT_EQ(t.messages.size(), 3u) << Messages(t);
    EXPECT_EQ(t.files.size(), 2u);
}

TEST(TablesBadInput, ChainsOfNestedTablesStopAtTheirLimit) {
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    for (int i = 0; i < kMaxTableDepth + 5; ++i)
        WriteFile(d + "/t" + std::to_string(i), FpTable(Row("N" + std::to_string(i), "Table", "t" + std::to_string(i + 1))));
    LibraryTables t;
    ReadTableFile(d + "/t0", TableKind::Footprints, false, UriVariables(), t);
    ASSERT_EQ(t.rows.size(), static_cast<size_t>(kMaxTableDepth + 1));
    EXPECT_EQ(t.rows.back().state, RowState::Refused);
    EXPECT_NE(t.rows.back().stateText.find("aninhadas"), std::string::npos);
}

TEST(TablesBadInput, RowsOnSpecialFilesAndUnreadableFolders) {
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    ASSERT_EQ(mkfifo((d + "/fifo.pretty").c_str(), 0644), 0);
    ASSERT_EQ(mkfifo((d + "/fifo.mod").c_str(), 0644), 0);
    QDir().mkpath(QString::fromStdString(d + "/closed.pretty"));
    chmod((d + "/closed.pretty").c_str(), 0);
    QDir().mkpath(QString::fromStdString(d + "/folder.mod"));
    WriteFile(d + "/fp-lib-table", FpTable(Row("Fifo", "KiCad", d + "/fifo.pretty") + Row("FifoMod", "Legacy", d + "/fifo.mod") +
                                           Row("Closed", "KiCad", d + "/closed.pretty") +
                                           Row("Folder", "Legacy", d + "/folder.mod") +
                                           Row("FifoTable", "Table", d + "/fifo.mod")));
    LibraryTables t;
    ReadTableFile(d + "/fp-lib-table", TableKind::Footprints, false, UriVariables(), t);
    chmod((d + "/closed.pretty").c_str(), 0755);
    ASSERT_EQ(t.rows.size(), 5u);
    for (const char* nick : {"Fifo", "FifoMod", "Folder", "FifoTable"}) {
        EXPECT_EQ(Find(t, nick)->state, RowState::Unreadable) << nick << ": " << Find(t, nick)->stateText;
        EXPECT_FALSE(Find(t, nick)->CanOpen()) << nick;
    }
    if (geteuid() == 0) {
        std::printf("[ NOTE ] running as root: a folder without permissions stays readable\n");
    } else {
        EXPECT_EQ(Find(t, "Closed")->state, RowState::Unreadable) << Find(t, "Closed")->stateText;
    }
}

TEST(TablesBadInput, TableFileThatCannotBeReadSaysWhy) {
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    Environment env{{"KICAD_CONFIG_HOME", d}, {"HOME", d}};
    // No settings folder at all.
    LibraryTables none = LoadLibraryTables({"", "", env});
    EXPECT_FALSE(none.Found());
    EXPECT_TRUE(none.rows.empty());
    // A FIFO where the table belongs, and a damaged kicad_common.json.
    QDir().mkpath(QString::fromStdString(d + "/10.0"));
    ASSERT_EQ(mkfifo((d + "/10.0/fp-lib-table").c_str(), 0644), 0);
    WriteFile(d + "/10.0/sym-lib-table", "(sym_lib_table (lib (name S)(type KiCad)(uri /s.kicad_sym)))");
    WriteFile(d + "/10.0/kicad_common.json", "{\"environment\": ");
    const LibraryTables t = LoadLibraryTables({d + "/10.0", "", env});
    EXPECT_EQ(t.files.size(), 1u);
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0].kind, TableKind::Symbols);
    const std::string all = Messages(t);
    EXPECT_NE(all.find("kicad_common.json está danificado"), std::string::npos) << all;
    EXPECT_NE(all.find("Não foi possível ler a tabela " + d + "/10.0/fp-lib-table"), std::string::npos) << all;
}

TEST(TablesBadInput, HundredThousandRows) {
    std::string text = "(fp_lib_table\n";
    for (int i = 0; i < 100000; ++i)
        text += "(lib (name L" + std::to_string(i) + ")(type KiCad)(uri /libs/L" + std::to_string(i) + ".pretty)(options \"\")(descr \"\"))\n";
    text += ")\n";
    const TableText t = ReadTableText(text);
    EXPECT_EQ(t.error, "");
    ASSERT_EQ(t.rows.size(), 100000u);
    EXPECT_EQ(t.rows.back().nickname, "L99999");
    EXPECT_EQ(t.rows.back().line, 100001u);
    // Past the limit the rest is not read, and the table says so.
    std::string more = "(fp_lib_table\n";
    for (size_t i = 0; i < kMaxTableRows + 10; ++i) more += "(lib(name a" + std::to_string(i) + ")(type KiCad)(uri u))";
    more += ")";
    const TableText big = ReadTableText(more);
    EXPECT_EQ(big.rows.size(), kMaxTableRows);
    EXPECT_NE(big.error.find("as demais não foram lidas"), std::string::npos);
}

TEST(Tables, OptionsSplitAtBars) {
    EXPECT_EQ(SplitOptions("allow_pretty_writing_to_this_dir|key=value|flag"),
              (std::vector<std::pair<std::string, std::string>>{
                  {"allow_pretty_writing_to_this_dir", ""}, {"key", "value"}, {"flag", ""}}));
    EXPECT_TRUE(SplitOptions("").empty());
}

// ---- the one folder listing

TEST(LibraryFolder, ListsEveryKindInListOrderAndSkipsTheRest) {
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    for (const char* f : {"b.mod", "A.MOD", "x.lib", "notes.txt", ".hidden.mod", "file.pretty"}) WriteFile(d + "/" + f, "");
    for (const char* f : {"Z.pretty", "a.pretty", "dir.mod", "plain"}) QDir().mkpath(QString::fromStdString(d + "/" + f));
    ASSERT_EQ(mkfifo((d + "/pipe.mod").c_str(), 0644), 0);
    ASSERT_EQ(symlink((d + "/Z.pretty").c_str(), (d + "/link.pretty").c_str()), 0);
    const FolderListing l = ListFolderLibraries(d);
    EXPECT_TRUE(l.ok()) << l.error;
    std::vector<std::string> names;
    for (const FolderLibrary& f : l.libraries) names.push_back(f.name);
    EXPECT_EQ(names, (std::vector<std::string>{"A.MOD", "b.mod", "x.lib", "a.pretty", "link.pretty", "Z.pretty"}));
    EXPECT_EQ(l.libraries[2].kind->format, LibraryFormat::Symbol);
    EXPECT_EQ(LibraryNames(d), (std::vector<std::string>{"A.MOD", "b.mod", "a.pretty", "link.pretty", "Z.pretty"}));
    EXPECT_FALSE(ListFolderLibraries(d + "/none").ok());
    EXPECT_EQ(LibraryKindOfPath(d + "/a.pretty")->format, LibraryFormat::KicadMod);
    EXPECT_EQ(LibraryKindOfPath(d + "/file.pretty"), nullptr);
    EXPECT_EQ(LibraryKindOfPath(d + "/pipe.mod"), nullptr);
    EXPECT_EQ(LibraryKindOfName("/x/Lib.pretty/")->format, LibraryFormat::KicadMod);
    EXPECT_EQ(LibraryKindOfName("/x/notes.txt"), nullptr);
}
