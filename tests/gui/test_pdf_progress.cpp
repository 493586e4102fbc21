// The export's progress window, alone and driven by an export.
#include "pdf/ui/Prgrs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>

#include <QPushButton>
#include <QTest>

#include <functional>
#include <stdexcept>

using namespace tarnel;

namespace {

TEST(TFPrgrs, StartsWithTheDesignLayout) {
    TFPrgrs w;
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("Exportando..."));
    EXPECT_EQ(w.size(), QSize(265, 118));  // the design's 84 and a row for the stop button
    EXPECT_EQ(w.Cancelar->text(), QString::fromUtf8("Cancelar"));
    EXPECT_TRUE(QRect(QPoint(0, 0), w.size()).contains(w.Cancelar->geometry()));
    EXPECT_GT(w.Cancelar->geometry().top(), w.PB->geometry().bottom());
    EXPECT_EQ(w.Accion->text(), QString::fromUtf8("Página..."));
    EXPECT_EQ(w.Accion->pos(), QPoint(87, 21));
    EXPECT_EQ(w.PB->geometry(), QRect(15, 42, 235, 16));
    EXPECT_EQ(w.PB->minimum(), 0);
    EXPECT_EQ(w.PB->maximum(), 100);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST(TFPrgrs, RefusesARangeBelowItsMinimumAndStopsAtTheMaximum) {
    TFPrgrs w;
    EXPECT_THROW(w.SetRange(0, -1), std::runtime_error);
    w.SetRange(0, 2);
    w.SetPosition(0);
    for (int i = 0; i < 3; ++i) w.StepIt();
    EXPECT_EQ(w.PB->value(), 2);
}

// Keeps what the window showed when the export closed it.
struct Seen {
    QString caption, label;
    int min = -1, max = -1, value = -1;
    bool visible = false;
};

class WatchedProgress : public TFPrgrs {
public:
    explicit WatchedProgress(Seen& s) : s_(s) {}
    void Close() override {
        s_ = {windowTitle(), Accion->text(), PB->minimum(), PB->maximum(), PB->value(), isVisible()};
        TFPrgrs::Close();
    }

private:
    Seen& s_;
};

class Pages : public PageSource {
public:
    explicit Pages(int n) : n_(n) {}
    int PageCount() const override { return n_; }
    // Called as each page is drawn, with its number.
    std::function<void(int)> OnPage;
    mutable int drawn = 0;
    QImage PageImage(int n) const override {
        ++drawn;
        if (OnPage) OnPage(n);
        QImage img(300, 400, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter(&img).fillRect(10, 10, 50, 50, Qt::black);
        return img;
    }

private:
    int n_;
};

TEST(TFPrgrs, ShowsTheLastPageWhenTheExportEnds) {
    QTemporaryDir dir;
    Pages pages(3);
    Seen seen;
    TExportQR ex;
    ex.Report = &pages;
    ex.MakeProgress = [&seen] { return std::make_unique<WatchedProgress>(seen); };
    ASSERT_TRUE(ex.ExportPDF(QFile::encodeName(dir.path() + "/c").toStdString(), true)) << ex.LastError;
    EXPECT_EQ(seen.caption, "Exporting...");
    EXPECT_EQ(seen.label, "Page... 3 of 3");
    EXPECT_EQ(seen.min, 0);
    EXPECT_EQ(seen.max, 2);
    EXPECT_EQ(seen.value, 2);
    EXPECT_TRUE(seen.visible);
    EXPECT_TRUE(QFile::exists(dir.path() + "/c.PDF"));
}

TEST(TFPrgrs, EmptyReportShowsTheErrorBox) {
    QTemporaryDir dir;
    Pages pages(0);
    TExportQR ex;
    ex.Report = &pages;
    QWidget parent;
    UseExportWindows(ex, &parent);
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                text = box->text();
                icon = box->icon();
                box->accept();
            }
    });
    EXPECT_FALSE(ex.ExportPDF(QFile::encodeName(dir.path() + "/c").toStdString(), true));
    EXPECT_EQ(text, "Error exporting report");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_FALSE(QFile::exists(dir.path() + "/c.PDF"));
}

// Answers the next file dialog with name (or cancels it when name is empty).
void AnswerFileDialog(const QString& name, QString* filter) {
    QTimer::singleShot(0, [=] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dlg = qobject_cast<QFileDialog*>(w); dlg && dlg->isVisible()) {
                *filter = dlg->nameFilters().join(";");
                if (name.isEmpty()) {
                    dlg->reject();
                } else {
                    dlg->selectFile(name);
                    static_cast<QDialog*>(dlg)->accept();
                }
            }
    });
}

TEST(PdfButton, ChosenNameGetsItsExtensionReplaced) {
    QTemporaryDir dir;
    Pages pages(2);
    TExportQR ex;
    ex.Report = &pages;
    QWidget parent;
    UseExportWindows(ex, &parent);
    QString filter;
    AnswerFileDialog(dir.path() + "/catalogo.txt", &filter);
    ExportWithSaveDialog(ex, &parent);
    EXPECT_EQ(filter, "Arquivos PDF(*.pdf)");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"catalogo.PDF"});

    AnswerFileDialog(QString(), &filter);
    ExportWithSaveDialog(ex, &parent);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"catalogo.PDF"});
}

