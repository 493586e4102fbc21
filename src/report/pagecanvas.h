#pragma once
// What the page engine draws on a page, and the page picture it produces.
// The engine lays out in pixels of the page picture; a PageCanvas records or
// paints those operations. Two implementations: one over any QPainter (for
// screens and tests) and the metafile recorder (emf.h) that makes the bytes
// of a RecordedPage.
#include "canvas/canvas.h"  // Color (0x00BBGGRR)

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QSize>
#include <QString>
#include <memory>
#include <string>

namespace tarnel {

class PageCanvas {
public:
    virtual ~PageCanvas() = default;
    // Nominal size of the page in pixels (A4 at 96 dpi: 794 x 1123).
    virtual QSize PageSize() const = 0;
    // Solid fill, right and bottom edges excluded.
    virtual void FillRect(const QRect& r, Color c) = 0;
    // Text with its top-left corner at (x, y), clipped to clip. The font is
    // given with its pixel size set; opaque draws the text's box in
    // background first. Advances come from QFontMetrics of font.
    virtual void DrawText(int x, int y, const QString& text, const QFont& font, Color color,
                          const QRect& clip, bool opaque, Color background) = 0;
    // A 24-bit picture stretched into dest.
    virtual void DrawImage(const QRect& dest, const QImage& img) = 0;
};

// Paints on any QPainter (screen, printer, image) at the painter's scale.

class PainterPageCanvas : public PageCanvas {
public:
    PainterPageCanvas(QPainter& p, QSize pageSize) : p_(p), size_(pageSize) {}
    QSize PageSize() const override { return size_; }
    void FillRect(const QRect& r, Color c) override;
    void DrawText(int x, int y, const QString& text, const QFont& font, Color color, const QRect& clip,
                  bool opaque, Color background) override;
    void DrawImage(const QRect& dest, const QImage& img) override;

private:
    QPainter& p_;
    QSize size_;
};

} // namespace tarnel
