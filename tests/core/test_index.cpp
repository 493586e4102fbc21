// The component index: the in-memory tables and the indexing run.
#include "index/indexrun.h"
#include "index/memtable.h"
#include "index/tablemodel.h"

#include "corpus.h"
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <fstream>
#include <map>
#include <memory>
#include <set>

using namespace tarnel;

namespace {

TMemTable NamesTable() {
    return TMemTable({{"alias", FieldKind::Text, 20}, {"lib", FieldKind::Text, 20}, {"nr", FieldKind::Integer, 0}});
}

void Add(TMemTable& t, const std::string& alias, const std::string& lib, int64_t nr) {
    t.Append();
    t.SetText(0, alias);
    t.SetText(1, lib);
    t.SetInt(2, nr);
    t.Post();
}

std::vector<std::string> Column(const TMemTable& t, int field) {
    std::vector<std::string> v;
    for (int i = 0; i < t.RowCount(); ++i) v.push_back(t.Text(i, field));
    return v;
}

struct Folder {
    QTemporaryDir dir;
    std::string path() const { return dir.path().toStdString(); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream f(path() + "/" + name, std::ios::binary);
        f << bytes;
    }
};

// A library in the legacy format with the given module bodies.
std::string Module(const std::string& name, const std::string& extra = "") {
    return "$MODULE " + name + "\r\nPo 0 0 0 15 00000000 00000000 ~~\r\nLi " + name + "\r\n" + extra +
           "DS 0 0 100 0 120 21\r\n$EndMODULE  " + name + "\r\n";
}
std::string Library(const std::string& modules) {
    return "PCBNEW-LibModule-V1  01/01/2008-00:00:00\r\n$INDEX\r\nX\r\n$EndINDEX\r\n" + modules + "$EndLIBRARY\r\n";
}

struct Run {
    IndexTables t;
    IndexRunResult r;
    std::vector<int> selections;
    int finalItem = -1;
};

std::unique_ptr<Run> IndexFolder(const std::string& folder, std::vector<std::string> entries) {
    auto run = std::make_unique<Run>();
    FolderFileList files(folder, std::move(entries));
    run->r = BuildIndex(run->t, files, [&](int i, int) { run->selections.push_back(files.ItemIndex() == i ? i : -1); });
    run->finalItem = files.ItemIndex();
    return run;
}

} // namespace

// ---- the table ----

