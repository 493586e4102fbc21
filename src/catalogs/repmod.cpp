#include "catalogs/repmod.h"

#include "tokenizer/libtext.h"

namespace tarnel {

namespace {
ReportLabel* Label(ReportBand* b, double left, double top, double width, double height, const ReportFont& font,
                   const char* caption = "") {
    auto* l = b->Add<ReportLabel>(left, top, width, height);
    l->Font = font;
    l->Transparent = false;
    l->Caption = caption;
    return l;
}
ReportLabel* Grows(ReportBand* b, double left, double top, double height, const ReportFont& font, const char* caption = "") {
    auto* l = Label(b, left, top, 0, height, font, caption);
    l->AutoSize = true;
    return l;
}
} // namespace

TForm3::TForm3(CatalogCursor& cursor) : cursor_(cursor) {
    PageReport& r = QR_FIG;
    r.Page.Values = {100, 2970, 100, 2100, 100, 100, 0};
    r.Page.Columns = 2;
    r.FirstPageHeader = r.LastPageFooter = true;
    r.PrintIfEmpty = true;
    r.Zoom = 80;
    r.Font = ReportFont{};
    r.Font.Color = WindowTextColor();
    const ReportFont font = r.Font;
    ReportFont bold = font;
    bold.Bold = true;
    ReportFont title = font, big = font, small = font;
    title.Size = 14;
    title.Color = kBlue;
    big.Size = 12;
    small.Size = 8;

    PageHeaderBand1 = r.AddBand(BandKind::rbPageHeader, 165.364583333333, 1901.69270833333);
    QRLabel1 = Grows(PageHeaderBand1, 562.2, 33.1, 59.5, title, "Catálogo de Módulos (footprints)");
    QRLabel5 = Grows(PageHeaderBand1, 615.2, 102.5, 49.6, big, "Biblioteca: ");
    QRSysData1 = PageHeaderBand1->Add<ReportSysData>(1739.6, 99.2, 0, 43.0);
    QRLabel6 = Grows(PageHeaderBand1, 1597.4, 105.8, 43.0, font, "Página:");
    QRSysData2 = PageHeaderBand1->Add<ReportSysData>(33.1, 105.8, 0, 43.0);
    QRSysData2->Data = ReportSysData::Kind::DateTime;

    QRBand1 = r.AddBand(BandKind::rbDetail, 813.59375, 949.192708333333);
    QRBand1->Frame = ReportFrame::All();
    QRImage1 = QRBand1->Add<ReportImage>(258.0, 191.8, 592.0, 592.0);
    QRImage1->Center = true;
    QRImage1->Frame = ReportFrame::All();
    // The picture's bitmap is the element's size at the report's zoom on a
    // 96 pixels-per-inch screen, whatever the screen: 179 x 179.
    QRImage1->DesignWidthPx = static_cast<int>(RoundHalfEven(592.0 * 96 / 254 * r.Zoom / 100));
    QRImage1->DesignHeightPx = QRImage1->DesignWidthPx;
    QRLabel2 = Grows(QRBand1, 16.5, 3.3, 43.0, bold);
    QRLabel3 = Grows(QRBand1, 314.2, 148.8, 43.0, font);
    QRLabel4 = Label(QRBand1, 16.5, 86.0, 224.9, 707.8, font);
    QRLabel4->AutoStretch = QRLabel4->WordWrap = true;
    QRLabel8 = Grows(QRBand1, 608.5, 148.8, 43.0, font);
    QRLabel9 = Label(QRBand1, 281.1, 36.4, 654.8, 115.8, font);
    QRLabel9->WordWrap = true;

    QRBand2 = r.AddBand(BandKind::rbPageFooter, 89.296875, 1901.69270833333);
    QRBand2->Frame.Top = true;
    QRLabel7 = Grows(QRBand2, 926.0, 16.5, 43.0, small, "Tarnel 0.80");

    r.BeforePrint = [this](PageReport& rep, bool& print) { QR_FIGBeforePrint(rep, print); };
    r.OnNeedData = [this](PageReport&, bool& more) { QR_FIGNeedData(more); };
}

void TForm3::QR_FIGBeforePrint(PageReport&, bool&) { cursor_.zerarparaimprimir("QR_FIG"); }

void TForm3::QR_FIGNeedData(bool& MoreData) {
    FigCell cell;
    MoreData = cursor_.QR_FIGNeedData(cell, QRImage1->Surface());
    QRLabel8->Caption = cell.Scale;
    QRLabel2->Caption = cell.Name;
    QRLabel3->Caption = cell.Pads;
    QRLabel4->Caption = cell.Alias;
    QRLabel9->Caption = cell.Description;
}

} // namespace tarnel
