#include "canvas/canvas.h"
#include "util/displaytext.h"

#include "tokenizer/libtext.h"

#include <QFontMetrics>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>

namespace tarnel {

QFont DefaultCanvasFont() {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(11);  // 8 points at 96 dpi
    f.setStyleStrategy(QFont::NoAntialias);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

Canvas::Canvas(int width, int height)
    : Font(DefaultCanvasFont()), img_(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32) {
    img_.fill(qRgb(255, 255, 255));
    dl_ = img_.width(); dt_ = img_.height(); dr_ = -1; db_ = -1;
}

Color Canvas::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= img_.width() || y >= img_.height()) return kWhite;
    return FromRgb(reinterpret_cast<const QRgb*>(img_.constScanLine(y))[x]);
}

void Canvas::MarkDirty(int l, int t, int r, int b) {
    dl_ = std::min(dl_, l); dt_ = std::min(dt_, t);
    dr_ = std::max(dr_, r); db_ = std::max(db_, b);
}

void Canvas::Plot(int x, int y, QRgb c, bool mask) {
    if (x < 0 || y < 0 || x >= img_.width() || y >= img_.height()) return;
    QRgb* p = row_ + y * stride_ + x;
    *p = mask ? (*p & c) : c;
    ++work_;
    MarkDirty(x, y, x, y);
}

void Canvas::HSpan(int y, int l, int r, QRgb c, bool mask) {
    ++work_;
    if (y < 0 || y >= img_.height()) return;
    l = std::max(l, 0);
    r = std::min(r, img_.width() - 1);
    if (l > r) return;
    work_ += r - l + 1;
    QRgb* p = row_ + y * stride_;
    if (mask) {
        for (int x = l; x <= r; ++x) p[x] &= c;
    } else {
        std::fill(p + l, p + r + 1, c);
    }
    MarkDirty(l, y, r, y);
}

void Canvas::ResetWork() {
    work_ = 0;
    cutShort_ = false;
    memo_.Forget();
}

DrawOp Canvas::Op(DrawOp::Kind kind, std::initializer_list<int32_t> c, bool usesPen, bool usesBrush) const {
    DrawOp op;
    op.kind = kind;
    op.solid = Brush == BrushStyle::Solid;
    std::copy(c.begin(), c.end(), op.c.begin());
    op.pen = ToRgb(PenColor);
    op.brush = ToRgb(BrushColor);
    op.usesPen = usesPen;
    op.usesBrush = usesBrush;
    op.mask = Mode == PenMode::Mask;
    return op;
}

bool Canvas::Begin(const DrawOp& op, int64_t expected) {
    if (cutShort_ || !Spend(kOpWork)) return false;
    Touch();
    if (expected < kMemoFrom) return true;
    return Spend(kMemoWork) && !memo_.Redundant(op);
}

void Canvas::Done(const DrawOp& op, int64_t expected) {
    if (cutShort_) memo_.Forget();  // drawn in part
    else memo_.Drawn(op, expected >= kMemoFrom);
}

int64_t Canvas::SurfaceArea(int64_t l, int64_t t, int64_t r, int64_t b) const {
    const int64_t w = std::min<int64_t>(r, Width()) - std::max<int64_t>(l, 0);
    const int64_t h = std::min<int64_t>(b, Height()) - std::max<int64_t>(t, 0);
    return w > 0 && h > 0 ? w * h : 0;
}

void Canvas::FillRect(int x1, int y1, int x2, int y2) {
    memo_.Forget();
    if (x2 <= x1 || y2 <= y1) return;
    const int64_t before = work_;
    QRgb c = ToRgb(BrushColor);
    int l = std::max(x1, 0), t = std::max(y1, 0);
    int r = std::min(x2, img_.width()) - 1, b = std::min(y2, img_.height()) - 1;
    if (l > r || t > b) return;
    if (c == qRgb(255, 255, 255)) {
        // Only the region that was ever drawn can be non-white.
        l = std::max(l, dl_); t = std::max(t, dt_);
        r = std::min(r, dr_); b = std::min(b, db_);
        for (int y = t; y <= b && l <= r; ++y) {
            QRgb* p = reinterpret_cast<QRgb*>(img_.scanLine(y));
            std::fill(p + l, p + r + 1, c);
        }
        if (l <= dl_ && t <= dt_ && r >= dr_ && b >= db_) {
            dl_ = img_.width(); dt_ = img_.height(); dr_ = -1; db_ = -1;
        }
        return;
    }
    Touch();
    for (int y = t; y <= b; ++y) HSpan(y, l, r, c, false);
    work_ = before;
}