TEST(MemTable, AppendPostCountAndWidth) {
    TMemTable t = NamesTable();
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(t.RecNo(), -1);
    t.Append();
    t.SetText(0, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(t.State(), TableState::Insert);
    EXPECT_EQ(t.RecordCount(), 0) << "a pending append is not counted";
    EXPECT_EQ(t.RowCount(), 1);
    t.Post();
    EXPECT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(t.Text(0, 0), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_TRUE(t.IsNull(0, 2));
    EXPECT_THROW(t.SetText(0, "x"), std::logic_error) << "setting a field needs Append or Edit";

    // Appending text keeps to the width too.
    TMemTable memo({{"a", FieldKind::Text, 5}, {"m", FieldKind::Text, 0}});
    memo.Append();
    memo.AppendText(0, "abc");
    memo.AppendText(0, "defg");
    memo.AppendText(1, std::string(100000, 'x'));
    memo.Post();
    EXPECT_EQ(memo.Text(0, 0), "abcde");
    EXPECT_EQ(memo.Text(0, 1).size(), 100000u);

    Add(t, "b", "l", 2);
    EXPECT_EQ(t.RecNo(), 1) << "an appended record becomes current";
    t.First();
    EXPECT_EQ(t.RecNo(), 0);
    EXPECT_EQ(t.FieldIndex("ALIAS"), 0) << "field names ignore case";
    EXPECT_THROW(t.FieldIndex("nope"), std::invalid_argument);
    t.EmptyTable();
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(t.RecNo(), -1);
}

TEST(MemTable, SortIsStableCaseInsensitiveAndKeepsCurrent) {
    TMemTable t = NamesTable();
    // alias, lib, nr: ties on alias differ in case and in lib.
    Add(t, "dip", "b.mod", 10);
    Add(t, "Zeta", "a.mod", 9);
    Add(t, "DIP", "a.mod", 2);
    Add(t, "alpha", "c.mod", 100);
    Add(t, "Dip", "b.mod", 1);
    t.MoveTo(2);  // the "DIP" of a.mod
    t.SortOnFields("alias", true, false);
    EXPECT_EQ(Column(t, 0), (std::vector<std::string>{"alpha", "dip", "DIP", "Dip", "Zeta"}));
    EXPECT_EQ(t.Text(t.RecNo(), 0), "DIP");
    EXPECT_EQ(t.Text(t.RecNo(), 1), "a.mod");

    t.SortOnFields("lib;alias", true, false);
    EXPECT_EQ(Column(t, 0), (std::vector<std::string>{"DIP", "Zeta", "dip", "Dip", "alpha"}));
    EXPECT_EQ(Column(t, 1), (std::vector<std::string>{"a.mod", "a.mod", "b.mod", "b.mod", "c.mod"}));
    EXPECT_EQ(t.Text(t.RecNo(), 0), "DIP");

    // Back to alias: ties come back in append order, not in the previous order.
    t.SortOnFields("alias", true, false);
    EXPECT_EQ(Column(t, 0), (std::vector<std::string>{"alpha", "dip", "DIP", "Dip", "Zeta"}));

    // Integers compare as numbers; descending reverses the fields, not the ties.
    t.SortOnFields("nr", true, false);
    std::vector<int64_t> nrs;
    for (int i = 0; i < t.RowCount(); ++i) nrs.push_back(t.Int(i, 2));
    EXPECT_EQ(nrs, (std::vector<int64_t>{1, 2, 9, 10, 100}));
    t.SortOnFields("lib", true, true);
    EXPECT_EQ(Column(t, 1), (std::vector<std::string>{"c.mod", "b.mod", "b.mod", "a.mod", "a.mod"}));
    EXPECT_EQ(Column(t, 0), (std::vector<std::string>{"alpha", "dip", "Dip", "Zeta", "DIP"}));
    EXPECT_THROW(t.SortOnFields("alias;nope", true, false), std::invalid_argument);
}

TEST(MemTable, SortPostsAPendingRecord) {
    TMemTable t = NamesTable();
    Add(t, "b", "x", 1);
    t.Append();
    t.SetText(0, "a");
    t.SortOnFields("alias", true, false);
    EXPECT_EQ(t.State(), TableState::Browse);
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(Column(t, 0), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(t.RecNo(), 0) << "the pending record was current and stays current";
}

TEST(MemTable, LocateFollowsItsFourSteps) {
    TMemTable t = NamesTable();
    const LocateOptions ciPartial{true, true};
    EXPECT_FALSE(t.Locate("alias", "", ciPartial)) << "an empty table gives not found";

    Add(t, "SO8", "a", 1);
    Add(t, "Dip8", "a", 2);
    Add(t, "dip14", "a", 3);
    Add(t, "DIP", "a", 4);
    t.First();
    EXPECT_TRUE(t.Locate("alias", "dip", ciPartial));
    EXPECT_EQ(t.RecNo(), 1) << "the first match in table order";
    t.MoveTo(2);
    EXPECT_TRUE(t.Locate("alias", "dip", ciPartial));
    EXPECT_EQ(t.RecNo(), 2) << "a current record that matches stays current";
    EXPECT_TRUE(t.Locate("alias", "", ciPartial));
    EXPECT_EQ(t.RecNo(), 2) << "an empty text matches the current record";

    EXPECT_FALSE(t.Locate("alias", "qfp", ciPartial));
    EXPECT_EQ(t.RecNo(), 2) << "not found leaves the current record";

    // Without partial the whole text must match; without case-insensitive the letters too.
    EXPECT_TRUE(t.Locate("alias", "dip", LocateOptions{true, false}));
    EXPECT_EQ(t.RecNo(), 3);
    EXPECT_TRUE(t.Locate("alias", "dip", LocateOptions{false, true}));
    EXPECT_EQ(t.RecNo(), 2);
    EXPECT_FALSE(t.Locate("alias", "DIP1", LocateOptions{false, true}));
    EXPECT_EQ(t.RecNo(), 2);
    EXPECT_TRUE(t.Locate("alias", "Dip", LocateOptions{false, true}));
    EXPECT_EQ(t.RecNo(), 1);
    EXPECT_TRUE(t.Locate("alias", "SO8", LocateOptions{}));
    EXPECT_EQ(t.RecNo(), 0);

    // Integer fields match on the number.
    EXPECT_TRUE(t.Locate("nr", int64_t{4}, LocateOptions{true, false}));
    EXPECT_EQ(t.RecNo(), 3);
    EXPECT_TRUE(t.Locate("nr", " 2", LocateOptions{true, false}));
    EXPECT_EQ(t.RecNo(), 1);
    EXPECT_FALSE(t.Locate("nr", "2x", LocateOptions{true, false}));

    // A pending append is posted before the search and can be found.
    t.Append();
    t.SetText(0, "QFP");
    EXPECT_TRUE(t.Locate("alias", "qf", ciPartial));
    EXPECT_EQ(t.State(), TableState::Browse);
    EXPECT_EQ(t.RecordCount(), 5);
    EXPECT_EQ(t.RecNo(), 4);
}

TEST(MemTable, FrozenTableHoldsViewsBackUntilThawed) {
    TMemTable t = NamesTable();
    TMemTableModel model(t, {0, 1});
    int inserted = 0, reset = 0;
    std::vector<int> current;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++reset; });
    QObject::connect(&model, &TMemTableModel::currentRowChanged, [&](int row) { current.push_back(row); });
    Add(t, "live", "a", 1);
    Add(t, "live2", "a", 2);
    EXPECT_EQ(model.rowCount(), 0) << "appends reach the views together";
    EXPECT_TRUE(current.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(current, (std::vector<int>{1}));
    t.MoveTo(0);
    EXPECT_EQ(current, (std::vector<int>{1, 0}));
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), "live");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "lib");

    t.DisableControls();
    t.EmptyTable();
    Add(t, "x", "a", 1);
    Add(t, "y", "a", 2);
    Add(t, "z", "a", 3);
    model.Flush();
    QCoreApplication::processEvents();
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(reset, 0);
    EXPECT_EQ(model.rowCount(), 2) << "the views still see the old rows";
    const size_t currentBefore = current.size();
    t.EnableControls();
    EXPECT_EQ(reset, 1);
    EXPECT_EQ(model.rowCount(), 3);
    ASSERT_EQ(current.size(), currentBefore + 1);
    EXPECT_EQ(current.back(), 2);
}

