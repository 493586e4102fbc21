#include "report/emfrecorder.h"

#include "report/emfformat.h"
#include "report/emftext.h"
#include "util/littleendian.h"
#include "tokenizer/libtext.h"

#include <QFontInfo>
#include <QFontMetrics>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace tarnel {

using namespace emf;

namespace {

constexpr uint32_t kBrushSlot = 1, kFontSlot = 2;

// Little-endian byte builder.
struct Out {
    std::string s;
    void u8(uint8_t v) { s.push_back(static_cast<char>(v)); }
    void u16(uint16_t v) { AppendLE16(s, v); }
    void u32(uint32_t v) { AppendLE32(s, v); }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        u32(v);
    }
    void rect(int32_t l, int32_t t, int32_t r, int32_t b) {
        i32(l);
        i32(t);
        i32(r);
        i32(b);
    }
    void pad4() {
        while (s.size() % 4) u8(0);
    }
};

int FontPixelSize(const QFont& f) {
    if (f.pixelSize() > 0) return f.pixelSize();
    return std::max(1, QFontInfo(f).pixelSize());
}

} // namespace

EmfRecorder::EmfRecorder(QSize pagePixels) : size_(pagePixels.expandedTo(QSize(1, 1))) { Begin(); }

void EmfRecorder::Begin() {
    records_ = 0;
    handles_ = 1;
    brush_ = 0;
    brushColor_ = 0;
    font_ = 0;
    fontKey_.clear();
    textColor_ = -1;
    bkColor_ = -1;
    finished_ = false;
    const int w = size_.width(), h = size_.height();
    Out o;
    o.u32(EMR_HEADER);
    o.u32(0);                  // size, set below
    o.rect(0, 0, w - 1, h - 1);  // bounds, inclusive, in pixels
    const auto hundredths = [](int px) { return static_cast<int32_t>(std::lround(px * 2540.0 / kDpi)) - 1; };
    o.rect(0, 0, hundredths(w), hundredths(h));  // frame, 0.01 mm, inclusive
    o.u32(kSignature);
    o.u32(0x00010000);  // version
    o.u32(0);           // nBytes, set by Finish
    o.u32(0);           // nRecords
    o.u16(0);           // nHandles
    o.u16(0);
    static const char16_t desc[] = u"Tarnel\0Page\0";
    const uint32_t nDesc = sizeof desc / sizeof desc[0];
    o.u32(nDesc);
    o.u32(kHeaderSize);  // offDescription
    o.u32(0);            // nPalEntries
    // Reference device: 4800 pixels in 1270 mm is exactly 96 pixels per
    // inch, so that viewers scale the frame to the page without drift.
    o.i32(4800);
    o.i32(4800);
    o.i32(1270);
    o.i32(1270);
    o.u32(0);  // cbPixelFormat
    o.u32(0);  // offPixelFormat
    o.u32(0);  // bOpenGL
    o.u32(1270000);  // the reference device in micrometres
    o.u32(1270000);
    for (char16_t c : desc) o.u16(static_cast<uint16_t>(c));
    o.pad4();
    PutLE32(o.s, 4, static_cast<uint32_t>(o.s.size()));
    out_ = std::move(o.s);
    records_ = 1;

    auto one = [this](uint32_t type, uint32_t v) {
        Out b;
        b.u32(v);
        Record(type, b.s);
    };
    one(EMR_SETMAPMODE, 1);  // MM_TEXT: logical units are page pixels
    one(EMR_SELECTOBJECT, kNullPen);  // nothing is outlined
    one(EMR_SETBKMODE, TRANSPARENT);
    one(EMR_SETTEXTALIGN, TA_BASELINE);
    one(EMR_SETSTRETCHBLTMODE, 3);  // COLORONCOLOR: no blending of merged pixels
}

EmfRecorder::~EmfRecorder() = default;

void EmfRecorder::Record(uint32_t type, const std::string& body) {
    if (finished_) return;
    Out o;
    o.u32(type);
    o.u32(static_cast<uint32_t>(8 + body.size()));
    out_ += o.s;
    out_ += body;
    ++records_;
}

void EmfRecorder::SelectObject(uint32_t slot) {
    Out b;
    b.u32(slot);
    Record(EMR_SELECTOBJECT, b.s);
}

// A selected object is not deleted: the stock object takes its place first.
void EmfRecorder::DeleteObject(uint32_t slot, uint32_t stock) {
    SelectObject(stock);
    Out b;
    b.u32(slot);
    Record(EMR_DELETEOBJECT, b.s);
}

// Deletes the object held (if any) and takes slot for the next one.
void EmfRecorder::RenewSlot(uint32_t& held, uint32_t slot, uint32_t stock) {
    if (held) DeleteObject(held, stock);
    held = slot;
    handles_ = std::max(handles_, slot + 1);
}

