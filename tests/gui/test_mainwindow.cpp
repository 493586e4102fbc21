// The main window driven through its widgets.
#include "mainwindow_fixture.h"

#include "index/ui/pag2.h"
#include "preview/dialogs.h"
#include "viewer/zoom.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QWheelEvent>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <stdexcept>
#include <memory>

using namespace tarnel;

TEST_F(MainWindow, CreatedWithCaptionControlsAndDefaults) {
    TForm1 f;
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Tarnel 0.80 (20070705i) - Visualizador/Catálogo de Módulos p/KiCad"));
    EXPECT_EQ(f.size(), QSize(862, 607));
    EXPECT_EQ(f.Core().Options().ScaleDivisor, 10);
    EXPECT_EQ(f.Core().Options().CorPad, 0x008000);
    EXPECT_EQ(f.Core().Options().CorCorpo, 0xFF0000);
    EXPECT_EQ(f.Core().Options().CorComp, 0x0000FF);
    EXPECT_EQ(f.Core().Options().CorFuro, 0x008080);

    struct Control {
        const char* name;
        QString text;
        bool visible;
    };
    const Control controls[] = {
        {"b_report", QStringLiteral("Catálogo"), true}, {"B_carregar", "Carregar", false},
        {"B_linha", "linha", true},                      {"B_apagar", "apagar", true},
        {"B_converter", "Converter", true},              {"Label2", "0", true},
        {"CB_arcos", "Desenhar arcos", true},           {"Button2", "- Zoom", true},
        {"Button3", "+ Zoom", true},                     {"Button4", "Normal", true},
        {"Label1", "Label1", false},                     {"Button1", "Tokens", false},
    };
    f.show();
    for (const Control& c : controls) {
        auto* widget = f.findChild<QWidget*>(c.name);
        ASSERT_NE(widget, nullptr) << c.name;
        EXPECT_EQ(widget->property("text").toString(), c.text) << c.name;
        EXPECT_EQ(widget->isVisible(), c.visible) << c.name;
    }
    for (const char* hidden : {"FilenameEdit1", "image1"}) {
        ASSERT_NE(f.findChild<QWidget*>(hidden), nullptr) << hidden;
        EXPECT_FALSE(f.findChild<QWidget*>(hidden)->isVisible()) << hidden;
    }
    for (const char* shown : {"DriveComboBox1", "DLB1", "FileListBox1", "TabControl1", "ListBox1", "ScrollBox1"})
        EXPECT_TRUE(f.findChild<QWidget*>(shown) && f.findChild<QWidget*>(shown)->isVisible()) << shown;
    EXPECT_TRUE(f.CB_arcos->isChecked());

    EXPECT_EQ(f.TabControl1->count(), 3);
    EXPECT_EQ(f.TabControl1->tabText(0), QStringLiteral("Conteúdo"));
    EXPECT_EQ(f.TabControl1->tabText(1), "Comandos");
    EXPECT_EQ(f.TabControl1->tabText(2), "testes");
    EXPECT_FALSE(f.TabControl1->isTabVisible(2));
    EXPECT_EQ(f.TabControl1->currentIndex(), 0);
    EXPECT_EQ(f.TextListBox1->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_FALSE(f.TextListBox1->isReadOnly());

    EXPECT_EQ(f.RG_textos->title(), "Mostrar textos");
    const QString choices[] = {"Nenhum", QStringLiteral("Só nome"), "Todos"};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(f.RG_textosItems->button(i)->text(), choices[i]);
    EXPECT_EQ(f.RG_textosItems->checkedId(), 0);

    struct Entry {
        const char* name;
        QString text;
        bool visible;
    };
    const Entry entries[] = {
        {"Sair1", "Sair", true},         {"Desenhos1", "Desenhos", true},  {"Lista1", "Lista", true},
        {"CorPad1", "Cor Cobre", true},  {"CorComp1", "Cor Comp", true},   {"CorCorpo1", "Cor Corpo", true},
        {"CorFuro1", "Cor Furo", true},  {"pag22", "pag2", false},
        {"Indice1", QStringLiteral("Índice de componentes…"), true},
    };
    for (const Entry& e : entries) {
        auto* a = f.findChild<QAction*>(e.name);
        ASSERT_NE(a, nullptr) << e.name;
        EXPECT_EQ(QString(a->text()).remove('&'), e.text) << e.name;  // "&" marks the keyboard's letter
        EXPECT_EQ(a->isVisible(), e.visible) << e.name;
    }
    EXPECT_EQ(QString(f.Catlogos1->title()).remove('&'), QStringLiteral("Catálogos"));
    EXPECT_EQ(QString(f.pag21->title()).remove('&'), "Cores");

    // The window's font and the canvas fonts resolve to installed faces.
    EXPECT_EQ(f.font().family(), "MS Sans Serif");
    EXPECT_EQ(QFontInfo(f.font()).family(), "DejaVu Sans");
    EXPECT_EQ(QFontInfo(QFont("System")).family(), "DejaVu Sans");
    EXPECT_EQ(QFontInfo(QFont("Arial")).family(), "Liberation Sans");
}

TEST_F(MainWindow, TheDrawingTakesWhatTheWindowGrowsBy) {
    TForm1& f = Open(kSamples);
    const QSize view = f.ScrollBox1->size(), files = f.FileListBox1->size(), tabs = f.TabControl1->size();
    const QPoint zoom = f.Button4->mapTo(&f, QPoint());
    f.resize(1262, 907);
    QApplication::processEvents();
    EXPECT_EQ(f.ScrollBox1->size(), view + QSize(400, 300));
    EXPECT_EQ(f.FileListBox1->size(), files);
    EXPECT_EQ(f.TabControl1->width(), tabs.width());
    EXPECT_EQ(f.TabControl1->height(), tabs.height() + 300);
    EXPECT_EQ(f.Button4->mapTo(&f, QPoint()), zoom + QPoint(400, 300));  // bottom right
    // The left column sits left of the drawing, the buttons below both.
    EXPECT_LT(f.TabControl1->mapTo(&f, QPoint()).x() + f.TabControl1->width(), f.ScrollBox1->mapTo(&f, QPoint()).x());
    EXPECT_GT(f.B_linha->mapTo(&f, QPoint()).y(), f.TabControl1->mapTo(&f, QPoint()).y() + f.TabControl1->height());
}

TEST_F(MainWindow, SairClosesTheWindowAndPag2ShowsTheIndexModally) {
    TForm1& f = Open(kSamples);
    TForm2 index(f.FileList(), &f);
    f.Form2 = &index;
    bool wasModal = false;
    QTimer::singleShot(0, &index, [&] {
        wasModal = index.isVisible() && index.isModal() && QTest::qWaitForWindowActive(index.windowHandle());
        index.reject();
    });
    f.Core().Options().ScaleDivisor = 70;
    f.pag22->trigger();
    EXPECT_TRUE(wasModal);
    EXPECT_FALSE(index.isVisible());
    // Back from the index, the window was activated again.
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.windowHandle()));
    EXPECT_EQ(f.Core().Options().ScaleDivisor, 100);

    int closed = 0;
    QObject::connect(&f, &TForm1::Closed, [&] { ++closed; });
    f.Sair1->trigger();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(closed, 1);
}

TEST_F(MainWindow, FirstActivationOpensTheDefaultFolderWhenItExists) {
    QTemporaryDir start;
    struct Case {
        QString defaultFolder;
        QString expected;
    };
    const Case cases[] = {
        {kSamples, QDir(kSamples).canonicalPath()},
        {start.path() + "/kicad/modules", QDir(start.path()).canonicalPath()},
    };
    for (const Case& c : cases) {
        QDir::setCurrent(start.path());
        TForm1& f = Open(c.defaultFolder);
        EXPECT_EQ(f.Core().Options().ScaleDivisor, 100);
        EXPECT_EQ(f.Folder(), c.expected);
        EXPECT_EQ(QDir::currentPath(), c.expected);
        EXPECT_EQ(f.SelectedLibraryFileName(), "");
        EXPECT_EQ(f.ListBox1->count(), 0);
        EXPECT_EQ(f.Core().View().ViewWidth, 0);
    }
    // The samples folder lists its four libraries: the legacy footprint
    // file, the two symbol libraries and the footprint folder.
    Open(kSamples);
    ASSERT_EQ(w->FileListBox1->count(), 4);
    EXPECT_EQ(w->FileListBox1->item(0)->text(), "exemplo.mod");
    EXPECT_EQ(w->FileListBox1->item(1)->text(), "simbolos.lib");
    EXPECT_EQ(w->FileListBox1->item(2)->text(), "simbolos.kicad_sym");
    EXPECT_EQ(w->FileListBox1->item(3)->text(), "exemplo.pretty/");
}