void Canvas::Rectangle(int x1, int y1, int x2, int y2) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (static_cast<int64_t>(x2) - x1 < 1 || static_cast<int64_t>(y2) - y1 < 1) return;
    const DrawOp op = Op(DrawOp::Rect, {x1, y1, x2, y2}, true, Brush == BrushStyle::Solid);
    const int64_t expected = SurfaceArea(x1, y1, x2, y2);
    if (expected == 0) {  // it lies within its box, wholly off the surface
        Spend(kOpWork);
        return;
    }
    if (!Begin(op, expected)) return;
    bool mask = Mode == PenMode::Mask;
    int r = x2 - 1, b = y2 - 1;
    const int yFrom = std::max(y1 + 1, 0), yTo = std::min(b, img_.height());
    if (Brush == BrushStyle::Solid && int64_t{r} - x1 >= 2 && int64_t{b} - y1 >= 2) {
        QRgb bc = ToRgb(BrushColor);
        for (int y = yFrom; y < yTo; ++y) HSpan(y, x1 + 1, r - 1, bc, mask);
    }
    QRgb pc = ToRgb(PenColor);
    HSpan(y1, x1, r, pc, mask);
    if (b != y1) HSpan(b, x1, r, pc, mask);
    for (int y = yFrom; y < yTo; ++y) {
        Plot(x1, y, pc, mask);
        if (r != x1) Plot(r, y, pc, mask);
    }
    Done(op, expected);
}

namespace {
// The ellipse inscribed in [x1, x2) x [y1, y2): a pixel belongs when its
// centre lies inside; rows too thin for any centre keep one pixel so the
// outline stays connected.
struct EllipseRows {
    int x1, y1, x2, y2;
    double cx, cy, a, b;
    EllipseRows(int l, int t, int r, int bt) : x1(l), y1(t), x2(r), y2(bt) {
        const double w = static_cast<double>(x2) - x1, h = static_cast<double>(y2) - y1;
        cx = x1 + w / 2.0;
        cy = y1 + h / 2.0;
        a = w / 2.0;
        b = h / 2.0;
    }
    bool Span(int y, int& sl, int& sr) const {
        if (y < y1 || y >= y2) return false;
        const double dy = (y + 0.5 - cy) / b;
        const double q = 1.0 - dy * dy;
        if (q >= 0) {
            const double hw = a * std::sqrt(q);
            const double lf = std::max(std::ceil(cx - hw - 0.5), static_cast<double>(x1));
            const double rf = std::min(std::floor(cx + hw - 0.5), static_cast<double>(x2) - 1);
            if (lf <= rf) {
                sl = static_cast<int>(std::max(lf, -1e9));
                sr = static_cast<int>(std::min(rf, 1e9));
                return true;
            }
        }
        sl = sr = static_cast<int>(std::clamp(std::floor(cx - 0.5 + 1e-9), static_cast<double>(x1), x2 - 1.0));
        return true;
    }
    // Interior of row y: pixels whose four neighbours are inside; empty
    // (il > ir) on the top and bottom rows.
    void Interior(int y, int l, int r, int& il, int& ir) const {
        int pl, pr, nl, nr;
        const bool hasP = Span(y - 1, pl, pr), hasN = Span(y + 1, nl, nr);
        il = l + 1;
        ir = r - 1;
        if (hasP && hasN) {
            il = std::max({il, pl, nl});
            ir = std::min({ir, pr, nr});
        } else {
            il = 1;
            ir = 0;
        }
    }
};
} // namespace

