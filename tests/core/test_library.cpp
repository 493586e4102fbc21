#include "tokenizer/libtext.h"
#include "viewer/tarnel.h"

#include "corpus.h"
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <fstream>

using namespace tarnel;

namespace {
std::string Write(const QTemporaryDir& d, const std::string& name, const std::string& bytes) {
    const std::string p = d.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
}
int CountModuleLines(const std::string& bytes) {
    int n = 0;
    ForEachLine(bytes, [&](std::string_view l) { n += l.substr(0, 8) == "$MODULE "; return true; });
    return n;
}
} // namespace

TEST(Library, ScanRules) {
    const std::string lib =
        "PCBNEW-LibModule-V1\r\n$INDEX\r\nabc\r\n$EndINDEX\r\n"
        "$module abc\r\nDS 0 0 100 0\r\n$EndMODULE abc\r\n"
        "\t$MODULE tabbed\r\n$ENDMODULE\r\n"
        "$MODULE\r\nDS 0 0 1 0\r\n$ENDMODULE\r\n"
        "$MODULE ABC\r\nDS 0 0 200 0\r\n$ENDMODULE\r\n"
        "$MODULE withtab\t\r\n$ENDMODULE\r\n";
    auto names = ScanModuleNames(lib);
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[0], "abc");
    EXPECT_EQ(names[1], "tabbed");
    EXPECT_EQ(names[2], "");
    EXPECT_EQ(names[3], "ABC");
    EXPECT_EQ(names[4], "withtab\t");
    // Letter case ignored: either name extracts the first module.
    auto lines = ExtractModuleLines(lib, "ABC");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "DS 0 0 100 0");
    EXPECT_EQ(lines[2], "$EndMODULE abc");
    EXPECT_EQ(ExtractModuleLines(lib, "")[1], "DS 0 0 1 0");
    EXPECT_TRUE(ExtractModuleLines(lib, "withtab\t").empty());  // the file's word is trimmed, the item not
    // The indexed extraction gives the same lines.
    auto idx = IndexModules(lib);
    EXPECT_EQ(ExtractModuleLinesAt(lib, idx.at("ABC")), lines);
    // A module that runs to the end of the file.
    auto tail = ExtractModuleLines("$MODULE X\r\nDS 0 0 1 0", "x");
    EXPECT_EQ(tail.size(), 2u);
}

TEST(Library, SelectionRendersAndCountsPads) {
    QTemporaryDir d;
    const std::string p = Write(d, "a.mod",
        "$MODULE ONE\r\n$PAD\r\nSh \"1\" R 600 400 0 0 0\r\nAt STD N 0\r\nPo 0 0\r\n$EndPAD\r\n$ENDMODULE ONE\r\n"
        "$MODULE TWO\r\nDS 0 0 1000 0 150 21\r\n$ENDMODULE TWO\r\n");
    TForm1Core v;
    v.Options().ScaleDivisor = 100;
    v.FileListBox1Click(p);
    ASSERT_EQ(v.ModuleList().size(), 2u);
    EXPECT_EQ(v.ItemIndex(), 0);
    EXPECT_EQ(v.PadCount(), 1);
    EXPECT_EQ(v.Lines().LineCount(), 7u);
    v.SetItemIndex(1);
    v.ListBox1Click();
    EXPECT_EQ(v.PadCount(), 0);
    EXPECT_EQ(v.View().ViewWidth, 109);
}

TEST(Library, UnreadableFiles) {
    QTemporaryDir d;
    TForm1Core v;
    v.FileListBox1Click(d.filePath("missing.mod").toStdString());  // swallowed
    EXPECT_TRUE(v.ModuleList().empty());
    // A library that vanishes between the scan and the extraction.
    const std::string p = Write(d, "b.mod", "$MODULE A\r\nDS 0 0 1 0\r\n$ENDMODULE\r\n$MODULE B\r\n$ENDMODULE\r\n");
    v.FileListBox1Click(p);
    ASSERT_EQ(v.ModuleList().size(), 2u);
    const int w = v.View().ViewWidth;
    QFile::remove(QString::fromStdString(p));
    v.SetItemIndex(1);
    EXPECT_THROW(v.ListBox1Click(), std::runtime_error);
    EXPECT_TRUE(v.Lines().empty());
    EXPECT_EQ(v.View().ViewWidth, w);  // the view keeps the previous drawing
    EXPECT_THROW(v.B_carregarClick(p), std::runtime_error);
}

TEST(Library, FileChangedAfterScanIsReadAgain) {
    QTemporaryDir d;
    const std::string p = Write(d, "c.mod", "$MODULE A\r\nDS 0 0 1000 0\r\n$ENDMODULE\r\n");
    TForm1Core v;
    v.Options().ScaleDivisor = 100;
    v.FileListBox1Click(p);
    EXPECT_EQ(v.View().ViewWidth, 109);
    Write(d, "c.mod", "$MODULE A\r\nDS 0 0 2000 0\r\n$ENDMODULE\r\n$MODULE B\r\n$ENDMODULE\r\n");
    v.ListBox1Click();
    EXPECT_EQ(v.View().ViewWidth, 117);
}

TEST(Library, SymbolDefListing) {
    REQUIRE_CORPUS();
    TForm1Core v;
    v.B_carregarClick(TARNEL_CORPUS "/linear.lib");
    EXPECT_EQ(v.ModuleList().size(), 21u);
    EXPECT_EQ(v.ItemIndex(), -1);
    v.SetItemIndex(0);
    v.ListBox1Click();  // no $MODULE of that name: empty memo and view
    EXPECT_TRUE(v.Lines().empty());
    EXPECT_EQ(v.View().ViewWidth, 101);
}

