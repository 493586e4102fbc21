#include "preview/Demopre.h"
#include "preview/dialogs.h"
#include "pdf/ui/Prgrs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

using namespace tarnel;

namespace {
struct FakeRecorder : PreviewRecorder {
    int pages = 0;
    bool finished = false;
    int closed = 0;
    std::vector<std::string> saved;
    int PageCount() const override { return pages; }
    std::string name = "page ";  // the pages' text, a loaded file's name after a load
    int loadPages = -1;             // what a load finds; below 0 the file is bad
    std::optional<std::string> Page(int n) const override {
        if (n < 1 || n > pages) return std::nullopt;
        return name + std::to_string(n);
    }
    std::string Title() const override { return "Visão prévia lib: x.mod"; }
    bool Finished() const override { return finished; }
    void ClosePreview() override { ++closed; }
    bool Save(const std::string& path) override {
        if (!finished) return false;
        saved.push_back(path);
        return true;
    }
    void Load(const std::string& path) override {
        if (loadPages < 0) throw std::runtime_error("bad file " + path);
        pages = loadPages;
        finished = true;
        name = path + " ";
    }
    const PageSource* source = nullptr;  // what the PDF button exports
    const PageSource* Pages() const override { return source; }
    void Produce(int n) {
        pages = n;
        if (OnPageAvailable) OnPageAvailable(n);
    }
};

// White pages with a black square; calls OnPage(n) as page n is drawn.
struct SquarePages : PageSource {
    int n = 0;
    std::function<void(int)> OnPage;
    int PageCount() const override { return n; }
    QImage PageImage(int i) const override {
        if (OnPage) OnPage(i);
        QImage img(794, 1123, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter(&img).fillRect(100, 100, 200, 200, Qt::black);
        return img;
    }
};

struct PreviewTest : ::testing::Test {
    FakeRecorder rec;
    std::vector<std::string> painted, messages;
    std::unique_ptr<TPrevForm> form;
    UiDialogs saved = Dialogs();
    void SetUp() override {
        form = std::make_unique<TPrevForm>(nullptr, &rec, [this](QPainter&, const QRect&, const std::string& s) { painted.push_back(s); });
        Dialogs().Message = [this](QWidget*, UiDialogs::Icon, const std::string& m) { messages.push_back(m); };
        form->resize(900, 700);
        form->show();
        QApplication::processEvents();
    }
    void TearDown() override { Dialogs() = saved; }
    // Types into the zoom box as a keyboard does: every key goes to the
    // widget that has the focus.
    void TypeZoom(const QString& text, Qt::Key enter = Qt::Key_Return) {
        form->activateWindow();
        form->CB_zoom->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        QTest::keyClick(focused, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focused, text);
        QTest::keyClick(focused, enter, enter == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    }
};
} // namespace

TEST_F(PreviewTest, CaptionAndPanel) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Visão prévia lib: x.mod"));
    EXPECT_EQ(form->CB_zoom->count(), 7);
    EXPECT_EQ(form->CB_zoom->itemText(5), QStringLiteral("Página inteira"));
    EXPECT_EQ(form->CB_zoom->currentText(), QStringLiteral("100 %"));
    EXPECT_EQ(form->Label2->text(), QStringLiteral("de 0"));
    EXPECT_FALSE(form->SpeedButton1->isVisible());
}

TEST_F(PreviewTest, SpinEnabledOnlyForMoreThanOnePage) {
    rec.Produce(1);
    EXPECT_EQ(form->Label2->text(), QStringLiteral("de 1"));
    EXPECT_FALSE(form->SpinEdit1->isEnabled());
    EXPECT_TRUE(form->QRPreview1->HasPicture());  // the first page shows at page width
    EXPECT_EQ(form->QRPreview1->Logic().State, PageViewLogic::ZoomState::FitWidth);
    rec.Produce(3);
    EXPECT_TRUE(form->SpinEdit1->isEnabled());
    EXPECT_EQ(form->SpinEdit1->maximum(), 3);
    form->SpinEdit1->setValue(3);
    EXPECT_EQ(form->QRPreview1->PageNumber(), 3);
    form->QRPreview1->viewport()->repaint();
    ASSERT_FALSE(painted.empty());
    EXPECT_EQ(painted.back(), "page 3");
}

TEST_F(PreviewTest, TypedZoom) {
    // Rows run in order: 1 and 3000 are ignored and keep the zoom before them.
    const struct { const char* text; Qt::Key enter; int zoom; const char* shown; } table[] = {
        {"75 %", Qt::Key_Return, 75, "75 %"}, {"abc", Qt::Key_Return, 100, "100 %"},
        {"40", Qt::Key_Enter, 40, "40 %"},    {"600", Qt::Key_Enter, 500, "500 %"},
        {"1", Qt::Key_Return, 500, "500 %"},  {"3000", Qt::Key_Return, 500, "500 %"},
        {" 150 %", Qt::Key_Return, 150, "150 %"}};
    for (auto& row : table) {
        TypeZoom(QString::fromUtf8(row.text), row.enter);
        EXPECT_EQ(form->QRPreview1->Zoom(), row.zoom) << row.text;
        EXPECT_EQ(form->CB_zoom->currentText(), QString::fromUtf8(row.shown)) << row.text;
        EXPECT_EQ(form->QRPreview1->Logic().State, PageViewLogic::ZoomState::Other) << row.text;
    }
}

TEST_F(PreviewTest, ZoomItems) {
    form->CB_zoomChange(1);
    EXPECT_EQ(form->QRPreview1->Zoom(), 50);
    form->CB_zoomChange(6);
    EXPECT_EQ(form->QRPreview1->Logic().State, PageViewLogic::ZoomState::FitWidth);
    form->CB_zoomChange(5);
    EXPECT_EQ(form->QRPreview1->Logic().State, PageViewLogic::ZoomState::FitPage);
}

TEST_F(PreviewTest, SaveBeforeTheRunEndsIsReported) {
    Dialogs().SaveFile = [](QWidget*, const std::string& filter, const std::string&) {
        EXPECT_EQ(filter, "Arquivos QRP(*.qrp)|*.qrp");
        return std::optional<std::string>("/tmp/x.qrp");
    };
    form->bb_salvarClick();
    EXPECT_TRUE(rec.saved.empty());
    ASSERT_EQ(messages.size(), 1u);
    rec.finished = true;
    form->bb_salvarClick();
    EXPECT_EQ(rec.saved.size(), 1u);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(PreviewTest, BadLoadShowsTheErrorAndKeepsThePages) {
    rec.Produce(2);
    Dialogs().OpenFile = [](QWidget*, const std::string&, const std::string&) { return std::optional<std::string>("/tmp/bad.qrp"); };
    form->BB_lerClick();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("bad.qrp"), std::string::npos);
    EXPECT_TRUE(form->QRPreview1->HasPicture());
}

TEST_F(PreviewTest, EscapeClosesAndClosingReleasesTheRecorder) {
    QTest::keyClick(form.get(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(rec.closed, 1);
}

TEST_F(PreviewTest, PdfDuringTheRunIsRefusedInPortuguese) {
    rec.Produce(2);
    int asked = 0;
    Dialogs().SaveFile = [&](QWidget*, const std::string&, const std::string&) {
        ++asked;
        return std::optional<std::string>();
    };
    QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
    EXPECT_EQ(asked, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("sendo gerado"), std::string::npos) << messages[0];
    rec.finished = true;
    QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(PreviewTest, LoadedPagesAreAllReachableFromTheFirst) {
    const struct { int before, shown, loaded; } table[] = {{2, 2, 15}, {500, 400, 15}, {3, 1, 1}};
    for (auto& row : table) {
        rec.name = "page ";
        rec.Produce(row.before);
        form->SpinEdit1->setValue(row.shown);
        ASSERT_EQ(form->QRPreview1->PageNumber(), row.shown);
        rec.loadPages = row.loaded;
        Dialogs().OpenFile = [](QWidget*, const std::string&, const std::string&) { return std::optional<std::string>("f.qrp"); };
        QTest::mouseClick(form->BB_ler, Qt::LeftButton);
        EXPECT_EQ(form->Label2->text(), QStringLiteral("de %1").arg(row.loaded)) << row.before;
        EXPECT_EQ(form->SpinEdit1->maximum(), row.loaded);
        EXPECT_EQ(form->SpinEdit1->value(), 1);
        EXPECT_EQ(form->SpinEdit1->isEnabled(), row.loaded > 1);
        EXPECT_EQ(form->QRPreview1->PageNumber(), 1);
        form->QRPreview1->viewport()->repaint();
        ASSERT_FALSE(painted.empty());
        EXPECT_EQ(painted.back(), "f.qrp 1");
        if (row.loaded < 2) continue;
        // The last loaded page, typed into the page box.
        form->activateWindow();
        form->SpinEdit1->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focused, QString::number(row.loaded));
        QTest::keyClick(focused, Qt::Key_Return);
        EXPECT_EQ(form->QRPreview1->PageNumber(), row.loaded);
        form->QRPreview1->viewport()->repaint();
        EXPECT_EQ(painted.back(), "f.qrp " + std::to_string(row.loaded));
    }
}

TEST_F(PreviewTest, PageCountNeverRunsIntoTheZoomLabel) {
    for (int pages : {9, 500, 123456}) {
        rec.Produce(pages);
        QApplication::processEvents();
        const QRect count = form->Label2->geometry(), zoom = form->Label3->geometry();
        EXPECT_EQ(form->Label2->text(), QStringLiteral("de %1").arg(pages));
        EXPECT_GE(count.width(), form->Label2->sizeHint().width()) << pages;
        EXPECT_LT(count.right(), zoom.left()) << pages;
        EXPECT_LT(zoom.right(), form->CB_zoom->geometry().left()) << pages;
    }
}

TEST_F(PreviewTest, EveryToolbarButtonStaysReachableInANarrowWindow) {
    rec.Produce(500);
    for (int width : {900, 640, 300, 1}) {
        form->resize(width, 400);
        QApplication::processEvents();
        EXPECT_GE(form->width(), form->minimumWidth());
        for (QWidget* b : std::initializer_list<QWidget*>{form->SpinEdit1, form->CB_zoom, form->SB_imprimir, form->bb_salvar,
                                                         form->BB_ler, form->BitBtn1, form->BitBtn2}) {
            const QRect r(b->mapTo(form.get(), QPoint(0, 0)), b->size());
            EXPECT_TRUE(form->rect().contains(r)) << width << " " << b->metaObject()->className();
            QWidget* hit = form->childAt(r.center());
            EXPECT_TRUE(hit == b || b->isAncestorOf(hit)) << width << " " << b->metaObject()->className();
        }
    }
    // The exit button, at the narrowest width, answers a click.
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(form->isVisible());
}

// The page lies on a grey desk, so a page smaller than the view stands out.
TEST_F(PreviewTest, PageSmallerThanTheViewLiesOnAGreyDesk) {
    rec.Produce(1);
    form->CB_zoomChange(0);  // 25 %
    const QImage view = form->QRPreview1->viewport()->grab().toImage();
    const auto& logic = form->QRPreview1->Logic();
    const QPoint sheet(logic.OffsetX(view.width()), logic.OffsetY(view.height()));
    ASSERT_GT(sheet.x(), 2);
    ASSERT_GT(sheet.y(), 2);
    EXPECT_EQ(view.pixelColor(sheet.x() / 2, sheet.y() / 2), QColor(128, 128, 128));
    EXPECT_EQ(view.pixelColor(sheet + QPoint(10, 10)), Qt::white);
    EXPECT_EQ(view.pixelColor(sheet + QPoint(10, 0)), Qt::black);
}

// The export from the button: the preview cannot be closed under it, and
// its progress window stops it.
TEST_F(PreviewTest, PdfExportHoldsThePreviewAndCanBeStopped) {
    QTemporaryDir dir;
    SquarePages pages;
    pages.n = 8;
    rec.Produce(8);
    rec.finished = true;
    rec.source = &pages;
    UseExportWindows(form->ExQR1, form.get());
    Dialogs().SaveFile = [&](QWidget*, const std::string&, const std::string&) {
        return std::optional<std::string>(dir.filePath("cat.pdf").toStdString());
    };
    bool closedDuring = true;
    pages.OnPage = [&](int i) {
        if (i != 2) return;
        closedDuring = form->close();
        QTimer::singleShot(0, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* p = qobject_cast<TFPrgrs*>(w); p && p->isVisible()) QTest::mouseClick(p->Cancelar, Qt::LeftButton);
        });
    };
    QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
    EXPECT_FALSE(closedDuring);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(rec.closed, 0);
    EXPECT_TRUE(form->ExQR1.Cancelled);
    EXPECT_FALSE(QFile::exists(dir.filePath("cat.PDF")));
    EXPECT_TRUE(messages.empty());
    // Once the export is over the window closes as usual.
    EXPECT_TRUE(form->close());
    EXPECT_EQ(rec.closed, 1);
}

// Under a real display (Xvfb with a window manager): while the pages go out,
// the screen shows the progress window's label and bar, and the place the
// save dialog had shows the preview again.
TEST_F(PreviewTest, PdfExportRepaintsTheScreenBetweenPages) {
    if (QGuiApplication::platformName() == QStringLiteral("offscreen")) GTEST_SKIP() << "needs a real display";
    QTemporaryDir dir;
    SquarePages pages;
    pages.n = 12;
    rec.Produce(12);
    rec.finished = true;
    rec.source = &pages;
    UseExportWindows(form->ExQR1, form.get());
    Dialogs() = saved;  // the real save dialog
    QTest::qWait(300);
    QRect dialogArea;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) {
                answer.stop();
                QTest::qWait(300);
                dialogArea = d->frameGeometry();
                // The name typed where the dialog has the focus, then Enter.
                QWidget* focused = QApplication::focusWidget();
                if (!focused || focused->window() != d) focused = d;
                QTest::keyClicks(focused, dir.filePath("cat.pdf"));
                QTest::keyClick(focused, Qt::Key_Return);
            }
    });
    answer.start(100);
    int labelInk = -1, barFill = -1;
    bool dialogGone = false;
    pages.OnPage = [&](int i) {
        if (i != 10) return;
        TFPrgrs* p = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* t = qobject_cast<TFPrgrs*>(w); t && t->isVisible()) p = t;
        ASSERT_NE(p, nullptr);
        QScreen* screen = QGuiApplication::primaryScreen();
        const QRect label(p->Accion->mapToGlobal(QPoint(0, 0)), p->Accion->size());
        const QImage l = screen->grabWindow(0, label.x(), label.y(), label.width(), label.height()).toImage();
        labelInk = 0;
        for (int y = 0; y < l.height(); ++y)
            for (int x = 0; x < l.width(); ++x) labelInk += qGray(l.pixel(x, y)) < 100;
        // The bar's filled part differs from its empty end.
        const QRect bar(p->PB->mapToGlobal(QPoint(0, 0)), p->PB->size());
        const QImage b = screen->grabWindow(0, bar.x(), bar.y(), bar.width(), bar.height()).toImage();
        barFill = b.pixel(b.width() / 4, b.height() / 2) != b.pixel(b.width() - 4, b.height() / 2);
        // A point of the closed dialog, outside the progress window, shows
        // what the preview itself paints there.
        QPoint probe = dialogArea.topLeft() + QPoint(20, 60);
        if (p->frameGeometry().contains(probe)) probe = dialogArea.bottomRight() - QPoint(20, 20);
        const QImage own = form->grab().toImage();
        const QPoint local = form->mapFromGlobal(probe);
        dialogGone = screen->grabWindow(0, probe.x(), probe.y(), 1, 1).toImage().pixel(0, 0) == own.pixel(local);
    };
    QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
    EXPECT_FALSE(dialogArea.isEmpty());
    EXPECT_GT(labelInk, 40) << "dark pixels in the label";
    EXPECT_EQ(barFill, 1);
    EXPECT_TRUE(dialogGone);
    EXPECT_TRUE(QFile::exists(dir.filePath("cat.PDF")));
}
