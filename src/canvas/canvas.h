#pragma once
// A 24-bit drawing surface with the geometry the drawers rely on: right and
// bottom edges of boxes excluded, a line's end pixel not drawn, and a mask
// pen mode that ANDs colours into the pixels already there.
//
// Drawing costs at most about the pixels it shows: shapes are cut to the
// surface before they are filled, a repeat that cannot change a pixel is
// skipped (DrawMemo), and every drawing operation counts its work. Past
// WorkLimit the drawing is cut short: further operations are skipped and
// CutShort() says so until ResetWork(). FillRect and CopyRect (clearing and
// cropping) always run and count nothing; the clear resets nothing either.
#include "canvas/drawmemo.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tarnel {

// Colours are 0x00BBGGRR.
using Color = int32_t;
constexpr Color kBlack = 0x000000;
constexpr Color kWhite = 0xFFFFFF;
constexpr Color kGreen = 0x008000;
constexpr Color kRed = 0x0000FF;
constexpr Color kBlue = 0xFF0000;
constexpr Color kOlive = 0x008080;
constexpr Color kTeal = 0x808000;

inline QRgb ToRgb(Color c) {
    return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
inline Color FromRgb(QRgb p) {
    return static_cast<Color>(qRed(p) | (qGreen(p) << 8) | (qBlue(p) << 16));
}

enum class PenMode { Copy, Mask };
enum class BrushStyle { Solid, Clear };

// The surface's default font: a Debian sans-serif at 8 points (96 dpi).
QFont DefaultCanvasFont();

class Canvas {
public:
    Canvas(int width, int height);

    int Width() const { return img_.width(); }
    int Height() const { return img_.height(); }
    const QImage& Image() const { return img_; }
    Color Pixel(int x, int y) const;  // white outside the surface

    Color PenColor = kBlack;
    PenMode Mode = PenMode::Copy;
    Color BrushColor = kWhite;
    BrushStyle Brush = BrushStyle::Solid;
    Color FontColor = kBlack;
    QFont Font;

    void FillRect(int x1, int y1, int x2, int y2);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Ellipse(int x1, int y1, int x2, int y2);
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void MoveTo(int x, int y) { curX_ = x; curY_ = y; }
    void LineTo(int x, int y);
    void Polyline(const std::vector<QPoint>& pts);
    // A closed polygon: with a solid brush, the pixels whose centres lie
    // inside (nonzero winding) take the brush colour; then its sides are
    // drawn with the pen. The current position is left alone.
    void Polygon(const std::vector<QPoint>& pts);
    void TextOut(int x, int y, std::string_view text);
    int TextWidth(std::string_view text) const;
    int TextHeight(std::string_view text) const;
    // Copies src's rectangle onto dst; a reduction ANDs merged pixels, an
    // enlargement repeats them. Parts of the source outside src show white.
    void CopyRect(int64_t dx, int64_t dy, int64_t dw, int64_t dh, const Canvas& src, int64_t sx, int64_t sy,
                  int64_t sw, int64_t sh);

    // About a pixel written per unit; the default keeps a drawing to a
    // couple of seconds.
    static constexpr int64_t kDefaultWorkLimit = int64_t{1} << 31;
    int64_t WorkLimit = kDefaultWorkLimit;
    void ResetWork();
    int64_t Work() const { return work_; }
    bool CutShort() const { return cutShort_; }

private:
    // Plot and HSpan write through row_, which Touch() sets: the image is
    // not shared while an operation draws.
    void Touch() {
        row_ = reinterpret_cast<QRgb*>(img_.bits());
        stride_ = img_.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    }
    void Plot(int x, int y, QRgb c, bool mask);
    void HSpan(int y, int l, int r, QRgb c, bool mask);
    void MarkDirty(int l, int t, int r, int b);
    void FillPolygon(const std::vector<QPoint>& pts, QRgb c, bool mask);
    // Budget: false (and the drawing cut short) once the work passes the limit.
    bool Spend(int64_t units) {
        work_ += units;
        if (work_ > WorkLimit) cutShort_ = true;
        return !cutShort_;
    }
    bool OverBudget() {
        if (work_ > WorkLimit) cutShort_ = true;
        return cutShort_;
    }
    // Work, in about the time it takes to write a pixel: an operation, a
    // look-up of a repeat, a step of a line, a row of an ellipse, a pixel of
    // an arc whose angle is tested, an edge of a polygon placed on a row, the
    // setting up of a polygon's fill, a text.
    static constexpr int64_t kOpWork = 64, kMemoWork = 256, kStepWork = 10, kRowWork = 128, kAngleWork = 64,
                             kEdgeWork = 40, kPolygonWork = 512, kTextWork = 16384;
    // Operations expected to cost less than this are not worth remembering.
    static constexpr int64_t kMemoFrom = 2048;
    // Before an operation expected to cost about `expected`: false when it is
    // to be skipped (cut short, or a repeat that changes nothing). After it:
    // Done remembers it.
    bool Begin(const DrawOp& op, int64_t expected);
    void Done(const DrawOp& op, int64_t expected);
    // The pixels of [l, r) x [t, b) on the surface.
    int64_t SurfaceArea(int64_t l, int64_t t, int64_t r, int64_t b) const;
    DrawOp Op(DrawOp::Kind kind, std::initializer_list<int32_t> c, bool usesPen, bool usesBrush) const;

    QImage img_;
    int curX_ = 0, curY_ = 0;
    // Region that may hold non-white pixels; a white fill of the whole
    // surface only needs to clear it.
    int dl_, dt_, dr_, db_;
    QRgb* row_ = nullptr;
    qsizetype stride_ = 0;
    int64_t work_ = 0;
    bool cutShort_ = false;
    DrawMemo memo_;
};

} // namespace tarnel
