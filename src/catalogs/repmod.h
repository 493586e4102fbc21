#pragma once
// The drawing catalog: one framed cell per module, three per column, two
// columns to an A4 page.
#include "catalogs/catalogcursor.h"
#include "report/pagereport.h"

namespace tarnel {

class TForm3 {
public:
    explicit TForm3(CatalogCursor& cursor);

    PageReport QR_FIG{"QR_FIG"};
    ReportBand* PageHeaderBand1;
    ReportBand* QRBand1;
    ReportBand* QRBand2;
    ReportLabel *QRLabel1, *QRLabel5, *QRLabel6, *QRLabel2, *QRLabel3, *QRLabel4, *QRLabel8, *QRLabel9, *QRLabel7;
    ReportSysData *QRSysData1, *QRSysData2;
    ReportImage* QRImage1;

    void QR_FIGBeforePrint(PageReport& report, bool& PrintReport);
    void QR_FIGNeedData(bool& MoreData);

private:
    CatalogCursor& cursor_;
};

} // namespace tarnel
