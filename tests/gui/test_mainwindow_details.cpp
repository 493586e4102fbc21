// The main window's "Números das ilhas" choice and its "Detalhes" panel.
#include "mainwindow_fixture.h"

#include "catalogs/catalogs.h"
#include "report/pagestream.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QButtonGroup>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

using namespace tarnel;

namespace {

// A footprint folder whose one footprint is a 5 mm pad numbered 8 at
// (10, 10) mm, and a second one with a smaller pad.
void BigPadFolder(const QTemporaryDir& dir) {
    QDir().mkpath(QDir(dir.path()).filePath("Big.pretty"));
    const char* pads[][2] = {{"A", "(pad \"8\" smd rect (at 10 10) (size 5 5) (layers \"F.Cu\"))"},
                             {"B", "(pad \"12\" thru_hole circle (at 10 10) (size 4 4) (drill 1) (layers \"*.Cu\"))"}};
    for (const auto& p : pads)
        std::ofstream(QDir(dir.path()).filePath(QStringLiteral("Big.pretty/%1.kicad_mod").arg(p[0])).toStdString())
            << "(footprint \"" << p[0] << "\" (version 20240108) (layer \"F.Cu\")\n  " << p[1] << "\n)\n";
}

// Where a millimetre coordinate lands on the canvas at divisor div:
// decimils (x 10000 / 25.4, halves to even), then the legacy mapping.
int Px(double mm, int div) {
    const long double d = std::nearbyint(mm * 10000.0 / 25.4);
    const int64_t origin = static_cast<int64_t>(std::trunc(div / 115.0L * 250.0L));
    return static_cast<int>(origin + static_cast<int64_t>(std::trunc(d / div / 1.15L + 0.5L)));
}

// White pixels (pad numbers are white) strictly inside the shown box [l, r] x [t, b].
int WhiteInside(const QImage& img, int l, int t, int r, int b) {
    int n = 0;
    for (int y = t + 1; y < b; ++y)
        for (int x = l + 1; x < r; ++x) n += (img.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
    return n;
}

QDateTime FixedTime() { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)); }

std::unique_ptr<PageList> RunCatalog(Catalogs& c, bool drawings, const std::string& library) {
    c.Form3.QR_FIG.Clock = FixedTime;
    c.QR_lista.QR_lista.Clock = FixedTime;
    return drawings ? c.b_reportClick(library) : c.Lista1Click(library);
}

class MainWindowDetails : public MainWindow {};

} // namespace

// The new box goes under "Desenhar arcos": the window's design width still
// holds the whole bottom row.
TEST_F(MainWindowDetails, TheBottomRowStillFitsTheDesignWidth) {
    TForm1& f = Open(kSamples);
    QApplication::processEvents();
    EXPECT_LE(f.minimumSizeHint().width(), 862);
    EXPECT_EQ(f.width(), 862);
    for (QCheckBox* b : {f.CB_arcos, f.CB_numeros}) EXPECT_GE(b->width(), b->sizeHint().width()) << b->text().toStdString();
    const QPoint arcs = f.CB_arcos->mapTo(&f, QPoint()), numbers = f.CB_numeros->mapTo(&f, QPoint());
    EXPECT_EQ(numbers.x(), arcs.x());
    EXPECT_GE(numbers.y(), arcs.y() + f.CB_arcos->height());
}

