// Search across libraries: what is read of each kind of library, matching
// and ranking, the file-stamp cache, and tarnel-cli's tables and search.
#include "library/libraryfolder.h"
#include "search/describer.h"
#include "search/indexbuilder.h"
#include "search/legacydescribers.h"
#include "tokenizer/libtext.h"

#include "cli_run.h"
#include "corpus.h"
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/time.h>

#include <fstream>

using namespace tarnel;
using namespace tarnel::search;

namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
    QDir().mkpath(QString::fromStdString(path.substr(0, path.find_last_of('/'))));
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Footprint(const std::string& descr, const std::string& tags, const std::string& pads = "") {
    return "(footprint \"x\" (version 20240108)\n  (descr \"" + descr + "\")\n  (tags \"" + tags + "\")\n" + pads + ")\n";
}

// Every hit as NICK:NAME, best first.
std::vector<std::string> Names(const SearchIndex& index, const std::vector<SearchHit>& hits) {
    std::vector<std::string> out;
    for (const SearchHit& h : hits) out.push_back(index.FullName(h.item));
    return out;
}

// A settings folder whose tables name libraries of the real corpus.
struct CorpusTables {
    QTemporaryDir dir;
    std::string config;
    CorpusTables() {
        config = dir.path().toStdString() + "/10.0";
        const std::string rows =
            "(lib (name \"Jumper\")(type \"KiCad\")(uri \"${CORPUS}/pretty/Jumper.pretty\")(options \"\")(descr \"\"))\n"
            "(lib (name \"RF_Antenna\")(type \"KiCad\")(uri \"${CORPUS}/pretty/RF_Antenna.pretty\")(options \"\")(descr \"\"))\n"
            "(lib (name \"Valve\")(type \"Kicad\")(uri \"${CORPUS}/pretty/Valve.pretty\")(options \"\")(descr \"\"))\n"
            "(lib (name \"connect\")(type \"Legacy\")(uri \"${CORPUS}/connect.mod\")(options \"\")(descr \"\"))\n"
            "(lib (name \"Off\")(type \"KiCad\")(uri \"${CORPUS}/pretty/Valve.pretty\")(options \"\")(descr \"\")(disabled))\n";
        WriteFile(config + "/fp-lib-table", "(fp_lib_table\n  (version 7)\n" + rows + ")\n");
        // A library of a kind no describer reads: listed, not searched, and said so.
        WriteFile(dir.path().toStdString() + "/later.kicad_future", "(kicad_future)\n");
        WriteFile(config + "/sym-lib-table",
                  "(sym_lib_table (lib (name linear)(type Legacy)(uri ${CORPUS}/linear.lib)(options \"\")(descr \"\"))\n"
                  "  (lib (name Later)(type KiCad)(uri " + dir.path().toStdString() + "/later.kicad_future)))\n");
        WriteFile(config + "/kicad_common.json", "{\"environment\": {\"vars\": {\"CORPUS\": \"" TARNEL_CORPUS "\"}}}");
    }
    tables::LibraryTables Load() const { return tables::LoadLibraryTables({config, "", {{"HOME", "/nonexistent"}}}); }
};

} // namespace

// ---- what is read of each kind of library

TEST(SearchDescribe, FootprintFactsAndPadCount) {
    const ItemFacts f = DescribeFootprintText(
        "(footprint \"R\" (descr \"Resistor, \\\"big\\\"\") (tags \"R res\")\n"
        "  (pad \"1\" thru_hole circle) (pad \"2\" smd rect) (pad \"3\" connect rect)\n"
        "  (pad \"\" np_thru_hole circle) (pad \"\" smd rect) (pad \"4\" np_thru_hole circle))");
    EXPECT_EQ(f.description, "Resistor, \"big\"");
    EXPECT_EQ(f.keywords, "R res");
    EXPECT_EQ(f.pads, 3);  // numbered pads to solder, as the drawing counts them
    EXPECT_EQ(DescribeFootprintText("(module R (pad 1 smd rect))").pads, 1);
    EXPECT_THROW(DescribeFootprintText("(kicad_pcb)"), std::runtime_error);
    EXPECT_THROW(DescribeFootprintText("(footprint"), std::runtime_error);
}