void Canvas::Ellipse(int x1, int y1, int x2, int y2) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (static_cast<int64_t>(x2) - x1 < 1 || static_cast<int64_t>(y2) - y1 < 1) return;
    const DrawOp op = Op(DrawOp::Ellipse, {x1, y1, x2, y2}, true, Brush == BrushStyle::Solid);
    const int64_t expected = SurfaceArea(x1, y1, x2, y2);
    if (expected == 0) {  // it lies within its box, wholly off the surface
        Spend(kOpWork);
        return;
    }
    if (!Begin(op, expected)) return;
    const bool mask = Mode == PenMode::Mask;
    const QRgb pc = ToRgb(PenColor), bc = ToRgb(BrushColor);
    const EllipseRows e(x1, y1, x2, y2);
    // Rows are cut to the surface here and columns in HSpan.
    const int yFrom = std::max(y1, -1), yTo = std::min(y2 - 1, img_.height());
    for (int y = yFrom; y <= yTo; ++y) {
        int l, r, il, ir;
        work_ += kRowWork;
        if (!e.Span(y, l, r)) continue;
        e.Interior(y, l, r, il, ir);
        if (il > ir) {
            HSpan(y, l, r, pc, mask);
        } else {
            HSpan(y, l, il - 1, pc, mask);
            if (Brush == BrushStyle::Solid) HSpan(y, il, ir, bc, mask);
            HSpan(y, ir + 1, r, pc, mask);
        }
    }
    Done(op, expected);
}

void Canvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (static_cast<int64_t>(x2) - x1 < 1 || static_cast<int64_t>(y2) - y1 < 1) return;
    const DrawOp op = Op(DrawOp::Arc, {x1, y1, x2, y2, x3, y3, x4, y4}, true, false);
    const int64_t expected = SurfaceArea(x1, y1, x2, y2);
    if (expected == 0) {  // it lies within its box, wholly off the surface
        Spend(kOpWork);
        return;
    }
    if (!Begin(op, expected)) return;
    const bool mask = Mode == PenMode::Mask;
    const QRgb pc = ToRgb(PenColor);
    const EllipseRows e(x1, y1, x2, y2);
    const double twoPi = 2.0 * M_PI;
    // Angles measured counter-clockwise as seen on screen (y down).
    auto angleOf = [&](double px, double py) {
        const double t = std::atan2(-(py - e.cy), px - e.cx);
        return t < 0 ? t + twoPi : t;
    };
    const double start = angleOf(x3, y3), end = angleOf(x4, y4);
    const double sweep = std::fmod(end - start + twoPi, twoPi);
    const bool full = sweep < 1e-12;  // coinciding radials: the whole ellipse
    auto plotIfIn = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= img_.width() || y >= img_.height()) return;
        if (!full && std::fmod(angleOf(x + 0.5, y + 0.5) - start + twoPi, twoPi) > sweep) return;
        Plot(x, y, pc, mask);
    };
    const int yFrom = std::max(y1, -1), yTo = std::min(y2 - 1, img_.height());
    for (int y = yFrom; y <= yTo; ++y) {
        int l, r, il, ir;
        work_ += kRowWork;
        if (!e.Span(y, l, r)) continue;
        e.Interior(y, l, r, il, ir);
        // The outline only: the whole row at the top and bottom, else the
        // pixels either side of the inside.
        const int lo = std::max(l, -1), hi = std::min(r, img_.width());
        const int leftTo = il > ir ? hi : std::min(il - 1, hi);
        const int rightFrom = il > ir ? hi + 1 : std::max(ir + 1, lo);
        for (int x = lo; x <= leftTo; ++x) plotIfIn(x, y);
        for (int x = rightFrom; x <= hi; ++x) plotIfIn(x, y);
        work_ += kAngleWork * (std::max(leftTo - lo + 1, 0) + std::max(hi - rightFrom + 1, 0));
    }
    Done(op, expected);
}

