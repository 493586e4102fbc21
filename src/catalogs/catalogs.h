#pragma once
// The two catalog commands over the main window's state: the forms that hold
// the reports, the shared data cursor, and the report started last.
#include "catalogs/repmod.h"
#include "catalogs/ureplista.h"

#include <functional>
#include <memory>
#include <string>

namespace tarnel {

class Catalogs {
public:
    explicit Catalogs(TForm1Core& core);

    CatalogCursor Cursor;
    TForm3 Form3;
    TQR_lista QR_lista;
    PageReport* CurrentReport = nullptr;
    std::function<void(const std::string&)> ShowError;

    // The drawing catalog ("Catálogo", "Desenhos"). libraryPath: the file
    // selected in the file list, or empty when it has no selection (the
    // library whose modules are listed is used then). With a preview
    // provider it returns when the preview closes and gives nothing;
    // without one it runs headless and gives the finished pages.
    std::unique_ptr<PageList> b_reportClick(const std::string& libraryPath);
    // The list catalog ("Lista").
    std::unique_ptr<PageList> Lista1Click(const std::string& libraryPath);

private:
    bool Prepare(PageReport& report, ReportLabel* libraryLabel, const std::string& libraryPath);
    std::unique_ptr<PageList> Start(PageReport& report);
    // The kind of the library whose modules are listed.
    LibraryFormat ListedFormat() const;
    TForm1Core& core_;
};

} // namespace tarnel
