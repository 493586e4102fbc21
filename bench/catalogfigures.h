#pragma once
// Runs both catalogs of a library to finished reports and exports the
// drawing catalog to PDF, for the catalog benchmarks.
#include "benchutil.h"
#include "catalogs/catalogs.h"
#include "pdf/ExportPack.h"

#include <string>
#include <vector>

namespace tarnel::bench {

struct CatalogFigures {
    double drawingsMs = 0, listMs = 0, pdfIndexedMs = 0, pdfJpegMs = 0;
    int drawingPages = 0, listPages = 0;
};

// Medians over runs; the JPEG export only when jpeg is set.
inline CatalogFigures MeasureCatalogs(const std::string& lib, const std::string& outDir, int runs, bool jpeg) {
    std::vector<double> d, l, pi, pj;
    CatalogFigures f;
    for (int r = 0; r < runs; ++r) {
        TForm1Core core;
        core.Options().ScaleDivisor = 100;
        core.OpenLibrary(lib);
        Catalogs cat(core);
        double t0 = NowMs();
        auto drawings = cat.b_reportClick(lib);
        d.push_back(NowMs() - t0);
        t0 = NowMs();
        auto list = cat.Lista1Click(lib);
        l.push_back(NowMs() - t0);
        f.drawingPages = drawings->PageCount();
        f.listPages = list->PageCount();
        std::string why;
        t0 = NowMs();
        ExportPageListPdf(*drawings, false, outDir + "/indexed", true, &why);
        pi.push_back(NowMs() - t0);
        if (jpeg) {
            t0 = NowMs();
            ExportPageListPdf(*drawings, false, outDir + "/jpeg", false, &why);
            pj.push_back(NowMs() - t0);
        }
    }
    f.drawingsMs = Median(d);
    f.listMs = Median(l);
    f.pdfIndexedMs = Median(pi);
    f.pdfJpegMs = Median(pj);
    return f;
}

} // namespace tarnel::bench
