// "Ler" through the real page recorder: a saved report replaces the pages,
// with its own page count and sheet shape.
#include "preview/Demopre.h"
#include "preview/dialogs.h"
#include "preview/tqrpreviewinterf.h"
#include "report/emf.h"
#include "report/pagestream.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnel;

namespace {

std::string SavedReport(const QTemporaryDir& dir, const char* name, int pages, QSize size) {
    PageList list;
    list.StartRun();
    for (int i = 0; i < pages; ++i) {
        EmfRecorder r(size);
        r.FillRect(QRect(100, 100, 300, 300), kBlack);
        list.AppendPage(r.Finish());
    }
    list.Finish();
    const std::string path = dir.filePath(name).toStdString();
    EXPECT_EQ(SaveReport(list, path), SaveResult::Saved);
    return path;
}

TEST(PreviewLoad, LoadedReportBringsItsPagesAndSheet) {
    QTemporaryDir dir;
    const struct { const char* name; int pages; QSize px; } table[] = {
        {"retrato.qrp", 4, QSize(794, 1123)}, {"paisagem.qrp", 3, QSize(1123, 794)}, {"retrato2.qrp", 1, QSize(794, 1123)}};
    RecorderView view(std::make_shared<PageRecorder>());
    TPrevForm form(nullptr, &view, PaintPagePicture);
    form.resize(900, 700);
    form.show();
    UiDialogs saved = Dialogs();
    for (const auto& row : table) {
        const std::string path = SavedReport(dir, row.name, row.pages, row.px);
        Dialogs().OpenFile = [&](QWidget*, const std::string&, const std::string&) { return std::optional<std::string>(path); };
        QTest::mouseClick(form.BB_ler, Qt::LeftButton);
        EXPECT_EQ(form.Label2->text(), QStringLiteral("de %1").arg(row.pages)) << row.name;
        EXPECT_EQ(form.SpinEdit1->maximum(), row.pages) << row.name;
        EXPECT_TRUE(form.QRPreview1->HasPicture()) << row.name;
        // At 100 % the sheet is the page's own pixel size.
        form.CB_zoomChange(2);
        EXPECT_EQ(form.QRPreview1->Logic().PageSize100(), row.px) << row.name;
    }
    Dialogs() = saved;
}

} // namespace