TEST(MemTable, ModelShowsMemoLinesAndEmptyIntegers) {
    TMemTable t({{"Comandos", FieldKind::Text, 0}, {"Elementos", FieldKind::Integer, 0}});
    TMemTableModel model(t);
    t.Append();
    t.SetText(0, "$MODULE A\r$EndMODULE A\r");
    t.Post();
    model.Flush();
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), "$MODULE A\n$EndMODULE A\n");
    EXPECT_EQ(model.data(model.index(0, 0), TMemTableModel::RawBytesRole).toByteArray(),
              QByteArray("$MODULE A\r$EndMODULE A\r"));
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), "");
}

// ---- the file list ----

TEST(IndexRun, FolderListsModFilesByNameIgnoringCase) {
    Folder f;
    for (const char* n : {"b.mod", "A.MOD", "c.lib", "a_x.mod", "ab.mod", "Ab.mod", "z.mod.bak"}) f.Write(n, "");
    QDir(f.dir.path()).mkdir("dir.mod");
    EXPECT_EQ(ModFileNames(f.path()), (std::vector<std::string>{"A.MOD", "Ab.mod", "ab.mod", "a_x.mod", "b.mod"}));
    EXPECT_TRUE(ModFileNames(f.path() + "/missing").empty());
}

// ---- the indexing run ----

