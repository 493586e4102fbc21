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

#include <stdexcept>

using namespace tarnel;

namespace {

TEST(TFPrgrs, StartsWithTheDesignLayout) {
    TFPrgrs w;
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("Exportando..."));
    EXPECT_EQ(w.size(), QSize(265, 84));
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
    QImage PageImage(int) const override {
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

} // namespace
