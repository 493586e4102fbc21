#pragma once
// What the elements of one band see while a run prints it.
#include "report/reportelements.h"
#include "report/reportrun.h"

namespace tarnel {

class ReportBand;

class BandPrinter : public BandContext {
public:
    BandPrinter(ReportRun& run, ReportBand& band) : run_(run), band_(band) {}
    PageCanvas& Canvas() override { return run_.Canvas(); }
    double F() const override { return run_.F(); }
    int PixelsPerInch() const override { return run_.PixelsPerInch(); }
    double BandX() const override { return run_.CurrentX(); }
    double BandY() const override { return run_.CurrentY(); }
    bool RequestExpansion(double extra) override;
    const ReportFont& DefaultFont() const override;
    int PageNumber() const override { return run_.PageCount(); }
    QDateTime Now() const override;

private:
    ReportRun& run_;
    ReportBand& band_;
};

} // namespace tarnel
