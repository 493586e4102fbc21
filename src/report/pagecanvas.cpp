#include "report/pagecanvas.h"

#include <QFontMetrics>
#include <QPainter>

namespace tarnel {

void PainterPageCanvas::FillRect(const QRect& r, Color c) { p_.fillRect(r, QColor(ToRgb(c))); }

void PainterPageCanvas::DrawText(int x, int y, const QString& text, const QFont& font, Color color,
                                 const QRect& clip, bool opaque, Color background) {
    p_.save();
    p_.setClipRect(clip, Qt::IntersectClip);
    QFontMetrics fm(font);
    if (opaque) p_.fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.height()), QColor(ToRgb(background)));
    p_.setFont(font);
    p_.setPen(QColor(ToRgb(color)));
    p_.drawText(x, y + fm.ascent(), text);
    p_.restore();
}

void PainterPageCanvas::DrawImage(const QRect& dest, const QImage& img) { p_.drawImage(dest, img); }

} // namespace tarnel