TEST_F(MainWindow, PickingTheSampleLibraryListsDrawsAndShowsTheLines) {
    TForm1& f = Open(kSamples);
    PickFile(f, "exemplo.mod");
    EXPECT_EQ(f.SelectedLibraryFileName(), "exemplo.mod");
    EXPECT_EQ(f.Core().LibraryPath(), QDir(kSamples).canonicalPath().toStdString() + "/exemplo.mod");
    ASSERT_EQ(f.ListBox1->count(), 12);
    EXPECT_EQ(f.Label2->text(), "12");
    EXPECT_EQ(f.ListBox1->item(0)->text(), "DIP-8_300");
    EXPECT_EQ(f.ListBox1->item(11)->text(), "FURO_3MM");
    EXPECT_EQ(f.ListBox1->currentRow(), 0);

    // The first module: its lines in "Comandos", its drawing in the view.
    f.TabControl1->setCurrentIndex(1);
    EXPECT_TRUE(f.TextListBox1->isVisible());
    QStringList lines = MemoLines(f);
    EXPECT_EQ(lines.first(), "$MODULE DIP-8_300");
    EXPECT_EQ(lines.last(), "$EndMODULE  DIP-8_300");
    EXPECT_EQ(static_cast<size_t>(lines.size()), f.Core().Lines().LineCount());
    EXPECT_EQ(f.Core().PadCount(), 8);
    EXPECT_GT(f.Core().View().ViewWidth, 101);
    EXPECT_EQ(f.Image2->size(), QSize(f.Core().View().ViewWidth, f.Core().View().ViewHeight));
    const QImage drawn = ViewPicture(f);
    EXPECT_GT(CountPixels(drawn, ToRgb(f.Core().Options().CorPad)), 100);  // copper of the pads
    for (int i = 0; i < 8; ++i) f.Button3->click();
    EXPECT_GT(CountPixels(ViewPicture(f), qRgb(0, 0, 0)), 100);  // drill holes, seen at 20

    // A click on another module, then a key press, each draws the one chosen.
    ClickItem(f.ListBox1, 2);
    EXPECT_EQ(MemoLines(f).first(), "$MODULE SO-8");
    EXPECT_EQ(f.Core().PadCount(), 8);
    QTest::keyClick(f.ListBox1, Qt::Key_Down);
    EXPECT_EQ(f.ListBox1->currentRow(), 3);
    EXPECT_EQ(MemoLines(f).first(), "$MODULE SO-14");
    EXPECT_EQ(f.Core().PadCount(), 14);
    // Moving the selection from code is not a click.
    f.ListBox1->setCurrentRow(0);
    EXPECT_EQ(MemoLines(f).first(), "$MODULE SO-14");
    // A click on the file already chosen reads it again from its first module.
    PickFile(f, "exemplo.mod");
    EXPECT_EQ(f.ListBox1->currentRow(), 0);
    EXPECT_EQ(MemoLines(f).first(), "$MODULE DIP-8_300");
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindow, ADrawingWiderThanThePictureScrollsAndShowsWhiteBeyondIt) {
    TForm1& f = Open(kSamples);
    f.TextListBox1->setPlainText("DS 0 0 345000 0 120 21\nDS 0 0 0 1000 120 21");
    f.B_converter->click();
    ASSERT_GT(f.Core().View().ViewWidth, 2500);
    EXPECT_EQ(f.Image2->width(), f.Core().View().ViewWidth);
    EXPECT_GT(f.ScrollBox1->horizontalScrollBar()->maximum(), 0);
    QImage shown = ViewPicture(f);
    EXPECT_NE(shown.pixel(1000, 50) & 0xFFFFFF, 0xFFFFFFu);  // the long segment's row
    // The whole picture shows; the view beyond it is white.
    f.Core().ViewImage().BrushColor = kBlack;
    f.Core().ViewImage().FillRect(0, 0, 2000, 2000);
    f.ViewChanged();
    shown = ViewPicture(f);
    EXPECT_EQ(shown.pixel(1999, 50) & 0xFFFFFF, 0u);
    EXPECT_EQ(shown.pixel(2000, 50) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(shown.pixel(f.Core().View().ViewWidth - 1, 50) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(MainWindow, ZoomStepsStopAtTheirLimits) {
    struct Case {
        const char* button;
        std::vector<int> divisors;
    };
    const Case cases[] = {
        {"Button2", {110, 120, 130, 140, 150, 150, 150}},
        {"Button3", {90, 80, 70, 60, 50, 40, 30, 20, 20, 20}},
    };
    for (const Case& c : cases) {
        TForm1& f = Open(kSamples);
        PickFile(f, "exemplo.mod");
        const int normalWidth = f.Core().View().ViewWidth;
        auto* button = f.findChild<QPushButton*>(c.button);
        for (int expected : c.divisors) {
            const int before = f.Core().View().ViewWidth;
            f.Core().SetLines(ModuleText());  // a redraw reads the module again
            button->click();
            EXPECT_EQ(f.Core().Options().ScaleDivisor, expected) << c.button;
            EXPECT_FALSE(f.Core().Lines().empty() && expected != c.divisors.back()) << c.button;
            if (c.divisors.front() > 100) EXPECT_LE(f.Core().View().ViewWidth, before) << c.button;
            else EXPECT_GE(f.Core().View().ViewWidth, before) << c.button;
        }
        EXPECT_NE(f.Core().View().ViewWidth, normalWidth) << c.button;
        f.Button4->click();
        EXPECT_EQ(f.Core().Options().ScaleDivisor, 100);
        EXPECT_EQ(f.Core().View().ViewWidth, normalWidth);
    }
}

TEST_F(MainWindow, ConverterAndLinhaDrawTheEditedLines) {
    TForm1& f = Open(kSamples);
    PickFile(f, "exemplo.mod");
    const int width = f.Core().View().ViewWidth;
    f.TabControl1->setCurrentIndex(1);
    f.TextListBox1->moveCursor(QTextCursor::End);
    QTest::keyClick(f.TextListBox1, Qt::Key_Return);
    QTest::keyClicks(f.TextListBox1, "DS 0 0 23000 0 120 21");
    f.B_converter->click();
    EXPECT_EQ(f.Core().Lines().Lines().back(), "DS 0 0 23000 0 120 21");
    EXPECT_EQ(f.Core().CaretLine(), static_cast<int>(f.Core().Lines().LineCount()) - 1);
    EXPECT_GT(f.Core().View().ViewWidth, width + 150);  // 23000 decimils reach 200 pixels further
    const int converted = f.Core().View().ViewWidth;

    // "apagar" clears; "linha" then draws only the caret's line.
    f.B_apagar->click();
    EXPECT_EQ(CountPixels(ViewPicture(f), qRgb(255, 255, 255)), f.Core().View().ViewWidth * f.Core().View().ViewHeight);
    f.B_linha->click();
    EXPECT_EQ(f.Core().View().ViewWidth, converted);
    EXPECT_GT(CountPixels(ViewPicture(f), ToRgb(f.Core().Options().CorCorpo)), 150);  // the long body segment
    EXPECT_EQ(CountPixels(ViewPicture(f), ToRgb(f.Core().Options().CorPad)), 0);  // no pad
}

TEST_F(MainWindow, EditedLinesGoBackInTheModulesEncoding) {
    QTemporaryDir dir;
    Write(dir, "cp1252.mod", Module("A", "T0 0 0 500 500 0 100 N V 21 \"R\xE9" "f\"\r\n"));
    Write(dir, "utf8.mod", Module("B", "T0 0 0 500 500 0 100 N V 21 \"R\xC3\xA9" "f\"\r\n"));
    struct Case {
        QString file;
        std::string unedited;  // the T0 line as in the file
        std::string edited;    // the typed line, as bytes
    };
    const Case cases[] = {
        {"cp1252.mod", "T0 0 0 500 500 0 100 N V 21 \"R\xE9" "f\"", "T1 0 0 500 500 0 100 N V 21 \"A\xE7\xE3o\x80\""},
        {"utf8.mod", "T0 0 0 500 500 0 100 N V 21 \"R\xC3\xA9" "f\"",
         "T1 0 0 500 500 0 100 N V 21 \"A\xC3\xA7\xC3\xA3o\xE2\x82\xAC\""},
    };
    for (const Case& c : cases) {
        TForm1& f = Open(dir.path());
        PickFile(f, c.file);
        ASSERT_GE(f.TextListBox1->document()->blockCount(), 3);
        EXPECT_EQ(f.TextListBox1->document()->findBlockByNumber(2).text(),
                  QStringLiteral("T0 0 0 500 500 0 100 N V 21 \"Réf\""));
        f.TextListBox1->moveCursor(QTextCursor::End);
        QTest::keyClick(f.TextListBox1, Qt::Key_Return);
        f.TextListBox1->insertPlainText(QStringLiteral("T1 0 0 500 500 0 100 N V 21 \"Ação€\""));
        f.B_converter->click();
        ASSERT_GE(f.Core().Lines().LineCount(), 4u);
        EXPECT_EQ(f.Core().Lines().Line(2), c.unedited) << c.file.toStdString();

        EXPECT_EQ(f.Core().Lines().Lines().back(), c.edited) << c.file.toStdString();
    }
}

TEST_F(MainWindow, MostrarTextosRedrawsTheModule) {
    TForm1& f = Open(kSamples);
    // No library yet: nothing to redraw.
    f.RG_textosItems->button(2)->click();
    EXPECT_EQ(f.Core().Options().TextMode, 2);
    EXPECT_EQ(f.Core().View().ViewWidth, 0);
    f.RG_textosItems->button(0)->click();
    EXPECT_EQ(f.Core().Options().TextMode, 0);

    PickFile(f, "exemplo.mod");
    const QImage none = ViewPicture(f);
    f.Core().Options().ScaleDivisor = 150;  // shows that the choice redraws, at the current scale
    const int beforeWidth = f.Core().View().ViewWidth;
    f.RG_textosItems->button(2)->click();
    EXPECT_EQ(f.Core().Options().TextMode, 2);
    EXPECT_NE(f.Core().View().ViewWidth, beforeWidth);
    f.Core().Options().ScaleDivisor = 100;
    f.RG_textosItems->button(1)->click();
    EXPECT_EQ(f.Core().Options().TextMode, 1);
    const QImage nameOnly = ViewPicture(f);
    EXPECT_NE(nameOnly, none);
    f.RG_textosItems->button(2)->click();
    EXPECT_NE(ViewPicture(f), nameOnly);
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindow, ArcChoiceRedrawsAtOnce) {
    TForm1& f = Open(kSamples);
    PickFile(f, "exemplo.mod");
    ClickItem(f.ListBox1, 7);  // LED-5MM: a circle and an arc
    const QImage withArcs = ViewPicture(f);
    f.CB_arcos->click();
    EXPECT_FALSE(f.Core().Options().DrawArcs);
    const QImage without = ViewPicture(f);
    EXPECT_NE(without, withArcs);
    f.Button4->click();
    EXPECT_EQ(ViewPicture(f), without);
    f.CB_arcos->click();
    EXPECT_EQ(ViewPicture(f), withArcs);
}

TEST_F(MainWindow, ZoomAndTextsKeepEditedLines) {
    TForm1& f = Open(kSamples);
    PickFile(f, "exemplo.mod");
    f.TabControl1->setCurrentIndex(1);
    f.TextListBox1->moveCursor(QTextCursor::End);
    QTest::keyClick(f.TextListBox1, Qt::Key_Return);
    QTest::keyClicks(f.TextListBox1, "DS 0 0 23000 0 120 21");
    f.Button3->click();  // + Zoom
    EXPECT_EQ(f.Core().Lines().Lines().back(), "DS 0 0 23000 0 120 21");
    EXPECT_TRUE(MemoLines(f).contains("DS 0 0 23000 0 120 21"));
    const int zoomed = f.Core().View().ViewWidth;
    f.Button4->click();  // Normal
    EXPECT_LT(f.Core().View().ViewWidth, zoomed);
    f.RG_textosItems->button(2)->click();
    EXPECT_EQ(f.Core().Lines().Lines().back(), "DS 0 0 23000 0 120 21");
    // Choosing the module again reads it from the file: the edit is gone.
    ClickItem(f.ListBox1, 0);
    EXPECT_NE(f.Core().Lines().Lines().back(), "DS 0 0 23000 0 120 21");
    f.Button4->click();
    EXPECT_NE(f.Core().Lines().Lines().back(), "DS 0 0 23000 0 120 21");
}

TEST_F(MainWindow, CatalogsNameTheListedLibraryAfterAnIndexRun) {
    TForm1& f = Open(kSamples);
    PickFile(f, "exemplo.mod");
    TForm2 index(f.FileList(), &f);
    index.BitBtn1->click();  // the run walks the file list's selection, then gives it back
    EXPECT_EQ(f.SelectedLibraryFileName(), "exemplo.mod");
    EXPECT_EQ(f.ListedLibraryPath(), QDir(kSamples).canonicalPath().toStdString() + "/exemplo.mod");
    EXPECT_EQ(f.ListBox1->item(0)->text(), f.Core().ModuleList()[0].c_str());
}

TEST_F(MainWindow, CatalogEntriesRefuseAnEmptyModuleList) {
    struct Case {
        const char* name;
        int divisorAfter;
        bool drawing;
    };
    const Case cases[] = {{"b_report", 100, true}, {"Desenhos1", 100, true}, {"Lista1", 130, false}};
    for (const Case& c : cases) {
        TForm1& f = Open(kSamples);
        int drawingRuns = 0, listRuns = 0;
        f.RunDrawingCatalog = [&] { ++drawingRuns; };
        f.RunListCatalog = [&] { ++listRuns; };
        auto trigger = [&] {
            if (auto* a = f.findChild<QAction*>(c.name)) a->trigger();
            else f.findChild<QPushButton*>(c.name)->click();
        };
        messages.clear();
        f.Core().Options().ScaleDivisor = 130;
        trigger();
        ASSERT_EQ(messages.size(), 1u) << c.name;
        EXPECT_EQ(messages[0].icon, UiDialogs::Icon::Error);
        EXPECT_EQ(messages[0].text, "Nenhuma biblioteca selecionada");
        EXPECT_EQ(f.Core().Options().ScaleDivisor, c.divisorAfter) << c.name;
        EXPECT_EQ(drawingRuns + listRuns, 0) << c.name;

        PickFile(f, "exemplo.mod");
        f.Core().Options().ScaleDivisor = 130;
        trigger();
        EXPECT_EQ(messages.size(), 1u) << c.name;
        EXPECT_EQ(drawingRuns, c.drawing ? 1 : 0) << c.name;
        EXPECT_EQ(listRuns, c.drawing ? 0 : 1) << c.name;
        EXPECT_EQ(f.Core().Options().ScaleDivisor, c.divisorAfter) << c.name;
    }
}

TEST_F(MainWindow, UnreadableLibraryShowsTheErrorAndCarriesOn) {
    QTemporaryDir dir;
    Write(dir, "a.mod", Module("ONE") + Module("TWO"));
    Write(dir, "b.mod", Module("THREE"));
    TForm1& f = Open(dir.path());
    PickFile(f, "a.mod");
    ASSERT_EQ(f.ListBox1->count(), 2);
    const int width = f.Core().View().ViewWidth;
    const QImage drawn = ViewPicture(f);

    ASSERT_TRUE(QFile::remove(dir.filePath("a.mod")));
    ClickItem(f.ListBox1, 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, UiDialogs::Icon::Error);
    EXPECT_NE(messages[0].text.find("a.mod"), std::string::npos) << messages[0].text;
    EXPECT_EQ(f.ListBox1->count(), 2);
    EXPECT_TRUE(f.TextListBox1->toPlainText().isEmpty());
    EXPECT_EQ(f.Core().View().ViewWidth, width);  // the previous drawing stays
    EXPECT_EQ(ViewPicture(f), drawn);

    // Picking the vanished file lists nothing, silently.
    PickFile(f, "a.mod");
    EXPECT_EQ(f.ListBox1->count(), 0);
    EXPECT_EQ(f.Label2->text(), "0");
    EXPECT_EQ(messages.size(), 1u);

    // The window goes on working.
    PickFile(f, "b.mod");
    EXPECT_EQ(f.Label2->text(), "1");
    EXPECT_EQ(MemoLines(f).first(), "$MODULE THREE");
}

TEST_F(MainWindow, ActivationFromAnotherWindowResetsTheDivisorWithoutRedrawing) {
    TForm1& f = Open(kSamples);
    PickFile(f, "exemplo.mod");
    f.Button2->click();
    f.Button2->click();
    ASSERT_EQ(f.Core().Options().ScaleDivisor, 120);
    const int width = f.Core().View().ViewWidth;

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(other.windowHandle()));
    EXPECT_EQ(f.Core().Options().ScaleDivisor, 120);
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.windowHandle()));
    EXPECT_EQ(f.Core().Options().ScaleDivisor, 100);
    EXPECT_EQ(f.Core().View().ViewWidth, width);
    // The folder list stays where the user put it.
    EXPECT_EQ(f.Folder(), QDir(kSamples).canonicalPath());
}

