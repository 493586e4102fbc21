// The component index window driven through its widgets.
#include "index/ui/pag2.h"
#include "preview/dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDataWidgetMapper>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <map>

using namespace tarnel;

namespace {

void Write(const QTemporaryDir& dir, const std::string& name, const std::string& bytes) {
    std::ofstream(dir.path().toStdString() + "/" + name, std::ios::binary) << bytes;
}

std::string Module(const std::string& name, const std::string& extra = "") {
    return "$MODULE " + name + "\r\nLi " + name + "\r\n" + extra + "DS 0 0 100 0 120 21\r\n$EndMODULE " + name + "\r\n";
}

void Click(QWidget* viewport, QPoint at) {
    QMouseEvent press(QEvent::MouseButtonPress, at, viewport->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, viewport->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
    QApplication::processEvents();
}

void ClickCell(QTableView* grid, int row, int column) {
    const QModelIndex index = grid->model()->index(row, column);
    grid->scrollTo(index);
    Click(grid->viewport(), grid->visualRect(index).center());
}

void ClickTitle(QTableView* grid, int column) {
    QHeaderView* h = grid->horizontalHeader();
    Click(h->viewport(), QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2));
}

std::vector<QString> GridColumn(QTableView* grid, int column) {
    std::vector<QString> v;
    for (int r = 0; r < grid->model()->rowCount(); ++r) v.push_back(grid->model()->index(r, column).data().toString());
    return v;
}

} // namespace

TEST(IndexWindow, RunGridSearchAndTitleClick) {
    QTemporaryDir dir;
    Write(dir, "b.mod", "PCBNEW-LibModule-V1\r\n" + Module("so8") + "$EndLIBRARY\r\n");
    Write(dir, "a.mod", Module("SO8") + Module("DIP8", "ALIAS Dip14 dip\r\n") + Module("r1"));
    FolderFileList files(dir.path().toStdString());
    TForm2 w(files);
    w.show();
    QApplication::processEvents();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Índice de componentes"));
    EXPECT_EQ(w.BitBtn1->text(), "Indexar");
    EXPECT_EQ(w.Label3->text(), "Modelos:");
    EXPECT_EQ(w.Label2->text(), "Componentes:");
    EXPECT_EQ(w.Label1->text(), "0");
    EXPECT_EQ(w.Label4->text(), "0");
    EXPECT_EQ(w.BitBtn2->text(), "Localizar");
    EXPECT_EQ(w.findChild<QTableView*>("DBGrid2"), w.DBGrid2);

    w.BitBtn1->click();
    QApplication::processEvents();
    EXPECT_TRUE(w.BitBtn1->isEnabled());
    EXPECT_EQ(w.Label1->text(), "4");
    EXPECT_EQ(w.Label4->text(), "6");
    EXPECT_EQ(files.ItemIndex(), 1);
    QTableView* grid = w.DBGrid2;
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "alias");
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), "lib");
    EXPECT_EQ(GridColumn(grid, 0), (std::vector<QString>{"dip", "Dip14", "DIP8", "R1", "SO8", "SO8"}));
    EXPECT_EQ(GridColumn(grid, 1), (std::vector<QString>{"a.mod", "a.mod", "a.mod", "a.mod", "a.mod", "b.mod"}));
    EXPECT_EQ(grid->currentIndex().row(), 0);
    // The field boxes show the first module by lib and name.
    EXPECT_EQ(w.DBEdit2->text(), "DIP8");
    EXPECT_EQ(w.DBEdit3->text(), "");
    EXPECT_EQ(w.DBEdit1->text(), "ALIAS Dip14 dip");
    EXPECT_EQ(w.DBMemo1->toPlainText(), "$MODULE DIP8\nLi DIP8\nALIAS Dip14 dip\nDS 0 0 100 0 120 21\n$EndMODULE DIP8\n");

    // A click on the last SO8 shows the module of b.mod.
    ClickCell(grid, 5, 0);
    EXPECT_EQ(grid->currentIndex().row(), 5);
    EXPECT_EQ(w.DBEdit2->text(), "SO8");
    EXPECT_EQ(w.DBEdit1->text(), "");
    EXPECT_EQ(w.DBMemo1->toPlainText(), "$MODULE so8\nLi so8\nDS 0 0 100 0 120 21\n$EndMODULE so8\n");

    // Search from a non-matching record: the first name starting with dip.
    w.Edit1->setText("DIP");
    w.BitBtn2->click();
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(w.DBEdit2->text(), "DIP8");
    ClickCell(grid, 2, 1);
    w.BitBtn2->click();
    EXPECT_EQ(grid->currentIndex().row(), 2) << "the search stays on a current match";
    w.Edit1->setText("qfp");
    w.BitBtn2->click();
    EXPECT_EQ(grid->currentIndex().row(), 2);

    // Title clicks: lib then alias, and back; the current name stays current.
    ClickCell(grid, 4, 0);  // SO8 of a.mod
    ClickTitle(grid, 1);
    EXPECT_EQ(GridColumn(grid, 1), (std::vector<QString>{"a.mod", "a.mod", "a.mod", "a.mod", "a.mod", "b.mod"}));
    ClickTitle(grid, 0);
    EXPECT_EQ(GridColumn(grid, 0), (std::vector<QString>{"dip", "Dip14", "DIP8", "R1", "SO8", "SO8"}));
    EXPECT_EQ(grid->currentIndex().row(), 4);
    EXPECT_EQ(grid->currentIndex().sibling(4, 1).data().toString(), "a.mod");
}