TFPrgrs* ShownProgress() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<TFPrgrs*>(w); p && p->isVisible()) return p;
    return nullptr;
}

// While the pages go out the window is up, modal, painted with its label and
// bar, and events queued before the export are handled between pages.
TEST(TFPrgrs, ShowsItsLabelAndBarWhileThePagesGoOut) {
    QTemporaryDir dir;
    Pages pages(6);
    TExportQR ex;
    ex.Report = &pages;
    QWidget parent;
    parent.show();
    UseExportWindows(ex, &parent);
    bool queuedRan = false, modal = false;
    QString label;
    int bar = -1, inkInLabel = 0;
    pages.OnPage = [&](int n) {
        if (n != 4) return;
        TFPrgrs* p = ShownProgress();
        ASSERT_NE(p, nullptr);
        modal = QApplication::activeModalWidget() == p;
        label = p->Accion->text();
        bar = p->PB->value();
        // What the window shows: dark text where the label is.
        const QImage shot = p->grab().toImage();
        const QRect r = p->Accion->geometry();
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) inkInLabel += qGray(shot.pixel(x, y)) < 100;
    };
    QTimer::singleShot(0, [&] { queuedRan = true; });
    ASSERT_TRUE(ex.ExportPDF(QFile::encodeName(dir.path() + "/c").toStdString(), true)) << ex.LastError;
    EXPECT_TRUE(queuedRan);
    EXPECT_TRUE(modal);
    EXPECT_EQ(label, QString::fromUtf8("Page... 4 of 6"));
    EXPECT_EQ(bar, 3);
    EXPECT_GT(inkInLabel, 20);
    EXPECT_EQ(ShownProgress(), nullptr);
}

// The stop button, or Escape in the window, ends the export between pages
// without a file, without an error message, and with an older file left as
// it was.
TEST(TFPrgrs, StoppingLeavesNoPartialFile) {
    enum class How { Button, Escape };
    for (How how : {How::Button, How::Escape}) {
        QTemporaryDir dir;
        QFile old(dir.path() + "/c.PDF");
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("older export");
        old.close();
        Pages pages(20);
        TExportQR ex;
        ex.Report = &pages;
        QWidget parent;
        parent.show();
        UseExportWindows(ex, &parent);
        int errors = 0;
        ex.ShowError = [&](const std::string&) { ++errors; };
        pages.OnPage = [&](int n) {
            if (n != 3) return;
            // The user's input arrives through the event queue, as it does
            // while the export runs.
            QTimer::singleShot(0, [how] {
                TFPrgrs* p = ShownProgress();
                if (!p) return;
                if (how == How::Button) {
                    QTest::mouseClick(p->Cancelar, Qt::LeftButton);
                } else {
                    p->activateWindow();
                    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : p, Qt::Key_Escape);
                }
            });
        };
        EXPECT_FALSE(ex.ExportPDF(QFile::encodeName(dir.path() + "/c").toStdString(), true));
        EXPECT_TRUE(ex.Cancelled);
        EXPECT_EQ(errors, 0);
        EXPECT_EQ(pages.drawn, 3);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), QByteArray("older export"));
        old.close();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"c.PDF"});
        EXPECT_EQ(ShownProgress(), nullptr);
    }
}

// A page that cannot be drawn mid-way: the error box comes up over the
// modal progress window, answers Enter, and the export ends without a file.
TEST(TFPrgrs, AFailingPageShowsTheErrorOverTheProgressWindow) {
    QTemporaryDir dir;
    Pages pages(5);
    pages.OnPage = [](int n) {
        if (n == 3) throw std::runtime_error("page 3 is not available");
    };
    TExportQR ex;
    ex.Report = &pages;
    QWidget parent;
    parent.show();
    UseExportWindows(ex, &parent);
    QString text;
    bool progressUnder = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QMessageBox* b = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = qobject_cast<QMessageBox*>(w); m && m->isVisible()) b = m;
        if (!b) return;
        text = b->text();
        progressUnder = ShownProgress() != nullptr;
        b->activateWindow();
        // Enter goes where the keyboard sends it, once the box has the focus.
        QWidget* focused = QApplication::focusWidget();
        if (focused && focused->window() == b) {
            answer.stop();
            QTest::keyClick(focused, Qt::Key_Return);
        }
    });
    answer.start(10);
    EXPECT_FALSE(ex.ExportPDF(QFile::encodeName(dir.path() + "/c").toStdString(), true));
    EXPECT_FALSE(ex.Cancelled);
    EXPECT_EQ(text, "Error exporting report");
    EXPECT_TRUE(progressUnder);
    EXPECT_EQ(ShownProgress(), nullptr);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

} // namespace