TEST(SearchDescribe, LegacyModulesAndSymbolsFromTheirDocumentation) {
    REQUIRE_CORPUS();
    DescribeCache cache;
    DescribeStats stats;
    const std::vector<ItemFacts> modules =
        DescriberFor(*LibraryKindOfName("connect.mod"))->Describe(TARNEL_CORPUS "/connect.mod", cache, stats);
    ASSERT_EQ(modules.size(), 90u);
    auto find = [](const std::vector<ItemFacts>& v, const std::string& name) {
        for (const ItemFacts& f : v)
            if (f.name == name) return f;
        return ItemFacts{};
    };
    // The .dcm beside connect.mod is a copy of its .mdc: "Cd" and "Kw" of
    // the documentation, as the catalogs read them.
    const ItemFacts bus = find(modules, "BUS_PC");
    EXPECT_EQ(bus.description, "Connecteur Bus PC 8 bits");
    EXPECT_EQ(bus.keywords, "CONN PC ISA");
    EXPECT_GT(bus.pads, 0);
    EXPECT_EQ(bus.pins, -1);

    const std::vector<ItemFacts> symbols =
        DescriberFor(*LibraryKindOfName("linear.lib"))->Describe(TARNEL_CORPUS "/linear.lib", cache, stats);
    ASSERT_EQ(symbols.size(), 21u + 20u);  // DEF blocks and their aliases
    const ItemFacts ca3140 = find(symbols, "CA3140");
    EXPECT_EQ(ca3140.opens, "CA3130");
    EXPECT_EQ(ca3140.description, "Ampli Op Mos");
    EXPECT_EQ(ca3140.keywords, "AmpliOp Mos");
    EXPECT_EQ(find(symbols, "LM358").pins, 8);  // two units, pins 1 to 8
    EXPECT_EQ(find(symbols, "LM358N").pins, 8);
    EXPECT_EQ(find(symbols, "LM358").pads, -1);
    EXPECT_EQ(stats.read, 2);
    EXPECT_TRUE(stats.problems.empty());
}

TEST(SearchDescribe, CurrentSymbolsThroughTheirChains) {
    REQUIRE_CORPUS();
    auto find = [](const std::vector<ItemFacts>& v, const std::string& name) {
        for (const ItemFacts& f : v)
            if (f.name == name) return f;
        return ItemFacts{};
    };
    DescribeCache cache;
    DescribeStats stats;
    const std::string file = TARNEL_CORPUS "/symbols/Amplifier_Operational.kicad_sym";
    const std::vector<ItemFacts> ops = DescriberFor(*LibraryKindOfName(file))->Describe(file, cache, stats);
    EXPECT_EQ(ops.size(), 323u);
    // OPA2277 extends LM2904: its own description and keywords, the pins of
    // LM2904's three units (1-3, 5-7 and the power unit's 4 and 8).
    const ItemFacts opa = find(ops, "OPA2277");
    EXPECT_EQ(opa.description, "Dual High Precision Operational Amplifiers, DIP-8/SOIC-8");
    EXPECT_EQ(opa.keywords, "dual opamp");
    EXPECT_EQ(opa.pins, 8);
    EXPECT_EQ(opa.pads, -1);
    EXPECT_FALSE(opa.unreadable);

    // A folder: a symbol in one file extends one in another.
    const std::string folder = TARNEL_CORPUS "/symbols/Filter.kicad_symdir";
    const std::vector<ItemFacts> filters = DescriberFor(*LibraryKindOfName(folder))->Describe(folder, cache, stats);
    const ItemFacts derived = find(filters, "1FP41-4R");
    EXPECT_EQ(derived.description, "4A, 250VAC, 50/60Hz line filter");
    EXPECT_EQ(derived.keywords, "EMI");
    EXPECT_EQ(derived.pins, find(filters, "1FP45-0R").pins);
    EXPECT_GT(derived.pins, 0);
    EXPECT_EQ(stats.read, 2);
    EXPECT_TRUE(stats.problems.empty()) << stats.problems.front();
}