// Selects a solid brush of colour c, reusing the last one when it matches.
void EmfRecorder::SelectBrush(Color c) {
    c &= 0xFFFFFF;
    if (brush_ && brushColor_ == c) return;
    RenewSlot(brush_, kBrushSlot, kWhiteBrush);
    brushColor_ = c;
    Out b;
    b.u32(brush_);
    b.u32(0);  // BS_SOLID
    b.u32(static_cast<uint32_t>(c));
    b.u32(0);
    Record(EMR_CREATEBRUSHINDIRECT, b.s);
    SelectObject(brush_);
}

// A fill is a pattern copy of the selected brush onto the box: the box's
// pixels exactly, no pen involved, and drawn by every common viewer.
void EmfRecorder::PatCopy(int32_t l, int32_t t, int32_t r, int32_t bottom) {
    Out b;
    b.rect(l, t, r - 1, bottom - 1);  // bounds, inclusive
    b.i32(l);
    b.i32(t);
    b.i32(r - l);
    b.i32(bottom - t);
    b.u32(PATCOPY);
    b.i32(0);  // no source
    b.i32(0);
    for (float f : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) b.f32(f);
    b.u32(0);  // BkColorSrc
    b.u32(0);  // DIB_RGB_COLORS
    for (int i = 0; i < 4; ++i) b.u32(0);  // no bitmap
    Record(EMR_BITBLT, b.s);
}

void EmfRecorder::FillRect(const QRect& r, Color c) {
    if (r.width() <= 0 || r.height() <= 0) return;
    SelectBrush(c);
    PatCopy(r.left(), r.top(), ClampToInt32(int64_t(r.left()) + r.width()), ClampToInt32(int64_t(r.top()) + r.height()));
}

void EmfRecorder::SelectFont(const QFont& font) {
    const int px = FontPixelSize(font);
    const QString key = font.family() + QLatin1Char('|') + QString::number(px) + QLatin1Char('|') +
                        QString::number(font.weight()) + QLatin1Char('|') + QString::number(font.italic()) +
                        QString::number(font.underline()) + QString::number(font.strikeOut()) +
                        QString::number((font.styleStrategy() & QFont::NoAntialias) != 0);
    if (font_ && key == fontKey_) return;
    RenewSlot(font_, kFontSlot, kDeviceDefaultFont);
    fontKey_ = key;
    Out b;
    b.u32(font_);
    b.i32(-px);  // character height: the em size in pixels
    b.i32(0);
    b.i32(0);
    b.i32(0);
    b.i32(font.weight());  // same 100..900 scale
    b.u8(font.italic() ? 1 : 0);
    b.u8(font.underline() ? 1 : 0);
    b.u8(font.strikeOut() ? 1 : 0);
    b.u8(1);  // DEFAULT_CHARSET
    b.u8(0);  // OUT_DEFAULT_PRECIS
    b.u8(0);  // CLIP_DEFAULT_PRECIS
    b.u8((font.styleStrategy() & QFont::NoAntialias) ? 3 : 0);  // NONANTIALIASED_QUALITY or default
    b.u8(0);
    const QString face = font.family().left(31);
    for (int i = 0; i < 32; ++i) b.u16(i < face.size() ? face.at(i).unicode() : 0);
    Record(EMR_EXTCREATEFONTINDIRECTW, b.s);
    SelectObject(font_);
}

