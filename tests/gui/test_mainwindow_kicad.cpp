// The main window as a KiCad user sees it: real footprints drawn as KiCad
// draws them, texts whole in the view, pad numbers, the status line and the
// details of the chosen item.
#include "mainwindow_fixture.h"

#include "../corpus.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QPushButton>
#include <QStatusBar>

#include <cmath>

using namespace tarnel;

namespace {

const QString kPretty = QStringLiteral(TARNEL_CORPUS "/pretty");

class KicadWindow : public MainWindow {
protected:
    // Where a file's millimetres land in the view: decimils (halves to
    // even), the divisor's origin and step, the move of a drawing kept
    // whole, then the crop that starts 50 pixels before the extents.
    static int ViewPixel(const TForm1& f, double mm, bool isY) {
        const long double decimils = std::nearbyint(mm * 10000.0 / 25.4);
        const long double div = f.Core().Options().ScaleDivisor;
        const int64_t origin = static_cast<int64_t>(std::trunc(div / 115.0L * 250.0L));
        const int64_t step = static_cast<int64_t>(std::trunc(decimils / div / 1.15L + 0.5L));
        const ViewState v = f.Core().View();
        const int64_t canvas = origin + step + (isY ? v.ShiftY : v.ShiftX);
        return static_cast<int>(canvas - ((isY ? v.ExtentMinY : v.ExtentMinX) - 50));
    }

    static void PickModule(TForm1& f, const QString& name) {
        const auto items = f.ListBox1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        ClickItem(f.ListBox1, f.ListBox1->row(items[0]));
    }

    static QRgb Rgb(Color c) { return ToRgb(c) & 0xFFFFFF; }
    static QRgb At(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }
};

} // namespace

// An open solder jumper: its two mask openings over the gaps are not
// copper, so the gaps between the triangles stay open.
TEST_F(KicadWindow, OpenSolderJumperShowsItsGaps) {
    REQUIRE_CORPUS();
    TForm1& f = Open(kPretty);
    PickFile(f, "Jumper.pretty/");
    PickModule(f, "SolderJumper-3_P2.0mm_Open_TrianglePad1.0x1.5mm");
    for (int i = 0; i < 8; ++i) f.Button3->click();  // "+ Zoom" to 20: the 0.3 mm gaps are 5 pixels
    ASSERT_EQ(f.Core().Options().ScaleDivisor, 20);
    const QImage img = ViewPicture(f);
    const QRgb copper = Rgb(f.Core().Options().CorComp);
    const int y = ViewPixel(f, 0, true);
    const struct {
        const char* where;
        double x;  // millimetres, on the centre line
        bool copper;
    } cases[] = {
        {"pad 1, left of its tip", -1.5, true},
        {"gap between pad 1's tip (-1.0) and pad 2's notch (-0.7)", -0.85, false},
        {"pad 2's middle", 0, true},
        {"gap between pad 2's notch (0.7) and pad 3's tip (1.0)", 0.85, false},
        {"pad 3, right of its tip", 1.5, true},
    };
    for (const auto& c : cases) {
        const int x = ViewPixel(f, c.x, false);
        for (int dx = -1; dx <= 1; ++dx) {
            if (c.copper) EXPECT_EQ(At(img, x + dx, y), copper) << c.where;
            else EXPECT_EQ(At(img, x + dx, y), 0xFFFFFFu) << c.where;  // white: no mask opening drawn
        }
    }
}

