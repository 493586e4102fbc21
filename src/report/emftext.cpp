#include "report/emftext.h"

#include "tokenizer/libtext.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace tarnel {

namespace {

// Texts are measured in pieces of about this many UTF-16 units: finding the
// pen position of a character costs time in proportion to its place in its
// line, so one long line would cost the square of its length.
constexpr qsizetype kPiece = 256;

// The end of the piece that starts at start: a grapheme boundary, so that
// clusters are measured whole, unless the cluster itself is far too long.
qsizetype PieceEnd(const QString& text, QTextBoundaryFinder& g, qsizetype start) {
    const qsizetype n = text.size();
    if (n - start <= kPiece) return n;
    qsizetype e = start + kPiece;
    g.setPosition(e);
    if (!g.isAtBoundary()) {
        e = g.toPreviousBoundary();
        if (e <= start) e = g.toNextBoundary();
        if (e <= start || e > start + 4 * kPiece) e = start + kPiece;
    }
    if (e < n && text.at(e).isLowSurrogate() && text.at(e - 1).isHighSurrogate()) ++e;
    return std::min(e, n);
}

bool HasRightToLeft(const QString& text) {
    for (QChar c : text) {
        switch (c.direction()) {
            case QChar::DirR:
            case QChar::DirAL:
            case QChar::DirRLE:
            case QChar::DirRLO:
            case QChar::DirRLI:
                return true;
            default:
                break;
        }
    }
    return false;
}

// Pen positions after each character of one piece, from its start.
void PieceAdvances(const QString& text, qsizetype from, qsizetype to, const QFont& font, double base,
                   int64_t& prev, std::vector<int32_t>& dx, double* width) {
    const QString piece = text.mid(from, to - from);
    const int n = static_cast<int>(piece.size());
    QTextLayout layout(piece, font);
    QTextLine line;
    if (!LayOutOneLine(layout, line)) {
        *width = 0;
        return;
    }
    for (int i = 0; i < n; ++i) {
        // The low half of a surrogate pair gets no advance of its own.
        const bool pair = i + 1 < n && piece.at(i + 1).isLowSurrogate() && piece.at(i).isHighSurrogate();
        const int64_t x = std::llround(base + line.cursorToX(i + (pair ? 2 : 1)));
        dx[static_cast<size_t>(from + i)] = ClampToInt32(x - prev);
        prev = x;
        if (pair) ++i;
    }
    *width = line.naturalTextWidth();
}

} // namespace

bool LayOutOneLine(QTextLayout& layout, QTextLine& line) {
    QTextOption opt;
    opt.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(opt);
    layout.beginLayout();
    line = layout.createLine();
    if (line.isValid()) line.setLineWidth(1e9);
    layout.endLayout();
    return line.isValid();
}

std::vector<int32_t> TextAdvances(const QString& text, const QFont& font) {
    const qsizetype n = text.size();
    std::vector<int32_t> dx(static_cast<size_t>(n), 0);
    if (n == 0) return dx;
    int64_t prev = 0;
    double base = 0, width = 0;
    if (n <= kPiece) {
        PieceAdvances(text, 0, n, font, 0, prev, dx, &width);
        return dx;
    }
    QTextBoundaryFinder g(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = 0; at < n;) {
        const qsizetype end = PieceEnd(text, g, at);
        PieceAdvances(text, at, end, font, base, prev, dx, &width);
        base += width;
        at = end;
    }
    return dx;
}

qsizetype VisibleTextLength(const QString& text, const QFont& font, double reach) {
    const qsizetype n = text.size();
    if (n <= kPiece || HasRightToLeft(text)) return n;
    if (reach <= 0) return 0;
    const QFontMetricsF fm(font);
    // Kerning and overhang across a cut are far less than a piece.
    const double limit = reach + 2 * fm.height();
    QTextBoundaryFinder g(QTextBoundaryFinder::Grapheme, text);
    double width = 0;
    for (qsizetype at = 0; at < n;) {
        const qsizetype end = PieceEnd(text, g, at);
        width += fm.horizontalAdvance(text.mid(at, end - at));
        at = end;
        if (width > limit) return at;
    }
    return n;
}

} // namespace tarnel
