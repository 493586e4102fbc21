#include "catalogs/ureplista.h"
#include "util/displaytext.h"

#include <QFontMetrics>

#include <algorithm>

namespace tarnel {

namespace {
// The row as designed (tenths of a millimetre): the name on the
// description's line, cut where the description's white box begins.
constexpr double kRowHeight = 92.60416666666667, kRowWidth = 949.8541666666666;
constexpr double kNameLeft = 15.9, kNameTop = 2.6, kLineHeight = 45.0;
constexpr double kDescriptionLeft = 291.0, kDescriptionWidth = 648.2;
constexpr double kAliasLeft = 108.5, kAliasTop = 47.6, kAliasWidth = 822.9;
} // namespace

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
    // The program's name, as in the drawing catalog's footer.
    QRLabel7 = label(QRBand3, 926.0, 21.2, 0, 42.3, small, "Tarnel 0.80", true);

    r.OnNeedData = [this](PageReport&, bool& more) { QuickRepNeedData(more); };
}

void TQR_lista::QuickRepNeedData(bool& MoreData) {
    ListRow row;
    MoreData = cursor_.QuickRepNeedData(row);
    QRLabel2->Caption = row.Name;
    QRLabel4->Caption = row.Alias;
    QRLabel9->Caption = row.Description;
    LayOutRow();
}

void TQR_lista::LayOutRow() {
    ReportFont font = *QRLabel2->Font;
    font.Size = 8;
    const int ppi = QR_lista.PixelsPerInch > 0 ? QR_lista.PixelsPerInch : ScreenPixelsPerInch();
    const double f = ppi / 254.0;
    const QString name = DisplayQString(QRLabel2->Caption);
    auto widthPx = [&](double size) {
        ReportFont sized = font;
        sized.Size = size;
        return QFontMetrics(sized.ToQFont(ppi)).horizontalAdvance(name);
    };
    // A pixel to spare for the rounding of the column's left edge.
    const bool fitsBeforeDescription = widthPx(8) <= TenthsToPixels(kDescriptionLeft - kNameLeft, f) - 1;
    if (!WholeLongNames || fitsBeforeDescription) {
        QRLabel2->Font = font;
        QRLabel2->AutoSize = true;
        QRLabel2->WordWrap = false;
        QRLabel2->SetBox(kNameLeft, kNameTop, 0, kLineHeight);
        QRLabel9->SetBox(kDescriptionLeft, kNameTop, kDescriptionWidth, kLineHeight);
        QRLabel4->SetBox(kAliasLeft, kAliasTop, kAliasWidth, 39.7);
        QRBand2->Height = kRowHeight;
        return;
    }
    // A line of its own across the row, in a smaller type when that keeps it
    // on one line, broken as a label breaks its text past that; the
    // description and the alias text follow below.
    const double across = kRowWidth - 2 * kNameLeft;
    const int acrossPx = TenthsToPixels(across, f);
    for (double size : {8.0, 7.0, 6.0}) {
        font.Size = size;
        if (widthPx(size) <= acrossPx) break;
    }
    const QFont qf = font.ToQFont(ppi);
    const qsizetype lines = std::max<qsizetype>(1, FormatLabelLines(name, qf, acrossPx, false, true).size());
    const double nameHeight = std::max(kLineHeight, lines * QFontMetrics(qf).height() / f);
    QRLabel2->Font = font;
    QRLabel2->AutoSize = false;
    QRLabel2->WordWrap = true;
    QRLabel2->SetBox(kNameLeft, kNameTop, across, nameHeight);
    QRLabel9->SetBox(kAliasLeft, kNameTop + nameHeight, kAliasWidth, kLineHeight);
    QRLabel4->SetBox(kAliasLeft, kNameTop + nameHeight + kLineHeight, kAliasWidth, 39.7);
    QRBand2->Height = kRowHeight + nameHeight;
}

void TQR_lista::QRBand2BeforePrint(ReportBand&, bool&) {}

} // namespace tarnel