void Canvas::LineTo(int x, int y) {
    int64_t x0 = curX_, y0 = curY_;
    const int64_t x1 = x, y1 = y;
    curX_ = x; curY_ = y;
    if (x0 == x1 && y0 == y1) return;
    const DrawOp op = Op(DrawOp::Line, {static_cast<int32_t>(x0), static_cast<int32_t>(y0), x, y}, true, false);
    bool mask = Mode == PenMode::Mask;
    QRgb pc = ToRgb(PenColor);
    int64_t dx = std::llabs(x1 - x0), dy = std::llabs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    // Clip long lines: skip quickly when entirely outside the surface.
    const int64_t W = img_.width(), H = img_.height();
    if ((x0 < 0 && x1 < 0) || (y0 < 0 && y1 < 0) || (x0 >= W && x1 >= W) || (y0 >= H && y1 >= H)) {
        Begin(op, 0);
        return;
    }
    int64_t n = std::max(dx, dy);
    // Step along the major axis, only where it lies on the surface; the end
    // pixel is left out. The minor coordinate is rounded to nearest.
    const bool xMajor = dx >= dy;
    const int64_t m0 = xMajor ? x0 : y0, s = xMajor ? sx : sy, lim = xMajor ? W : H;
    int64_t iFrom = 0, iTo = n - 1;
    if (s > 0) { iFrom = std::max<int64_t>(iFrom, -m0); iTo = std::min<int64_t>(iTo, lim - 1 - m0); }
    else { iFrom = std::max<int64_t>(iFrom, m0 - (lim - 1)); iTo = std::min<int64_t>(iTo, m0); }
    const int64_t expected = kStepWork * std::max<int64_t>(iTo - iFrom + 1, 0);
    if (!Begin(op, expected)) return;
    const int64_t major = n, minor = xMajor ? dy : dx;
    // The minor offset at step i is (2 * minor * i + major) / (2 * major),
    // rounded down; kept as a quotient and a remainder from step to step.
    const int64_t den = 2 * major, inc = 2 * minor;
    const __int128 first = __int128{inc} * iFrom + major;
    int64_t q = static_cast<int64_t>(first / den), rem = static_cast<int64_t>(first % den);
    const int64_t base = xMajor ? y0 : x0, minorStep = xMajor ? sy : sx;
    int64_t l = W, t = H, r = -1, btm = -1;  // the pixels written
    for (int64_t i = iFrom; i <= iTo; ++i) {
        const int64_t a = m0 + s * i, b = base + minorStep * q;
        const int64_t px = xMajor ? a : b, py = xMajor ? b : a;
        if (px >= 0 && px < W && py >= 0 && py < H) {
            QRgb* p = row_ + py * stride_ + px;
            *p = mask ? (*p & pc) : pc;
            l = std::min(l, px), r = std::max(r, px), t = std::min(t, py), btm = std::max(btm, py);
        }
        rem += inc;
        if (rem >= den) rem -= den, ++q;
    }
    if (r >= 0) MarkDirty(static_cast<int>(l), static_cast<int>(t), static_cast<int>(r), static_cast<int>(btm));
    work_ += expected;
    Done(op, expected);
}

void Canvas::Polyline(const std::vector<QPoint>& pts) {
    if (pts.empty()) return;
    int sx = curX_, sy = curY_;
    MoveTo(pts[0].x(), pts[0].y());
    for (size_t i = 1; i < pts.size(); ++i) LineTo(pts[i].x(), pts[i].y());
    curX_ = sx; curY_ = sy;  // a polyline leaves the current position alone
}


int Canvas::TextWidth(std::string_view text) const {
    return QFontMetrics(Font).horizontalAdvance(DisplayQString(text));
}

int Canvas::TextHeight(std::string_view text) const {
    (void)text;
    return QFontMetrics(Font).height();
}

void Canvas::TextOut(int x, int y, std::string_view text) {
    // Glyphs are painted over whatever is there, in any colour.
    memo_.Forget();
    if (cutShort_ || !Spend(kTextWork + kEdgeWork * static_cast<int64_t>(text.size()))) return;
    QString s = DisplayQString(text);
    QFontMetrics fm(Font);
    int w = fm.horizontalAdvance(s), h = fm.height();
    if (w <= 0 || x >= img_.width() || y >= img_.height() || x + w <= 0 || y + h <= 0) {
        return;
    }
    const int l = std::max(x, 0), t = std::max(y, 0);
    const int r = static_cast<int>(std::min<int64_t>(int64_t{x} + w, img_.width())) - 1;
    const int b = static_cast<int>(std::min<int64_t>(int64_t{y} + h, img_.height())) - 1;
    work_ += int64_t{r - l + 1} * (b - t + 1);
    MarkDirty(l, t, r, b);
    QPainter p(&img_);
    if (Brush == BrushStyle::Solid) p.fillRect(x, y, w, h, QColor(ToRgb(BrushColor)));
    p.setFont(Font);
    p.setPen(QColor(ToRgb(FontColor)));
    p.drawText(x, y + fm.ascent(), s);
}

