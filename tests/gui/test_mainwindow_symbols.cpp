// The main window over current symbol libraries: listed apart from the other
// kinds, their symbols listed and drawn, the unit and style choices, the
// status line.
#include "viewer/ui/mainform.h"

#include "preview/dialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <memory>

using namespace tarnel;

namespace {

const QString kSamples = QStringLiteral(TARNEL_SOURCE_DIR "/samples");

class SymbolWindow : public ::testing::Test {
protected:
    void SetUp() override {
        savedCwd_ = QDir::currentPath();
        savedMessage_ = Dialogs().Message;
        Dialogs().Message = [this](QWidget*, UiDialogs::Icon, const std::string& text) { messages.push_back(text); };
    }
    void TearDown() override {
        w.reset();
        Dialogs().Message = savedMessage_;
        QDir::setCurrent(savedCwd_);
    }
    TForm1& Open(const QString& folder) {
        w = std::make_unique<TForm1>();
        w->DefaultFolder = folder.toStdString();
        w->show();
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w->windowHandle()));
        return *w;
    }
    static void ClickItem(QListWidget* list, int row) {
        QListWidgetItem* item = list->item(row);
        ASSERT_NE(item, nullptr);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }
    static void PickFile(TForm1& f, const QString& name) {
        const auto items = f.FileListBox1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        ClickItem(f.FileListBox1, f.FileListBox1->row(items[0]));
    }
    static void PickSymbol(TForm1& f, const QString& name) {
        const auto items = f.ListBox1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        ClickItem(f.ListBox1, f.ListBox1->row(items[0]));
    }
    static int Black(TForm1& f) {
        const QImage img = f.Image2->grab().toImage();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xFFFFFF) == 0;
        return n;
    }

    std::unique_ptr<TForm1> w;
    std::vector<std::string> messages;

private:
    QString savedCwd_;
    std::function<void(QWidget*, UiDialogs::Icon, const std::string&)> savedMessage_;
};

} // namespace

