#include "catalogs/catalogs.h"

namespace tarnel {

Catalogs::Catalogs(TForm1Core& core) : Cursor(core), Form3(Cursor), QR_lista(Cursor), core_(core) {}

bool Catalogs::Prepare(PageReport& report, ReportLabel* libraryLabel, const std::string& libraryPath) {
    if (core_.ModuleList().empty()) {
        if (ShowError) ShowError("Nenhuma biblioteca selecionada");
        return false;
    }
    CurrentReport = &report;
    Cursor.zerarparaimprimir(report.Name);
    // Without a file list selection the listed library is the one meant.
    std::string path = libraryPath.empty() ? core_.LibraryPath() : libraryPath;
    while (path.size() > 1 && path.back() == '/') path.pop_back();  // a folder's name, not ""
    const std::string name = FileNameOf(path);
    libraryLabel->Caption = "Biblioteca: " + name;
    report.ReportTitle = "Visão prévia lib: " + name;
    Cursor.SetLibrary(path);
    return true;
}

LibraryFormat Catalogs::ListedFormat() const {
    const Library* lib = core_.CurrentLibrary();
    return lib ? lib->Format() : LibraryFormat::Legacy;
}

std::unique_ptr<PageList> Catalogs::Start(PageReport& report) {
    if (RegisteredPreviewProvider()) {
        report.Preview();
        return nullptr;
    }
    return report.RunHeadless();
}

std::unique_ptr<PageList> Catalogs::b_reportClick(const std::string& libraryPath) {
    core_.Options().ScaleDivisor = 100;
    if (!Prepare(Form3.QR_FIG, Form3.QRLabel5, libraryPath)) return nullptr;
    // A symbol library's catalog says what it holds.
    Form3.QRLabel1->Caption = ListedFormat() == LibraryFormat::Symbol ? "Catálogo de Símbolos" : "Catálogo de Módulos (footprints)";
    return Start(Form3.QR_FIG);
}

std::unique_ptr<PageList> Catalogs::Lista1Click(const std::string& libraryPath) {
    if (!Prepare(QR_lista.QR_lista, QR_lista.QRLabel5, libraryPath)) return nullptr;
    QR_lista.WholeLongNames = ListedFormat() == LibraryFormat::KicadMod;
    return Start(QR_lista.QR_lista);
}

} // namespace tarnel