TEST(IndexRun, EmptyFileList) {
    Folder f;
    auto run = IndexFolder(f.path(), {});
    EXPECT_TRUE(run->r.ok());
    EXPECT_EQ(run->r.modules, 0);
    EXPECT_EQ(run->r.names, 0);
    EXPECT_EQ(run->t.RxMD_lib.RowCount(), 0);
    EXPECT_EQ(run->t.RxMD_principal.RowCount(), 0);
    EXPECT_EQ(run->t.RxMD_comp.RowCount(), 0);
    EXPECT_EQ(run->finalItem, -1);
    EXPECT_FALSE(run->t.RxMD_comp.ControlsDisabled());
}

TEST(IndexRun, ThreeModulesOneTwoNameAliasLine) {
    Folder f;
    f.Write("one.mod", Library(Module("so8") + Module("dip8", "ALIAS DIP-8 PDIP8\r\n") + Module("r1")));
    auto run = IndexFolder(f.path(), ModFileNames(f.path()));
    ASSERT_TRUE(run->r.ok()) << run->r.error;
    EXPECT_EQ(run->r.modules, 3);
    EXPECT_EQ(run->r.names, 5);
    EXPECT_EQ(run->t.RxMD_comp.RecordCount(), 3);
    EXPECT_EQ(run->t.RxMD_principal.RecordCount(), 5);
    ASSERT_EQ(run->t.RxMD_lib.RecordCount(), 1);
    EXPECT_EQ(run->t.RxMD_lib.Text(0, 0), "one.mod");
    EXPECT_EQ(run->selections, (std::vector<int>{0}));
    EXPECT_EQ(run->finalItem, 0);

    const TMemTable& n = run->t.RxMD_principal;
    const int alias = n.FieldIndex("alias"), principal = n.FieldIndex("principal"), nr = n.FieldIndex("nr_principal"),
              lib = n.FieldIndex("lib");
    // Sorted on alias; module names upper-cased, aliases as written.
    EXPECT_EQ(Column(n, alias), (std::vector<std::string>{"DIP-8", "DIP8", "PDIP8", "R1", "SO8"}));
    for (int i : {0, 2}) {
        EXPECT_EQ(n.Text(i, principal), "DIP8");
        EXPECT_EQ(n.Int(i, nr), 2);
        EXPECT_EQ(n.Text(i, lib), "one.mod");
    }
    EXPECT_EQ(n.Int(3, nr), 3);
    EXPECT_EQ(n.Int(4, nr), 1);
    EXPECT_EQ(n.RecNo(), 0);

    const TMemTable& c = run->t.RxMD_comp;
    const int cAlias = c.FieldIndex("Alias"), cPrincipal = c.FieldIndex("Principal"),
              cComandos = c.FieldIndex("Comandos"), cElem = c.FieldIndex("Elementos");
    EXPECT_EQ(Column(c, cPrincipal), (std::vector<std::string>{"DIP8", "R1", "SO8"}));
    EXPECT_EQ(c.Text(0, cAlias), "ALIAS DIP-8 PDIP8");
    EXPECT_EQ(c.Text(1, cAlias), "");
    EXPECT_TRUE(c.IsNull(0, cElem));
    EXPECT_EQ(c.Text(0, cComandos), "$MODULE dip8\rPo 0 0 0 15 00000000 00000000 ~~\rLi dip8\rALIAS DIP-8 PDIP8\r"
                                    "DS 0 0 100 0 120 21\r$EndMODULE  dip8\r");
    EXPECT_EQ(c.RecNo(), 0);
}

TEST(IndexRun, AliasLineTokensAndPlacement) {
    Folder f;
    // Trailing blank: one more, empty alias. A quoted name keeps its blank.
    // An alias line outside a block belongs to no module and is ignored.
    f.Write("a.mod", Library("ALIAS LOST\r\n" + Module("M1", "ALIAS X1 \r\n") + "ALIAS LOST2\r\n" +
                             Module("M2", "ALIAS \"Y 2\" Z2\r\nALIAS LAST\r\n")));
    auto run = IndexFolder(f.path(), {"a.mod"});
    ASSERT_TRUE(run->r.ok());
    const TMemTable& n = run->t.RxMD_principal;
    const int alias = n.FieldIndex("alias");
    EXPECT_EQ(Column(n, alias), (std::vector<std::string>{"", "LAST", "M1", "M2", "X1", "Y 2", "Z2"}));
    const TMemTable& c = run->t.RxMD_comp;
    const int cAlias = c.FieldIndex("Alias"), cComandos = c.FieldIndex("Comandos");
    EXPECT_EQ(c.Text(0, cAlias), "ALIAS X1 ");
    EXPECT_EQ(c.Text(1, cAlias), "ALIAS LAST") << "the last alias line of the block";
    EXPECT_EQ(c.Text(0, cComandos).find("LOST"), std::string::npos);
    EXPECT_EQ(c.Text(1, cComandos).find("LOST"), std::string::npos);
}