// Lines ending in LF alone are read as lines (public libraries use them).
TEST(Library, LfLibraryListsItsModules) {
    REQUIRE_CORPUS();
    const std::string bytes = ReadFileBytes(TARNEL_CORPUS "/Pot.mod");
    ASSERT_EQ(bytes.find('\r'), std::string::npos);
    EXPECT_EQ(ScanModuleNames(bytes).size(), 9u);
}

namespace {
struct CliResult {
    int code;
    std::string out, err;
};
// The whole number after "key": in a JSON line, or -1.
long JsonInt(const std::string& json, const std::string& key) {
    const std::string k = "\"" + key + "\":";
    const size_t p = json.find(k);
    if (p == std::string::npos) return -1;
    return std::strtol(json.c_str() + p + k.size(), nullptr, 10);
}
CliResult Cli(const QStringList& args) {
    QProcess p;
    p.start(TARNEL_CLI, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}
} // namespace

TEST(Cli, ListAndRenderEveryCorpusModule) {
    REQUIRE_CORPUS();
    const char* libs[] = {"connect.mod", "Pot.mod", "muonde.mod", "units_mm/lqfp.mod"};
    for (const char* lib : libs) {
        const QString path = QStringLiteral(TARNEL_CORPUS "/") + lib;
        const std::string bytes = ReadFileBytes(path.toStdString());
        auto r = Cli({"list", path});
        ASSERT_EQ(r.code, 0) << r.err;
        auto names = SplitLines(r.out);
        ASSERT_FALSE(names.empty());
        EXPECT_EQ(names.back(), "count " + std::to_string(CountModuleLines(bytes))) << lib;
        EXPECT_EQ(names.size() - 1, static_cast<size_t>(CountModuleLines(bytes))) << lib;
        names.pop_back();
        for (const auto& n : names) {
            auto rr = Cli({"render", path, QString::fromStdString(n)});
            ASSERT_EQ(rr.code, 0) << lib << " " << n << ": " << rr.err;
            EXPECT_EQ(rr.out.rfind("{\"width\":", 0), 0u) << rr.out;
            EXPECT_GE(JsonInt(rr.out, "height"), 0) << rr.out;
            EXPECT_GE(JsonInt(rr.out, "pads"), 0) << rr.out;
        }
    }
}

TEST(Cli, RenderReportsPadsAndWritesPng) {
    REQUIRE_CORPUS();
    QTemporaryDir d;
    const QString png = d.filePath("v.png");
    auto r = Cli({"render", TARNEL_CORPUS "/muonde.mod", "SMA", "--png", png, "--texts", "all"});
    ASSERT_EQ(r.code, 0) << r.err;
    QImage img(png);
    EXPECT_EQ(img.width(), JsonInt(r.out, "width"));
    EXPECT_EQ(img.height(), JsonInt(r.out, "height"));
    // Pads of a module = its $PAD blocks with a counted attribute.
    const auto lines = ExtractModuleLines(ReadFileBytes(TARNEL_CORPUS "/muonde.mod"), "SMA");
    int counted = 0;
    for (const auto& l : lines)
        if (l.rfind("At STD", 0) == 0 || l.rfind("At SMD", 0) == 0 || l.rfind("At CONN", 0) == 0) ++counted;
    EXPECT_EQ(JsonInt(r.out, "pads"), counted);
}

TEST(Cli, RenderEverySymbolThroughLines) {
    REQUIRE_CORPUS();
    const std::string lib = ReadFileBytes(TARNEL_CORPUS "/linear.lib");
    QTemporaryDir d;
    std::string cur;
    int defs = 0;
    ForEachLine(lib, [&](std::string_view l) {
        if (EqualsUpper(Trim(Word(l, 1)), "DEF")) cur.clear();
        cur.append(l).append("\n");
        if (EqualsUpper(Trim(Word(l, 1)), "ENDDEF")) {
            const std::string p = Write(d, "sym.txt", cur);
            auto r = Cli({"render", "--lines", QString::fromStdString(p)});
            EXPECT_EQ(r.code, 0) << r.err;
            EXPECT_NE(r.out.find("\"definition\":"), std::string::npos);
            EXPECT_EQ(r.out.find("\"width\":101,"), std::string::npos) << cur.substr(0, 40);  // something drawn
            ++defs;
        }
        return true;
    });
    EXPECT_EQ(defs, 21);
}

TEST(Cli, BadArgumentsAndFiles) {
    const struct { QStringList args; int code; } table[] = {
        {{}, 2},
        {{"nosuchverb"}, 2},
        {{"list"}, 2},
        {{"list", "/nonexistent/x.mod"}, 1},
        {{"render", TARNEL_CORPUS "/Pot.mod"}, 2},
        {{"render", TARNEL_CORPUS "/Pot.mod", "NOPE"}, 1},
        {{"render", TARNEL_CORPUS "/Pot.mod", "Pot-POTF_1", "--divisor", "0"}, 2},
        {{"render", TARNEL_CORPUS "/Pot.mod", "Pot-POTF_1", "--texts", "some"}, 2},
        {{"render", "--lines", "/nonexistent"}, 1},
    };
    for (auto& row : table) {
        auto r = Cli(row.args);
        EXPECT_EQ(r.code, row.code) << row.args.join(' ').toStdString();
        EXPECT_FALSE(r.err.empty());
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n') >= 1, true);
    }
}