TEST_F(MainWindowDetails, PadNumbersFollowTheirCheckbox) {
    QTemporaryDir dir;
    BigPadFolder(dir);
    TForm1& f = Open(dir.path());
    EXPECT_EQ(f.CB_numeros->text(), QStringLiteral("Números das ilhas"));
    EXPECT_TRUE(f.CB_numeros->isChecked());  // on by default
    PickFile(f, "Big.pretty/");
    const int div = f.Core().Options().ScaleDivisor;
    // The pad alone makes the view: its box starts at the crop's margin.
    ASSERT_EQ(f.Core().View().ExtentMinX, Px(7.5, div));
    ASSERT_EQ(f.Core().View().ExtentMinY, Px(7.5, div));
    const int l = 50, r = 50 + Px(12.5, div) - Px(7.5, div);
    const int centre = (l + r) / 2;
    const struct {
        const char* name;
        bool checked;
    } steps[] = {{"off", false}, {"on again", true}, {"off again", false}};
    EXPECT_GT(WhiteInside(ViewPicture(f), l, l, r, r), 0) << "on";
    for (const auto& s : steps) {
        f.CB_numeros->click();  // drawn again at once
        ASSERT_EQ(f.CB_numeros->isChecked(), s.checked) << s.name;
        const QImage img = ViewPicture(f);
        EXPECT_EQ(WhiteInside(img, l, l, r, r) > 0, s.checked) << s.name;
        // The copper is there either way, around the number.
        EXPECT_EQ(img.pixel(l + 1, centre) & 0xFFFFFF, ToRgb(f.Core().Options().CorComp) & 0xFFFFFF) << s.name;
    }
    // A legacy module keeps its drawing with the box on.
    f.CB_numeros->click();
    Write(dir, "a.mod", Module("A"));
    f.SetFolder(dir.path());
    PickFile(f, "a.mod");
    const QImage on = ViewPicture(f);
    f.CB_numeros->click();
    EXPECT_EQ(ViewPicture(f), on);
}

// Catalog pictures are as they always were, whatever the window shows.
TEST_F(MainWindowDetails, CatalogPagesHaveNoPadNumbers) {
    QTemporaryDir dir;
    BigPadFolder(dir);
    TForm1& f = Open(dir.path());
    PickFile(f, "Big.pretty/");
    ASSERT_TRUE(f.CB_numeros->isChecked());
    const std::string library = f.ListedLibraryPath();
    Catalogs catalogs(f.Core());
    std::unique_ptr<PageList> fromWindow[2];
    bool boxOff = false;
    f.RunDrawingCatalog = [&] {
        boxOff = !f.CB_numeros->isEnabled();  // the choice cannot change under a run
        fromWindow[0] = RunCatalog(catalogs, true, library);
    };
    f.RunListCatalog = [&] { fromWindow[1] = RunCatalog(catalogs, false, library); };
    f.Desenhos1->trigger();
    f.Lista1->trigger();
    EXPECT_TRUE(boxOff);
    // The pages of a core that never drew numbers, and of one that does.
    auto pages = [&](bool drawings, bool numbers) {
        TForm1Core core;
        core.Options().PadNumbers = numbers;
        core.OpenLibrary(library);
        Catalogs c(core);
        return RunCatalog(c, drawings, library);
    };
    for (int i = 0; i < 2; ++i) {
        const bool drawings = i == 0;
        ASSERT_TRUE(fromWindow[i]) << i;
        const auto plain = pages(drawings, false);
        ASSERT_EQ(fromWindow[i]->PageCount(), plain->PageCount()) << i;
        EXPECT_EQ(fromWindow[i]->ReadPage(1)->Emf, plain->ReadPage(1)->Emf) << (drawings ? "drawings" : "list");
        // Numbers would show on a drawing catalog's page: the check can fail.
        if (drawings) {
            EXPECT_NE(pages(true, true)->ReadPage(1)->Emf, plain->ReadPage(1)->Emf);
        }
    }
    // Afterwards the window draws its numbers again.
    EXPECT_TRUE(f.CB_numeros->isEnabled());
    EXPECT_TRUE(f.Core().Options().PadNumbers);
}