void EmfRecorder::DrawText(int x, int y, const QString& whole, const QFont& font, Color color, const QRect& clip,
                           bool opaque, Color background) {
    if (whole.isEmpty() || clip.width() <= 0 || clip.height() <= 0) return;
    // What lies past the clip's or the page's right edge is never seen: it
    // is not recorded.
    const double edge = std::min(double(clip.left()) + clip.width(), double(size_.width()));
    const qsizetype keep = VisibleTextLength(whole, font, edge - x);
    if (keep == 0) return;
    const QString text = keep == whole.size() ? whole : whole.left(keep);
    // Objects and colours are set outside the saved state so that they carry
    // on to the next text.
    SelectFont(font);
    color &= 0xFFFFFF;
    background &= 0xFFFFFF;
    Out b;
    if (color != textColor_) {
        b.u32(static_cast<uint32_t>(color));
        Record(EMR_SETTEXTCOLOR, b.s);
        b.s.clear();
        textColor_ = color;
    }
    if (opaque && background != bkColor_) {
        b.u32(static_cast<uint32_t>(background));
        Record(EMR_SETBKCOLOR, b.s);
        b.s.clear();
        bkColor_ = background;
    }
    if (opaque) SelectBrush(background);
    Record(EMR_SAVEDC, {});
    b.rect(clip.left(), clip.top(), ClampToInt32(int64_t(clip.left()) + clip.width()),
           ClampToInt32(int64_t(clip.top()) + clip.height()));
    Record(EMR_INTERSECTCLIPRECT, b.s);
    b.s.clear();

    const QFontMetrics fm(font);
    const std::vector<int32_t> dx = TextAdvances(text, font);
    const int64_t adv = fm.horizontalAdvance(text);
    const int64_t right = int64_t(x) + adv, bottom = int64_t(y) + fm.height();
    // The opaque box is also filled on its own: some viewers ignore
    // ETO_OPAQUE. Same box, same colour, so the two agree.
    if (opaque && adv > 0) PatCopy(x, y, ClampToInt32(right), ClampToInt32(bottom));
    const uint32_t n = static_cast<uint32_t>(text.size());
    const uint32_t offString = 76;
    const uint32_t offDx = offString + ((n * 2 + 3) & ~3u);
    b.rect(x, y, ClampToInt32(right - 1), ClampToInt32(bottom - 1));  // bounds
    b.u32(1);                                             // GM_COMPATIBLE
    b.f32(2540.0f / kDpi);                                // page pixels to 0.01 mm
    b.f32(2540.0f / kDpi);
    b.i32(x);  // reference point on the baseline
    b.i32(ClampToInt32(int64_t(y) + fm.ascent()));
    b.u32(n);
    b.u32(offString);
    b.u32(opaque ? ETO_OPAQUE : 0);
    if (opaque)
        b.rect(x, y, ClampToInt32(right), ClampToInt32(bottom));
    else
        b.rect(0, 0, 0, 0);
    b.u32(offDx);
    for (QChar c : text) b.u16(c.unicode());
    b.pad4();
    for (int32_t d : dx) b.i32(d);
    Record(EMR_EXTTEXTOUTW, b.s);
    b.s.clear();
    b.i32(-1);
    Record(EMR_RESTOREDC, b.s);
}

void EmfRecorder::DrawImage(const QRect& dest, const QImage& img) {
    if (dest.width() <= 0 || dest.height() <= 0 || img.isNull()) return;
    QImage src;
    if (img.hasAlphaChannel()) {
        src = QImage(img.size(), QImage::Format_RGB32);
        src.fill(Qt::white);
        QPainter p(&src);
        p.drawImage(0, 0, img);
    } else {
        src = img;
    }
    src = src.convertToFormat(QImage::Format_BGR888);
    const int w = src.width(), h = src.height();
    const int64_t stride = ((int64_t(w) * 24 + 31) / 32) * 4;
    const int64_t cbBits = stride * h;
    if (cbBits > (int64_t(1) << 30)) throw std::length_error("picture too large for a page");
    Out b;
    b.rect(dest.left(), dest.top(), dest.right(), dest.bottom());
    b.i32(dest.left());
    b.i32(dest.top());
    b.i32(0);  // source rectangle: the whole bitmap
    b.i32(0);
    b.i32(w);
    b.i32(h);
    b.u32(80);  // offBmiSrc
    b.u32(40);
    b.u32(120);  // offBitsSrc
    b.u32(static_cast<uint32_t>(cbBits));
    b.u32(0);  // DIB_RGB_COLORS
    b.u32(SRCCOPY);
    b.i32(dest.width());
    b.i32(dest.height());
    // BITMAPINFOHEADER, bottom-up rows
    b.u32(40);
    b.i32(w);
    b.i32(h);
    b.u16(1);
    b.u16(24);
    b.u32(0);  // BI_RGB
    b.u32(static_cast<uint32_t>(cbBits));
    b.i32(3780);  // 96 dpi in pixels per metre
    b.i32(3780);
    b.u32(0);
    b.u32(0);
    const size_t at = b.s.size();
    b.s.resize(at + static_cast<size_t>(cbBits), '\0');
    for (int row = 0; row < h; ++row)
        std::memcpy(&b.s[at + static_cast<size_t>(stride) * static_cast<size_t>(h - 1 - row)], src.constScanLine(row),
                    static_cast<size_t>(w) * 3);
    Record(EMR_STRETCHDIBITS, b.s);
}

std::string EmfRecorder::Finish() {
    if (font_) DeleteObject(font_, kDeviceDefaultFont);
    if (brush_) DeleteObject(brush_, kWhiteBrush);
    Out b;
    b.u32(0);   // nPalEntries
    b.u32(16);  // offPalEntries
    b.u32(20);  // nSizeLast
    Record(EMR_EOF, b.s);
    PutLE32(out_, 48, static_cast<uint32_t>(out_.size()));
    PutLE32(out_, 52, records_);
    PutLE16(out_.data() + 56, static_cast<uint16_t>(handles_));
    std::string result = std::move(out_);
    out_.clear();
    Begin();
    return result;
}

} // namespace tarnel