void Canvas::CopyRect(int64_t dl, int64_t dtop, int64_t dw, int64_t dh, const Canvas& src, int64_t sl,
                      int64_t stop, int64_t sw, int64_t sh) {
    memo_.Forget();
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    const int64_t W = img_.width(), H = img_.height();
    const int64_t dx0 = std::max<int64_t>(dl, 0), dy0 = std::max<int64_t>(dtop, 0);
    const int64_t dx1 = std::min<int64_t>(dl + dw, W), dy1 = std::min<int64_t>(dtop + dh, H);
    if (dx0 >= dx1 || dy0 >= dy1) return;
    MarkDirty(static_cast<int>(dx0), static_cast<int>(dy0), static_cast<int>(dx1 - 1), static_cast<int>(dy1 - 1));
    const QRgb white = qRgb(255, 255, 255);
    if (dw == sw && dh == sh) {
        for (int64_t y = dy0; y < dy1; ++y) {
            QRgb* out = reinterpret_cast<QRgb*>(img_.scanLine(static_cast<int>(y)));
            const int64_t syy = stop + (y - dtop);
            const int64_t off = sl - dl;
            if (syy < 0 || syy >= src.Height()) {
                std::fill(out + dx0, out + dx1, white);
                continue;
            }
            const QRgb* in = reinterpret_cast<const QRgb*>(src.img_.constScanLine(static_cast<int>(syy)));
            for (int64_t x = dx0; x < dx1; ++x) {
                int64_t sx = x + off;
                out[x] = (sx < 0 || sx >= src.Width()) ? white : in[sx];
            }
        }
        return;
    }
    // Each destination pixel ANDs its block of source pixels. Outside src
    // everything is white, and AND-ing white changes nothing, so blocks are
    // cut to src first: the cost follows the part of the source that exists,
    // not the nominal size of the rectangle.
    const int64_t SW = src.Width(), SH = src.Height();
    auto block = [](int64_t k, int64_t origin, int64_t s, int64_t d, int64_t lim, int64_t& from, int64_t& to) {
        from = origin + static_cast<int64_t>(static_cast<__int128>(k) * s / d);
        to = origin + static_cast<int64_t>(static_cast<__int128>(k + 1) * s / d);
        if (to <= from) to = from + 1;
        from = std::max<int64_t>(from, 0);
        to = std::min<int64_t>(to, lim);
    };
    std::vector<std::pair<int, int>> cols(static_cast<size_t>(dx1 - dx0));
    for (int64_t x = dx0; x < dx1; ++x) {
        int64_t a, b;
        block(x - dl, sl, sw, dw, SW, a, b);
        if (a >= b) a = b = 0;
        cols[static_cast<size_t>(x - dx0)] = {static_cast<int>(a), static_cast<int>(b)};
    }
    for (int64_t y = dy0; y < dy1; ++y) {
        QRgb* out = reinterpret_cast<QRgb*>(img_.scanLine(static_cast<int>(y)));
        std::fill(out + dx0, out + dx1, white);
        int64_t ya, yb;
        block(y - dtop, stop, sh, dh, SH, ya, yb);
        for (int64_t yy = ya; yy < yb; ++yy) {
            const QRgb* in = reinterpret_cast<const QRgb*>(src.img_.constScanLine(static_cast<int>(yy)));
            QRgb* o = out + dx0;
            for (const auto& [a, b] : cols) {
                QRgb acc = *o;
                for (int xx = a; xx < b; ++xx) acc &= in[xx];
                *o++ = acc;
            }
        }
    }
}

} // namespace tarnel