TEST(IndexRun, AliasLineBeyondTheTokenTable) {
    // 400 names: the table keeps 300 tokens and the result stops at 301,
    // so the line gives names 2..300 and one empty alias from slot 301.
    std::string line = "ALIAS";
    for (int i = 1; i <= 400; ++i) line += " N" + std::to_string(i);
    Folder f;
    f.Write("a.mod", Library(Module("M", line + "\r\n")));
    auto run = IndexFolder(f.path(), {"a.mod"});
    ASSERT_TRUE(run->r.ok());
    EXPECT_EQ(run->r.names, 1 + 300);
    const TMemTable& n = run->t.RxMD_principal;
    const int alias = n.FieldIndex("alias");
    std::set<std::string> names;
    for (int i = 0; i < n.RowCount(); ++i) names.insert(n.Text(i, alias));
    EXPECT_TRUE(names.count("") && names.count("N1") && names.count("N299"));
    EXPECT_FALSE(names.count("N300"));
}

TEST(IndexRun, HostileBytesAreIndexedWithoutFault) {
    std::string bytes;
    uint32_t x = 12345;
    for (int i = 0; i < 200000; ++i) {
        x = x * 1103515245u + 12345u;
        const unsigned char c = static_cast<unsigned char>(x >> 16);
        // Sprinkle keywords so blocks open and close at random.
        if (c == 1) bytes += "\r$MODULE ";
        else if (c == 2) bytes += "\r$ENDMODULE";
        else if (c == 3) bytes += "\rALIAS \"";
        else if (c != 26) bytes += static_cast<char>(c);
    }
    Folder f;
    f.Write("h.mod", bytes);
    auto run = IndexFolder(f.path(), {"h.mod"});
    ASSERT_TRUE(run->r.ok());
    EXPECT_GT(run->r.modules, 0);
    EXPECT_EQ(run->t.RxMD_comp.RecordCount(), run->r.modules);
    const TMemTable& n = run->t.RxMD_principal;
    for (int i = 0; i < n.RowCount(); ++i) {
        EXPECT_LE(n.Text(i, n.FieldIndex("alias")).size(), 20u);
        EXPECT_LE(n.Text(i, n.FieldIndex("principal")).size(), 20u);
    }
}

TEST(IndexRun, SameNameInTwoFiles) {
    Folder f;
    f.Write("b.mod", Library(Module("SO8") + Module("DIP8")));
    f.Write("a.mod", Library(Module("so8", "ALIAS dip8\r\n")));
    auto run = IndexFolder(f.path(), ModFileNames(f.path()));
    ASSERT_TRUE(run->r.ok());
    EXPECT_EQ(run->selections, (std::vector<int>{0, 1}));
    EXPECT_EQ(run->finalItem, 1) << "the selection ends on the last entry";
    TMemTable& n = run->t.RxMD_principal;
    const int alias = n.FieldIndex("alias"), lib = n.FieldIndex("lib"), nr = n.FieldIndex("nr_principal");
    // a.mod comes first: its SO8 is module 1, b.mod's SO8 module 2.
    EXPECT_EQ(Column(n, alias), (std::vector<std::string>{"dip8", "DIP8", "SO8", "SO8"}));
    EXPECT_EQ(Column(n, lib), (std::vector<std::string>{"a.mod", "b.mod", "a.mod", "b.mod"}));
    EXPECT_EQ(n.Int(2, nr), 1);
    EXPECT_EQ(n.Int(3, nr), 2);
    EXPECT_EQ(n.Int(1, nr), 3);

    n.SortOnFields("lib;alias", true, false);
    EXPECT_EQ(Column(n, lib), (std::vector<std::string>{"a.mod", "a.mod", "b.mod", "b.mod"}));
    EXPECT_EQ(Column(n, alias), (std::vector<std::string>{"dip8", "SO8", "DIP8", "SO8"}));

    // A cell click finds the module of the name's ordinal.
    n.MoveTo(3);
    TMemTable& c = run->t.RxMD_comp;
    ASSERT_TRUE(c.Locate("nr_principal", n.Int(n.RecNo(), nr), LocateOptions{true, false}));
    EXPECT_EQ(c.Text(c.RecNo(), c.FieldIndex("Lib")), "b.mod");
    EXPECT_EQ(c.Text(c.RecNo(), c.FieldIndex("Principal")), "SO8");
}

