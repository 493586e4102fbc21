#include "catalogs/catalogs.h"
#include "preview/dialogs.h"
#include "preview/tqrpreviewinterf.h"
#include "report/emf.h"
#include "tokenizer/libtext.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QToolButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>

using namespace tarnel;

namespace {
struct CatalogPreview : ::testing::Test {
    tqrpreviewinterf provider;
    TForm1Core core;
    Catalogs cat{core};
    std::vector<std::string> infos;
    QTemporaryDir dir;
    void SetUp() override {
        SetScreenPixelsPerInch(96);
        RegisterPreviewProvider(&provider);
        cat.Cursor.ShowInfo = [this](const std::string& m) { infos.push_back(m); };
    }
    void TearDown() override {
        RegisterPreviewProvider(nullptr);
        SetScreenPixelsPerInch(0);
    }
    void Library(int modules) {
        std::string lib;
        for (int i = 1; i <= modules; ++i) lib += "$MODULE M" + std::to_string(i) + "\r\nDS 0 0 2000 0 150 21\r\n$EndMODULE\r\n";
        const std::string p = dir.filePath("lib.mod").toStdString();
        std::ofstream(p, std::ios::binary) << lib;
        core.FileListBox1Click(p);
    }
    // A footprint folder of n two-pad footprints, opened.
    std::string Footprints(int n) {
        const std::string folder = dir.filePath("Big.pretty").toStdString();
        QDir().mkpath(QString::fromStdString(folder));
        for (int i = 0; i < n; ++i)
            std::ofstream(folder + "/FP_" + std::to_string(1000 + i) + ".kicad_mod")
                << "(footprint \"FP\" (version 20240108)\n  (descr \"footprint " << i << "\")\n"
                << "  (fp_rect (start -2 -1) (end 2 1) (stroke (width 0.1)) (fill none) (layer \"F.Fab\"))\n"
                << "  (pad \"1\" smd roundrect (at -1 0) (size 1 1.5) (layers \"F.Cu\"))\n"
                << "  (pad \"2\" smd roundrect (at 1 0) (size 1 1.5) (layers \"F.Cu\"))\n)\n";
        core.Options().ScaleDivisor = 100;
        core.OpenLibrary(folder);
        return folder;
    }
    // Calls check every few milliseconds until it returns true.
    void Poll(std::function<bool()> check) {
        auto* t = new QTimer;
        QObject::connect(t, &QTimer::timeout, [t, check] {
            if (check()) {
                t->stop();
                t->deleteLater();
            }
        });
        t->start(5);
    }
};
} // namespace

TEST_F(CatalogPreview, SevenModulesTwoPagesInTheWindow) {
    Library(7);
    QString label;
    bool spinEnabled = false;
    int pageCount = 0;
    Poll([&] {
        TPrevForm* f = tqrpreviewinterf::LastWindow();
        auto* r = cat.Form3.QR_FIG.Recorder().get();
        if (!f || !r || r->Status() != RecorderStatus::Finished) return false;
        QApplication::processEvents();
        label = f->Label2->text();
        spinEnabled = f->SpinEdit1->isEnabled();
        pageCount = r->PageCount();
        f->close();
        return true;
    });
    cat.b_reportClick("");  // returns when the window closes
    EXPECT_EQ(pageCount, 2);
    EXPECT_EQ(label, QStringLiteral("de 2"));
    EXPECT_TRUE(spinEnabled);
    EXPECT_EQ(infos, std::vector<std::string>{"Catálogo gerado!"});
}

TEST_F(CatalogPreview, OneModuleOnePageSpinDisabled) {
    Library(1);
    bool spinEnabled = true;
    QString title;
    Poll([&] {
        TPrevForm* f = tqrpreviewinterf::LastWindow();
        auto* r = cat.QR_lista.QR_lista.Recorder().get();
        if (!f || !r || r->Status() != RecorderStatus::Finished) return false;
        QApplication::processEvents();
        spinEnabled = f->SpinEdit1->isEnabled();
        title = f->windowTitle();
        f->close();
        return true;
    });
    cat.Lista1Click("");
    EXPECT_FALSE(spinEnabled);
    EXPECT_EQ(title, QStringLiteral("Visão prévia lib: lib.mod"));
}

TEST_F(CatalogPreview, ClosingDuringTheRunStopsIt) {
    Library(300);  // 50 pages
    int pagesWhenClosed = 0;
    Poll([&] {
        TPrevForm* f = tqrpreviewinterf::LastWindow();
        auto* r = cat.Form3.QR_FIG.Recorder().get();
        if (!f || !r || r->AvailablePages() < 1) return false;
        pagesWhenClosed = r->PageCount();
        f->close();
        return true;
    });
    cat.b_reportClick("");  // must return
    EXPECT_GE(pagesWhenClosed, 1);
    EXPECT_LT(core.ItemIndex(), 300);  // the run stopped before the end
    EXPECT_TRUE(infos.empty());
    EXPECT_TRUE(cat.Form3.QR_FIG.Available());
}

