#include "preview/pageview.h"

#include <QPainter>
#include <QScrollBar>

namespace tarnel {

PageView::PageView(QWidget* parent) : QAbstractScrollArea(parent) {
    viewport()->setAutoFillBackground(true);
    // A scroll area fills its viewport with the white of the Base role: the
    // desk takes the Window role, grey, so a white page stands out on it.
    viewport()->setBackgroundRole(QPalette::Window);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, QColor(128, 128, 128));
    viewport()->setPalette(pal);
}

void PageView::Bind() {
    bound_ = true;
    page_ = 1;
    picture_.reset();
    Layout();
}

void PageView::Unbind() {
    bound_ = false;
    picture_.reset();
    viewport()->update();
}

void PageView::SetPaper(double w, double l, double f) {
    logic_.PaperWidth = w;
    logic_.PaperLength = l;
    logic_.F = f;
    Layout();
}

void PageView::SetZoom(int z) {
    if (logic_.SetZoom(z)) Layout();
}

void PageView::ZoomToFit() {
    logic_.ZoomToFit(viewport()->width(), viewport()->height());
    Layout();
}

void PageView::ZoomToWidth() {
    logic_.ZoomToWidth(viewport()->width());
    Layout();
}

void PageView::SetPageNumber(int n) {
    if (n == page_ && picture_) return;
    if (n <= 0 || !bound_ || !PageCount || n > PageCount()) return;
    page_ = n;
    picture_ = FetchPage ? FetchPage(n) : std::nullopt;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void PageView::Redraw() {
    if (bound_ && FetchPage && PageCount && page_ >= 1 && page_ <= PageCount()) picture_ = FetchPage(page_);
    else picture_.reset();
    viewport()->update();
}

void PageView::PageAvailable(int n) {
    if (bound_ && n == page_ && !picture_) {
        ZoomToWidth();
        picture_ = FetchPage ? FetchPage(page_) : std::nullopt;
        viewport()->update();
    }
    emit OnPageAvailable(n);
}

void PageView::Layout() {
    const QSize s = logic_.SheetSize();
    horizontalScrollBar()->setRange(0, std::max(0, s.width() - viewport()->width()));
    verticalScrollBar()->setRange(0, std::max(0, s.height() - viewport()->height()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setPageStep(viewport()->height());
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void PageView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    if (logic_.State == PageViewLogic::ZoomState::FitPage) logic_.ZoomToFit(viewport()->width(), viewport()->height());
    else if (logic_.State == PageViewLogic::ZoomState::FitWidth) logic_.ZoomToWidth(viewport()->width());
    Layout();
}

void PageView::paintEvent(QPaintEvent*) {
    if (!picture_) return;
    QPainter p(viewport());
    const QSize s = logic_.SheetSize();
    const int W = s.width(), H = s.height();
    p.translate(logic_.OffsetX(viewport()->width()) - horizontalScrollBar()->value(),
                logic_.OffsetY(viewport()->height()) - verticalScrollBar()->value());
    p.fillRect(QRect(QPoint(1, 1), QPoint(W - 3 - 1, H - 3 - 1)), Qt::white);
    if (PaintPicture) PaintPicture(p, QRect(0, 0, W, H), *picture_);
    p.setPen(Qt::black);
    const QPoint outline[] = {{0, 0}, {0, H - 3}, {W - 3, H - 3}, {W - 3, 0}, {0, 0}};
    p.drawPolyline(outline, 5);
    p.fillRect(QRect(QPoint(W - 2, 2), QPoint(W - 1, H - 1)), Qt::black);
    p.fillRect(QRect(QPoint(2, H - 2), QPoint(W - 1, H - 1)), Qt::black);
}

} // namespace tarnel
