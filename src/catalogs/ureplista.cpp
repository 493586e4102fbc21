#include "catalogs/ureplista.h"

namespace tarnel {

TQR_lista::TQR_lista(CatalogCursor& cursor) : cursor_(cursor) {
    PageReport& r = QR_lista;
    r.Page.Values = {100, 2970, 100, 2100, 100, 100, 0};
    r.Page.Columns = 2;
    r.FirstPageHeader = r.LastPageFooter = true;
    r.Zoom = 100;
    r.Font.Color = WindowTextColor();
    const ReportFont font = r.Font;
    ReportFont title = font, big = font, small = font;
    title.Size = 14;
    title.Color = kBlue;
    big.Size = 12;
    small.Size = 8;
    ReportFont smallBold = small;
    smallBold.Bold = true;
    auto label = [](ReportBand* b, double l, double t, double w, double h, const ReportFont& f, const char* c, bool grows) {
        auto* x = b->Add<ReportLabel>(l, t, w, h);
        x->Font = f;
        x->Caption = c;
        x->AutoSize = grows;
        return x;
    };
    auto sys = [](ReportBand* b, double l, double t, double h, const ReportFont& f, ReportSysData::Kind k) {
        auto* x = b->Add<ReportSysData>(l, t, 0, h);
        (void)f;
        x->Data = k;
        return x;
    };

    QRBand1 = r.AddBand(BandKind::rbPageHeader, 156.10416666666666, 1899.7083333333333);
    QRBand1->Frame.Bottom = true;
    QRLabel1 = label(QRBand1, 658.8, 34.4, 0, 60.9, title, "Catálogo de Componentes", true);
    QRSysData2 = sys(QRBand1, 31.75, 105.8, 45.0, font, ReportSysData::Kind::DateTime);
    QRLabel5 = label(QRBand1, 727.6, 97.9, 0, 50.3, big, "Biblioteca: ", true);
    QRLabel6 = label(QRBand1, 1598.1, 105.8, 0, 45.0, font, "Página:", true);
    QRSysData1 = sys(QRBand1, 1738.3, 100.5, 45.0, font, ReportSysData::Kind::PageNumber);

    QRBand2 = r.AddBand(BandKind::rbDetail, 92.60416666666667, 949.8541666666666);
    QRBand2->Frame = ReportFrame::All();
    QRBand2->BeforePrint = [this](ReportBand& b, bool& p) { QRBand2BeforePrint(b, p); };
    QRLabel2 = label(QRBand2, 15.9, 2.6, 0, 45.0, smallBold, "", true);
    QRLabel9 = label(QRBand2, 291.0, 2.6, 648.2, 45.0, small, "", false);
    QRLabel9->WordWrap = true;
    QRLabel4 = label(QRBand2, 108.5, 47.6, 822.9, 39.7, small, "", false);
    QRLabel4->AutoStretch = QRLabel4->WordWrap = true;

    QRBand3 = r.AddBand(BandKind::rbPageFooter, 105.83333333333333, 1899.7083333333333);
    QRBand3->Frame.Top = true;
    QRLabel7 = label(QRBand3, 926.0, 21.2, 0, 42.3, small, "Sobrex 0.80", true);

    r.OnNeedData = [this](PageReport&, bool& more) { QuickRepNeedData(more); };
}

void TQR_lista::QuickRepNeedData(bool& MoreData) {
    ListRow row;
    MoreData = cursor_.QuickRepNeedData(row);
    QRLabel2->Caption = row.Name;
    QRLabel4->Caption = row.Alias;
    QRLabel9->Caption = row.Description;
}

void TQR_lista::QRBand2BeforePrint(ReportBand&, bool&) {}

} // namespace tarnel