// "Imprimir", "Gravar" and "Ler" while the catalog runs refuse at once,
// before any dialog opens (a print would hold only the pages made so far, a
// save could not be written yet, a loaded report would end the run unseen),
// and the run goes on to its end.
TEST_F(CatalogPreview, PrintSaveAndLoadRefuseWhileTheCatalogRuns) {
    const std::string file = dir.filePath("tres.qrp").toStdString();
    {
        PageList list;
        list.StartRun();
        EmfRecorder page(QSize(794, 1123));
        page.FillRect(QRect(100, 100, 300, 300), kBlack);
        list.AppendPage(page.Finish());
        list.Finish();
        ASSERT_EQ(SaveReport(list, file), SaveResult::Saved);
    }
    const struct {
        const char* name;
        QToolButton* TPrevForm::*button;
        const char* says;
    } cases[] = {
        {"Imprimir", &TPrevForm::SB_imprimir, "imprima-o quando terminar"},
        {"Gravar", &TPrevForm::bb_salvar, "grave-o quando terminar"},
        {"Ler", &TPrevForm::BB_ler, "leia outro relatório quando terminar"},
    };
    for (const auto& c : cases) {
        Library(300);  // 6 pages
        UiDialogs saved = Dialogs();
        std::vector<std::string> messages;
        int fileDialogs = 0, printDialogs = 0;
        Dialogs().Message = [&](QWidget*, UiDialogs::Icon, const std::string& m) { messages.push_back(m); };
        Dialogs().OpenFile = [&](QWidget*, const std::string&, const std::string&) {
            ++fileDialogs;
            return std::optional<std::string>(file);
        };
        Dialogs().SaveFile = [&](QWidget*, const std::string&, const std::string&) {
            ++fileDialogs;
            return std::optional<std::string>(dir.filePath("gravado.qrp").toStdString());
        };
        bool clicked = false, runningWhenClicked = false;
        int pages = 0;
        Poll([&] {
            // A print dialog that opens anyway is counted and closed.
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QPrintDialog*>(w); d && d->isVisible()) {
                    ++printDialogs;
                    d->reject();
                }
            TPrevForm* f = tqrpreviewinterf::LastWindow();
            auto* r = cat.QR_lista.QR_lista.Recorder().get();
            if (!f || !r) return false;
            if (!clicked) {
                if (r->AvailablePages() < 1) return false;
                clicked = true;
                runningWhenClicked = r->Status() == RecorderStatus::Busy;
                QTest::mouseClick(f->*c.button, Qt::LeftButton);
                return false;
            }
            if (r->Status() != RecorderStatus::Finished) return false;
            pages = r->PageCount();
            f->close();
            return true;
        });
        cat.Lista1Click("");  // returns when the window closes
        Dialogs() = saved;
        EXPECT_TRUE(runningWhenClicked) << c.name;
        EXPECT_EQ(fileDialogs + printDialogs, 0) << c.name;
        ASSERT_EQ(messages.size(), 1u) << c.name;
        EXPECT_NE(messages[0].find(c.says), std::string::npos) << c.name << ": " << messages[0];
        EXPECT_EQ(pages, 6) << c.name;  // the run went on to its end
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("gravado.qrp"))) << c.name;
    }
}

// A modal dialog holds up the run (it makes its pages between events of the
// program's loop): the preview says "Em pausa" while it waits, and the run
// goes on when the dialog closes.
TEST_F(CatalogPreview, RunHeldUpByADialogShowsEmPausa) {
    Library(300);  // 6 pages
    QPointer<TPrevForm> preview;
    bool opened = false, pausedShown = false, stood = false;
    bool shownBefore = true, shownAfter = true;
    Poll([&] {
        auto* r = cat.QR_lista.QR_lista.Recorder().get();
        if (!preview) preview = tqrpreviewinterf::LastWindow();
        if (!preview || !r) return false;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                const int row = core.ItemIndex();
                QTest::qWait(100);  // the run would move on now if it could
                pausedShown = preview->LabelPausa->isVisible() && preview->LabelPausa->text() == QStringLiteral("Em pausa");
                stood = core.ItemIndex() == row;
                box->accept();
                return false;
            }
        if (!opened) {
            if (r->AvailablePages() < 1) return false;
            opened = true;
            shownBefore = preview->LabelPausa->isVisible();
            // The real message box of "Gravar" during the run.
            QTimer::singleShot(0, preview, [p = preview] { p->bb_salvar->click(); });
            return false;
        }
        if (r->Status() != RecorderStatus::Finished) return false;
        shownAfter = preview->LabelPausa->isVisible();
        preview->close();
        return true;
    });
    cat.Lista1Click("");
    EXPECT_FALSE(shownBefore);
    EXPECT_TRUE(pausedShown);
    EXPECT_TRUE(stood);
    EXPECT_FALSE(shownAfter);
}

