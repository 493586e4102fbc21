#include "render_fixture.h"

using namespace tarnel;

TEST_F(Render, KeywordsInAnyCase) {
    v.Options().TextMode = 2;
    Draw({"t0 0 0 600 600 0 120 N V 21 \"ABC\""});
    EXPECT_GT(Count(kBlack, 200, 200, 300, 300), 0);  // drawn as a text line
    Draw({"$pad", "Sh \"1\" R 600 400 0 0 0", "At STD N 00E0FFFF", "Po 0 0", "$EndPAD"});
    EXPECT_EQ(v.PadCount(), 1);
    EXPECT_FALSE(v.Interpreter().PadState.InProgress);
}

TEST_F(Render, FieldLinesTwoCharactersOnly) {
    Draw({"F10 \"REF\" 0 0 50 H V C CNN"});
    EXPECT_EQ(v.View().ViewWidth, 101);  // nothing tracked
    Draw({"F1 \"REF\" 0 0 50 H V C CNN"});
    EXPECT_EQ(v.View().ExtentMinX, 217);
    Draw({"f1 \"REF\" 1000 0 50 H V C CNN"});
    EXPECT_EQ(v.View().ExtentMinX, 226);
}

TEST_F(Render, AliasAndDefinition) {
    Draw({"DEF 7400 U 0 30 Y Y 4 F N", "ALIAS 74LS00 74HC00", "Alias second line"});
    EXPECT_EQ(v.DefinitionName(), "4");  // token 8
    EXPECT_EQ(v.AliasLine(), "Alias second line");
    Draw({"DEF 7400 U 0 30"});
    EXPECT_EQ(v.DefinitionName(), "");
    EXPECT_EQ(v.AliasLine(), "");
}

TEST_F(Render, SegmentInsidePadBlockGoesToPadAndLinha) {
    Draw({"$PAD", "DS 0 0 1000 0", "Sh \"1\" C 100 100 0 0 0", "At STD N 0", "Po 5000 5000", "$EndPAD"});
    EXPECT_EQ(v.PadCount(), 1);
    EXPECT_EQ(W(220, 217), kBlue);  // the segment was drawn too
}

TEST_F(Render, OpenPadBlockCarriesIntoTheNextPass) {
    Draw({"$PAD", "Sh \"1\" R 600 400 0 0 0"});
    EXPECT_TRUE(v.Interpreter().PadState.InProgress);
    Draw({"At SMD N 0", "Po 0 0", "$ENDPAD"});  // wrong case: still open
    EXPECT_TRUE(v.Interpreter().PadState.InProgress);
    EXPECT_EQ(v.PadCount(), 0);
    Draw({"$EndPAD"});
    EXPECT_FALSE(v.Interpreter().PadState.InProgress);
    EXPECT_EQ(v.PadCount(), 1);
    EXPECT_EQ(v.Interpreter().PadState.Attribute, "SMD");
}

TEST_F(Render, BlankLinesAndUnknownKeywordsAreIgnored) {
    Draw({"", "   ", "Po 100 100", "Li ABC", "$MODULE X", "DRAW", "ENDDRAW"});
    EXPECT_EQ(v.View().ViewWidth, 101);
}
