// "Bibliotecas do KiCad" in the main window and the search across
// libraries in the component index, driven through their widgets over a
// settings folder made here whose tables name real libraries.
#include "viewer/ui/mainform.h"

#include "index/ui/pag2.h"
#include "preview/dialogs.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <fstream>
#include <memory>

using namespace tarnel;

namespace {

const QString kCorpus = QStringLiteral(TARNEL_CORPUS);

void WriteFile(const QString& path, const std::string& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

class KicadLibraries : public ::testing::Test {
protected:
    void SetUp() override {
        struct stat st {};
        if (stat(TARNEL_CORPUS, &st) != 0) GTEST_SKIP() << "real libraries not found at " TARNEL_CORPUS;
        savedCwd_ = QDir::currentPath();
        savedConfig_ = qgetenv("KICAD_CONFIG_HOME");
        hadConfig_ = qEnvironmentVariableIsSet("KICAD_CONFIG_HOME");
        savedMessage_ = Dialogs().Message;
        Dialogs().Message = [this](QWidget*, UiDialogs::Icon, const std::string& text) { messages.push_back(text); };
        const QString config = dir.path() + "/config/10.0";
        WriteFile(config + "/kicad_common.json",
                  "{\"environment\": {\"vars\": {\"CORPUS\": \"" + kCorpus.toStdString() + "\"}}}");
        WriteFile(config + "/fp-lib-table",
                  "(fp_lib_table\n\t(version 7)\n"
                  "\t(lib (name \"Valve\") (type \"KiCad\") (uri \"${CORPUS}/pretty/Valve.pretty\") (options \"\") (descr \"Valves\"))\n"
                  "\t(lib (name \"Gone\") (type \"KiCad\") (uri \"${CORPUS}/pretty/Gone.pretty\") (options \"\") (descr \"\"))\n"
                  "\t(lib (name \"Antennas\") (type \"KiCad\") (uri \"${CORPUS}/pretty/RF_Antenna.pretty\") (options \"\") (descr \"\") (disabled))\n"
                  "\t(lib (name \"Parts\") (type \"Eagle\") (uri \"${CORPUS}/parts.lbr\") (options \"\") (descr \"\"))\n"
                  "\t(lib (name \"connect\") (type \"Legacy\") (uri \"${CORPUS}/connect.mod\") (options \"\") (descr \"\"))\n"
                  ")\n");
        qputenv("KICAD_CONFIG_HOME", (dir.path() + "/config").toUtf8());
    }
    void TearDown() override {
        w.reset();
        if (hadConfig_) qputenv("KICAD_CONFIG_HOME", savedConfig_);
        else qunsetenv("KICAD_CONFIG_HOME");
        Dialogs().Message = savedMessage_;
        QDir::setCurrent(savedCwd_);
    }

    TForm1& Open() {
        w = std::make_unique<TForm1>();
        w->DefaultFolder = std::string(TARNEL_SOURCE_DIR) + "/samples";
        w->show();
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w->windowHandle()));
        return *w;
    }

    static void ChooseKicadLibraries(TForm1& f) {
        const int item = f.DriveComboBox1->findText(QStringLiteral("Bibliotecas do KiCad"));
        ASSERT_GE(item, 0);
        emit f.DriveComboBox1->activated(item);
    }

    static void ClickRow(QListWidget* list, const QString& text, bool twice = false) {
        const auto items = list->findItems(text, Qt::MatchStartsWith);
        ASSERT_FALSE(items.isEmpty()) << text.toStdString();
        list->scrollToItem(items[0]);
        const QPoint at = list->visualItemRect(items[0]).center();
        if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        else QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    static QStringList Texts(const QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out;
    }

    static int NonWhite(const QPixmap& p) {
        const QImage img = p.toImage();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
        return n;
    }

    QTemporaryDir dir;
    std::unique_ptr<TForm1> w;
    std::vector<std::string> messages;

private:
    QString savedCwd_;
    QByteArray savedConfig_;
    bool hadConfig_ = false;
    std::function<void(QWidget*, UiDialogs::Icon, const std::string&)> savedMessage_;
};

} // namespace