// Saves a picture of the preview window for the documentation when
// TARNEL_SCREENSHOT_DIR is set.
TEST_F(CatalogPreview, Screenshot) {
    const QString out = qEnvironmentVariable("TARNEL_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "TARNEL_SCREENSHOT_DIR not set";
    core.FileListBox1Click(TARNEL_CORPUS "/connect.mod");
    bool saved = false;
    Poll([&] {
        TPrevForm* f = tqrpreviewinterf::LastWindow();
        auto* r = cat.Form3.QR_FIG.Recorder().get();
        if (!f || !r || r->Status() != RecorderStatus::Finished) return false;
        f->showNormal();
        f->resize(900, 760);
        f->CB_zoomChange(5);  // whole page
        QApplication::processEvents();
        saved = f->grab().save(out + QStringLiteral("/preview-window.png"));
        f->close();
        return true;
    });
    cat.b_reportClick(TARNEL_CORPUS "/connect.mod");
    EXPECT_TRUE(saved);
}

TEST_F(CatalogPreview, PdfButtonExportsTheShownReport) {
    Library(8);
    const std::string base = dir.filePath("lib.old").toStdString();
    UiDialogs saved = Dialogs();
    std::string filter;
    Dialogs().SaveFile = [&](QWidget*, const std::string& f, const std::string&) {
        filter = f;
        return std::optional<std::string>(base);
    };
    Poll([&] {
        TPrevForm* f = tqrpreviewinterf::LastWindow();
        auto* r = cat.Form3.QR_FIG.Recorder().get();
        if (!f || !r || r->Status() != RecorderStatus::Finished) return false;
        f->BitBtn2Click();
        f->close();
        return true;
    });
    cat.b_reportClick("");
    Dialogs() = saved;
    EXPECT_EQ(filter, "Arquivos PDF(*.pdf)|*.pdf");
    QFile pdf(dir.filePath("lib.PDF"));  // the part after the last dot goes
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-1.4"));
    EXPECT_EQ(bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 2);  // 8 cells: 2 pages
}

TEST_F(CatalogPreview, PdfWhileTheCatalogRunsWritesNothing) {
    Library(300);  // 50 pages
    UiDialogs saved = Dialogs();
    std::vector<std::string> messages;
    Dialogs().Message = [&](QWidget*, UiDialogs::Icon, const std::string& m) { messages.push_back(m); };
    Dialogs().SaveFile = [&](QWidget*, const std::string&, const std::string&) {
        return std::optional<std::string>(dir.filePath("run.pdf").toStdString());
    };
    bool runningWhenClicked = false;
    Poll([&] {
        TPrevForm* f = tqrpreviewinterf::LastWindow();
        auto* r = cat.Form3.QR_FIG.Recorder().get();
        if (!f || !r || r->AvailablePages() < 2) return false;
        runningWhenClicked = r->Status() == RecorderStatus::Busy;
        QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
        f->close();
        return true;
    });
    cat.b_reportClick("");
    Dialogs() = saved;
    EXPECT_TRUE(runningWhenClicked);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("sendo gerado"), std::string::npos) << messages[0];
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("*.PDF"), QStringLiteral("*.pdf")}, QDir::Files), QStringList());
}

// The end of the run is told over the preview, with the program's real
// message box, and the main window stays behind.
TEST_F(CatalogPreview, CatalogDoneMessageSitsOverThePreview) {
    QWidget mainWindow;
    mainWindow.show();
    cat.Cursor.ShowInfo = MessageOverPreview(&mainWindow, UiDialogs::Icon::Information);
    Library(7);
    QPointer<TPrevForm> preview;
    bool overPreview = false;
    QString boxText;
    Poll([&] {
        if (!preview) preview = tqrpreviewinterf::LastWindow();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                overPreview = preview && box->parentWidget() == preview.data();
                boxText = box->text();
                box->accept();
                return false;
            }
        auto* r = cat.Form3.QR_FIG.Recorder().get();
        if (!preview || !r || r->Status() != RecorderStatus::Finished || boxText.isEmpty()) return false;
        preview->close();
        return true;
    });
    cat.b_reportClick("");
    EXPECT_EQ(boxText, QStringLiteral("Catálogo gerado!"));
    EXPECT_TRUE(overPreview);
}

