#include "preview/tqrpreviewinterf.h"

#include "pdf/ui/Prgrs.h"
#include "report/emfplayer.h"

#include <QApplication>
#include <QPointer>

namespace tarnel {

RecorderView::RecorderView(std::shared_ptr<PageRecorder> recorder) : rec_(std::move(recorder)) {
    rec_->Display([this](int n) {
        if (OnPageAvailable) OnPageAvailable(n);
    });
}

RecorderView::~RecorderView() { rec_->Display(nullptr); }

int RecorderView::PageCount() const { return rec_->PageCount(); }

std::optional<std::string> RecorderView::Page(int n) const {
    auto p = rec_->Page(n);
    if (!p) return std::nullopt;
    return std::move(p->Emf);
}

std::string RecorderView::Title() const { return rec_->Title; }
// A loaded report brings its own sheet: the size of its first page (a
// landscape file shows landscape pages).
std::optional<QSizeF> RecorderView::LoadedPaper() const {
    if (!rec_->Loaded() || rec_->PageCount() < 1) return std::nullopt;
    const auto first = rec_->Page(1);
    if (!first) return std::nullopt;
    const QSize px = first->NominalSize();
    if (px.isEmpty() || rec_->Factor() <= 0) return std::nullopt;
    return QSizeF(px.width() / rec_->Factor(), px.height() / rec_->Factor());
}

double RecorderView::PaperWidth() const {
    const auto p = LoadedPaper();
    return p ? p->width() : rec_->PaperWidth;
}

double RecorderView::PaperLength() const {
    const auto p = LoadedPaper();
    return p ? p->height() : rec_->PaperLength;
}
double RecorderView::Factor() const { return rec_->Factor(); }
bool RecorderView::Finished() const { return rec_->Status() == RecorderStatus::Finished; }
bool RecorderView::Running() const { return rec_->Status() == RecorderStatus::Busy; }
void RecorderView::ClosePreview() { rec_->ClosePreview(); }
bool RecorderView::Save(const std::string& path) { return rec_->Save(path) == SaveResult::Saved; }

void RecorderView::Load(const std::string& path) {
    rec_->Load(path);
    source_.reset();
}

const PageSource* RecorderView::Pages() const {
    if (!rec_->Pages()) return nullptr;
    source_ = std::make_unique<PageListSource>(*rec_->Pages(), rec_->PrintSettings.Landscape);
    return source_.get();
}

void PaintPagePicture(QPainter& p, const QRect& rect, const std::string& emf) {
    std::string why;
    PlayEmf(emf, p, QRectF(rect), &why);  // a bad picture draws nothing
}

namespace {
QPointer<TPrevForm> g_last;
}

TPrevForm* tqrpreviewinterf::LastWindow() { return g_last.data(); }

TPrevForm* tqrpreviewinterf::Make(std::shared_ptr<PageRecorder> recorder) {
    auto* view = new RecorderView(recorder);
    auto* form = new TPrevForm(nullptr, view, PaintPagePicture);
    form->setAttribute(Qt::WA_DeleteOnClose, true);
    QObject::connect(form, &QObject::destroyed, [view] { delete view; });
    UseExportWindows(form->ExQR1, form);
    g_last = form;
    return form;
}

std::function<void(const std::string&)> MessageOverPreview(QWidget* fallback, UiDialogs::Icon icon) {
    return [f = QPointer<QWidget>(fallback), icon](const std::string& m) {
        QWidget* parent = tqrpreviewinterf::LastWindow();
        if (!parent || !parent->isVisible()) parent = f.data();
        Dialogs().Message(parent, icon, m);
    };
}

void tqrpreviewinterf::Show(std::shared_ptr<PageRecorder> recorder) {
    TPrevForm* f = Make(std::move(recorder));
    f->showMaximized();
}

void tqrpreviewinterf::ShowModal(std::shared_ptr<PageRecorder> recorder) {
    TPrevForm* f = Make(std::move(recorder));
    f->setWindowModality(Qt::ApplicationModal);
    f->showMaximized();
    while (g_last == f && f->isVisible()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace tarnel