TEST_F(MainWindow, ColourDialogOpensOnTheColourBeingChanged) {
    TForm1& f = Open(kSamples);
    std::vector<QRgb> opened;
    std::vector<std::optional<QColor>> answers{QColor(0x12, 0x34, 0x56), std::nullopt, QColor(0xAB, 0xCD, 0xEF)};
    size_t next = 0;
    f.ExecuteColorDialog = [&](QColor& c) {
        opened.push_back(c.rgb() & 0xFFFFFF);
        const auto answer = answers[next++];
        if (!answer) return false;
        c = *answer;
        return true;
    };
    PickFile(f, "exemplo.mod");
    f.CorPad1->trigger();
    EXPECT_EQ(f.Core().Options().CorPad, 0x563412);
    // The drawing takes the new copper colour at once.
    EXPECT_GT(CountPixels(ViewPicture(f), qRgb(0x12, 0x34, 0x56)), 20);
    EXPECT_EQ(CountPixels(ViewPicture(f), ToRgb(kGreen)), 0);
    f.CorComp1->trigger();  // cancelled
    EXPECT_EQ(f.Core().Options().CorComp, 0x0000FF);
    f.CorFuro1->trigger();
    EXPECT_EQ(f.Core().Options().CorFuro, 0xEFCDAB);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0], ToRgb(kGreen) & 0xFFFFFF);  // not black: OK at once changes nothing
    EXPECT_EQ(opened[1], ToRgb(kRed) & 0xFFFFFF);
    EXPECT_EQ(opened[2], ToRgb(kOlive) & 0xFFFFFF);
    EXPECT_EQ(f.Core().Options().CorCorpo, 0xFF0000);
}