// Under a real display (run under Xvfb with a window manager): the screen
// keeps showing the catalog page while a real file dialog is open over the
// maximized preview.
TEST_F(CatalogPreview, PageStaysOnScreenWhileAFileDialogIsOpen) {
    if (QGuiApplication::platformName() == QStringLiteral("offscreen")) GTEST_SKIP() << "needs a real display";
    Library(7);
    UiDialogs saved = Dialogs();
    Dialogs().Message = [](QWidget*, UiDialogs::Icon, const std::string&) {};
    cat.Cursor.ShowInfo = nullptr;
    bool started = false, dialogSeen = false;
    int before = -1, during = -1;
    // The sheet's bottom edge on the screen (below the centred dialog): how
    // many of its pixels are black, and the desk just below it grey.
    auto pageShown = [](TPrevForm* f) {
        QApplication::processEvents();
        QWidget* vp = f->QRPreview1->viewport();
        const auto& logic = f->QRPreview1->Logic();
        const QSize s = logic.SheetSize();
        const QPoint g = vp->mapToGlobal(QPoint(logic.OffsetX(vp->width()), logic.OffsetY(vp->height())));
        const QImage img = QGuiApplication::primaryScreen()->grabWindow(0, g.x(), g.y() + s.height() - 3, s.width() - 4, 6).toImage();
        int black = 0;
        for (int x = 4; x < img.width() - 4; ++x) black += img.pixelColor(x, 0) == Qt::black;
        return img.pixelColor(img.width() / 2, 5) == QColor(128, 128, 128) ? black : -black;
    };
    Poll([&] {
        TPrevForm* f = tqrpreviewinterf::LastWindow();
        auto* r = cat.Form3.QR_FIG.Recorder().get();
        if (started || !f || !r || r->Status() != RecorderStatus::Finished) return false;
        started = true;  // the dialog below runs this timer again
        QTest::qWait(300);
        f->CB_zoomChange(1);  // 50 %
        QTest::qWait(300);
        before = pageShown(f);
        Dialogs().OpenFile = saved.OpenFile;  // the real dialog
        QTimer::singleShot(300, [&, f] {
            QTest::qWait(500);
            during = pageShown(f);
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) {
                    dialogSeen = true;
                    d->reject();
                }
        });
        QTest::mouseClick(f->BB_ler, Qt::LeftButton);
        f->close();
        return true;
    });
    cat.b_reportClick("");
    Dialogs() = saved;
    EXPECT_GT(before, 100);
    EXPECT_TRUE(dialogSeen);
    EXPECT_EQ(during, before);
}

// The drawing catalog of a footprint folder in the preview.
TEST_F(CatalogPreview, FootprintFolderWholeRunShowsEveryPage) {
    const std::string folder = Footprints(60);  // 10 pages
    int pages = 0;
    QString label;
    Poll([&] {
        TPrevForm* f = tqrpreviewinterf::LastWindow();
        auto* r = cat.Form3.QR_FIG.Recorder().get();
        if (!f || !r || r->Status() != RecorderStatus::Finished) return false;
        QApplication::processEvents();
        pages = r->PageCount();
        label = f->Label2->text();
        f->close();
        return true;
    });
    cat.b_reportClick(folder);
    EXPECT_EQ(pages, 10);
    EXPECT_EQ(label, QStringLiteral("de 10"));
    EXPECT_EQ(infos, std::vector<std::string>{"Catálogo gerado!"});
}

TEST_F(CatalogPreview, FootprintFolderPagesShowWhileTheRunGoesOnAndClosingStopsIt) {
    const std::string folder = Footprints(1200);  // 200 pages
    int shownEarly = 0, repaints = 0;
    Poll([&] {
        TPrevForm* f = tqrpreviewinterf::LastWindow();
        auto* r = cat.Form3.QR_FIG.Recorder().get();
        if (!f || !r || r->AvailablePages() < 2) return false;
        // The window answers while pages are still being made.
        EXPECT_NE(r->Status(), RecorderStatus::Finished);
        f->repaint();
        ++repaints;
        shownEarly = r->AvailablePages();
        f->close();
        return true;
    });
    cat.b_reportClick(folder);  // returns when the window closes
    EXPECT_EQ(repaints, 1);
    EXPECT_GE(shownEarly, 2);
    EXPECT_LT(core.ItemIndex(), 1200);  // the run stopped before the end
    EXPECT_TRUE(infos.empty());       // and does not claim success
}