TEST_F(MainWindowDetails, DetailsOfTheChosenItem) {
    QTemporaryDir dir;
    BigPadFolder(dir);
    Write(dir, "a.mod", "$MODULE SIL-2\r\nLi SIL-2\r\nCd Connecteurs 2 pins\r\nKw CONN DEV\r\n"
                        "DS -1000 -500 1000 -500 120 21\r\nDS -1000 500 1000 500 120 21\r\n"
                        "$PAD\r\nSh \"1\" R 550 550 0 0 0\r\nDr 320 0 0\r\nAt STD N 00E0FFFF\r\nPo -500 0\r\n$EndPAD\r\n"
                        "$EndMODULE SIL-2\r\n");
    Write(dir, "empty.mod", "PCBNEW-LibModule-V1\r\n$INDEX\r\n$EndINDEX\r\n$EndLIBRARY\r\n");
    TForm1& f = Open(dir.path());
    EXPECT_EQ(f.GB_detalhes->title(), QStringLiteral("Detalhes"));
    auto shown = [&] {
        return QStringList{f.D_nome->FullText(),     f.D_biblioteca->FullText(), f.D_descricao->FullText(),
                           f.D_palavras->FullText(), f.L_contagem->text(),       f.D_contagem->FullText(),
                           f.D_montagem->FullText(), f.D_tamanho->FullText()};
    };
    const QStringList empty{"", "", "", "", "Ilhas", "", "", ""};
    EXPECT_EQ(shown(), empty);
    PickFile(f, "a.mod");
    EXPECT_EQ(shown(), (QStringList{"SIL-2", "a.mod", "Connecteurs 2 pins", "CONN DEV", "Ilhas", "1", "furo passante",
                                    QStringLiteral("5,08 × 2,54 mm")}));
    PickFile(f, "Big.pretty/");
    ClickItem(f.ListBox1, 1);
    EXPECT_EQ(shown(), (QStringList{"B", "Big.pretty", "", "", "Ilhas", "1", "furo passante", QStringLiteral("4,00 × 4,00 mm")}));
    ClickItem(f.ListBox1, 0);
    EXPECT_EQ(shown(), (QStringList{"A", "Big.pretty", "", "", "Ilhas", "1", "SMD", QStringLiteral("5,00 × 5,00 mm")}));
    // Another library with nothing to show: nothing of the last item stays.
    PickFile(f, "empty.mod");
    EXPECT_EQ(f.ListBox1->count(), 0);
    EXPECT_EQ(shown(), empty);
}

// The panel takes its room below the lists and never widens the left
// column, whatever the description's length.
TEST_F(MainWindowDetails, LongDetailsStayInThePanel) {
    QTemporaryDir dir;
    QDir().mkpath(QDir(dir.path()).filePath("L.pretty"));
    const std::string longText(400, 'x');
    Write(dir, "L.pretty/L.kicad_mod", "(footprint \"L\" (version 20240108) (descr \"" + longText + "\") (tags \"" + longText +
                                           "\")\n (pad \"1\" smd rect (at 0 0) (size 1 1) (layers \"F.Cu\"))\n)\n");
    TForm1& f = Open(dir.path());
    const int width = f.TabControl1->width();
    PickFile(f, "L.pretty/");
    QApplication::processEvents();
    EXPECT_EQ(f.TabControl1->width(), width);
    EXPECT_EQ(f.D_descricao->FullText(), QString::fromStdString(longText));
    EXPECT_LT(f.D_descricao->text().size(), 400);  // cut to its room, whole in the tool tip
    EXPECT_EQ(f.D_descricao->toolTip(), QString::fromStdString(longText));
    const QRect panel(f.GB_detalhes->mapTo(&f, QPoint()), f.GB_detalhes->size());
    const QRect tabs(f.TabControl1->mapTo(&f, QPoint()), f.TabControl1->size());
    const QRect view(f.ScrollBox1->mapTo(&f, QPoint()), f.ScrollBox1->size());
    EXPECT_FALSE(panel.intersects(tabs));
    EXPECT_FALSE(panel.intersects(view));
    EXPECT_LT(panel.bottom(), f.B_linha->mapTo(&f, QPoint()).y());
    EXPECT_TRUE(panel.contains(QRect(f.D_tamanho->mapTo(&f, QPoint()), f.D_tamanho->size())));
}

// Saves docs/main-window-pad-numbers.png: a footprint with its pad numbers
// and the details panel.
TEST_F(MainWindowDetails, PadNumbersScreenshot) {
    const QString out = qEnvironmentVariable("TARNEL_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "TARNEL_SCREENSHOT_DIR not set";
    TForm1& f = Open(kSamples);
    PickFile(f, "exemplo.pretty/");
    ClickItem(f.ListBox1, 0);
    f.RG_textosItems->button(2)->click();
    f.B_ajustar->click();
    QTest::qWait(50);
    ASSERT_TRUE(f.grab().save(QDir(out).filePath("main-window-pad-numbers.png")));
}
