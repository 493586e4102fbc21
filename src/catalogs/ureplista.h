#pragma once
// The list catalog: one framed row per module, 26 per column, two columns
// to an A4 page.
#include "catalogs/catalogcursor.h"
#include "report/pagereport.h"

namespace tarnel {

class TQR_lista {
public:
    explicit TQR_lista(CatalogCursor& cursor);

    PageReport QR_lista{"QR_lista"};
    ReportBand* QRBand1;
    ReportBand* QRBand2;
    ReportBand* QRBand3;
    ReportLabel *QRLabel1, *QRLabel5, *QRLabel6, *QRLabel2, *QRLabel9, *QRLabel4, *QRLabel7;
    ReportSysData *QRSysData1, *QRSysData2;

    void QuickRepNeedData(bool& MoreData);
    void QRBand2BeforePrint(ReportBand& band, bool& PrintBand);

private:
    CatalogCursor& cursor_;
};

} // namespace tarnel