TEST_F(KicadLibraries, ChooseTheLibrariesOpenARowSearchAndClickAResult) {
    TForm1& f = Open();
    ChooseKicadLibraries(f);
    EXPECT_TRUE(f.ShowingKicadLibraries());
    EXPECT_EQ(f.DriveComboBox1->currentText(), QStringLiteral("Bibliotecas do KiCad"));
    // The rows by nickname, with their state when it is not "ok".
    EXPECT_EQ(Texts(f.FileListBox1),
              (QStringList{"Valve", QStringLiteral("Gone (não encontrada)"), "Antennas (desativada)",
                           QStringLiteral("Parts (tipo não suportado)"), "connect"}));
    // The folder list offers the settings folder read and the project choice.
    EXPECT_EQ(f.DLB1->currentItem()->text(), "KiCad 10.0");
    EXPECT_TRUE(Texts(f.DLB1).contains(QStringLiteral("Escolher projeto…")));

    // Choosing a row opens its library as choosing it in a folder does.
    ClickRow(f.FileListBox1, "Valve");
    EXPECT_EQ(f.ListedLibraryPath(), kCorpus.toStdString() + "/pretty/Valve.pretty");
    EXPECT_EQ(f.ListBox1->count(), 10);
    EXPECT_EQ(f.Label2->text(), "10");
    EXPECT_TRUE(f.Core().LinesAreKicadMod());
    EXPECT_GT(f.Core().View().ViewWidth, 0);
    // A row that cannot open says why in the status line; nothing opens.
    ClickRow(f.FileListBox1, "Gone");
    EXPECT_TRUE(f.statusBar()->currentMessage().contains(QStringLiteral("não foi encontrada")))
        << f.statusBar()->currentMessage().toStdString();
    EXPECT_TRUE(f.statusBar()->currentMessage().contains("Gone.pretty"));
    EXPECT_EQ(f.ListBox1->count(), 0);
    ClickRow(f.FileListBox1, "Parts");
    EXPECT_TRUE(f.statusBar()->currentMessage().contains("Eagle")) << f.statusBar()->currentMessage().toStdString();
    // A disabled row says so; asked for twice, it opens.
    ClickRow(f.FileListBox1, "Antennas");
    EXPECT_TRUE(f.statusBar()->currentMessage().contains(QStringLiteral("desativada")));
    EXPECT_EQ(f.ListBox1->count(), 0);
    ClickRow(f.FileListBox1, "Antennas", true);
    EXPECT_EQ(f.ListBox1->count(), 16);
    // A legacy row.
    ClickRow(f.FileListBox1, "connect");
    EXPECT_EQ(f.ListBox1->count(), 90);
    EXPECT_TRUE(messages.empty());

    // The component index searches the same libraries (the disabled one
    // aside) as the user types.
    TForm2 index(f.FileList(), &f);
    index.TablesSource = [&f] { return f.ReadKicadTables(); };
    index.CacheFile = (dir.path() + "/cache/search-index.bin").toStdString();
    index.SearchScope->setCurrentIndex(1);
    index.show();
    index.Pages->setCurrentIndex(1);
    index.SearchEdit->setFocus();
    QTest::keyClicks(index.SearchEdit, "valve");
    EXPECT_EQ(index.SearchResults->model()->rowCount(), 10);
    EXPECT_TRUE(index.SearchStatus->text().startsWith(QStringLiteral("10 encontrados em 100 itens")))
        << index.SearchStatus->text().toStdString();
    QTest::keyClicks(index.SearchEdit, " pins");
    ASSERT_EQ(index.SearchResults->model()->rowCount(), 2);
    EXPECT_EQ(index.SearchResults->model()->index(0, 0).data().toString(), "Valve:Valve_ECC-83-1");
    // The pad filter narrows as it changes.
    index.SearchEdit->setText("valve");
    index.PadsFilter->setValue(7);
    ASSERT_EQ(index.SearchResults->model()->rowCount(), 2);
    EXPECT_EQ(index.SearchResults->model()->index(0, 0).data().toString(), "Valve:Valve_Mini_G");
    EXPECT_EQ(index.SearchResults->model()->index(0, 1).data().toString(), "7 ilhas");

    // Clicking a result shows its lines and its drawing.
    const QModelIndex cell = index.SearchResults->model()->index(1, 0);
    QTest::mouseClick(index.SearchResults->viewport(), Qt::LeftButton, {}, index.SearchResults->visualRect(cell).center());
    EXPECT_EQ(index.DBEdit2->text(), "Valve:Valve_Mini_P");
    EXPECT_EQ(index.DBEdit3->text(), "7 ilhas");
    EXPECT_TRUE(index.DBEdit1->text().startsWith("Valve mini P")) << index.DBEdit1->text().toStdString();
    EXPECT_TRUE(index.DBMemo1->toPlainText().startsWith("(footprint \"Valve_Mini_P\"")) << index.DBMemo1->toPlainText().left(80).toStdString();
    ASSERT_FALSE(index.Drawing->pixmap().isNull());
    EXPECT_GT(NonWhite(index.Drawing->pixmap()), 100);
    // A legacy module's lines too.
    index.PadsFilter->setValue(-1);
    index.SearchEdit->setText("bus_pc");
    ASSERT_EQ(index.SearchResults->model()->rowCount(), 1);
    index.ShowResult(0);
    EXPECT_TRUE(index.DBMemo1->toPlainText().startsWith("$MODULE BUS_PC")) << index.DBMemo1->toPlainText().left(40).toStdString();
    EXPECT_TRUE(index.DBEdit1->text().contains("Connecteur Bus PC 8 bits"));
    // Nothing found says so.
    index.SearchEdit->setText("zzqxj");
    EXPECT_EQ(index.SearchResults->model()->rowCount(), 0);
    EXPECT_EQ(index.SearchStatus->text(), QStringLiteral("não encontrado"));
    // The cache went to the file named.
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/cache/search-index.bin"));
}

