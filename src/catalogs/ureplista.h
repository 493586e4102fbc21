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

    // Names too long for their place before the description get a line of
    // their own across the row (set for footprint folders, whose names run
    // to 60 characters; legacy libraries keep their rows as they were).
    bool WholeLongNames = false;

    void QuickRepNeedData(bool& MoreData);
    void QRBand2BeforePrint(ReportBand& band, bool& PrintBand);

private:
    // Places the row's name, description and alias for the name in QRLabel2.
    void LayOutRow();
    CatalogCursor& cursor_;
};

} // namespace tarnel