TEST_F(MainWindow, DriveFolderAndFileListsAreLinked) {
    TForm1& f = Open(kSamples);
    PickFile(f, "exemplo.mod");
    QStringList drives;
    for (int i = 0; i < f.DriveComboBox1->count(); ++i) drives << f.DriveComboBox1->itemText(i);
    EXPECT_TRUE(drives.contains("/"));
    EXPECT_TRUE(drives.contains(QDir::homePath()));

    emit f.DriveComboBox1->activated(static_cast<int>(drives.indexOf("/")));
    EXPECT_EQ(f.Folder(), "/");
    EXPECT_EQ(QDir::currentPath(), "/");
    EXPECT_EQ(f.DriveComboBox1->currentText(), "/");
    // Changing folders keeps the module list.
    EXPECT_EQ(f.ListBox1->count(), 12);
    EXPECT_EQ(f.Label2->text(), "12");

    // Opening a folder with Enter lists its "*.mod" files.
    QTemporaryDir dir;
    Write(dir, "z.MOD", Module("Z"));
    Write(dir, "a.mod", Module("A"));
    Write(dir, "notes.txt", "x");
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    f.SetFolder(dir.path());
    const auto subs = f.DLB1->findItems("sub", Qt::MatchEndsWith);
    ASSERT_EQ(subs.size(), 1);
    f.DLB1->setCurrentItem(subs[0]);
    QTest::keyClick(f.DLB1, Qt::Key_Return);
    EXPECT_EQ(f.Folder(), QDir(dir.path()).canonicalPath() + "/sub");
    EXPECT_EQ(f.FileListBox1->count(), 0);
    // The folder above, from the path shown at the top of the list.
    f.DLB1->setCurrentRow(f.DLB1->count() - 2);
    QTest::keyClick(f.DLB1, Qt::Key_Return);
    EXPECT_EQ(f.Folder(), QDir(dir.path()).canonicalPath());
    ASSERT_EQ(f.FileListBox1->count(), 2);
    EXPECT_EQ(f.FileListBox1->item(0)->text(), "a.mod");
    EXPECT_EQ(f.FileListBox1->item(1)->text(), "z.MOD");
    EXPECT_EQ(f.SelectedLibraryFileName(), "");
    // The component index sees the same list.
    EXPECT_EQ(f.FileList().Count(), 2);
    EXPECT_EQ(f.FileList().Entry(1), "z.MOD");
    EXPECT_EQ(f.FileList().Folder(), QDir(dir.path()).canonicalPath().toStdString());
    f.FileList().SetItemIndex(1);
    EXPECT_EQ(f.SelectedLibraryFileName(), "z.MOD");
    EXPECT_EQ(f.ListBox1->count(), 12);  // no click ran
}

TEST_F(MainWindow, HiddenCarregarListsTheSymbolNames) {
    TForm1& f = Open(kSamples);
    f.FilenameEdit1Text->setText(kSamples + "/simbolos.lib");
    f.B_carregar->click();
    ASSERT_EQ(f.ListBox1->count(), 3);
    EXPECT_EQ(f.ListBox1->item(1)->text(), "LM358");
    EXPECT_EQ(f.Label2->text(), "3");
    EXPECT_EQ(f.ListBox1->currentRow(), -1);
    EXPECT_EQ(f.Core().View().ViewWidth, 0);

    f.FilenameEdit1Text->setText(kSamples + "/nenhum.lib");
    f.B_carregar->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find("nenhum.lib"), std::string::npos);
}

TEST_F(MainWindow, DefaultErrorHandlerShowsTheTextAndTheWindowGoesOn) {
    TForm1& f = Open(kSamples);
    Guarded(&f, [] { throw std::runtime_error("Falha ao ler \"x.mod\""); });
    Guarded(&f, [] { throw 7; });
    Guarded(&f, [] {});
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].icon, UiDialogs::Icon::Error);
    EXPECT_EQ(messages[0].text, "Falha ao ler \"x.mod\"");
    EXPECT_EQ(messages[1].icon, UiDialogs::Icon::Error);
    EXPECT_EQ(messages[1].text, "Erro desconhecido");
    PickFile(f, "exemplo.mod");
    EXPECT_EQ(f.Label2->text(), "12");
}

