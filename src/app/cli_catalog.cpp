// tarnel-cli catalog: the drawing or list catalog of a library, run with the
// same report objects and data callbacks as the windows, without a window.
#include "app/cli.h"
#include "library/kicadsymbollibrary.h"
#include "catalogs/catalogs.h"
#include "pdf/ExportPack.h"
#include "report/pagestream.h"
#include "library/library.h"
#include "tokenizer/libtext.h"

#include <cstdio>
#include <stdexcept>

using namespace tarnel;
using namespace tarnel::cli;

namespace {

int Catalog(const Args& in) {
    Args a = in;
    std::string qrp, pdf;
    TakeOption(a, "--qrp", qrp);
    TakeOption(a, "--pdf", pdf);
    const bool jpeg = TakeFlag(a, "--jpeg");
    if (a.size() != 2 || (a[0] != "drawings" && a[0] != "list")) throw UsageError{"expects drawings|list LIBRARY"};
    // A FIFO or a device is refused before anything opens it.
    if (!IsFootprintFolderName(a[1]) && !IsKicadSymbolFolderName(a[1])) (void)StatReadableFile(a[1]);
    (void)OpenLibrary(a[1]);  // an unreadable library is an error here, not an empty list
    SetScreenPixelsPerInch(96);
    TForm1Core core;
    core.Options().ScaleDivisor = 100;
    core.OpenLibrary(a[1]);
    if (core.ModuleList().empty()) throw std::runtime_error("\"" + a[1] + "\" has no modules");
    Catalogs cat(core);
    std::string refused;
    cat.ShowError = [&](const std::string& m) { refused = m; };
    int generated = 0;
    cat.Cursor.ShowInfo = [&](const std::string&) { ++generated; };
    std::unique_ptr<PageList> pages = a[0] == "drawings" ? cat.b_reportClick(a[1]) : cat.Lista1Click(a[1]);
    if (!pages) throw std::runtime_error(refused.empty() ? "the catalog produced no report" : refused);
    if (!qrp.empty() && SaveReport(*pages, qrp) != SaveResult::Saved) throw std::runtime_error("the report is not finished");
    if (!pdf.empty()) {
        std::string why;
        if (!ExportPageListPdf(*pages, false, PdfFileBase(pdf), !jpeg, &why, false))
            throw std::runtime_error("Error exporting report: " + why);
    }
    std::printf("{\"catalog\":\"%s\",\"modules\":%zu,\"pages\":%d}\n", a[0].c_str(), core.ModuleList().size(), pages->PageCount());
    return 0;
}

Verb catalogVerb("catalog", "drawings|list LIBRARY [--qrp FILE] [--pdf BASE [--jpeg]]", Catalog);

} // namespace