TEST(SearchCache, ASymbolFolderIsReadAgainWhenOneOfItsFilesChanges) {
    QTemporaryDir d;
    const std::string folder = d.path().toStdString() + "/Parts.kicad_symdir";
    QDir().mkpath(QString::fromStdString(folder));
    auto pin = [](const char* n) {
        return std::string("(pin passive line (at 0 0 0) (length 2.54) (name \"~\") (number \"") + n + "\"))";
    };
    WriteFile(folder + "/ROOT.kicad_sym",
              "(kicad_symbol_lib (version 20231120)\n (symbol \"ROOT\"\n"
              "  (property \"Reference\" \"U\" (at 0 0 0)) (property \"Description\" \"Root part\" (at 0 0 0))\n"
              "  (symbol \"ROOT_1_1\" " + pin("1") + pin("2") + ")\n"
              "  (symbol \"ROOT_2_1\" " + pin("2") + pin("3") + ")))\n");
    const std::string child = folder + "/CHILD.kicad_sym";
    WriteFile(child, "(kicad_symbol_lib (version 20231120)\n (symbol \"CHILD\" (extends \"ROOT\")\n"
                     "  (property \"Description\" \"Child part\" (at 0 0 0))))\n");
    DescribeCache cache;
    DescribeStats stats;
    const LibraryDescriber* describer = DescriberFor(*LibraryKindOfName(folder));
    std::vector<ItemFacts> facts = describer->Describe(folder, cache, stats);
    ASSERT_EQ(facts.size(), 2u);
    EXPECT_EQ(facts[0].name, "CHILD");
    EXPECT_EQ(facts[0].description, "Child part");
    EXPECT_EQ(facts[0].pins, 3);  // numbers 1, 2, 3 of the root's two units
    EXPECT_EQ(facts[1].pins, 3);
    facts = describer->Describe(folder, cache, stats);
    EXPECT_EQ(stats.read, 1);
    EXPECT_EQ(stats.reused, 1);
    // A change to one file (its size here) reads the library again.
    WriteFile(child, "(kicad_symbol_lib (version 20231120)\n (symbol \"CHILD\" (extends \"ROOT\")\n"
                     "  (property \"Description\" \"Child part, changed\" (at 0 0 0))))\n");
    facts = describer->Describe(folder, cache, stats);
    EXPECT_EQ(stats.read, 2);
    EXPECT_EQ(facts[0].description, "Child part, changed");
    // A parent that is gone: the child is still found by its name.
    QFile::remove(QString::fromStdString(folder + "/ROOT.kicad_sym"));
    facts = describer->Describe(folder, cache, stats);
    ASSERT_EQ(facts.size(), 1u);
    EXPECT_TRUE(facts[0].unreadable);
    EXPECT_EQ(stats.problems.size(), 1u);
}

TEST(SearchDescribe, KeywordLinesOfDocumentationFiles) {
    EXPECT_EQ(ParseDocKeywords("$CMP A\nD x\nK one two\n$ENDCMP\nK stray\n$CMP b\nK three\n$ENDCMP\n"),
              (std::unordered_map<std::string, std::string>{{"A", "one two"}, {"B", "three"}}));
    EXPECT_EQ(ParseMdcKeywords("$MODULE m1\nCd d\nKw CONN X\n$EndMODULE\n"),
              (std::unordered_map<std::string, std::string>{{"M1", "CONN X"}}));
}

// ---- matching and ranking over the real libraries