TEST_F(MainWindow, SymbolLibrariesListDrawAndZoom) {
    TForm1& f = Open(kSamples);
    PickFile(f, "simbolos.lib");
    EXPECT_EQ(f.SelectedLibraryFileName(), "simbolos.lib");
    ASSERT_EQ(f.ListBox1->count(), 3);
    EXPECT_EQ(f.ListBox1->item(0)->text(), "C");
    EXPECT_EQ(f.ListBox1->item(1)->text(), "LM358");
    EXPECT_EQ(f.ListBox1->item(2)->text(), "R");
    EXPECT_EQ(f.Label2->text(), "3");
    EXPECT_EQ(f.ListBox1->currentRow(), 0);
    EXPECT_EQ(MemoLines(f).first(), "DEF C C 0 10 N Y 1 F N");
    EXPECT_EQ(MemoLines(f).last(), "ENDDEF");
    EXPECT_TRUE(messages.empty());

    // The arrow key moves to the next symbol and draws it.
    f.ListBox1->setFocus();
    QTest::keyClick(f.ListBox1, Qt::Key_Down);
    EXPECT_EQ(MemoLines(f).first(), "DEF LM358 U 0 20 Y Y 2 F N");
    EXPECT_EQ(MemoLines(f).size(), 16);
    EXPECT_GT(CountPixels(ViewPicture(f), qRgb(0, 0, 0)), 100);

    // R: the body from (-40, -150) to (40, 150), its field at (80, 0) and
    // its pins' ends at (0, 250) and (0, -250), in mils, 16 decimils each.
    // Mapped as origin + trunc(v * 16 / divisor / 1.15 + 0.5), with the
    // origin trunc(divisor / 115 * 250).
    ClickItem(f.ListBox1, 2);
    EXPECT_EQ(MemoLines(f).first(), "DEF R R 0 0 N Y 1 F N");
    struct Zoom {
        QPushButton* button;
        int divisor, minX, maxX, minY, maxY;
    };
    const Zoom zooms[] = {
        {nullptr, 100, 212, 228, 183, 252},   // 217 + (-5, 11, -34, 35)
        {f.Button3, 90, 190, 207, 157, 234},  // "+ Zoom": 195 + (-5, 12, -38, 39)
        {f.Button4, 100, 212, 228, 183, 252}, // "Normal"
        {f.Button2, 110, 235, 249, 208, 271}, // "- Zoom": 239 + (-4, 10, -31, 32)
    };
    for (const Zoom& z : zooms) {
        SCOPED_TRACE(z.divisor);
        if (z.button) QTest::mouseClick(z.button, Qt::LeftButton);
        EXPECT_EQ(f.Core().Options().ScaleDivisor, z.divisor);
        EXPECT_EQ(f.Core().View().ExtentMinX, z.minX);
        EXPECT_EQ(f.Core().View().ExtentMaxX, z.maxX);
        EXPECT_EQ(f.Core().View().ExtentMinY, z.minY);
        EXPECT_EQ(f.Core().View().ExtentMaxY, z.maxY);
        EXPECT_EQ(f.Image2->width(), z.maxX - z.minX + 100);
        EXPECT_EQ(f.Image2->height(), z.maxY - z.minY + 100);
        // The body's left side on the view, 50 pixels in from the leftmost
        // point (the body's own left edge).
        const QImage view = ViewPicture(f);
        const int row = view.height() / 2 - 5;  // above the fields' texts at the middle
        EXPECT_EQ(view.pixel(50, row) & 0xFFFFFF, 0u);
        EXPECT_EQ(view.pixel(49, row) & 0xFFFFFF, 0xFFFFFFu);
    }
    EXPECT_TRUE(messages.empty());
}

// Symbol libraries sit in the file list between the footprint library files
// and the footprint folders; the component index passes them by.
TEST_F(MainWindow, SymbolLibrariesAreListedButNotIndexed) {
    QTemporaryDir dir;
    Write(dir, "a.mod", Module("A"));
    Write(dir, "S.LIB", "DEF S U 0 40 Y Y 1 F N\r\nS -100 -100 100 100 0 1 0 N\r\nENDDEF\r\n");
    ASSERT_TRUE(QDir(dir.path()).mkdir("Lib.pretty"));
    TForm1& f = Open(dir.path());
    ASSERT_EQ(f.FileListBox1->count(), 3);
    EXPECT_EQ(f.FileListBox1->item(1)->text(), "S.LIB");
    EXPECT_EQ(f.FileList().Count(), 2);
    EXPECT_EQ(f.FileList().Entry(0), "a.mod");
    EXPECT_EQ(f.FileList().Entry(1), "Lib.pretty");
    EXPECT_EQ(f.FileList().Entry(2), "");
    f.FileList().SetItemIndex(1);
    EXPECT_EQ(f.SelectedLibraryFileName(), "Lib.pretty");
    EXPECT_EQ(f.FileList().ItemIndex(), 1);

    PickFile(f, "S.LIB");
    EXPECT_EQ(f.FileList().ItemIndex(), -1);
    ASSERT_EQ(f.ListBox1->count(), 1);
    EXPECT_EQ(f.Label2->text(), "1");
    EXPECT_EQ(f.Core().View().ViewWidth, 231 - 204 + 100);  // 217 + trunc(-13.41) to 217 + trunc(14.41)
}

