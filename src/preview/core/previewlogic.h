#pragma once
// The page display's arithmetic: zoom limits, fits, sheet layout, and the
// zoom box's typed text.
#include <QSize>
#include <QString>

namespace tarnel {

struct PageViewLogic {
    enum class ZoomState { FitPage, FitWidth, Other };

    int Zoom = 100;
    ZoomState State = ZoomState::Other;
    double PaperWidth = 2100, PaperLength = 2970;  // tenths of a millimetre
    double F = 96.0 / 254.0;                        // page pixels per tenth of a millimetre

    // Values outside 2..2000 are ignored; returns whether the zoom was taken.
    bool SetZoom(int z);
    // w, h: the display's size in pixels.
    void ZoomToFit(int w, int h);
    void ZoomToWidth(int w);
    QSize PageSize100() const;  // pw x ph
    QSize SheetSize() const;    // with the 4-pixel outline and shadow
    // Top-left of the sheet in a display of w x h: centred when smaller.
    int OffsetX(int w) const;
    int OffsetY(int h) const;
};

// The zoom box's text after Enter: blanks and "%" removed, read as a whole
// number, 100 when it is not one.
int ParseZoomText(const QString& text);

} // namespace tarnel
