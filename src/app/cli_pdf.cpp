// tarnel-cli qrp-pdf: a saved report file exported to PDF as the preview's
// "PDF" button does, without windows.
#include "app/cli.h"
#include "pdf/ExportPack.h"
#include "report/pagestream.h"

#include <cstdio>
#include <stdexcept>

using namespace tarnel;
using namespace tarnel::cli;

namespace {

int QrpPdf(const Args& in) {
    Args a = in;
    const bool jpeg = TakeFlag(a, "--jpeg");
    const bool verbose = TakeFlag(a, "--verbose");
    if (a.size() != 2) throw UsageError{"expects FILE.qrp BASE"};
    LoadedReport report = LoadReport(a[0], 96);
    const bool landscape = report.Paper && report.Paper->Landscape;
    // The name gets ".PDF" whatever extension was given, as from the dialog.
    const std::string base = PdfFileBase(a[1]);
    std::string why;
    if (!ExportPageListPdf(*report.Pages, landscape, base, !jpeg, &why, verbose)) {
        std::fprintf(stderr, "Error exporting report: %s\n", why.c_str());
        return 1;
    }
    std::printf("{\"file\":%s,\"pages\":%d,\"landscape\":%s,\"images\":\"%s\"}\n", JsonString(base + ".PDF").c_str(),
                report.Pages->PageCount(), landscape ? "true" : "false", jpeg ? "jpeg" : "indexed");
    return 0;
}

Verb qrpPdfVerb("qrp-pdf", "FILE.qrp BASE [--jpeg] [--verbose]   (writes BASE.PDF; an extension on BASE is dropped)",
                QrpPdf);

} // namespace