TEST(IndexRun, SearchDipInGridOrder) {
    Folder f;
    f.Write("x.mod", Library(Module("SO8") + Module("ZX", "ALIAS Dip14 diP\r\n") + Module("dip16") + Module("BGA")));
    auto run = IndexFolder(f.path(), {"x.mod"});
    TMemTable& n = run->t.RxMD_principal;
    const int alias = n.FieldIndex("alias");
    ASSERT_EQ(Column(n, alias), (std::vector<std::string>{"BGA", "diP", "Dip14", "DIP16", "SO8", "ZX"}));
    const LocateOptions opt{true, true};
    ASSERT_TRUE(n.Locate("alias", "dip", opt));
    EXPECT_EQ(n.Text(n.RecNo(), alias), "diP");
    n.MoveTo(3);
    ASSERT_TRUE(n.Locate("alias", "dip", opt));
    EXPECT_EQ(n.Text(n.RecNo(), alias), "DIP16") << "searching again stays on the match";
    n.SortOnFields("lib;alias", true, false);
    EXPECT_EQ(n.Text(n.RecNo(), alias), "DIP16");
    n.MoveTo(0);
    ASSERT_TRUE(n.Locate("alias", "DIP1", opt));
    EXPECT_EQ(n.Text(n.RecNo(), alias), "Dip14");
}

TEST(IndexRun, ComandosLinesEachEndWithOneCarriageReturn) {
    Folder f;
    // Line ends CR LF, LF alone and CR alone all give single CRs.
    f.Write("m.mod", "$MODULE A\r\nLi A\nDS 1 2 3 4 5 21\r$ENDMODULE A\r\n$MODULE B\r\n$EndMODULE B");
    auto run = IndexFolder(f.path(), {"m.mod"});
    const TMemTable& c = run->t.RxMD_comp;
    const int cmd = c.FieldIndex("Comandos");
    ASSERT_EQ(c.RowCount(), 2);
    EXPECT_EQ(c.Text(0, cmd), "$MODULE A\rLi A\rDS 1 2 3 4 5 21\r$ENDMODULE A\r");
    EXPECT_EQ(c.Text(1, cmd), "$MODULE B\r$EndMODULE B\r");

    // Byte 26 ends the file.
    f.Write("z.mod", std::string("$MODULE A\r\n$EndMODULE A\r\n\x1a$MODULE C\r\n$EndMODULE C\r\n"));
    auto cut = IndexFolder(f.path(), {"z.mod"});
    EXPECT_EQ(cut->r.modules, 1);
}