// Current symbol files follow the legacy ones and symbol folders come last,
// each with the symbol icon and a tip that says what it is; the index takes
// them, not the legacy ".lib".
TEST_F(SymbolWindow, ListedApartFromTheOtherKinds) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    std::ofstream(root + "/a.mod") << "$MODULE A\n$EndMODULE A\n";
    std::ofstream(root + "/s.lib") << "DEF S U 0 40 Y Y 1 F N\nENDDEF\n";
    std::ofstream(root + "/x.kicad_sym") << "(kicad_symbol_lib (symbol \"X\" (symbol \"X_1_1\" (rectangle (start 0 0) (end 1 1)))))";
    ASSERT_TRUE(QDir(dir.path()).mkdir("f.pretty"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("y.kicad_symdir"));
    TForm1& f = Open(dir.path());
    ASSERT_EQ(f.FileListBox1->count(), 5);
    const QStringList shown{"a.mod", "s.lib", "x.kicad_sym", "f.pretty/", "y.kicad_symdir/"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(f.FileListBox1->item(i)->text(), shown[i]);
    EXPECT_EQ(f.FileListBox1->item(2)->toolTip(), "Biblioteca de símbolos (KiCad 6 ou mais recente)");
    EXPECT_EQ(f.FileListBox1->item(4)->toolTip(), "Biblioteca de símbolos (pasta .kicad_symdir)");
    EXPECT_FALSE(f.FileListBox1->item(2)->icon().isNull());
    EXPECT_EQ(f.FileList().Count(), 4);
    EXPECT_EQ(f.FileList().Entry(1), "x.kicad_sym");
    EXPECT_EQ(f.FileList().Entry(3), "y.kicad_symdir");
    // An empty symbol folder says so.
    PickFile(f, "y.kicad_symdir/");
    EXPECT_EQ(f.ListBox1->count(), 0);
    EXPECT_EQ(f.statusBar()->currentMessage(), "A biblioteca y.kicad_symdir não tem símbolos.");
}

// The sample library: a symbol shows its own text and drawing; the unit
// choice appears for several units, the style choice for De Morgan
// symbols, and each redraws at once; a derived symbol names its parent.
TEST_F(SymbolWindow, SymbolsUnitsStylesAndStatus) {
    TForm1& f = Open(kSamples);
    PickFile(f, "simbolos.kicad_sym");
    ASSERT_EQ(f.ListBox1->count(), 4);
    EXPECT_EQ(f.ListBox1->item(0)->text(), "AmpOp_Duplo");
    EXPECT_EQ(f.Label2->text(), "4");
    EXPECT_EQ(f.TextListBox1->toPlainText().split('\n').first(), "(symbol \"AmpOp_Duplo\"");
    EXPECT_EQ(f.TextListBox1->toPlainText().split('\n').last(), "\t)");
    EXPECT_TRUE(f.SE_unidade->isVisible());
    EXPECT_TRUE(f.L_unidade->isVisible());
    EXPECT_EQ(f.L_unidade->text(), "Unidade");
    EXPECT_FALSE(f.SE_estilo->isVisible());
    EXPECT_EQ(f.SE_unidade->text(), "A");
    EXPECT_EQ(f.SE_unidade->maximum(), 3);
    EXPECT_EQ(f.statusBar()->currentMessage(), "Unidade A (1 de 3)");
    const int unitA = f.Core().View().ViewHeight;
    // Unit C, the power pins: drawn at once.
    f.SE_unidade->setValue(3);
    EXPECT_EQ(f.SE_unidade->text(), "C");
    EXPECT_EQ(f.Core().LastFigure().symbol.unit, 3);
    EXPECT_NE(f.Core().View().ViewHeight, unitA);
    EXPECT_EQ(f.statusBar()->currentMessage(), "Unidade C (3 de 3)");
    // Zoom keeps the unit.
    QTest::mouseClick(f.Button3, Qt::LeftButton);
    EXPECT_EQ(f.Core().LastFigure().symbol.unit, 3);

    PickSymbol(f, "AmpOp_Duplo_SOIC");
    EXPECT_EQ(f.SE_unidade->value(), 1);
    EXPECT_EQ(f.statusBar()->currentMessage(), "Unidade A (1 de 3) · Derivado de AmpOp_Duplo");
    EXPECT_EQ(f.TextListBox1->toPlainText().split('\n')[1], "\t\t(extends \"AmpOp_Duplo\")");

    PickSymbol(f, "Porta_NAND");
    ASSERT_TRUE(f.SE_estilo->isVisible());
    EXPECT_EQ(f.L_estilo->text(), "Estilo");
    EXPECT_EQ(f.SE_estilo->text(), "Normal");
    const int normal = Black(f);
    f.SE_estilo->setValue(2);
    EXPECT_EQ(f.SE_estilo->text(), "De Morgan");
    EXPECT_EQ(f.Core().LastFigure().symbol.style, 2);
    EXPECT_NE(Black(f), normal);
    EXPECT_EQ(f.statusBar()->currentMessage(), "Unidade A (1 de 5) · Estilo De Morgan (2 de 2)");

    PickSymbol(f, "Resistor");
    EXPECT_FALSE(f.SE_unidade->isVisible());
    EXPECT_FALSE(f.SE_estilo->isVisible());
    EXPECT_EQ(f.statusBar()->currentMessage(), "");
    EXPECT_TRUE(messages.empty());
}

// Saves docs/main-window-kicad-symbol.png when TARNEL_SCREENSHOT_DIR names a
// folder: the sample gate in its De Morgan style, unit B.
TEST_F(SymbolWindow, Screenshot) {
    const QString out = qEnvironmentVariable("TARNEL_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "TARNEL_SCREENSHOT_DIR not set";
    TForm1& f = Open(kSamples);
    PickFile(f, "simbolos.kicad_sym");
    PickSymbol(f, "Porta_NAND");
    for (int i = 0; i < 5; ++i) f.Button3->click();
    f.SE_unidade->setValue(2);
    f.SE_estilo->setValue(2);
    QTest::qWait(50);
    ASSERT_TRUE(f.grab().save(QDir(out).filePath("main-window-kicad-symbol.png")));
}
