#include "catalogs/catalogcursor.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace tarnel;

namespace {
struct CursorTest : ::testing::Test {
    QTemporaryDir dir;
    TForm1Core core;
    CatalogCursor cursor{core};
    std::vector<std::string> infos;
    std::string Write(const char* name, const std::string& bytes) {
        const std::string p = dir.filePath(name).toStdString();
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    void SetUp() override {
        std::string lib;
        for (int i = 1; i <= 7; ++i) {
            lib += "$MODULE M" + std::to_string(i) + "\r\nCd own " + std::to_string(i) + "\r\n";
            for (int p = 0; p < i - 1; ++p)
                lib += "$PAD\r\nSh \"1\" C 600 600 0 0 0\r\nAt STD N 0\r\nPo " + std::to_string(p * 1000) + " 0\r\n$EndPAD\r\n";
            if (i == 3) lib += "ALIAS M3A M3B\r\n";
            lib += "$EndMODULE\r\n";
        }
        const std::string path = Write("lib.mod", lib);
        Write("lib.dcm", "$CMP M2\r\nD from the dcm\r\n$ENDCMP\r\n");
        core.Options().ScaleDivisor = 100;
        core.FileListBox1Click(path);
        cursor.SetLibrary(path);
        cursor.ShowInfo = [this](const std::string& m) { infos.push_back(m); };
    }
};
} // namespace

TEST_F(CursorTest, DrawingCatalogRequests) {
    cursor.zerarparaimprimir("QR_FIG");
    EXPECT_EQ(cursor.RecordsLeft, 7);
    EXPECT_EQ(core.ItemIndex(), 0);
    Canvas pic(179, 179);
    std::vector<FigCell> cells;
    FigCell cell;
    while (cursor.QR_FIGNeedData(cell, pic)) {
        cells.push_back(cell);
        EXPECT_TRUE(infos.empty());
    }
    ASSERT_EQ(cells.size(), 7u);  // request 8 answers no more data
    EXPECT_EQ(infos, std::vector<std::string>{"Catálogo gerado!"});
    EXPECT_EQ(cells[0].Name, "M1");
    EXPECT_EQ(cells[0].Pads, "0 ilha");
    EXPECT_EQ(cells[1].Pads, "1 ilha");
    EXPECT_EQ(cells[2].Pads, "2 ilhas");
    EXPECT_EQ(cells[2].Alias, "ALIAS M3A M3B");
    EXPECT_EQ(cells[1].Description, "from the dcm");
    EXPECT_EQ(cells[3].Description, "own 4");
    EXPECT_EQ(cells[0].Scale, "Escala: 100 %");
    EXPECT_EQ(core.ItemIndex(), 7);  // the selection ran past the last entry
}

TEST_F(CursorTest, ListCatalogRequestsAndOtherReports) {
    cursor.zerarparaimprimir("some other report");
    EXPECT_EQ(cursor.RecordsLeft, 0);
    cursor.zerarparaimprimir("qr_lista");
    EXPECT_EQ(cursor.RecordsLeft, 7);
    ListRow row;
    int rows = 0;
    while (cursor.QuickRepNeedData(row)) ++rows;
    EXPECT_EQ(rows, 7);
    EXPECT_TRUE(infos.empty());  // no message at the end of a list
}

TEST_F(CursorTest, UnreadableDocumentationEndsTheRequest) {
    const std::string dcm = dir.filePath("lib.dcm").toStdString();
    std::remove(dcm.c_str());
    std::filesystem::create_directory(dcm);  // exists but cannot be read as a file
    cursor.zerarparaimprimir("QR_FIG");
    Canvas pic(179, 179);
    FigCell cell;
    EXPECT_TRUE(cursor.QR_FIGNeedData(cell, pic));  // not a regular file: no description
    EXPECT_EQ(cell.Description, "own 1");
}
