#pragma once
// How a text record's characters are spaced: the glyph advances the
// recorder writes and the player compares with its own layout.
#include <QFont>
#include <QString>
#include <cstdint>
#include <vector>

class QTextLayout;
class QTextLine;

namespace tarnel {

// The glyph advances an EXTTEXTOUTW record carries for text in font: one
// per UTF-16 unit, rounded so that their running sums follow the unrounded
// pen positions.
std::vector<int32_t> TextAdvances(const QString& text, const QFont& font);

// How many leading UTF-16 units of a long text can show within reach
// pixels of its start: the rest lies past the edge and is cut before it is
// laid out. Short texts, and texts with right-to-left runs (whose visual
// order a cut would change), are kept whole.
qsizetype VisibleTextLength(const QString& text, const QFont& font, double reach);

// Lays text out on one line that never wraps; false when there is none.
bool LayOutOneLine(QTextLayout& layout, QTextLine& line);

} // namespace tarnel
