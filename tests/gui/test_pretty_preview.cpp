// The drawing catalog of a footprint folder in the preview window: pages
// show as they are made, and closing the window stops a long run.
#include "catalogs/catalogs.h"
#include "preview/tqrpreviewinterf.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/stat.h>

#include <fstream>
#include <functional>

using namespace tarnel;

namespace {
struct PrettyPreview : ::testing::Test {
    tqrpreviewinterf provider;
    TForm1Core core;
    Catalogs cat{core};
    std::vector<std::string> infos;
    QTemporaryDir dir;
    std::string folder;
    void SetUp() override {
        SetScreenPixelsPerInch(96);
        RegisterPreviewProvider(&provider);
        cat.Cursor.ShowInfo = [this](const std::string& m) { infos.push_back(m); };
    }
    void TearDown() override {
        RegisterPreviewProvider(nullptr);
        SetScreenPixelsPerInch(0);
    }
    void Folder(int footprints) {
        folder = dir.filePath("Big.pretty").toStdString();
        mkdir(folder.c_str(), 0755);
        for (int i = 0; i < footprints; ++i)
            std::ofstream(folder + "/FP_" + std::to_string(1000 + i) + ".kicad_mod")
                << "(footprint \"FP\" (version 20240108)\n  (descr \"footprint " << i << "\")\n"
                << "  (fp_rect (start -2 -1) (end 2 1) (stroke (width 0.1)) (fill none) (layer \"F.Fab\"))\n"
                << "  (pad \"1\" smd roundrect (at -1 0) (size 1 1.5) (layers \"F.Cu\"))\n"
                << "  (pad \"2\" smd roundrect (at 1 0) (size 1 1.5) (layers \"F.Cu\"))\n)\n";
        core.ScaleDivisor = 100;
        core.OpenLibrary(folder);
    }
    // Runs check every few milliseconds, from the event loop the preview
    // runs, until it returns true.
    static void Poll(std::function<bool()> check) {
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

TEST_F(PrettyPreview, WholeRunShowsEveryPage) {
    Folder(60);  // 10 pages
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

TEST_F(PrettyPreview, PagesShowWhileTheRunGoesOnAndClosingStopsIt) {
    Folder(1200);  // 200 pages
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
    EXPECT_LT(core.ItemIndex, 1200);  // the run stopped before the end
    EXPECT_TRUE(infos.empty());       // and does not claim success
}
