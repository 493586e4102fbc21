#include "report/pagestream.h"
#include "tokenizer/libtext.h"
#include "viewer/tarnel.h"

#include "corpus.h"
#include "cli_run.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace tarnel;


// Page counts follow six cells and 52 rows a page (no alias text stretches
// in these libraries' footprints).
TEST(CliCatalog, RealLibrariesPageCounts) {
    REQUIRE_CORPUS();
    QTemporaryDir d;
    for (const char* lib : {"connect.mod", "Pot.mod", "muonde.mod", "units_mm/lqfp.mod"}) {
        const std::string path = std::string(TARNEL_CORPUS "/") + lib;
        const size_t n = ScanModuleNames(ReadFileBytes(path)).size();
        for (const char* kind : {"drawings", "list"}) {
            const QString qrp = d.filePath(QStringLiteral("r.qrp"));
            std::string out, err;
            ASSERT_EQ(RunCli({"catalog", kind, QString::fromStdString(path), "--qrp", qrp}, &out, &err), 0) << err;
            const int perPage = std::string(kind) == "drawings" ? 6 : 52;
            const int expected = static_cast<int>((n + perPage - 1) / perPage);
            LoadedReport r = LoadReport(qrp.toStdString());
            EXPECT_EQ(r.PageCount, expected) << lib << " " << kind;
            ASSERT_TRUE(r.Paper.has_value());
            EXPECT_EQ(r.Paper->Row, 10);  // A4 at 96 dpi
            EXPECT_NE(out.find("\"pages\":" + std::to_string(expected)), std::string::npos) << out;
        }
    }
}

TEST(CliCatalog, PdfOfACatalogPassesQpdf) {
    REQUIRE_CORPUS();
    if (QStandardPaths::findExecutable("qpdf").isEmpty()) GTEST_SKIP() << "qpdf is not installed";
    QTemporaryDir d;
    const QString base = d.filePath("pot");
    std::string err;
    ASSERT_EQ(RunCli({"catalog", "drawings", TARNEL_CORPUS "/Pot.mod", "--pdf", base}, nullptr, &err), 0) << err;
    QProcess q;
    q.start("qpdf", {"--check", base + ".PDF"});
    q.waitForFinished(60000);
    EXPECT_EQ(q.exitCode(), 0) << q.readAllStandardOutput().toStdString();
}

TEST(CliCatalog, BadArguments) {
    EXPECT_EQ(RunCli({"catalog", "pictures", TARNEL_CORPUS "/Pot.mod"}), 2);
    EXPECT_EQ(RunCli({"catalog", "list", "/nonexistent.mod"}), 1);
    QTemporaryDir d;
    const QString empty = d.filePath("empty.mod");
    QFile f(empty);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QFile h(d.filePath("header.mod"));
    ASSERT_TRUE(h.open(QIODevice::WriteOnly));
    h.write("PCBNEW-LibModule-V1  01/01/2010-00:00:00\n$INDEX\n$EndINDEX\n$EndLIBRARY\n");
    h.close();
    // A library without modules is said to be one, not a missing selection.
    for (const QString& lib : {empty, d.filePath("header.mod")})
        for (const char* kind : {"drawings", "list"}) {
            std::string err;
            EXPECT_EQ(RunCli({"catalog", kind, lib}, nullptr, &err), 1) << lib.toStdString();
            EXPECT_NE(err.find("\"" + lib.toStdString() + "\" has no modules"), std::string::npos) << err;
        }
}

// A picture that cannot be written says why.
TEST(CliCatalog, PngWriteFailureNamesTheReason) {
    REQUIRE_CORPUS();
    QTemporaryDir d;
    const QString qrp = d.filePath("p.qrp");
    std::string err;
    ASSERT_EQ(RunCli({"catalog", "list", TARNEL_CORPUS "/Pot.mod", "--qrp", qrp}, nullptr, &err), 0) << err;
    EXPECT_EQ(RunCli({"qrp-page", qrp, "1", "--png", "/nonexistent-folder/p.png"}, nullptr, &err), 1);
    EXPECT_NE(err.find("\"/nonexistent-folder/p.png\": No such file or directory"), std::string::npos) << err;
    ASSERT_EQ(RunCli({"qrp-page", qrp, "1", "--png", d.filePath("p.png")}, nullptr, &err), 0) << err;
    EXPECT_FALSE(QImage(d.filePath("p.png")).isNull());
    EXPECT_EQ(QDir(d.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}
