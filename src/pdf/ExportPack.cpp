#include "pdf/ExportPack.h"

#include "pdf/tnpdf.h"
#include "report/emfplayer.h"
#include "report/pagestream.h"

#include <cstdio>
#include <exception>
#include <stdexcept>

namespace tarnel {

void NullProgress::SetRange(int min, int max) {
    if (max < min) throw std::runtime_error("progress range maximum below its minimum");
}

void StderrProgress::SetLabel(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

int PageListSource::PageCount() const { return list_.PageCount(); }

QImage PageListSource::PageImage(int n) const {
    const std::optional<RecordedPage> page = list_.ReadPage(n);
    if (!page) throw std::runtime_error("page " + std::to_string(n) + " is not available");
    const QSize size = EmfNominalSize(page->Emf);
    if (size.isEmpty()) throw std::runtime_error("page " + std::to_string(n) + " has no readable picture header");
    // One page bitmap at a time, but not an absurd one from a damaged file.
    if (static_cast<int64_t>(size.width()) * size.height() > 100LL * 1000 * 1000)
        throw std::runtime_error("page " + std::to_string(n) + " is too large");
    std::string why;
    QImage img = RenderEmf(page->Emf, size, &why);
    if (img.isNull()) throw std::runtime_error("page " + std::to_string(n) + ": " + (why.empty() ? "cannot be drawn" : why));
    return img;
}

bool ExportPageListPdf(const PageList& pages, bool landscape, const std::string& fileBase, bool indexed,
                       std::string* error, bool verbose) {
    PageListSource source(pages, landscape);
    TExportQR ex;
    ex.Report = &source;
    if (verbose) ex.MakeProgress = [] { return std::make_unique<StderrProgress>(); };
    const bool ok = ex.ExportPDF(fileBase, indexed);
    if (!ok && error) *error = ex.LastError;
    return ok;
}

std::string PageLabel(int i, int n) { return "Page... " + std::to_string(i) + " of " + std::to_string(n); }

std::string PdfFileBase(const std::string& chosen) {
    const size_t slash = chosen.find_last_of("/\\");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = chosen.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return chosen;
    return chosen.substr(0, dot);
}

namespace {
struct ExportCancelled {};
} // namespace

bool TExportQR::ExportPDF(const std::string& FileBase, bool Indexed) {
    LastError.clear();
    Cancelled = false;
    std::unique_ptr<ExportProgress> progress;
    try {
        if (!Report) throw std::runtime_error("no report to export");
        progress = MakeProgress ? MakeProgress() : std::make_unique<NullProgress>();
        if (!progress) progress = std::make_unique<NullProgress>();
        const int n = Report->PageCount();
        progress->SetCaption("Exporting...");
        if (n < 1) throw std::runtime_error("the report has no pages");
        progress->SetRange(0, n - 1);
        progress->SetPosition(0);
        progress->SetLabel(PageLabel(1, n));
        progress->Show();
        if (!progress->KeepGoing()) throw ExportCancelled();

        TPrintPDF writer(Rx, Ry);
        writer.FileName = FileBase + ".PDF";
        writer.BeginDoc();
        if (Report->Landscape()) {
            writer.PageWidth = 792;
            writer.PageHeight = 612;
        }
        for (int i = 1; i <= n; ++i) {
            progress->SetLabel(PageLabel(i, n));
            QImage bitmap = Report->PageImage(i);
            if (bitmap.isNull()) throw std::runtime_error("page " + std::to_string(i) + " has no picture");
            bitmap = ToHalftone8(bitmap);
            if (Indexed)
                writer.DrawBitmap(52, 0, bitmap);
            else
                writer.DrawJPEG(52, 0, bitmap);
            if (i != n) writer.NewPage();
            progress->StepIt();
            // The file is written only by EndDoc: stopping here leaves none.
            if (!progress->KeepGoing()) throw ExportCancelled();
        }
        writer.EndDoc();
        progress->Close();
        return true;
    } catch (const ExportCancelled&) {
        Cancelled = true;
        LastError = "export cancelled";
        try {
            progress->Close();
        } catch (...) {
        }
        return false;
    } catch (const std::exception& e) {
        LastError = e.what();
    } catch (...) {
        LastError = "unknown error";
    }
    // The message comes first, over the progress window, which then closes.
    if (ShowError) {
        try {
            ShowError("Error exporting report");
        } catch (...) {
        }
    }
    if (progress) {
        try {
            progress->Close();
        } catch (...) {
        }
    }
    return false;
}

} // namespace tarnel