// Saves docs/main-window.png when TARNEL_SCREENSHOT_DIR names a folder.
TEST_F(MainWindow, Screenshot) {
    const QString out = qEnvironmentVariable("TARNEL_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "TARNEL_SCREENSHOT_DIR not set";
    TForm1& f = Open(kSamples);
    PickFile(f, "exemplo.mod");
    f.RG_textosItems->button(2)->click();
    ClickItem(f.ListBox1, 1);
    for (int i = 0; i < 6; ++i) f.Button3->click();
    QTest::qWait(50);
    ASSERT_TRUE(f.grab().save(QDir(out).filePath("main-window.png")));
}

TEST_F(MainWindow, FootprintScreenshot) {
    const QString out = qEnvironmentVariable("TARNEL_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "TARNEL_SCREENSHOT_DIR not set";
    TForm1& f = Open(kSamples);
    PickFile(f, "exemplo.pretty/");
    f.RG_textosItems->button(2)->click();
    ClickItem(f.ListBox1, 0);
    for (int i = 0; i < 7; ++i) f.Button3->click();
    QTest::qWait(50);
    ASSERT_TRUE(f.grab().save(QDir(out).filePath("main-window-footprint.png")));
}

TEST_F(MainWindow, SymbolScreenshot) {
    const QString out = qEnvironmentVariable("TARNEL_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "TARNEL_SCREENSHOT_DIR not set";
    TForm1& f = Open(kSamples);
    PickFile(f, "simbolos.lib");
    f.RG_textosItems->button(2)->click();
    ClickItem(f.ListBox1, 1);
    for (int i = 0; i < 3; ++i) f.Button3->click();
    QTest::qWait(50);
    ASSERT_TRUE(f.grab().save(QDir(out).filePath("main-window-symbol.png")));
}

TEST_F(MainWindow, FootprintFoldersBrowseLikeLibraries) {
    QTemporaryDir dir;
    Write(dir, "a.mod", Module("A"));
    Write(dir, "notes.pretty", "not a folder");
    ASSERT_TRUE(QDir(dir.path()).mkdir("Lib.pretty"));
    Write(dir, "Lib.pretty/Good.kicad_mod",
          "(footprint \"Good\" (version 20240108)\n"
          "  (property \"Reference\" \"REF**\" (at 0 -3) (layer \"F.SilkS\"))\n"
          "  (fp_line (start -2 -1) (end 2 -1) (layer \"F.SilkS\") (stroke (width 0.12)))\n"
          "  (pad \"1\" smd roundrect (at 0 0) (size 2 1) (layers \"F.Cu\"))\n"
          ")\n");
    Write(dir, "Lib.pretty/Broken.kicad_mod", "(footprint \"Broken\"\n  (pad \"1\" smd rect\n");
    Write(dir, "Lib.pretty/README.md", "# not a footprint\n");
    TForm1& f = Open(dir.path());

    // Files first, then footprint folders, marked with a slash and an icon.
    ASSERT_EQ(f.FileListBox1->count(), 2);
    EXPECT_EQ(f.FileListBox1->item(0)->text(), "a.mod");
    EXPECT_EQ(f.FileListBox1->item(1)->text(), "Lib.pretty/");
    EXPECT_FALSE(f.FileListBox1->item(1)->icon().isNull());
    EXPECT_EQ(f.FileList().Count(), 2);  // the index takes both kinds
    EXPECT_EQ(f.FileList().Entry(1), "Lib.pretty");

    PickFile(f, "Lib.pretty/");
    EXPECT_EQ(f.SelectedLibraryFileName(), "Lib.pretty");
    ASSERT_EQ(f.ListBox1->count(), 2);
    EXPECT_EQ(f.ListBox1->item(0)->text(), "Broken");
    EXPECT_EQ(f.Label2->text(), "2");
    // The first footprint cannot be read: its lines, a status line, the empty view.
    EXPECT_EQ(MemoLines(f).first(), "(footprint \"Broken\"");
    EXPECT_NE(f.statusBar()->currentMessage().indexOf("Broken.kicad_mod: linha 2:"), -1)
        << f.statusBar()->currentMessage().toStdString();
    EXPECT_TRUE(messages.empty());  // no message box
    EXPECT_EQ(f.Core().View().ViewWidth, 101);

    ClickItem(f.ListBox1, 1);
    EXPECT_TRUE(f.statusBar()->currentMessage().isEmpty());
    EXPECT_EQ(MemoLines(f).first(), "(footprint \"Good\" (version 20240108)");
    EXPECT_EQ(f.Core().PadCount(), 1);
    EXPECT_GT(CountPixels(ViewPicture(f), ToRgb(f.Core().Options().CorComp)), 20);  // the smd pad
    EXPECT_GT(CountPixels(ViewPicture(f), ToRgb(f.Core().Options().CorCorpo)), 5);  // the silk line

    // Zoom and texts redraw the footprint as they redraw a legacy module.
    const int normal = f.Core().View().ViewWidth, normalHeight = f.Core().View().ViewHeight;
    f.Button3->click();
    EXPECT_EQ(f.Core().Options().ScaleDivisor, 90);
    EXPECT_GT(f.Core().View().ViewWidth, normal);
    f.Button4->click();
    EXPECT_EQ(f.Core().View().ViewWidth, normal);
    f.RG_textosItems->button(1)->click();
    EXPECT_GT(f.Core().View().ViewHeight, normalHeight);  // the reference above the part

    // "Converter" draws the memo as edited (adding its pads to the count, as
    // for legacy lines).
    const int before = f.Core().PadCount();
    f.TabControl1->setCurrentIndex(1);
    f.TextListBox1->setPlainText(
        "(footprint \"Edited\"\n  (pad \"1\" smd rect (at 0 0) (size 1 1))\n  (pad \"2\" smd rect (at 3 0) (size 1 1))\n)");
    f.B_converter->click();
    EXPECT_EQ(f.Core().PadCount(), before + 2);
    EXPECT_TRUE(f.statusBar()->currentMessage().isEmpty());

    // Back to the legacy file: legacy drawing, no message left over.
    PickFile(f, "a.mod");
    EXPECT_EQ(f.ListBox1->item(0)->text(), "A");
    EXPECT_FALSE(f.Core().LinesAreKicadMod());
    EXPECT_EQ(f.Core().PadCount(), 1);
}

TEST_F(MainWindow, TypingAFolderNameJumpsToIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("exemplos"));
    TForm1& f = Open(dir.path());
    f.DLB1->setFocus();
    f.DLB1->setCurrentRow(0);
    QTest::keyClicks(QApplication::focusWidget(), "exe");  // as a keyboard sends it
    ASSERT_NE(f.DLB1->currentItem(), nullptr);
    EXPECT_EQ(f.DLB1->currentItem()->text().trimmed(), "exemplos");
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    const QString parent = QDir(dir.path()).dirName();
    QTest::keyClicks(QApplication::focusWidget(), parent.left(4));
    EXPECT_EQ(f.DLB1->currentItem()->text().trimmed(), parent);
}

TEST_F(MainWindow, NarrowWindowKeepsItsLabelsWhole) {
    TForm1& f = Open(kSamples);
    f.resize(200, 150);  // the layout refuses to go below its minimum
    QApplication::processEvents();
    EXPECT_GE(f.width(), f.minimumSizeHint().width());
    for (int i = 0; i < 3; ++i) {
        QAbstractButton* b = f.RG_textosItems->button(i);
        EXPECT_GE(b->width(), b->sizeHint().width()) << b->text().toStdString();
    }
    EXPECT_GE(f.CB_arcos->width(), f.CB_arcos->sizeHint().width());
    EXPECT_GE(f.CB_numeros->width(), f.CB_numeros->sizeHint().width());
    for (QPushButton* b : {f.Button2, f.Button3, f.Button4, f.B_converter})
        EXPECT_TRUE(f.rect().contains(b->mapTo(&f, b->rect().center()))) << b->text().toStdString();
}

TEST_F(MainWindow, NothingDisturbsACatalogRun) {
    TForm1& f = Open(kSamples);
    PickFile(f, "exemplo.mod");
    int drawings = 0, lists = 0;
    bool listsOff = false, commandsOff = false, plainMapping = false;
    f.RunListCatalog = [&] { ++lists; };
    f.RunDrawingCatalog = [&] {
        ++drawings;
        // While the run's preview is open: the list catalog, another drawing
        // catalog and the module list are out of reach.
        listsOff = !f.ListBox1->isEnabled() && !f.FileListBox1->isEnabled();
        commandsOff = !f.Lista1->isEnabled() && !f.Desenhos1->isEnabled() && !f.b_report->isEnabled();
        plainMapping = !f.Core().Options().KeepAll;  // catalog pictures as ever
        f.Lista1->trigger();
        f.b_report->click();
        f.Lista1Click();
    };
    f.Desenhos1->trigger();
    EXPECT_EQ(drawings, 1);
    EXPECT_EQ(lists, 0);
    EXPECT_TRUE(listsOff);
    EXPECT_TRUE(commandsOff);
    EXPECT_TRUE(plainMapping);
    // Afterwards everything answers again.
    EXPECT_TRUE(f.ListBox1->isEnabled());
    EXPECT_TRUE(f.Core().Options().KeepAll);
    f.Lista1->trigger();
    EXPECT_EQ(lists, 1);
}

TEST_F(MainWindow, ZoomKeepsTheWholeDrawing) {
    QTemporaryDir dir;
    Write(dir, "wide.mod", "$MODULE WIDE\r\nDS -40000 0 40000 0 120 21\r\n$EndMODULE WIDE\r\n");
    TForm1& f = Open(dir.path());
    PickFile(f, "wide.mod");
    // At "Normal" (divisor 100) -40000 maps to -130: the drawing moves 180
    // pixels right and is shown whole, 695 pixels and the margins.
    EXPECT_EQ(f.Core().View().ShiftX, 180);
    EXPECT_EQ(f.Core().View().ViewWidth, 795);
    EXPECT_EQ(ViewPicture(f).pixel(50, 50) & 0xFFFFFF, ToRgb(f.Core().Options().CorCorpo) & 0xFFFFFF);
    for (int i = 0; i < 6; ++i) f.Button3->click();  // "+ Zoom" to divisor 40
    EXPECT_EQ(f.Core().Options().ScaleDivisor, 40);
    EXPECT_GT(f.Core().View().ViewWidth, 795);
    EXPECT_EQ(f.Core().View().ExtentMinX, 50);
    EXPECT_EQ(ViewPicture(f).pixel(50, 50) & 0xFFFFFF, ToRgb(f.Core().Options().CorCorpo) & 0xFFFFFF);
    EXPECT_EQ(f.Image2->width(), f.Core().View().ViewWidth);  // the view scrolls to the rest
}

// "Cores" is off while a catalog runs, like the catalog entries: the run
// keeps the colours it started with; afterwards the menu answers again.
TEST_F(MainWindow, ColoursStayWhileACatalogRuns) {
    TForm1& f = Open(kSamples);
    PickFile(f, "exemplo.mod");
    int dialogs = 0;
    f.ExecuteColorDialog = [&](QColor& c) {
        ++dialogs;
        c = QColor(1, 2, 3);
        return true;
    };
    bool menuOff = false;
    f.RunDrawingCatalog = [&] {
        menuOff = !f.pag21->menuAction()->isEnabled();
        for (QAction* a : {f.CorPad1, f.CorComp1, f.CorCorpo1, f.CorFuro1}) a->trigger();
    };
    f.Desenhos1->trigger();
    EXPECT_TRUE(menuOff);
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(f.Core().Options().CorPad, kGreen);
    EXPECT_EQ(f.Core().Options().CorComp, kRed);
    EXPECT_EQ(f.Core().Options().CorCorpo, kBlue);
    EXPECT_EQ(f.Core().Options().CorFuro, kOlive);
    EXPECT_TRUE(f.pag21->menuAction()->isEnabled());
    f.CorPad1->trigger();
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(f.Core().Options().CorPad, FromRgb(qRgb(1, 2, 3)));
}

// Menus from the keyboard: Alt and a menu's underlined letter open it, an
// entry's letter runs the entry; no two entries of a menu share a letter.
TEST_F(MainWindow, MenusOpenFromTheKeyboard) {
    TForm1& f = Open(kSamples);
    PickFile(f, "exemplo.mod");
    int lists = 0, drawings = 0;
    std::vector<QRgb> colours;
    f.RunListCatalog = [&] { ++lists; };
    f.RunDrawingCatalog = [&] { ++drawings; };
    f.ExecuteColorDialog = [&](QColor& c) {
        colours.push_back(c.rgb() & 0xFFFFFF);
        return false;
    };
    const struct {
        Qt::Key menuKey;
        QMenu* TForm1::*menu;
        Qt::Key entryKey;
    } cases[] = {
        {Qt::Key_C, &TForm1::Catlogos1, Qt::Key_L},
        {Qt::Key_C, &TForm1::Catlogos1, Qt::Key_D},
        {Qt::Key_O, &TForm1::pag21, Qt::Key_B},
        {Qt::Key_O, &TForm1::pag21, Qt::Key_F},
    };
    for (const auto& c : cases) {
        QMenu* menu = f.*c.menu;
        QTest::keyClick(&f, c.menuKey, Qt::AltModifier);
        QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible(), 2000);
        QTest::keyClick(menu, c.entryKey);
        QTRY_VERIFY_WITH_TIMEOUT(!menu->isVisible(), 2000);
    }
    EXPECT_EQ(lists, 1);
    EXPECT_EQ(drawings, 1);
    EXPECT_EQ(colours, (std::vector<QRgb>{ToRgb(kGreen) & 0xFFFFFF, ToRgb(kOlive) & 0xFFFFFF}));
    // Every menu and visible entry has a letter of its own.
    std::set<QChar> top;
    for (QAction* a : f.menuBar()->actions()) {
        const QString t = a->text();
        const qsizetype amp = t.indexOf('&');
        ASSERT_GE(amp, 0) << t.toStdString();
        EXPECT_TRUE(top.insert(t[amp + 1].toLower()).second) << t.toStdString();
    }
    for (QMenu* m : {f.Catlogos1, f.pag21}) {
        std::set<QChar> letters;
        for (QAction* a : m->actions()) {
            if (!a->isVisible()) continue;
            const QString t = a->text();
            const qsizetype amp = t.indexOf('&');
            ASSERT_GE(amp, 0) << t.toStdString();
            EXPECT_TRUE(letters.insert(t[amp + 1].toLower()).second) << t.toStdString();
        }
    }
}

namespace {
// A 0402 chip resistor in a footprint folder of our own.
QString ChipFolder(const QTemporaryDir& dir) {
    const QString folder = QDir(dir.path()).filePath("Chips.pretty");
    QDir().mkpath(folder);
    std::ofstream(QDir(folder).filePath("R_0402_1005Metric.kicad_mod").toStdString())
        << "(footprint \"R_0402_1005Metric\" (version 20240108) (layer \"F.Cu\")\n"
           "  (descr \"Resistor SMD 0402 (1005 Metric)\")\n"
           "  (property \"Reference\" \"REF**\" (at 0 -1.17 0) (layer \"F.SilkS\") (effects (font (size 1 1) (thickness 0.15))))\n"
           "  (property \"Value\" \"R_0402_1005Metric\" (at 0 1.17 0) (layer \"F.Fab\") (effects (font (size 1 1) (thickness 0.15))))\n"
           "  (fp_line (start -0.153641 -0.38) (end 0.153641 -0.38) (stroke (width 0.12) (type solid)) (layer \"F.SilkS\"))\n"
           "  (fp_line (start -0.153641 0.38) (end 0.153641 0.38) (stroke (width 0.12) (type solid)) (layer \"F.SilkS\"))\n"
           "  (fp_rect (start -0.525 -0.27) (end 0.525 0.27) (stroke (width 0.1) (type solid)) (fill none) (layer \"F.Fab\"))\n"
           "  (fp_rect (start -0.93 -0.47) (end 0.93 0.47) (stroke (width 0.05) (type solid)) (fill none) (layer \"F.CrtYd\"))\n"
           "  (pad \"1\" smd roundrect (at -0.51 0) (size 0.54 0.64) (layers \"F.Cu\" \"F.Mask\" \"F.Paste\") (roundrect_rratio 0.25))\n"
           "  (pad \"2\" smd roundrect (at 0.51 0) (size 0.54 0.64) (layers \"F.Cu\" \"F.Mask\" \"F.Paste\") (roundrect_rratio 0.25))\n"
           ")\n";
    return folder;
}
} // namespace

// "Ajustar" picks the divisor, from 1 up, at which the whole drawing fills
// the view: it fits without scrolling there and not at one less. The zoom
// buttons keep their steps from there.
TEST_F(MainWindow, AjustarFitsTheWholeDrawingInTheView) {
    QTemporaryDir dir;
    ChipFolder(dir);
    // A long connector needs a divisor past the buttons' 150.
    Write(dir, "big.mod", "$MODULE BIG\r\nDS -60000 -3000 60000 -3000 120 21\r\nDS -60000 3000 60000 3000 120 21\r\n$EndMODULE BIG\r\n");
    TForm1& f = Open(dir.path());
    const struct {
        QString file;
        int textMode;
        int fewer, more;  // the divisor found lies between
    } cases[] = {
        {"Chips.pretty/", 0, 1, 19},
        {"Chips.pretty/", 2, 1, 19},
        {"big.mod", 0, 151, kMaxViewDivisor},
    };
    for (const auto& c : cases) {
        PickFile(f, c.file);
        f.RG_textosItems->button(c.textMode)->click();
        f.B_ajustar->click();
        QApplication::processEvents();
        const int32_t d = f.Core().Options().ScaleDivisor;
        const QSize room = f.ScrollBox1->maximumViewportSize();
        EXPECT_GE(d, c.fewer) << c.file.toStdString();
        EXPECT_LE(d, c.more) << c.file.toStdString();
        EXPECT_LE(f.Core().View().ViewWidth, room.width()) << c.file.toStdString();
        EXPECT_LE(f.Core().View().ViewHeight, room.height()) << c.file.toStdString();
        EXPECT_EQ(f.ScrollBox1->horizontalScrollBar()->maximum(), 0) << c.file.toStdString();
        EXPECT_EQ(f.ScrollBox1->verticalScrollBar()->maximum(), 0) << c.file.toStdString();
        // One step larger no longer fits.
        f.Core().Options().ScaleDivisor = d - 1;
        f.Core().ListBox1Click();
        EXPECT_TRUE(f.Core().View().ViewWidth > room.width() || f.Core().View().ViewHeight > room.height()) << c.file.toStdString();
    }
    // The buttons' steps from a fitted divisor: "- Zoom" adds 10 up to 150,
    // "Normal" is 100.
    PickFile(f, "Chips.pretty/");
    f.B_ajustar->click();
    const int32_t fitted = f.Core().Options().ScaleDivisor;
    f.Button2->click();
    EXPECT_EQ(f.Core().Options().ScaleDivisor, fitted + 10);
    f.Button4->click();
    EXPECT_EQ(f.Core().Options().ScaleDivisor, 100);
}

// The wheel over the drawing zooms in and out around the pointer: the
// drawing's point under it stays under it.
TEST_F(MainWindow, WheelZoomsAroundThePointer) {
    QTemporaryDir dir;
    // A long line, and a short upright mark at X 0 well above it.
    Write(dir, "mark.mod", "$MODULE MARK\r\nDS -40000 0 40000 0 120 21\r\nDS 0 -4000 0 -3000 120 21\r\n$EndMODULE MARK\r\n");
    TForm1& f = Open(dir.path());
    PickFile(f, "mark.mod");
    const QColor body = QColor::fromRgb(ToRgb(f.Core().Options().CorCorpo));
    QWidget* vp = f.ScrollBox1->viewport();
    // The mark's column and top row in the viewport, found in the picture.
    auto mark = [&]() -> QPoint {
        QApplication::processEvents();
        const QImage img = ViewPicture(f);
        const int sx = f.ScrollBox1->horizontalScrollBar()->value(), sy = f.ScrollBox1->verticalScrollBar()->value();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if ((img.pixel(x, y) & 0xFFFFFF) == (body.rgb() & 0xFFFFFF)) return QPoint(x - sx, y - sy);
        return QPoint(-1, -1);
    };
    auto wheel = [&](QPoint at, int delta) {
        QWheelEvent e(QPointF(at), QPointF(vp->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(vp, &e);
    };
    const QPoint before = mark();
    ASSERT_GE(before.x(), 0);
    const std::vector<int32_t> in{80, 64, 51}, out{64, 80, 100};
    for (int32_t expected : in) {
        wheel(before, 120);
        EXPECT_EQ(f.Core().Options().ScaleDivisor, expected);
        const QPoint now = mark();
        EXPECT_LE(std::abs(now.x() - before.x()), 2) << expected;
        EXPECT_LE(std::abs(now.y() - before.y()), 2) << expected;
    }
    EXPECT_GT(f.ScrollBox1->horizontalScrollBar()->value(), 0);  // it scrolled to keep the mark
    for (int32_t expected : out) {
        wheel(before, -120);
        EXPECT_EQ(f.Core().Options().ScaleDivisor, expected);
        const QPoint now = mark();
        EXPECT_LE(std::abs(now.x() - before.x()), 2) << expected;
    }
    // An activation sets the divisor to 100 without drawing again: the wheel
    // goes on from the divisor the view shows.
    wheel(before, 120);
    wheel(before, 120);
    ASSERT_EQ(f.Core().Options().ScaleDivisor, 64);
    f.FormActivate();
    ASSERT_EQ(f.Core().Options().ScaleDivisor, 100);
    wheel(before, 120);
    EXPECT_EQ(f.Core().Options().ScaleDivisor, 51);
    const QPoint now = mark();
    EXPECT_LE(std::abs(now.x() - before.x()), 2);
}

// Saves docs/main-window-ajustar.png: "Ajustar" on a 0402 chip.
TEST_F(MainWindow, AjustarScreenshot) {
    const QString out = qEnvironmentVariable("TARNEL_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "TARNEL_SCREENSHOT_DIR not set";
    QTemporaryDir dir;
    ChipFolder(dir);
    TForm1& f = Open(dir.path());
    PickFile(f, "Chips.pretty/");
    f.RG_textosItems->button(2)->click();
    f.B_ajustar->click();
    QTest::qWait(50);
    ASSERT_TRUE(f.grab().save(QDir(out).filePath("main-window-ajustar.png")));
}

// The status line speaks Portuguese: what could not be read and why, the
// system's reason last, in the system's words.
TEST_F(MainWindow, StatusLineMessagesArePortuguese) {
    QTemporaryDir dir;
    Write(dir, "gone.mod", Module("ONE"));
    QDir().mkpath(dir.filePath("Bad.pretty"));
    Write(dir, "Bad.pretty/Broken.kicad_mod", "(footprint \"Broken\"\n (pad \"1\" smd rect\n");
    QDir().mkpath(dir.filePath("Other.pretty"));
    Write(dir, "Other.pretty/Symbols.kicad_mod", "(kicad_symbol_lib (version 20211014))\n");
    TForm1& f = Open(dir.path());
    const QString gone = QDir(f.Folder()).filePath("gone.mod");
    const struct {
        QString file;
        QString says;
    } cases[] = {
        {"gone.mod", QStringLiteral("Não foi possível ler a biblioteca: o arquivo \"%1\" não pode ser aberto: %2")
                         .arg(gone, QString::fromLocal8Bit(std::strerror(ENOENT)))},
        {"Bad.pretty/", QStringLiteral("Broken.kicad_mod: linha 2: o arquivo termina dentro de uma lista não fechada")},
        {"Other.pretty/", QStringLiteral("Symbols.kicad_mod: o arquivo não é um footprint (começa com \"kicad_symbol_lib\")")},
    };
    ASSERT_TRUE(QFile::remove(gone));
    for (const auto& c : cases) {
        PickFile(f, c.file);
        EXPECT_TRUE(f.statusBar()->currentMessage().endsWith(c.says))
            << f.statusBar()->currentMessage().toStdString() << "\n" << c.says.toStdString();
    }
}

// A footprint folder is a library: the file list shows it, the folder list
// does not (entering it from there showed an empty file list).
TEST_F(MainWindow, FootprintFoldersAreListedOnlyAsLibraries) {
    QTemporaryDir dir;
    Write(dir, "a.mod", Module("A"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("Lib.pretty"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("other"));
    Write(dir, "Lib.pretty/R.kicad_mod", "(footprint \"R\" (pad \"1\" smd rect (at 0 0) (size 1 1) (layers \"F.Cu\")))\n");
    TForm1& f = Open(dir.path());
    QStringList folders, files;
    for (int i = 0; i < f.DLB1->count(); ++i) folders << f.DLB1->item(i)->text().trimmed();
    for (int i = 0; i < f.FileListBox1->count(); ++i) files << f.FileListBox1->item(i)->text();
    EXPECT_TRUE(folders.contains("other")) << folders.join(',').toStdString();
    EXPECT_FALSE(folders.contains("Lib.pretty")) << folders.join(',').toStdString();
    EXPECT_EQ(files, (QStringList{"a.mod", "Lib.pretty/"}));
}

// After an index run the file list highlights the library that is open,
// not the last one the run read.
TEST_F(MainWindow, IndexRunKeepsTheOpenLibraryHighlighted) {
    QTemporaryDir dir;
    Write(dir, "a.mod", Module("A"));
    Write(dir, "b.mod", Module("B"));
    Write(dir, "s.lib", "DEF S U 0 40 Y Y 1 F N\nENDDEF\n");
    ASSERT_TRUE(QDir(dir.path()).mkdir("Lib.pretty"));
    TForm1& f = Open(dir.path());
    struct Case {
        const char* pick;
        std::string highlighted;
    };
    for (const Case& c : {Case{"a.mod", "a.mod"}, Case{"s.lib", "s.lib"}}) {
        PickFile(f, c.pick);
        TForm2 index(f.FileList(), &f);
        index.BitBtn1->click();
        EXPECT_EQ(f.SelectedLibraryFileName(), c.highlighted) << c.pick;
        EXPECT_EQ(f.FileListBox1->currentItem()->text(), c.pick);
        EXPECT_EQ(f.ListedLibraryPath(), QDir(dir.path()).canonicalPath().toStdString() + "/" + c.pick);
    }
}