TEST(IndexWindow, TitleClickOnLibSortsByLibThenAlias) {
    QTemporaryDir dir;
    Write(dir, "a.mod", Module("ZZ") + Module("AA"));
    Write(dir, "b.mod", Module("MM") + Module("BB"));
    FolderFileList files(dir.path().toStdString());
    TForm2 w(files);
    w.show();
    w.BitBtn1->click();
    QApplication::processEvents();
    EXPECT_EQ(GridColumn(w.DBGrid2, 0), (std::vector<QString>{"AA", "BB", "MM", "ZZ"}));
    ClickTitle(w.DBGrid2, 1);
    EXPECT_EQ(GridColumn(w.DBGrid2, 0), (std::vector<QString>{"AA", "ZZ", "BB", "MM"}));
    EXPECT_EQ(GridColumn(w.DBGrid2, 1), (std::vector<QString>{"a.mod", "a.mod", "b.mod", "b.mod"}));
}

TEST(IndexWindow, UnreadableFileShowsTheErrorAndEnablesTheButton) {
    QTemporaryDir dir;
    Write(dir, "a.mod", Module("A1") + Module("A2"));
    FolderFileList files(dir.path().toStdString(), {"a.mod", "gone.mod"});
    TForm2 w(files);
    w.show();
    // The message goes through the program's one route to the user.
    std::vector<std::string> shown;
    const auto saved = Dialogs().Message;
    Dialogs().Message = [&](QWidget*, UiDialogs::Icon icon, const std::string& text) {
        EXPECT_EQ(icon, UiDialogs::Icon::Error);
        shown.push_back(text);
    };
    w.BitBtn1->click();
    Dialogs().Message = saved;
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("gone.mod"), std::string::npos) << shown[0];
    EXPECT_TRUE(w.BitBtn1->isEnabled());
    EXPECT_EQ(w.Label1->text(), "2");
    EXPECT_EQ(w.Label4->text(), "2");
    EXPECT_EQ(w.DBGrid2->model()->rowCount(), 2);
    EXPECT_EQ(w.DBEdit2->text(), "A1");
}

