// The component index over footprint folders beside legacy files.
#include "index/indexrun.h"

#include "corpus.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <fstream>

using namespace tarnel;

namespace {
const QString kPretty = QStringLiteral(TARNEL_CORPUS "/pretty");

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Copies a folder's files (not its sub-folders).
void CopyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QString& f : QDir(from).entryList(QDir::Files)) QFile::copy(from + "/" + f, to + "/" + f);
}
} // namespace

TEST(IndexPretty, FootprintRowsWholeNamesAndLinesWhenShown) {
    QTemporaryDir d;
    const std::string root = d.path().toStdString();
    Write(root + "/legacy.mod",
          "$MODULE a_legacy_module_name_longer_than_twenty\r\nDS 0 0 1 0 120 21\r\n$EndMODULE\r\n");
    ASSERT_EQ(mkdir((root + "/Conn.pretty").c_str(), 0755), 0);
    const std::string longName = "CP_Radial_D10.0mm_P5.00mm_Horizontal";
    Write(root + "/Conn.pretty/" + longName + ".kicad_mod", "(footprint \"x\"\n  (pad 1 smd rect (at 0 0) (size 1 1))\n)\n");
    Write(root + "/Conn.pretty/CP_Radial_D10.0mm_P5.00mm_Vertical.kicad_mod", "(footprint \"y\")\n");
    Write(root + "/Conn.pretty/README.md", "x");

    FolderFileList files(root);
    ASSERT_EQ(files.Count(), 2);
    EXPECT_EQ(files.Entry(0), "legacy.mod");
    EXPECT_EQ(files.Entry(1), "Conn.pretty");
    IndexTables t;
    const IndexRunResult r = BuildIndex(t, files);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.modules, 3);
    EXPECT_EQ(r.names, 3);
    const TMemTable& n = t.RxMD_principal;
    std::vector<std::string> aliases, libs;
    for (int i = 0; i < n.RowCount(); ++i) {
        aliases.push_back(n.Text(i, n.FieldIndex("alias")));
        libs.push_back(n.Text(i, n.FieldIndex("lib")));
    }
    // Legacy names keep their 20-byte cut; footprint names stay whole, so the
    // two capacitors do not collide.
    EXPECT_EQ(aliases, (std::vector<std::string>{"A_LEGACY_MODULE_NAME", "CP_RADIAL_D10.0MM_P5.00MM_HORIZONTAL",
                                                 "CP_RADIAL_D10.0MM_P5.00MM_VERTICAL"}));
    EXPECT_EQ(libs, (std::vector<std::string>{"legacy.mod", "Conn.pretty", "Conn.pretty"}));
    EXPECT_EQ(t.RxMD_lib.RowCount(), 2);

    // A footprint row's lines are read from its file when asked for.
    const TMemTable& c = t.RxMD_comp;
    int row = -1;
    for (int i = 0; i < c.RowCount(); ++i)
        if (c.Text(i, c.FieldIndex("Principal")) == "CP_RADIAL_D10.0MM_P5.00MM_HORIZONTAL") row = i;
    ASSERT_GE(row, 0);
    EXPECT_TRUE(c.Text(row, c.FieldIndex("Comandos")).empty());
    EXPECT_EQ(IndexedModuleLines(t, row), "(footprint \"x\"\r  (pad 1 smd rect (at 0 0) (size 1 1))\r)\r");
    QFile::remove(QString::fromStdString(root + "/Conn.pretty/" + longName + ".kicad_mod"));
    EXPECT_NE(IndexedModuleLines(t, row).find(longName), std::string::npos);  // why it cannot be read
    // Legacy rows keep their lines in the table.
    for (int i = 0; i < c.RowCount(); ++i) {
        if (c.Text(i, c.FieldIndex("Lib")) == "legacy.mod") {
            EXPECT_EQ(IndexedModuleLines(t, i), c.Text(i, c.FieldIndex("Comandos")));
        }
    }
}

TEST(IndexPretty, CliOverRealFolderCopiesAndAModFile) {
    REQUIRE_CORPUS();
    QTemporaryDir d;
    int footprints = 0;
    for (const char* lib : {"Jumper.pretty", "Valve.pretty", "RF_Antenna.pretty"}) {
        CopyFolder(kPretty + "/" + lib, d.filePath(lib));
        footprints += QDir(d.filePath(lib)).entryList({"*.kicad_mod"}, QDir::Files).size();
    }
    QFile::copy(QStringLiteral(TARNEL_CORPUS "/Pot.mod"), d.filePath("Pot.mod"));
    QProcess p;
    p.start(TARNEL_CLI, {"index", d.path()});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    // Pot.mod: 9 modules, no aliases.
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Modelos: %1").arg(footprints + 9));
    EXPECT_EQ(lines[1], QStringLiteral("Componentes: %1").arg(footprints + 9));
    EXPECT_EQ(lines.size(), 2 + footprints + 9);
    // Pot.mod's 9 modules come first; this is the 15th of Jumper's sorted names.
    EXPECT_TRUE(lines.contains("SOLDERJUMPER-3_P1.3MM_BRIDGED2BAR12_ROUNDEDPAD1.0X1.5MM_NUMBERLABELS\tJumper.pretty\t"
                               "SOLDERJUMPER-3_P1.3MM_BRIDGED2BAR12_ROUNDEDPAD1.0X1.5MM_NUMBERLABELS\t" +
                               QString::number(9 + 15)))
        << lines.join('\n').toStdString();
}
