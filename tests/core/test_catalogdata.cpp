#include "catalogs/catalogdata.h"
#include "tokenizer/libtext.h"

#include "corpus.h"
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdio>
#include <fstream>

using namespace tarnel;

TEST(CatalogData, FitCases) {
    const struct { int w, h, scale, copyW, copyH; } table[] = {
        {150, 120, 100, 100, 70}, {408, 229, 50, 179, 89}, {587, 587, 33, 179, 179}, {229, 408, 50, 89, 179}};
    for (auto& row : table) {
        Canvas view(2000, 2000);
        // A black view with a white margin of 50 on the left and top.
        view.Brush = BrushStyle::Solid;
        view.BrushColor = kBlack;
        view.FillRect(50, 50, row.w, row.h);
        Canvas pic(179, 179);
        pic.BrushColor = kRed;
        pic.FillRect(0, 0, 179, 179);  // cleared by the fit
        EXPECT_EQ(FitDrawing(view, row.w, row.h, pic), row.scale) << row.w << "x" << row.h;
        EXPECT_EQ(pic.Pixel(0, 0), kBlack);
        EXPECT_EQ(pic.Pixel(row.copyW - 1, row.copyH - 1), kBlack) << row.w << "x" << row.h;
        if (row.copyH < 179) {
            EXPECT_EQ(pic.Pixel(0, row.copyH), kWhite);
        }
        if (row.copyW < 179) {
            EXPECT_EQ(pic.Pixel(row.copyW, 0), kWhite);
        }
    }
}

TEST(CatalogData, ReductionKeepsThinLines) {
    Canvas view(2000, 2000);
    view.Brush = BrushStyle::Solid;
    view.BrushColor = kBlue;
    view.FillRect(50, 200, 50 + 537, 201);  // a one-pixel line
    Canvas pic(179, 179);
    EXPECT_EQ(FitDrawing(view, 50 + 179 * 3, 50 + 179 * 3, pic), 33);
    EXPECT_EQ(pic.Pixel(10, 50), kBlue);  // row (200 - 50) / 3
}

TEST(CatalogData, Captions) {
    EXPECT_EQ(ScaleCaption(50), "Escala: 50 %");
    const struct { const char* n; const char* label; } table[] = {
        {"0", "0 ilha"}, {"1", "1 ilha"}, {"2", "2 ilhas"}, {"10", "10 ilhas"}};
    for (auto& row : table) EXPECT_EQ(PadCaption(row.n), row.label);
    EXPECT_EQ(DocFileName("connect.mod"), "connect.dcm");
    EXPECT_EQ(DocFileName("lib"), "lib.dcm");
    EXPECT_EQ(DocFileName("a.b.mod"), "a.b.dcm");
}

TEST(CatalogData, DocumentationLookup) {
    const std::string dcm =
        "EESchema-DOCLIB  Version 2.0\n#\n$CMP 7400\nD Quad nand2\nK TTL nand\n$ENDCMP\n#\n"
        "$CMP SKIPPED\nK no description first\nD not taken\n$ENDCMP\n"
        "$CMP sm0805\nD small\n$ENDCMP\n"
        "$CMP TWICE\n$CMP TWICE\nD behind the second\n$ENDCMP\n";
    auto m = ParseDocDescriptions(dcm);
    EXPECT_EQ(m["7400"], "Quad nand2");
    EXPECT_EQ(m.count("SKIPPED"), 0u);  // a K line after the name gives nothing
    EXPECT_EQ(m["SM0805"], "small");    // names compared upper-cased on both sides
    EXPECT_EQ(m.count("TWICE"), 0u);    // the line after a name line is not a name line
}

TEST(CatalogData, DescriptionSources) {
    QTemporaryDir d;
    auto write = [&](const char* name, const std::string& s) {
        const std::string p = d.filePath(name).toStdString();
        std::ofstream(p, std::ios::binary) << s;
        return p;
    };
    const std::string dcm = write("lib.dcm", "$CMP A\r\nD from dcm\r\n$ENDCMP\r\n");
    const std::string mdc = write("lib.mdc", "$MODULE C\r\nLi C\r\nCd from mdc\r\nKw x\r\n$EndMODULE\r\n");
    DescriptionSource src;
    src.SetFiles(dcm, mdc);
    const std::vector<std::string> withCd = {"$MODULE A", "Cd own text", "$EndMODULE A"};
    EXPECT_EQ(src.Describe("A", withCd), "from dcm");   // the documentation file wins
    EXPECT_EQ(src.Describe("B", std::vector<std::string>{"$MODULE B", "Cd own text", "$EndMODULE B"}), "own text");
    EXPECT_EQ(src.Describe("c", std::vector<std::string>{"$MODULE c"}), "from mdc");
    EXPECT_EQ(src.Describe("D", std::vector<std::string>{"$MODULE D"}), "");
    // Kept between modules, but an edited file is read again and a removed one no longer used.
    write("lib.dcm", "$CMP A\nD edited in between\n$ENDCMP\n");
    EXPECT_EQ(src.Describe("A", withCd), "edited in between");
    std::remove(dcm.c_str());
    EXPECT_EQ(src.Describe("A", withCd), "own text");
    src.SetFiles(d.filePath("none.dcm").toStdString(), d.filePath("none.mdc").toStdString());
    EXPECT_EQ(src.Describe("A", std::vector<std::string>{"$MODULE A"}), "");
}

TEST(CatalogData, RealFootprintDocumentation) {
    REQUIRE_CORPUS();
    auto m = ParseMdcDescriptions(ReadFileBytes(TARNEL_CORPUS "/connect.mdc"));
    EXPECT_EQ(m.size(), 82u);  // 84 entries, 82 with a Cd line
    EXPECT_EQ(m["BUS_PC"], "Connecteur Bus PC 8 bits");
    auto lin = ParseDocDescriptions(ReadFileBytes(TARNEL_CORPUS "/linear.dcm"));
    EXPECT_GE(lin.size(), 30u);
}