TEST(IndexRun, NamesCutToTwenty) {
    Folder f;
    const std::string longName = "very_long_module_name_of_thirty";
    const std::string longFile = "library_with_a_long_file_name.mod";
    f.Write(longFile, Library(Module(longName, "ALIAS " + longName + "_alias\r\n" + "ALIAS " + std::string(300, 'A') +
                                                   "\r\n")));
    auto run = IndexFolder(f.path(), {longFile});
    const TMemTable& n = run->t.RxMD_principal;
    EXPECT_EQ(Column(n, n.FieldIndex("alias")),
              (std::vector<std::string>{std::string(20, 'A'), "VERY_LONG_MODULE_NAM", "very_long_module_nam"}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(n.Text(i, n.FieldIndex("principal")), "VERY_LONG_MODULE_NAM");
        EXPECT_EQ(n.Text(i, n.FieldIndex("lib")), "library_with_a_long_");
    }
    const TMemTable& c = run->t.RxMD_comp;
    EXPECT_EQ(c.Text(0, c.FieldIndex("Principal")), "VERY_LONG_MODULE_NAM");
    EXPECT_EQ(c.Text(0, c.FieldIndex("Alias")), "ALIAS " + std::string(244, 'A'));
    EXPECT_EQ(run->t.RxMD_lib.Text(0, 0), "library_with_a_long_");
}

TEST(IndexRun, OpenBlockGoesOnIntoTheNextFile) {
    Folder f;
    f.Write("a.mod", "$MODULE OPEN\r\nLi OPEN\r\n$MODULE INNER\r\n");
    f.Write("b.mod", "Li more\r\nALIAS OTHER\r\n$EndMODULE OPEN\r\n$MODULE NEXT\r\n$EndMODULE NEXT\r\n$MODULE TAIL\r\nLi T\r\n");
    auto run = IndexFolder(f.path(), {"a.mod", "b.mod"});
    ASSERT_TRUE(run->r.ok());
    const TMemTable& c = run->t.RxMD_comp;
    const int cmd = c.FieldIndex("Comandos"), lib = c.FieldIndex("Lib"), principal = c.FieldIndex("Principal");
    // The block still open at the very end is kept and counted.
    EXPECT_EQ(run->r.modules, 3);
    ASSERT_EQ(Column(c, principal), (std::vector<std::string>{"OPEN", "NEXT", "TAIL"}));
    EXPECT_EQ(c.Text(0, lib), "a.mod");
    EXPECT_EQ(c.Text(0, cmd), "$MODULE OPEN\rLi OPEN\r$MODULE INNER\rLi more\rALIAS OTHER\r$EndMODULE OPEN\r");
    EXPECT_EQ(c.Text(2, cmd), "$MODULE TAIL\rLi T\r");
    const TMemTable& n = run->t.RxMD_principal;
    // The alias from b.mod belongs to the module of a.mod.
    ASSERT_EQ(Column(n, n.FieldIndex("alias")), (std::vector<std::string>{"NEXT", "OPEN", "OTHER", "TAIL"}));
    EXPECT_EQ(n.Text(2, n.FieldIndex("lib")), "a.mod");
    EXPECT_EQ(n.Int(2, n.FieldIndex("nr_principal")), 1);
    EXPECT_EQ(n.Int(0, n.FieldIndex("nr_principal")), 2) << "the inner $MODULE line took no ordinal";
}

TEST(IndexRun, UnreadableFileStopsTheRun) {
    Folder f;
    f.Write("a.mod", Library(Module("A1") + Module("A2")));
    f.Write("c.mod", Library(Module("C1")));
    auto run = IndexFolder(f.path(), {"a.mod", "b.mod", "c.mod"});
    EXPECT_FALSE(run->r.ok());
    EXPECT_NE(run->r.error.find("b.mod"), std::string::npos) << run->r.error;
    EXPECT_EQ(run->r.modules, 2) << "what was indexed before the failure";
    EXPECT_EQ(run->r.names, 2);
    EXPECT_EQ(run->t.RxMD_lib.RecordCount(), 1);
    EXPECT_EQ(run->finalItem, 1) << "the selection stays on the failing entry";
    EXPECT_FALSE(run->t.RxMD_comp.ControlsDisabled());

    // A folder named like a library cannot be read either.
    QDir(f.dir.path()).mkdir("d.mod");
    auto dirRun = IndexFolder(f.path(), {"d.mod"});
    EXPECT_FALSE(dirRun->r.ok());
    EXPECT_NE(dirRun->r.error.find("d.mod"), std::string::npos) << dirRun->r.error;
}

TEST(IndexRun, SecondRunStartsAfresh) {
    Folder f;
    f.Write("a.mod", Library(Module("A1") + Module("A2")));
    IndexTables t;
    FolderFileList files(f.path());
    BuildIndex(t, files);
    const IndexRunResult r = BuildIndex(t, files);
    EXPECT_EQ(r.modules, 2);
    EXPECT_EQ(t.RxMD_principal.RecordCount(), 2);
    EXPECT_EQ(t.RxMD_lib.RecordCount(), 1);
    std::set<int64_t> nrs;
    for (int i = 0; i < t.RxMD_comp.RowCount(); ++i) nrs.insert(t.RxMD_comp.Int(i, t.RxMD_comp.FieldIndex("nr_principal")));
    EXPECT_EQ(nrs, (std::set<int64_t>{1, 2})) << "the ordinal restarts at each run";
}

TEST(IndexRun, EveryCorpusLibrary) {
    REQUIRE_CORPUS();
    struct Case {
        const char* folder;
        int modules;
        std::vector<std::pair<std::string, int>> perLib;
    };
    // Module counts of the corpus files (see its SOURCES.md); none has an ALIAS line.
    const Case cases[] = {
        {TARNEL_CORPUS, 122, {{"connect.mod", 90}, {"muonde.mod", 23}, {"Pot.mod", 9}}},
        {TARNEL_CORPUS "/units_mm", 4, {{"lqfp.mod", 4}}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.folder);
        IndexTables t;
        FolderFileList files(k.folder);
        const IndexRunResult r = BuildIndex(t, files);
        ASSERT_TRUE(r.ok()) << r.error;
        EXPECT_EQ(r.modules, k.modules);
        EXPECT_EQ(r.names, k.modules);
        ASSERT_EQ(t.RxMD_lib.RecordCount(), static_cast<int>(k.perLib.size()));
        for (size_t i = 0; i < k.perLib.size(); ++i) EXPECT_EQ(t.RxMD_lib.Text(static_cast<int>(i), 0), k.perLib[i].first);

        const TMemTable& c = t.RxMD_comp;
        const int lib = c.FieldIndex("Lib"), cmd = c.FieldIndex("Comandos"), nr = c.FieldIndex("nr_principal");
        std::map<std::string, int> perLib;
        std::set<int64_t> nrs;
        for (int i = 0; i < c.RowCount(); ++i) {
            ++perLib[c.Text(i, lib)];
            nrs.insert(c.Int(i, nr));
            const std::string& text = c.Text(i, cmd);
            EXPECT_EQ(text.rfind("$MODULE ", 0), 0u);
            EXPECT_EQ(text.find('\n'), std::string::npos);
            const size_t last = text.rfind('\r', text.size() - 2);
            EXPECT_EQ(text.compare(last + 1, 10, "$EndMODULE"), 0) << text.substr(last + 1);
            EXPECT_EQ(text.back(), '\r');
        }
        for (const auto& [name, count] : k.perLib) EXPECT_EQ(perLib[name], count) << name;
        EXPECT_EQ(static_cast<int>(nrs.size()), k.modules);
        EXPECT_EQ(*nrs.begin(), 1);
        EXPECT_EQ(*nrs.rbegin(), k.modules);
    }
}

TEST(IndexRun, CliPrintsCountsAndTheSortedNames) {
    Folder f;
    f.Write("b.mod", Library(Module("SO8") + Module("dip8", "ALIAS DIP-8\r\n")));
    f.Write("a.mod", Library(Module("R1")));
    QProcess p;
    p.start(TARNEL_CLI, {"index", f.dir.path()});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(p.readAllStandardOutput().toStdString(),
              "Modelos: 3\nComponentes: 4\n"
              "DIP-8\tb.mod\tDIP8\t3\n"
              "DIP8\tb.mod\tDIP8\t3\n"
              "R1\ta.mod\tR1\t1\n"
              "SO8\tb.mod\tSO8\t2\n");

    // A listed file whose reading fails: the process's own memory at offset 0.
    QFile::remove(f.dir.path() + "/a.mod");
    ASSERT_TRUE(QFile::link("/proc/self/mem", f.dir.path() + "/a.mod"));
    QProcess bad;
    bad.start(TARNEL_CLI, {"index", f.dir.path()});
    ASSERT_TRUE(bad.waitForFinished(60000));
    EXPECT_EQ(bad.exitCode(), 1);
    EXPECT_NE(bad.readAllStandardError().indexOf("a.mod"), -1);
    EXPECT_TRUE(bad.readAllStandardOutput().startsWith("Modelos: 0\nComponentes: 0\n"));
}
