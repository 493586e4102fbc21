#include "preview/core/previewlogic.h"

#include "tokenizer/libtext.h"

#include <algorithm>

namespace tarnel {

bool PageViewLogic::SetZoom(int z) {
    if (z < 2 || z > 2000) return false;
    Zoom = z;
    State = ZoomState::Other;
    return true;
}

QSize PageViewLogic::PageSize100() const {
    return QSize(static_cast<int>(RoundHalfEven(PaperWidth * F)), static_cast<int>(RoundHalfEven(PaperLength * F)));
}

void PageViewLogic::ZoomToFit(int w, int h) {
    const QSize p = PageSize100();
    if (p.width() <= 0 || p.height() <= 0) return;
    const int zw = static_cast<int>(RoundHalfEven(static_cast<double>(w) / p.width() * 95));
    const int zh = static_cast<int>(RoundHalfEven(static_cast<double>(h) / p.height() * 95));
    SetZoom(std::min(zw, zh));
    State = ZoomState::FitPage;
}

void PageViewLogic::ZoomToWidth(int w) {
    const QSize p = PageSize100();
    if (p.width() <= 0) return;
    SetZoom(static_cast<int>(RoundHalfEven(static_cast<double>(w) / p.width() * 90)));
    State = ZoomState::FitWidth;
}

QSize PageViewLogic::SheetSize() const {
    return QSize(static_cast<int>(RoundHalfEven(PaperWidth * Zoom / 100.0 * F)) + 4,
                 static_cast<int>(RoundHalfEven(PaperLength * Zoom / 100.0 * F)) + 4);
}

int PageViewLogic::OffsetX(int w) const {
    const int sw = SheetSize().width();
    return sw < w ? (w - sw) / 2 : 0;
}

int PageViewLogic::OffsetY(int h) const {
    const int sh = SheetSize().height();
    return sh < h ? (h - sh) / 2 : 0;
}

int ParseZoomText(const QString& text) {
    QString t = text;
    t.remove(QLatin1Char(' '));
    t.remove(QLatin1Char('%'));
    bool ok = false;
    const int v = t.toInt(&ok, 10);
    return ok ? v : 100;
}

} // namespace tarnel