TEST(Search, QueriesOverTheRealLibraries) {
    REQUIRE_CORPUS();
    CorpusTables tables;
    const tables::LibraryTables t = tables.Load();
    std::vector<std::string> notRead;
    const std::vector<SearchLibrary> libraries = LibrariesOfTables(t, &notRead);
    ASSERT_EQ(libraries.size(), 5u);  // the disabled row is not searched
    ASSERT_EQ(notRead.size(), 1u);
    EXPECT_EQ(notRead[0], "Later (" + tables.dir.path().toStdString() + "/later.kicad_future)");
    EXPECT_EQ(NotReadMessage(notRead).rfind("1 biblioteca ficou de fora: o Tarnel ainda não lê seu formato (Later", 0), 0u);
    DescribeCache cache;
    SearchIndex index;
    const IndexReport report = BuildSearchIndex(libraries, cache, index);
    EXPECT_TRUE(report.stats.problems.empty());
    EXPECT_EQ(report.items, 21 + 16 + 10 + 90 + 41);
    EXPECT_EQ(index.Size(), 178u);

    struct Case {
        const char* name;
        const char* query;
        SearchFilters filters;
        std::vector<std::string> expected;  // best first; ties by name
    };
    const Case cases[] = {
        // "Beltii" is only in the tags of one footprint.
        {"tag only", "beltii", {}, {"RF_Antenna:Antenova_SR4G013_GPS"}},
        // "transponder" only in a description.
        {"description only", "Transponder", {}, {"RF_Antenna:Coilcraft_MA5532-AE_RFID"}},
        {"two words, any field", "patch antenna", {},
         {"RF_Antenna:Abracon_APAES868R8060C16-T", "RF_Antenna:Astrocast_AST50127-00"}},
        {"two words, name and tags", "valve pins", {}, {"Valve:Valve_ECC-83-1", "Valve:Valve_ECC-83-2"}},
        // The name first, then a tag.
        {"name over tags", "gps", {}, {"RF_Antenna:Antenova_SR4G013_GPS", "RF_Antenna:Pulse_W3000"}},
        {"nickname and name", "Valve:Valve_Octal", {}, {"Valve:Valve_Octal"}},
        // Numbered pads to solder: Valve_EURO's two unnumbered pins do not count.
        {"pad count", "valve", {7, -1}, {"Valve:Valve_Mini_G", "Valve:Valve_Mini_P"}},
        // Texas_SWRA416 has 19 unnumbered pads and one numbered; connect.mod's
        // 1pin and PINTST one pad block each.
        {"pad count alone", "", {1, -1},
         {"connect:1pin", "RF_Antenna:Abracon_APAES868R8060C16-T", "RF_Antenna:Astrocast_AST50127-00",
          "RF_Antenna:NiceRF_SW868-TH13_868Mhz", "connect:PINTST", "RF_Antenna:Texas_SWRA416_868MHz_915MHz"}},
        {"legacy keywords", "isa", {}, {"connect:BUS_AT", "connect:BUS_PC"}},
        // "K AmpliOp" in linear.dcm, 7 pin numbers on the X lines (aliases share their symbol's).
        {"symbol keywords and pins", "ampliop", {-1, 7}, {"linear:LM6161", "linear:LM6261", "linear:LM6361", "linear:LM741"}},
        {"nothing", "antenna valve", {}, {}},
        {"nothing at all", "zzqxj", {}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Names(index, index.Search(c.query, c.filters)), c.expected) << c.name;
    // Every jumper has "jumper" in its name: the limit keeps the first.
    EXPECT_EQ(index.Search("jumper").size(), 21u);
    EXPECT_EQ(Names(index, index.Search("jumper", {}, 2)),
              (std::vector<std::string>{"Jumper:SolderJumper-2_P1.3mm_Bridged2Bar_Pad1.0x1.5mm",
                                        "Jumper:SolderJumper-2_P1.3mm_Bridged2Bar_RoundedPad1.0x1.5mm"}));
}

TEST(Search, RankingNameOverTagsOverDescription) {
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    WriteFile(d + "/Lib.pretty/Desc_Only.kicad_mod", Footprint("a reed relay", "switch"));
    WriteFile(d + "/Lib.pretty/Tag_Only.kicad_mod", Footprint("a switch", "relay"));
    WriteFile(d + "/Lib.pretty/In_RelayName.kicad_mod", Footprint("", ""));
    WriteFile(d + "/Lib.pretty/Relay_First.kicad_mod", Footprint("", ""));
    WriteFile(d + "/Lib.pretty/Relay.kicad_mod", Footprint("", ""));
    WriteFile(d + "/Lib.pretty/Relays.kicad_mod", Footprint("", "", "(pad \"1\" smd rect)"));
    WriteFile(d + "/Lib.pretty/Tags_Part.kicad_mod", Footprint("", "relays"));
    WriteFile(d + "/Lib.pretty/Unrelated.kicad_mod", Footprint("", ""));
    std::string error;
    const auto libraries = LibrariesOfFolder(d, error);
    ASSERT_EQ(libraries.size(), 1u);
    EXPECT_EQ(libraries[0].nickname, "Lib");
    DescribeCache cache;
    SearchIndex index;
    BuildSearchIndex(libraries, cache, index);
    const std::vector<SearchHit> hits = index.Search("RELAY");
    EXPECT_EQ(Names(index, hits), (std::vector<std::string>{"Lib:Relay", "Lib:Relay_First", "Lib:Relays", "Lib:In_RelayName",
                                                             "Lib:Tag_Only", "Lib:Tags_Part", "Lib:Desc_Only"}));
    for (size_t i = 1; i < hits.size(); ++i) EXPECT_GE(hits[i - 1].score, hits[i].score);
    EXPECT_EQ(Names(index, index.Search("lib:relay")),
              (std::vector<std::string>{"Lib:Relay", "Lib:Relay_First", "Lib:Relays"}));
    // Every item of a library matches its nickname, below any other match.
    EXPECT_EQ(index.Search("lib").size(), 8u);
    EXPECT_EQ(index.Search("lib relay").front().item, hits.front().item);
    // Filters alone.
    EXPECT_EQ(Names(index, index.Search("", {1, -1})), (std::vector<std::string>{"Lib:Relays"}));
    EXPECT_EQ(index.Search("", {-1, 1}).size(), 0u);
}

TEST(Search, LettersOtherThanAsciiAreFolded) {
    EXPECT_EQ(FoldCase("Ímã ÇÃO abc"), "ímã ção abc");
    EXPECT_EQ(FoldCase(std::string("caf\xC9", 4)), std::string("caf\xC9", 4));  // not UTF-8: bytes kept
    EXPECT_EQ(FoldCase("a\x01" "b\x02"), "a b ");
}

// ---- the cache

TEST(SearchCache, SecondIndexingReusesWhatWasReadAndAChangedFileIsReadAgain) {
    REQUIRE_CORPUS();
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    QDir().mkpath(QString::fromStdString(d + "/V.pretty"));
    for (const char* f : {"Valve_EURO", "Valve_Glimm", "Valve_Octal"})
        QFile::copy(QStringLiteral(TARNEL_CORPUS "/pretty/Valve.pretty/%1.kicad_mod").arg(f),
                    QString::fromStdString(d + "/V.pretty/" + f + ".kicad_mod"));
    QFile::copy(TARNEL_CORPUS "/connect.mod", QString::fromStdString(d + "/connect.mod"));
    std::string error;
    const auto libraries = LibrariesOfFolder(d, error);
    ASSERT_EQ(libraries.size(), 2u);

    DescribeCache cache;
    SearchIndex first, second;
    const IndexReport r1 = BuildSearchIndex(libraries, cache, first);
    EXPECT_EQ(r1.stats.read, 4);
    EXPECT_EQ(r1.stats.reused, 0);
    const IndexReport r2 = BuildSearchIndex(libraries, cache, second);
    EXPECT_EQ(r2.stats.read, 0);
    EXPECT_EQ(r2.stats.reused, 4);
    ASSERT_EQ(first.Size(), second.Size());
    for (size_t i = 0; i < first.Size(); ++i) EXPECT_EQ(first.Item(i).facts, second.Item(i).facts);

    // On disk, and back in another session.
    const std::string file = d + "/cache/search-index.bin";
    cache.Save(file);
    DescribeCache later;
    std::string why;
    ASSERT_TRUE(later.Load(file, why)) << why;
    SearchIndex third;
    EXPECT_EQ(BuildSearchIndex(libraries, later, third).stats.reused, 4);
    EXPECT_EQ(Names(third, third.Search("octal")), (std::vector<std::string>{"V:Valve_Octal"}));

    // A footprint changed: only it is read again, and what it says now is found.
    WriteFile(d + "/V.pretty/Valve_Octal.kicad_mod", Footprint("Octal base, rewritten", "tube"));
    SearchIndex fourth;
    const IndexReport r4 = BuildSearchIndex(libraries, later, fourth);
    EXPECT_EQ(r4.stats.read, 1);
    EXPECT_EQ(r4.stats.reused, 3);
    EXPECT_EQ(Names(fourth, fourth.Search("tube")), (std::vector<std::string>{"V:Valve_Octal"}));
    // The documentation beside a legacy library is part of its stamp.
    WriteFile(d + "/connect.dcm", "$CMP BUS_PC\nD Barramento do PC\nK barramento\n$ENDCMP\n");
    SearchIndex fifth;
    EXPECT_EQ(BuildSearchIndex(libraries, later, fifth).stats.read, 1);
    EXPECT_EQ(Names(fifth, fifth.Search("barramento")), (std::vector<std::string>{"connect:BUS_PC"}));
}

TEST(SearchCache, DamagedCacheFileIsRebuiltNeverTrusted) {
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    WriteFile(d + "/L.pretty/A.kicad_mod", Footprint("first", "one"));
    WriteFile(d + "/L.pretty/B.kicad_mod", Footprint("second", "two"));
    std::string error;
    const auto libraries = LibrariesOfFolder(d, error);
    DescribeCache cache;
    SearchIndex index;
    BuildSearchIndex(libraries, cache, index);
    const std::string file = d + "/search-index.bin";
    cache.Save(file);
    const std::string good = ReadFileBytes(file);

    struct Case {
        const char* name;
        std::string bytes;
    };
    std::string flipped = good;
    flipped[good.size() / 2] ^= 0x20;  // a letter of a description changes case
    std::string lying = good;
    lying[12] = '\x7F';  // an entry count far beyond the file
    const Case cases[] = {
        {"one byte changed", flipped},
        {"cut short", good.substr(0, good.size() - 9)},
        {"count beyond the file", lying},
        {"another file", "PK\x03\x04 not a cache at all"},
        {"empty", ""},
    };
    for (const Case& c : cases) {
        WriteFile(file, c.bytes);
        DescribeCache loaded;
        std::string why;
        EXPECT_FALSE(loaded.Load(file, why)) << c.name;
        EXPECT_NE(why.find(file), std::string::npos) << c.name << ": " << why;
        EXPECT_EQ(loaded.Size(), 0u) << c.name;
        SearchIndex rebuilt;
        const IndexReport r = BuildSearchIndex(libraries, loaded, rebuilt);
        EXPECT_EQ(r.stats.read, 2) << c.name;
        EXPECT_EQ(Names(rebuilt, rebuilt.Search("second")), (std::vector<std::string>{"L:B"})) << c.name;
        ASSERT_TRUE(loaded.Changed()) << c.name;
        loaded.Save(file);
        DescribeCache again;
        EXPECT_TRUE(again.Load(file, why)) << c.name << ": " << why;
        EXPECT_EQ(again.Size(), 2u) << c.name;
    }
}

TEST(SearchCache, UnreadableFootprintsAreFoundByNameAndCounted) {
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    WriteFile(d + "/L.pretty/Good.kicad_mod", Footprint("fine", ""));
    WriteFile(d + "/L.pretty/Broken.kicad_mod", "(footprint \"Broken\" (descr \"never closed\"");
    ASSERT_EQ(mkfifo((d + "/L.pretty/Fifo.kicad_mod").c_str(), 0644), 0);
    std::string error;
    const auto libraries = LibrariesOfFolder(d, error);
    DescribeCache cache;
    SearchIndex index;
    for (int pass = 0; pass < 2; ++pass) {
        const IndexReport r = BuildSearchIndex(libraries, cache, index);
        EXPECT_EQ(r.items, 2) << pass;  // the FIFO is not a footprint file
        ASSERT_EQ(r.stats.problems.size(), 1u) << pass;
        EXPECT_NE(r.stats.problems[0].find("1 footprint não pôde ser lido"), std::string::npos) << r.stats.problems[0];
        EXPECT_EQ(Names(index, index.Search("broken")), (std::vector<std::string>{"L:Broken"}));
        EXPECT_TRUE(index.Search("never").empty());
    }
}

// ---- tarnel-cli

TEST(SearchCli, TablesAndSearchOverTheRealLibraries) {
    REQUIRE_CORPUS();
    CorpusTables tables;
    QTemporaryDir cacheHome;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CACHE_HOME", cacheHome.path());
    env.insert("HOME", cacheHome.path());
    env.remove("KICAD_CONFIG_HOME");
    auto run = [&](const QStringList& args, std::string* out, std::string* err) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(TARNEL_CLI, args);
        p.waitForFinished(120000);
        *out = p.readAllStandardOutput().toStdString();
        *err = p.readAllStandardError().toStdString();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    const QString config = QString::fromStdString(tables.config);
    std::string out, err;
    ASSERT_EQ(run({"tables", "--config", config}, &out, &err), 0) << err;
    EXPECT_EQ(out.substr(0, out.find('\n') + 1), "footprints\tJumper\tKiCad\tok\t" TARNEL_CORPUS "/pretty/Jumper.pretty\n");
    EXPECT_NE(out.find("footprints\tOff\tKiCad\tdesativada\t"), std::string::npos) << out;
    EXPECT_NE(out.find("symbols\tlinear\tLegacy\tok\t" TARNEL_CORPUS "/linear.lib\n"), std::string::npos) << out;
    EXPECT_NE(out.find("symbols\tLater\tKiCad\tok\t"), std::string::npos) << out;
    EXPECT_EQ(out.substr(out.rfind("count")), "count 7\n");

    ASSERT_EQ(run({"search", "patch antenna", "--config", config}, &out, &err), 0) << err;
    EXPECT_NE(err.find("1 biblioteca ficou de fora"), std::string::npos) << err;
    EXPECT_EQ(out, "RF_Antenna:Abracon_APAES868R8060C16-T\tAbracon RHCP ceramic patch antenna 854-882Mhz, 5dBi\n"
                   "RF_Antenna:Astrocast_AST50127-00\tL-band patch antenna, "
                   "https://docs.astrocast.com/dl/0534-DOC-M2M-ASTRO-Patch_Antenna-Datasheet.pdf\n");
    // The second run reads the cache the first one left.
    EXPECT_TRUE(QFile::exists(cacheHome.path() + "/tarnel/search-index.bin"));
    ASSERT_EQ(run({"search", "valve", "--config", config, "--pads", "7", "--limit", "1"}, &out, &err), 0) << err;
    EXPECT_EQ(out, "Valve:Valve_Mini_G\tValve mini G\n");
    ASSERT_EQ(run({"search", "Valve", TARNEL_CORPUS "/pretty", "--limit", "3"}, &out, &err), 0) << err;
    EXPECT_EQ(out, "Valve:Valve_ECC-83-1\tValve ECC-83-1 round pins\nValve:Valve_ECC-83-2\tValve ECC-83-2 flat pins\n"
                   "Valve:Valve_EURO\tValve Euro\n");
    ASSERT_EQ(run({"search", "zzqxj", "--config", config}, &out, &err), 0) << err;
    EXPECT_EQ(out, "");
}

TEST(SearchCli, NoTableAndBadArguments) {
    QTemporaryDir empty;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KICAD_CONFIG_HOME", empty.path() + "/none");
    env.insert("HOME", empty.path());
    env.insert("XDG_CACHE_HOME", empty.path());
    struct Case {
        QStringList args;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {{"tables"}, 1, "no KiCad library table found (looked in " },
        {{"search", "x"}, 1, "no KiCad library table found"},
        {{"tables", "--config", empty.path()}, 1, "no KiCad library table found"},
        {{"tables", "--config"}, 2, "--config needs a value"},
        {{"tables", "--config", empty.path() + "/absent"}, 2, "--config: no folder"},
        {{"tables", "extra"}, 2, "unexpected argument"},
        {{"search"}, 2, "expects QUERY"},
        {{"search", "x", "--pads", "many"}, 2, "--pads must be a whole number"},
        {{"search", "x", "--limit", "0"}, 2, "--limit must be a whole number"},
        {{"search", "x", empty.path(), "--config", empty.path()}, 2, "not both"},
        {{"search", "x", "--colour", "red"}, 2, "unknown option"},
        {{"search", "x", empty.path() + "/absent"}, 1, "no folder"},
    };
    for (const Case& c : cases) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(TARNEL_CLI, c.args);
        p.waitForFinished(60000);
        const std::string err = p.readAllStandardError().toStdString();
        EXPECT_EQ(p.exitCode(), c.code) << c.args.join(' ').toStdString() << ": " << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << c.args.join(' ').toStdString() << ": " << err;
    }
}