TEST(IndexWindow, FootprintRowShowsItsFileWhenChosen) {
    QTemporaryDir dir;
    Write(dir, "a.mod", Module("R1"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("Caps.pretty"));
    Write(dir, "Caps.pretty/CP_Radial_D10.0mm_P5.00mm.kicad_mod", "(footprint \"CP\"\n  (descr \"capacitor\")\n)\n");
    FolderFileList files(dir.path().toStdString());
    TForm2 w(files);
    w.show();
    w.BitBtn1->click();
    QApplication::processEvents();
    EXPECT_EQ(w.Label1->text(), "2");
    EXPECT_EQ(w.Label4->text(), "2");
    // Grid order: by alias; the footprint's name whole.
    EXPECT_EQ(GridColumn(w.DBGrid2, 0), (std::vector<QString>{"CP_RADIAL_D10.0MM_P5.00MM", "R1"}));
    ClickCell(w.DBGrid2, 0, 0);
    EXPECT_EQ(w.DBEdit2->text(), "CP_RADIAL_D10.0MM_P5.00MM");
    EXPECT_EQ(w.DBMemo1->toPlainText(), "(footprint \"CP\"\n  (descr \"capacitor\")\n)\n");
    // Searching finds it by its whole name.
    w.Edit1->setText("cp_radial_d10.0mm_p5");
    w.BitBtn2->click();
    EXPECT_EQ(w.DBGrid2->currentIndex().row(), 0);
    ClickCell(w.DBGrid2, 1, 0);
    EXPECT_NE(w.DBMemo1->toPlainText().indexOf("$MODULE R1"), -1);
}

// Saves docs/index-window.png when TARNEL_SCREENSHOT_DIR names a folder.
TEST(IndexWindow, Screenshot) {
    const QString out = qEnvironmentVariable("TARNEL_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "TARNEL_SCREENSHOT_DIR not set";
    FolderFileList files(TARNEL_SOURCE_DIR "/samples");
    TForm2 w(files);
    w.resize(980, 600);
    w.show();
    w.BitBtn1->click();
    QApplication::processEvents();
    ASSERT_GT(w.DBGrid2->model()->rowCount(), 3);
    ClickCell(w.DBGrid2, 3, 0);
    QApplication::processEvents();
    ASSERT_TRUE(w.grab().save(QDir(out).filePath("index-window.png")));
}

// After "Indexar" the lines shown belong to the name highlighted: the first
// name by alias, which need not be the first module by library.
TEST(IndexWindow, LinesShownAfterARunBelongToTheHighlightedName) {
    QTemporaryDir dir;
    Write(dir, "a.mod", Module("ZZ"));
    Write(dir, "b.mod", Module("AA"));
    FolderFileList files(dir.path().toStdString());
    TForm2 w(files);
    w.show();
    w.BitBtn1->click();
    QApplication::processEvents();
    ASSERT_EQ(w.DBGrid2->currentIndex().row(), 0);
    EXPECT_EQ(w.DBGrid2->currentIndex().data().toString(), "AA");
    EXPECT_EQ(w.DBEdit2->text(), "AA");
    EXPECT_EQ(w.DBMemo1->toPlainText(), "$MODULE AA\nLi AA\nDS 0 0 100 0 120 21\n$EndMODULE AA\n");
}

TEST(IndexWindow, LocateSaysWhenNothingIsFoundAndEnterSearches) {
    QTemporaryDir dir;
    Write(dir, "a.mod", Module("SO8") + Module("DIP8") + Module("R1"));
    FolderFileList files(dir.path().toStdString());
    TForm2 w(files);
    w.show();
    w.BitBtn1->click();
    QApplication::processEvents();
    w.Edit1->setText("qfp");
    w.BitBtn2->click();
    EXPECT_EQ(w.LocateStatus->text(), QStringLiteral("não encontrado"));
    EXPECT_EQ(w.DBGrid2->currentIndex().row(), 0);
    // Enter in the box searches, as the button does.
    w.Edit1->setFocus();
    w.Edit1->selectAll();
    QTest::keyClicks(w.Edit1, "r1");
    EXPECT_EQ(w.LocateStatus->text(), "") << "typing clears the message";
    QTest::keyClick(w.Edit1, Qt::Key_Return);
    EXPECT_EQ(w.DBGrid2->currentIndex().data().toString(), "R1");
    EXPECT_EQ(w.DBEdit2->text(), "R1");
    EXPECT_EQ(w.LocateStatus->text(), "");
    EXPECT_TRUE(w.BitBtn1->isEnabled());
    EXPECT_EQ(w.Label1->text(), "3") << "Enter did not start a run";
}

TEST(IndexWindow, NamesWholeBoxesLabelledAndTheSortShown) {
    QTemporaryDir dir;
    const std::string longName = "SolderJumper-3_P1.3mm_Bridged2Bar12_RoundedPad1.0x1.5mm_NumberLabels";
    ASSERT_TRUE(QDir(dir.path()).mkdir("Jumper.pretty"));
    Write(dir, "Jumper.pretty/" + longName + ".kicad_mod", "(footprint \"J\")\n");
    Write(dir, "a.mod", Module("R1"));
    FolderFileList files(dir.path().toStdString());
    TForm2 w(files);
    w.show();
    w.BitBtn1->click();
    QApplication::processEvents();
    const QString shown = QString::fromStdString(longName).toUpper();
    EXPECT_GE(w.DBGrid2->columnWidth(0), w.DBGrid2->fontMetrics().horizontalAdvance(shown)) << "the name is cut";
    // Both boxes of the chosen module say what they hold.
    std::map<QWidget*, QString> labels;
    for (QLabel* l : w.findChildren<QLabel*>())
        if (l->buddy()) labels[l->buddy()] = l->text();
    EXPECT_EQ(labels[w.DBEdit2], "Nome:");
    EXPECT_EQ(labels[w.DBEdit3], "Elementos:");
    // The header shows the order.
    QHeaderView* h = w.DBGrid2->horizontalHeader();
    EXPECT_TRUE(h->isSortIndicatorShown());
    EXPECT_EQ(h->sortIndicatorSection(), 0);
    ClickTitle(w.DBGrid2, 1);
    EXPECT_EQ(h->sortIndicatorSection(), 1);
    EXPECT_EQ(h->sortIndicatorOrder(), Qt::AscendingOrder);
    ClickTitle(w.DBGrid2, 0);
    EXPECT_EQ(h->sortIndicatorSection(), 0);
}
