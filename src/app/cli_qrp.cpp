// tarnel-cli qrp-info / qrp-page: what a saved report file holds, and one
// of its pages as a picture.
#include "app/cli.h"
#include "report/emfplayer.h"
#include "report/pagestream.h"

#include <QImage>
#include <QString>

#include <cstdio>
#include <stdexcept>

using namespace tarnel;
using namespace tarnel::cli;

namespace {

int QrpInfo(const Args& a) {
    if (a.size() != 1) throw UsageError{"expects FILE"};
    const LoadedReport r = LoadReport(a[0]);
    std::printf("pages %d\n", r.PageCount);
    for (int i = 1; i <= r.PageCount; ++i) {
        const auto page = r.Pages->ReadPage(i);
        if (!page) throw std::runtime_error("cannot read page " + std::to_string(i) + " of \"" + a[0] + "\"");
        const QSize s = page->NominalSize();
        std::printf("page %d: %d x %d pixels, %zu bytes\n", i, s.width(), s.height(), page->Emf.size());
    }
    if (r.Paper) {
        const PaperRow& row = PaperTableRow(r.Paper->Row);
        std::printf("paper %d (%s), %s\n", r.Paper->Row, row.Name, r.Paper->Landscape ? "landscape" : "portrait");
    } else {
        std::printf("paper not recognised\n");
    }
    return 0;
}

int QrpPage(const Args& in) {
    Args a = in;
    std::string png;
    if (!TakeOption(a, "--png", png)) throw UsageError{"expects FILE N --png OUT"};
    if (a.size() != 2) throw UsageError{"expects FILE N --png OUT"};
    const int n = ParseIntArg(a[1], "N", 1, 1 << 30);
    const LoadedReport r = LoadReport(a[0]);
    if (n > r.PageCount)
        throw std::runtime_error("\"" + a[0] + "\" has " + std::to_string(r.PageCount) + " pages, no page " +
                                 std::to_string(n));
    const auto page = r.Pages->ReadPage(n);
    if (!page) throw std::runtime_error("cannot read page " + std::to_string(n) + " of \"" + a[0] + "\"");
    std::string error;
    const QImage img = RenderEmf(page->Emf, page->NominalSize(), &error);
    if (img.isNull()) throw std::runtime_error("page " + std::to_string(n) + ": " + error);
    SavePng(img, png);
    return 0;
}

Verb qrpInfoVerb("qrp-info", "FILE", QrpInfo);
Verb qrpPageVerb("qrp-page", "FILE N --png OUT", QrpPage);

} // namespace
