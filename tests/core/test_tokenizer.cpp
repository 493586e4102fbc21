#include "tokenizer/meuparse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tarnel;

TEST(Tokenizer, WorkedResults) {
    struct Case {
        std::string line;
        std::vector<std::string> tokens;
        int count, result;
    } cases[] = {
        {"DS 0 -600 0 600 120 21", {"DS", "0", "-600", "0", "600", "120", "21"}, 6, 7},
        {"DS 0 -600 0 600 120 21 ", {"DS", "0", "-600", "0", "600", "120", "21"}, 7, 8},
        {"T0 0 -600 600 600 0 120 N V 21 \"R 1\"",
         {"T0", "0", "-600", "600", "600", "0", "120", "N", "V", "21", "R 1"}, 11, 12},
        {"N\"ABC\"", {"N", "ABC"}, 2, 3},
        {"\"ABC", {"ABC"}, 0, 1},
        {"   ", {}, 0, 1},
        {"A B", {"A", "B"}, 1, 2},
        {"A B ", {"A", "B"}, 2, 3},
        {"a\"b c\"", {"a", "b c"}, 2, 3},
        {"\"ab\"cd", {"ab", "cd"}, 1, 2},
        {"\"\"", {""}, 1, 2},
        {"DS\t0", {"DS\t0"}, 0, 1},
    };
    TokenTable t;
    for (auto& c : cases) {
        int r = t.ParseLine(c.line);
        EXPECT_EQ(r, c.result) << c.line;
        EXPECT_EQ(t.TokenCount, c.count) << c.line;
        for (size_t i = 0; i < c.tokens.size(); ++i) EXPECT_EQ(t[static_cast<int>(i) + 1], c.tokens[i]) << c.line;
        EXPECT_EQ(t[static_cast<int>(c.tokens.size()) + 1], "") << c.line;
    }
}

TEST(Tokenizer, Kinds) {
    TokenTable t;
    t.ParseLine("12.5 -3 +4 x");
    EXPECT_EQ(t.Kind(1), KindNumber);
    EXPECT_EQ(t.Kind(2), KindNumber);
    EXPECT_EQ(t.Kind(3), KindNumber);
    EXPECT_EQ(t.Kind(4), KindWord);
    t.ParseLine("--. 1e3 5");
    EXPECT_EQ(t.Kind(1), KindNumber);
    EXPECT_EQ(t.Kind(2), KindWord);
    EXPECT_EQ(t.Kind(3), KindWord);  // closed by the end of the line
    t.ParseLine("\"open");
    EXPECT_EQ(t.Kind(1), KindOpenQuote);
    t.ParseLine("   ");
    EXPECT_EQ(t.Kind(1), KindEmpty);
}

TEST(Tokenizer, OldSlotsClearedAndEmptyLineKeepsCount) {
    TokenTable t;
    t.ParseLine("a b c d e");
    t.ParseLine("x y");
    for (int i = 3; i <= 5; ++i) {
        EXPECT_EQ(t[i], "");
        EXPECT_EQ(t.Kind(i), KindEmpty);
    }
    EXPECT_EQ(t.TokenCount, 1);
    EXPECT_EQ(t.ParseLine(""), 0);
    EXPECT_EQ(t.TokenCount, 1);
    EXPECT_EQ(t[1], "");
}

TEST(Tokenizer, LongLinesStayInsideTheTable) {
    TokenTable t;
    std::string line;
    for (int i = 1; i <= 500; ++i) line += "w" + std::to_string(i) + " ";
    int r = t.ParseLine(line);
    EXPECT_EQ(r, 301);
    EXPECT_EQ(t.TokenCount, 300);
    EXPECT_EQ(t[300], "w300");
    EXPECT_EQ(t[301], "");
    EXPECT_EQ(t[0], "");
    EXPECT_EQ(t[-5], "");
    line.pop_back();  // last word open at the end: still dropped
    r = t.ParseLine(line);
    EXPECT_EQ(r, 301);
    EXPECT_EQ(t[300], "w300");
}
