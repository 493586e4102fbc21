#include "report/bandprinter.h"

#include "report/pagereport.h"

namespace tarnel {

bool BandPrinter::RequestExpansion(double extra) {
    if (extra <= band_.Expansion) return true;
    if (band_.Kind == BandKind::rbPageFooter) return false;
    if (run_.R(band_.Height + extra) > run_.AvailableSpace()) return false;
    band_.Expansion = extra;
    return true;
}

const ReportFont& BandPrinter::DefaultFont() const { return run_.Report().Font; }

QDateTime BandPrinter::Now() const {
    const PageReport& r = run_.Report();
    return r.Clock ? r.Clock() : QDateTime::currentDateTime();
}

} // namespace tarnel