// A small footprint's long value text is shown whole at every zoom: the
// view holds the text's box, centred on its anchor.
TEST_F(KicadWindow, SmallFootprintsTextsAreWholeInTheView) {
    REQUIRE_CORPUS();
    TForm1& f = Open(kPretty);
    PickFile(f, "RF_Antenna.pretty/");
    PickModule(f, "Johanson_2450AT18x100");
    const QString value = QStringLiteral("Johanson_2450AT18x100");
    const Canvas measure(10, 10);
    const int w = measure.TextWidth(value.toStdString()), h = measure.TextHeight(value.toStdString());
    const struct {
        int textMode, zoomIns;
        const char* text;
        double x, y;  // the text's anchor, millimetres
    } cases[] = {
        {2, 0, "Johanson_2450AT18x100", 0, 1.85},
        {2, 8, "Johanson_2450AT18x100", 0, 1.85},
        {1, 0, "REF**", 0, -1.85},
    };
    for (const auto& c : cases) {
        f.RG_textosItems->button(c.textMode)->click();
        f.Button4->click();
        for (int i = 0; i < c.zoomIns; ++i) f.Button3->click();
        const QImage img = ViewPicture(f);
        const int tw = measure.TextWidth(c.text), th = measure.TextHeight(c.text);
        const int left = ViewPixel(f, c.x, false) - tw / 2, top = ViewPixel(f, c.y, true) - th / 2;
        const std::string name = std::string(c.text) + " at " + std::to_string(f.Core().Options().ScaleDivisor);
        EXPECT_GE(left, 0) << name;
        EXPECT_GE(top, 0) << name;
        EXPECT_LE(left + tw, f.Core().View().ViewWidth) << name;
        EXPECT_LE(top + th, f.Core().View().ViewHeight) << name;
        // Its ink reaches both ends of its box, and the view's edges stay white.
        int first = img.width(), last = -1;
        const QRgb ink = Rgb(f.Core().Options().CorCorpo);
        for (int y = std::max(top, 0); y < std::min(top + th, img.height()); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (At(img, x, y) == ink) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        EXPECT_LE(first, left + 4) << name;
        EXPECT_GE(last, left + tw - 5) << name;
        EXPECT_GT(first, 0) << name;
        EXPECT_LT(last, img.width() - 1) << name;
    }
    EXPECT_GT(w, 100);  // far wider than the 4.6 mm part at "Normal"
    EXPECT_GT(h, 5);
}

// The status line speaks of the library and item chosen last: choosing
// another library or item clears or replaces what it said before; a
// footprint file that is empty or plain text says so.
TEST_F(KicadWindow, StatusLineFollowsTheChoice) {
    QTemporaryDir dir;
    Write(dir, "good.mod", Module("ONE"));
    Write(dir, "gone.mod", Module("TWO"));
    QDir().mkpath(dir.filePath("Bad.pretty"));
    Write(dir, "Bad.pretty/Broken.kicad_mod", "(footprint \"Broken\"\n (pad \"1\" smd rect\n");
    Write(dir, "Bad.pretty/Good.kicad_mod", "(footprint \"Good\" (pad \"1\" smd rect (at 0 0) (size 1 1) (layers F.Cu)))\n");
    QDir().mkpath(dir.filePath("Texts.pretty"));
    Write(dir, "Texts.pretty/empty.kicad_mod", "");
    Write(dir, "Texts.pretty/text.kicad_mod", "just some words\n");
    QDir().mkpath(dir.filePath("Empty.pretty"));
    TForm1& f = Open(dir.path());
    ASSERT_TRUE(QFile::remove(dir.filePath("gone.mod")));
    const struct {
        const char* file;    // a library to pick, or null
        const char* module;  // then an item to choose, or null
        QString says;        // what the status line ends with; empty: nothing
    } steps[] = {
        {"gone.mod", nullptr, QStringLiteral("não pode ser aberto: ") + QString::fromLocal8Bit(std::strerror(ENOENT))},
        {"good.mod", nullptr, {}},
        {"Bad.pretty/", nullptr, QStringLiteral("Broken.kicad_mod: linha 2: o arquivo termina dentro de uma lista não fechada")},
        {nullptr, "Good", {}},
        {nullptr, "Broken", QStringLiteral("o arquivo termina dentro de uma lista não fechada")},
        {"Texts.pretty/", nullptr, QStringLiteral("empty.kicad_mod: linha 1: nenhuma lista encontrada")},
        {nullptr, "text", QStringLiteral("text.kicad_mod: linha 1: texto fora de qualquer lista")},
        {"Empty.pretty/", nullptr, QStringLiteral("A biblioteca Empty.pretty não tem módulos.")},
        {"Texts.pretty/", nullptr, QStringLiteral("nenhuma lista encontrada")},
        {"good.mod", nullptr, {}},
    };
    for (const auto& s : steps) {
        if (s.file) PickFile(f, s.file);
        if (s.module) PickModule(f, s.module);
        const QString shown = f.statusBar()->currentMessage();
        const std::string step = std::string(s.file ? s.file : "") + (s.module ? s.module : "");
        if (s.says.isEmpty()) EXPECT_TRUE(shown.isEmpty()) << step << ": " << shown.toStdString();
        else EXPECT_TRUE(shown.endsWith(s.says)) << step << ": " << shown.toStdString();
    }
    // Leaving the library without choosing another (the file's selection
    // taken away) leaves nothing said of it.
    PickFile(f, "Texts.pretty/");
    ASSERT_FALSE(f.statusBar()->currentMessage().isEmpty());
    const auto items = f.FileListBox1->findItems("Texts.pretty/", Qt::MatchExactly);
    QTest::mouseClick(f.FileListBox1->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      f.FileListBox1->visualItemRect(items[0]).center());
    ASSERT_EQ(f.SelectedLibraryFileName(), "");
    EXPECT_EQ(f.ListBox1->count(), 0);
    EXPECT_TRUE(f.statusBar()->currentMessage().isEmpty()) << f.statusBar()->currentMessage().toStdString();
    EXPECT_TRUE(messages.empty());
}
