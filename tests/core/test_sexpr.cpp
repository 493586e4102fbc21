// The s-expression reader: quoting, escapes, numbers, layout, and input it
// must refuse without crashing.
#include "sexpr/sexpr.h"

#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <vector>

using namespace tarnel::sexpr;

namespace {
// The atoms of the root list after its keyword, as read.
std::vector<std::string> Atoms(const std::string& text) {
    const Document d = Document::Parse(text);
    std::vector<std::string> out;
    for (Node n = d.Root().First().Next(); n; n = n.Next()) out.emplace_back(n.Text());
    return out;
}
} // namespace

TEST(Sexpr, QuotedAndBareAtomsAreTheSame) {
    const Document a = Document::Parse("(module R_0805 (layer F.Cu) (at 1.5 -2))");
    const Document b = Document::Parse("(\"module\" \"R_0805\"\n\t(\"layer\"\t\"F.Cu\")(at \"1.5\" -2))");
    for (const Document* d : {&a, &b}) {
        const Node r = d->Root();
        EXPECT_EQ(r.Keyword(), "module");
        EXPECT_EQ(r.At(1).Text(), "R_0805");
        EXPECT_EQ(r.Find("layer").At(1).Text(), "F.Cu");
        EXPECT_DOUBLE_EQ(r.Find("at").Number(1), 1.5);
        EXPECT_DOUBLE_EQ(r.Find("at").Number(2), -2);
        EXPECT_EQ(r.Count(), 4u);
    }
}

TEST(Sexpr, EscapesInsideQuotes) {
    struct Case {
        const char* in;
        std::string out;
    } cases[] = {
        {R"((x ".100\" Tiger Beam"))", ".100\" Tiger Beam"},
        {R"((x "a\\b"))", "a\\b"},
        {R"((x "l1\nl2\r\t"))", "l1\nl2\r\t"},
        {R"((x "\a\b\f\v"))", "\a\b\f\v"},
        {R"((x "\x41\x4a!"))", "AJ!"},
        {R"((x "\101\60x"))", "A0x"},
        {R"((x "\q\xZ"))", "\\q\\xZ"},  // unknown escapes keep the backslash
        {R"((x ""))", ""},
        {"(x \"two\nlines\")", "two\nlines"},
        {"(x \"caf\xC3\xA9\")", "caf\xC3\xA9"},
    };
    for (const Case& c : cases) {
        const auto atoms = Atoms(c.in);
        ASSERT_EQ(atoms.size(), 1u) << c.in;
        EXPECT_EQ(atoms[0], c.out) << c.in;
    }
}

TEST(Sexpr, NumbersAsKiCadWritesThem) {
    struct Case {
        const char* text;
        bool ok;
        double value;
    } cases[] = {
        {"1.27", true, 1.27},   {"-0.5", true, -0.5},  {"+3", true, 3},       {"8.881784197e-16", true, 8.881784197e-16},
        {"1E3", true, 1000},    {".5", true, 0.5},     {"5.", true, 5},       {"5E258953", true, HUGE_VAL},
        {"1e-400", true, 0},    {"abc", false, 0},     {"", false, 0},        {"-", false, 0},
        {"1.2.3", false, 0},    {"0x10", false, 0},    {"nan", false, 0},     {"1e", false, 0},
        {"12mm", false, 0},
    };
    for (const Case& c : cases) {
        double v = -99;
        EXPECT_EQ(ParseNumber(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v, c.value) << c.text;
        }
    }
}

// Beyond a double, the nearest one: whether the number is tiny or huge is
// in where its first significant digit stands, not in its exponent's sign.
TEST(Sexpr, NumbersBeyondADouble) {
    const std::string zeros(400, '0');
    struct Case {
        std::string text;
        double value;
    } cases[] = {
        {"0." + zeros + "1", 0},           {"-0." + zeros + "1", -0.0},     {"0." + zeros + "1e+5", 0},
        {"1" + zeros + "e-10", HUGE_VAL}, {"-1" + zeros, -HUGE_VAL},        {"." + zeros + "7", 0},
        {"1" + zeros + "e-390", 1e10},    {"0." + zeros + "1e390", 1e-11}, {"1e-99999999999999999999", 0},
        {"0." + zeros + "0", 0},          {"1e99999999999999999999", HUGE_VAL},
    };
    for (const Case& c : cases) {
        double v = -99;
        EXPECT_TRUE(ParseNumber(c.text, v)) << c.text;
        EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
}

TEST(Sexpr, LayoutAndSeparators) {
    // Script-made files break lines anywhere; NUL separates like a blank.
    const std::string text = std::string("(module\nNAME\n(descr \"d\")\r\n(at\t0\t0)") + '\0' + "(x))";
    const Document d = Document::Parse(text);
    EXPECT_EQ(d.Root().At(1).Text(), "NAME");
    EXPECT_EQ(d.Root().Find("descr").At(1).Text(), "d");
    EXPECT_TRUE(d.Root().Find("x"));
    EXPECT_FALSE(d.Root().Find("missing"));
    EXPECT_FALSE(d.Root().Find("missing").At(1));  // a null node answers nothing
    EXPECT_EQ(d.Root().Find("missing").Number(1, 7), 7);
}

TEST(Sexpr, HostileInputIsRefusedWithALine) {
    struct Case {
        const char* name;
        std::string text;
        const char* says;
        size_t line;
    } cases[] = {
        {"empty", "", "nenhuma lista", 1},
        {"blanks only", " \n\t ", "nenhuma lista", 2},
        {"unclosed", "(module x\n(at 1 2)\n", "lista não fechada", 3},
        {"extra close", "(module x))", "parêntese que fecha", 1},
        {"close first", ")(", "parêntese que fecha", 1},
        {"text before", "module (x)", "fora de qualquer lista", 1},
        {"two roots", "(a)\n(b)", "depois do fim", 2},
        {"text after", "(a) b", "depois do fim", 1},
        {"open string", "(a \"never\nends)", "não termina", 1},
        {"deep", std::string(100000, '(') + std::string(100000, ')'), "aninhadas em mais de", 1},
    };
    for (const Case& c : cases) {
        try {
            (void)Document::Parse(c.text);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const ParseError& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << c.name << ": " << e.what();
            EXPECT_EQ(e.Line(), c.line) << c.name;
        }
    }
}

TEST(Sexpr, DepthLimitIsAtLeastAHundred) {
    std::string ok = std::string(150, '(') + std::string(150, ')');
    EXPECT_NO_THROW((void)Document::Parse(ok));
    std::string deep = std::string(kMaxDepth + 1, '(') + std::string(kMaxDepth + 1, ')');
    EXPECT_THROW((void)Document::Parse(deep), ParseError);
}

TEST(Sexpr, LargeInputs) {
    // A 1 MB atom reads whole.
    const std::string big(1 << 20, 'x');
    EXPECT_EQ(Atoms("(a " + big + ")").at(0).size(), big.size());
    // Past 64 MiB the file is refused before anything is read.
    const std::string huge(kMaxInputBytes + 1, ' ');
    try {
        (void)Document::Parse(huge);
        ADD_FAILURE() << "accepted";
    } catch (const ParseError& e) {
        EXPECT_NE(std::string(e.what()).find("MiB"), std::string::npos) << e.what();
    }
    // Millions of tiny lists: refused past the element limit, not read into
    // memory without end.
    std::string many = "(a";
    many.reserve((kMaxElements + 10) * 2 + 4);
    for (size_t i = 0; i < kMaxElements + 10; ++i) many += "()";
    many += ")";
    EXPECT_THROW((void)Document::Parse(many), ParseError);
}