TEST_F(KicadLibraries, NoTableFoundSaysSoAndTheProjectShadowsAGlobalRow) {
    TForm1& f = Open();
    // A project whose table names "Valve" again, for other footprints.
    const QString project = dir.path() + "/board";
    WriteFile(project + "/board.kicad_pro", "{}");
    WriteFile(project + "/fp-lib-table",
              "(fp_lib_table (lib (name Valve)(type KiCad)(uri ${KIPRJMOD}/../jumpers.pretty)(options \"\")(descr \"\")))\n");
    ASSERT_TRUE(QDir().mkpath(dir.path() + "/jumpers.pretty"));
    QFile::copy(kCorpus + "/pretty/Jumper.pretty/SolderJumper-2_P1.3mm_Open_Pad1.0x1.5mm.kicad_mod",
                dir.path() + "/jumpers.pretty/J.kicad_mod");
    f.ChooseKicadProject(project + "/board.kicad_pro");
    ChooseKicadLibraries(f);
    const QStringList rows = Texts(f.FileListBox1);
    ASSERT_GE(rows.size(), 2);
    EXPECT_EQ(rows[0], "Valve");
    EXPECT_EQ(rows[1], QStringLiteral("Valve (encoberta pelo projeto)"));
    EXPECT_TRUE(Texts(f.DLB1).contains("Projeto: board"));
    ClickRow(f.FileListBox1, "Valve");
    EXPECT_EQ(f.ListBox1->count(), 1) << "the project's library opens";

    // "Sem projeto", then a settings folder with no tables at all.
    const auto none = f.DLB1->findItems("Sem projeto", Qt::MatchExactly);
    ASSERT_EQ(none.size(), 1);
    f.DLB1->setCurrentItem(none[0]);
    QTest::keyClick(f.DLB1, Qt::Key_Return);
    EXPECT_EQ(Texts(f.FileListBox1).first(), "Valve");
    EXPECT_EQ(Texts(f.FileListBox1).size(), 5);
    f.ChooseKicadSettings(dir.path() + "/empty");
    EXPECT_EQ(f.FileListBox1->count(), 0);
    EXPECT_TRUE(f.statusBar()->currentMessage().startsWith(QStringLiteral("Nenhuma tabela")));
    // Choosing a folder leaves the KiCad libraries.
    f.SetFolder(QString(TARNEL_SOURCE_DIR) + "/samples");
    EXPECT_FALSE(f.ShowingKicadLibraries());
    EXPECT_EQ(Texts(f.FileListBox1), (QStringList{"exemplo.mod", "simbolos.lib", "simbolos.kicad_sym", "exemplo.pretty/"}));
}

// Saves docs/search-window.png when TARNEL_SCREENSHOT_DIR names a folder.
TEST_F(KicadLibraries, Screenshot) {
    const QString out = qEnvironmentVariable("TARNEL_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "TARNEL_SCREENSHOT_DIR not set";
    TForm1& f = Open();
    ChooseKicadLibraries(f);
    TForm2 index(f.FileList(), &f);
    index.TablesSource = [&f] { return f.ReadKicadTables(); };
    index.CacheFile = (dir.path() + "/cache/search-index.bin").toStdString();
    index.resize(980, 600);
    index.SearchScope->setCurrentIndex(1);
    index.show();
    index.Pages->setCurrentIndex(1);
    QTest::keyClicks(index.SearchEdit, "valve pin");
    ASSERT_GE(index.SearchResults->model()->rowCount(), 2);
    index.SearchResults->selectRow(1);
    QApplication::processEvents();
    ASSERT_TRUE(index.grab().save(QDir(out).filePath("search-window.png")));
}
