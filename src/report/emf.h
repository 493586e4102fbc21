#pragma once
// Page pictures in the Windows enhanced metafile format: a recorder that
// turns the page engine's drawing into EMF records, and a player that
// replays such bytes onto any QPainter. Every record read back is size- and
// bounds-checked; malformed bytes are refused with a message.
#include "report/pagecanvas.h"

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnel {

// Records a page of pagePixels (A4 at 96 dpi: 794 x 1123). Coordinates are
// page pixels (MM_TEXT); the header's frame is the page size in 0.01 mm at
// 96 pixels per inch.
class EmfRecorder : public PageCanvas {
public:
    explicit EmfRecorder(QSize pagePixels);
    ~EmfRecorder() override;

    QSize PageSize() const override { return size_; }
    void FillRect(const QRect& r, Color c) override;
    void DrawText(int x, int y, const QString& text, const QFont& font, Color color, const QRect& clip,
                  bool opaque, Color background) override;
    void DrawImage(const QRect& dest, const QImage& img) override;

    // Closes the picture: deletes its objects, writes EOF, fixes up the
    // header and returns the bytes. The recorder then starts a new, empty
    // picture of the same size.
    std::string Finish();

private:
    void Begin();
    void Record(uint32_t type, const std::string& body);
    void SelectFont(const QFont& font);
    void SelectBrush(Color c);
    void PatCopy(int32_t l, int32_t t, int32_t r, int32_t b);

    QSize size_;
    std::string out_;
    uint32_t records_ = 0;
    uint32_t handles_ = 1;  // slot 0 is the metafile itself
    uint32_t brush_ = 0;     // handle of the cached solid brush, 0 when none
    Color brushColor_ = 0;
    uint32_t font_ = 0;      // handle of the selected font, 0 when none
    QString fontKey_;
    Color textColor_ = -1;
    Color bkColor_ = -1;
    bool finished_ = false;
};

// The glyph advances an EXTTEXTOUTW record carries for text in font: one
// per UTF-16 unit, rounded so that their running sums follow the unrounded
// pen positions.
std::vector<int32_t> TextAdvances(const QString& text, const QFont& font);

// How many leading UTF-16 units of a long text can show within reach
// pixels of its start: the rest lies past the edge and is cut before it is
// laid out. Short texts, and texts with right-to-left runs (whose visual
// order a cut would change), are kept whole.
qsizetype VisibleTextLength(const QString& text, const QFont& font, double reach);

// Checks the whole picture: header, every record's size and bounds, object
// handles, EOF last. bytes may be longer than the picture (its header tells
// its length).
bool ValidateEmf(std::string_view bytes, std::string* error);

// The picture's total length from its header (0 when there is no header).
uint32_t EmfDeclaredLength(std::string_view bytes);

// Nominal size in pixels from the header's bounds; an empty size when the
// header is unreadable.
QSize EmfNominalSize(std::string_view bytes);

// Replays the picture stretched onto target (nominal bounds -> target).
// Validates first: on a malformed picture nothing is drawn and false is
// returned with a message.
bool PlayEmf(std::string_view bytes, QPainter& p, const QRectF& target, std::string* error);

// Plays the picture into a white RGB32 image of size; a null image when the
// picture is malformed.
QImage RenderEmf(std::string_view bytes, QSize size, std::string* error);

} // namespace tarnel
