#include "report/emfplayer.h"

#include "report/emfformat.h"
#include "report/emftext.h"
#include "util/littleendian.h"
#include "canvas/canvas.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainterPath>
#include <QRawFont>
#include <QRegion>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace tarnel {

using namespace emf;

namespace {

// Bounds on what a picture may ask of the player: saved states nested this
// deep, and a clip of this many rectangles. Pages made here use one level
// and one rectangle; past the bounds a picture is refused, so that memory
// stays a small multiple of the file.
constexpr size_t kMaxSavedStates = 256;
constexpr int kMaxClipRects = 1024;
// Clip coordinates are kept within this range so their sums cannot overflow.
constexpr int kClipLimit = 1 << 28;
constexpr int kMaxFontPixels = 1200;
constexpr double kMaxDeviceGlyphPixels = 20000;
// Device glyph sizes the rasteriser is given text at; other sizes are drawn
// from outlines.
constexpr double kMinRasterGlyphPixels = 3, kMaxRasterGlyphPixels = 256;
constexpr int64_t kMaxBitmapPixels = 64LL * 1024 * 1024;
// More characters than any page can show side by side: the rest of a text
// record is left out.
constexpr uint32_t kMaxPlayedUnits = 65536;
constexpr int64_t kMaxNominal = 1 << 20;


struct LogFontData {
    int32_t height = 0;
    int32_t escapement = 0;
    int32_t weight = 0;
    bool italic = false, underline = false, strikeOut = false;
    uint8_t quality = 0;
    QString face;
};

struct Object {
    enum Kind { None, Brush, Pen, Font } kind = None;
    bool null = false;  // BS_NULL / PS_NULL
    Color color = 0;
    int32_t width = 0;
    LogFontData font;
};

struct DcState {
    Color textColor = 0x000000;
    Color bkColor = 0xFFFFFF;
    uint32_t bkMode = OPAQUE;
    uint32_t textAlign = 0;
    Object brush{Object::Brush, false, 0xFFFFFF, 0, {}};
    Object pen{Object::Pen, false, 0x000000, 0, {}};
    LogFontData font;
    bool hasFont = false;
    QPointF cur;
    QRegion clip;  // in logical units; saved states share it until it changes
};

class Reader {
public:
    Reader(std::string_view bytes, QPainter* p) : b_(reinterpret_cast<const unsigned char*>(bytes.data())),
                                                  size_(bytes.size()), p_(p) {}
    bool Run(std::string* error);

    // Header facts, valid after ReadHeader.
    // The sheet in logical units, and its nominal size in pixels.
    QRectF picture;
    QSize nominal;
    uint32_t nBytes = 0;

    bool ReadHeader();
    // Undoes the painter states of saved DC levels left open.
    void Unwind() {
        if (p_)
            for (size_t i = 0; i < saved_.size(); ++i) p_->restore();
        saved_.clear();
    }
    std::string err;

private:
    bool Fail(const std::string& m) {
        if (err.empty()) err = m;
        return false;
    }
    uint32_t U(uint32_t off) const { return GetLE32(rec_ + off); }
    int32_t I(uint32_t off) const { return static_cast<int32_t>(U(off)); }
    QRectF RectEx(uint32_t off) const {  // right and bottom excluded
        return QRectF(QPointF(I(off), I(off + 4)), QPointF(I(off + 8), I(off + 12))).normalized();
    }
    bool Need(uint32_t min, const char* name) {
        if (recSize_ < min)
            return Fail(std::string(name) + " record at offset " + std::to_string(recOff_) + " is " +
                        std::to_string(recSize_) + " bytes, shorter than " + std::to_string(min));
        return true;
    }
    bool Inside(uint64_t off, uint64_t len, const char* what) {
        if (off > recSize_ || len > recSize_ - off)
            return Fail(std::string(what) + " of the record at offset " + std::to_string(recOff_) +
                        " lies outside the record");
        return true;
    }
    bool Handle(uint32_t ih, bool create, const char* name) {
        if (!create && (ih & kStockBit)) return true;
        if (ih == 0 || ih >= handles_.size())
            return Fail(std::string(name) + " at offset " + std::to_string(recOff_) + " uses object " +
                        std::to_string(ih) + " outside the table of " + std::to_string(handles_.size()));
        return true;
    }
    bool Record(uint32_t type);
    bool DoText();
    bool Dib(const char* name, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits, uint32_t usage,
             QImage* img, bool* bottomUp);
    void Blit(QImage img, QRectF src, QRectF dst);
    bool DoStretchDiBits();
    bool DoBitBlt();
    void FillVisible(const QRectF& r, const QColor& c);
    bool DoFillRgn();
    QFont MakeFont(const LogFontData& lf) const;
    static Object Stock(uint32_t ih);

    const unsigned char* b_;
    size_t size_;
    QPainter* p_;
    const unsigned char* rec_ = nullptr;
    uint32_t recOff_ = 0, recSize_ = 0;
    std::vector<Object> handles_;
    DcState dc_;
    std::vector<DcState> saved_;
};

bool Reader::ReadHeader() {
    if (size_ < kMinHeaderSize) return Fail("too short for a metafile header (" + std::to_string(size_) + " bytes)");
    rec_ = b_;
    recOff_ = 0;
    if (U(0) != EMR_HEADER) return Fail("the first record is not a metafile header");
    recSize_ = U(4);
    if (recSize_ < kMinHeaderSize || recSize_ % 4 || recSize_ > size_)
        return Fail("bad header record size " + std::to_string(recSize_));
    if (U(40) != kSignature) return Fail("no EMF signature");
    nBytes = U(48);
    if (nBytes < recSize_ || nBytes % 4 || nBytes > size_)
        return Fail("the header gives a length of " + std::to_string(nBytes) + " bytes for " + std::to_string(size_) +
                    " bytes present");
    // Pages made here have bounds that cover the sheet. Pictures recorded
    // elsewhere may have bounds that only cover what was drawn (or nothing);
    // their frame, in 0.01 mm, is then the sheet.
    const int64_t bl = I(8), bt = I(12), bw = int64_t(I(16)) - bl + 1, bh = int64_t(I(20)) - bt + 1;
    const bool boundsOk = bw >= 1 && bh >= 1 && bw <= kMaxNominal && bh <= kMaxNominal;
    const int64_t fl = I(24), ft = I(28), fw = int64_t(I(32)) - fl + 1, fh = int64_t(I(36)) - ft + 1;
    const int64_t devX = I(72), devY = I(76), mmX = I(80), mmY = I(84);
    const bool frameOk = fw >= 1 && fh >= 1 && devX > 0 && devY > 0 && mmX > 0 && mmY > 0;
    QRectF frame;
    QSize frameSize;
    if (frameOk) {
        const double sx = double(devX) / (double(mmX) * 100), sy = double(devY) / (double(mmY) * 100);
        frame = QRectF(fl * sx, ft * sy, fw * sx, fh * sy);
        frameSize = QSize(static_cast<int>(std::min<int64_t>(std::llround(fw * double(kDpi) / 2540), kMaxNominal + 1)),
                          static_cast<int>(std::min<int64_t>(std::llround(fh * double(kDpi) / 2540), kMaxNominal + 1)));
    }
    const bool sameSheet = boundsOk && frameOk && std::abs(frame.left() - bl) <= 1 && std::abs(frame.top() - bt) <= 1 &&
                           std::abs(frame.width() - bw) <= 1 && std::abs(frame.height() - bh) <= 1;
    if (boundsOk && (sameSheet || !frameOk)) {
        picture = QRectF(bl, bt, bw, bh);
        nominal = QSize(static_cast<int>(bw), static_cast<int>(bh));
    } else if (frameOk && frameSize.width() >= 1 && frameSize.height() >= 1 && frameSize.width() <= kMaxNominal &&
               frameSize.height() <= kMaxNominal && frame.width() >= 1 && frame.height() >= 1) {
        picture = frame;
        nominal = frameSize;
    } else {
        return Fail("bad picture bounds " + std::to_string(bw) + " x " + std::to_string(bh));
    }
    const uint32_t nDesc = U(60), offDesc = U(64);
    if (nDesc && !Inside(offDesc, uint64_t(nDesc) * 2, "description")) return false;
    const uint32_t nHandles = U(56) & 0xFFFF;
    if (nHandles < 1) return Fail("the header gives no object table");
    handles_.assign(nHandles, Object{});
    const QRectF sheet = picture.intersected(QRectF(-kClipLimit, -kClipLimit, 2.0 * kClipLimit, 2.0 * kClipLimit));
    dc_.clip = QRegion(sheet.toAlignedRect());
    return true;
}

Object Reader::Stock(uint32_t ih) {
    Object o;
    switch (ih) {
        case kWhiteBrush: o = {Object::Brush, false, 0xFFFFFF, 0, {}}; break;
        case 0x80000001u: o = {Object::Brush, false, 0xC0C0C0, 0, {}}; break;
        case 0x80000002u: o = {Object::Brush, false, 0x808080, 0, {}}; break;
        case 0x80000003u: o = {Object::Brush, false, 0x404040, 0, {}}; break;
        case kBlackBrush: o = {Object::Brush, false, 0x000000, 0, {}}; break;
        case kNullBrush: o = {Object::Brush, true, 0, 0, {}}; break;
        case kWhitePen: o = {Object::Pen, false, 0xFFFFFF, 0, {}}; break;
        case kBlackPen: o = {Object::Pen, false, 0x000000, 0, {}}; break;
        case kNullPen: o = {Object::Pen, true, 0, 0, {}}; break;
        default:
            if (ih >= 0x8000000Au && ih <= 0x80000011u) o.kind = Object::Font;  // stock fonts
            break;
    }
    return o;
}

QFont Reader::MakeFont(const LogFontData& lf) const {
    QFont f(lf.face.isEmpty() ? QStringLiteral("Arial") : lf.face);
    // Heights are capped at a page's height: larger ones only cost time.
    int px = 12;
    if (lf.height < 0) {
        px = static_cast<int>(std::min<int64_t>(-int64_t(lf.height), kMaxFontPixels));
    } else if (lf.height > 0) {
        // A positive height is the cell height: ascent plus descent.
        const int cellPx = std::min(lf.height, kMaxFontPixels);
        f.setPixelSize(cellPx);
        const qreal cell = QFontMetricsF(f).height();
        px = cell > 0 ? static_cast<int>(std::lround(cellPx * (cellPx / cell))) : cellPx;
    }
    f.setPixelSize(std::clamp(px, 1, kMaxFontPixels));
    if (lf.weight > 0) f.setWeight(static_cast<QFont::Weight>(std::clamp(lf.weight, 100, 900)));
    f.setItalic(lf.italic);
    f.setUnderline(lf.underline);
    f.setStrikeOut(lf.strikeOut);
    if (lf.quality == 3) f.setStyleStrategy(QFont::NoAntialias);
    else if (lf.quality >= 4) f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

bool Reader::Run(std::string* error) {
    auto done = [&](bool ok) {
        if (!ok && error) *error = err;
        return ok;
    };
    if (!ReadHeader()) return done(false);
    uint32_t off = U(4);
    uint32_t count = 1;
    const uint32_t nRecords = U(52);
    bool eof = false;
    while (off < nBytes) {
        if (nBytes - off < 8) return done(Fail("a record at offset " + std::to_string(off) + " is cut off"));
        rec_ = b_ + off;
        recOff_ = off;
        const uint32_t type = U(0);
        recSize_ = U(4);
        if (recSize_ < 8 || recSize_ % 4)
            return done(Fail("record at offset " + std::to_string(off) + " has a bad size " + std::to_string(recSize_)));
        if (recSize_ > nBytes - off)
            return done(Fail("record at offset " + std::to_string(off) + " (" + std::to_string(recSize_) +
                             " bytes) runs past the end of the picture"));
        ++count;
        if (type == EMR_HEADER) return done(Fail("a second header at offset " + std::to_string(off)));
        if (type == EMR_EOF) {
            if (!Need(20, "EOF")) return done(false);
            const uint32_t nPal = U(8), offPal = U(12);
            if (nPal && !Inside(offPal, uint64_t(nPal) * 4, "palette")) return done(false);
            if (recSize_ != nBytes - off) return done(Fail("records follow the EOF record"));
            eof = true;
        } else if (!Record(type)) {
            return done(false);
        }
        off += recSize_;
    }
    if (!eof) return done(Fail("no EOF record"));
    if (count != nRecords)
        return done(Fail("the header gives " + std::to_string(nRecords) + " records, the picture has " +
                         std::to_string(count)));
    return done(true);
}

bool Reader::Record(uint32_t type) {
    switch (type) {
        case EMR_SETMAPMODE:
        case EMR_SETPOLYFILLMODE:
        case EMR_SETROP2:
        case EMR_SETSTRETCHBLTMODE:
            return Need(12, "mode");
        case EMR_SETBKMODE:
            if (!Need(12, "SETBKMODE")) return false;
            dc_.bkMode = U(8);
            return true;
        case EMR_SETTEXTALIGN:
            if (!Need(12, "SETTEXTALIGN")) return false;
            dc_.textAlign = U(8);
            return true;
        case EMR_SETTEXTCOLOR:
            if (!Need(12, "SETTEXTCOLOR")) return false;
            dc_.textColor = static_cast<Color>(U(8) & 0xFFFFFF);
            return true;
        case EMR_SETBKCOLOR:
            if (!Need(12, "SETBKCOLOR")) return false;
            dc_.bkColor = static_cast<Color>(U(8) & 0xFFFFFF);
            return true;
        case EMR_MOVETOEX:
            if (!Need(16, "MOVETOEX")) return false;
            dc_.cur = QPointF(I(8), I(12));
            return true;
        case EMR_LINETO: {
            if (!Need(16, "LINETO")) return false;
            const QPointF to(I(8), I(12));
            if (p_ && !dc_.pen.null) {
                p_->setPen(QPen(QColor(ToRgb(dc_.pen.color)), std::max(1, dc_.pen.width)));
                p_->drawLine(dc_.cur, to);
            }
            dc_.cur = to;
            return true;
        }
        case EMR_INTERSECTCLIPRECT:
        case EMR_EXCLUDECLIPRECT: {
            if (!Need(24, "clip")) return false;
            auto c = [](int32_t v) { return std::clamp(v, -kClipLimit, kClipLimit); };
            const QRect r = QRect(QPoint(c(I(8)), c(I(12))), QPoint(c(I(16)), c(I(20)))).normalized();
            const QRect box(r.topLeft(), QSize(r.width() - 1, r.height() - 1));  // right and bottom excluded
            // The clip is followed in the checking pass too, so that a picture
            // is refused on loading rather than when a page is shown.
            if (type == EMR_INTERSECTCLIPRECT) {
                dc_.clip = box.isEmpty() ? QRegion() : dc_.clip.intersected(box);
                if (p_) p_->setClipRect(RectEx(8), Qt::IntersectClip);
            } else if (!box.isEmpty() && dc_.clip.intersects(box)) {
                dc_.clip = dc_.clip.subtracted(box);
                if (dc_.clip.rectCount() > kMaxClipRects)
                    return Fail("the clip at offset " + std::to_string(recOff_) + " is cut into more than " +
                                std::to_string(kMaxClipRects) + " rectangles");
                // The painter's clip lies within the followed one: intersecting
                // with the followed clip less the box cuts the box out.
                if (p_) p_->setClipRegion(dc_.clip, Qt::IntersectClip);
            }
            return true;
        }
        case EMR_SAVEDC:
            if (saved_.size() >= kMaxSavedStates)
                return Fail("the picture saves more than " + std::to_string(kMaxSavedStates) +
                            " states inside each other (offset " + std::to_string(recOff_) + ")");
            saved_.push_back(dc_);
            if (p_) p_->save();
            return true;
        case EMR_RESTOREDC: {
            if (!Need(12, "RESTOREDC")) return false;
            const int32_t rel = I(8);
            int64_t pops = rel < 0 ? -int64_t(rel) : int64_t(saved_.size()) - rel + 1;
            if (pops <= 0 || pops > int64_t(saved_.size())) return true;  // ignored, as GDI does
            while (pops-- > 0) {
                dc_ = saved_.back();
                saved_.pop_back();
                if (p_) p_->restore();
            }
            return true;
        }
        case EMR_SELECTOBJECT: {
            if (!Need(12, "SELECTOBJECT")) return false;
            const uint32_t ih = U(8);
            if (!Handle(ih, false, "SELECTOBJECT")) return false;
            const Object o = (ih & kStockBit) ? Stock(ih) : handles_[ih];
            if (o.kind == Object::Brush) dc_.brush = o;
            else if (o.kind == Object::Pen) dc_.pen = o;
            else if (o.kind == Object::Font) {
                dc_.font = o.font;
                dc_.hasFont = (ih & kStockBit) == 0;
            }
            return true;
        }
        case EMR_DELETEOBJECT: {
            if (!Need(12, "DELETEOBJECT")) return false;
            const uint32_t ih = U(8);
            if (!Handle(ih, false, "DELETEOBJECT")) return false;
            if (!(ih & kStockBit)) handles_[ih] = Object{};
            return true;
        }
        case EMR_CREATEBRUSHINDIRECT: {
            if (!Need(24, "CREATEBRUSHINDIRECT")) return false;
            const uint32_t ih = U(8);
            if (!Handle(ih, true, "CREATEBRUSHINDIRECT")) return false;
            const uint32_t style = U(12);
            handles_[ih] = Object{Object::Brush, style == 1 /* BS_NULL */, static_cast<Color>(U(16) & 0xFFFFFF), 0, {}};
            return true;
        }
        case EMR_CREATEPEN: {
            if (!Need(28, "CREATEPEN")) return false;
            const uint32_t ih = U(8);
            if (!Handle(ih, true, "CREATEPEN")) return false;
            const uint32_t style = U(12) & 0xF;
            handles_[ih] = Object{Object::Pen, style == 5 /* PS_NULL */, static_cast<Color>(U(24) & 0xFFFFFF),
                                  std::clamp(I(16), 0, 1000), {}};
            return true;
        }
        case EMR_EXTCREATEFONTINDIRECTW: {
            if (!Need(12 + 92, "EXTCREATEFONTINDIRECTW")) return false;
            const uint32_t ih = U(8);
            if (!Handle(ih, true, "EXTCREATEFONTINDIRECTW")) return false;
            Object o;
            o.kind = Object::Font;
            o.font.height = I(12);
            o.font.escapement = I(20);
            o.font.weight = I(28);
            o.font.italic = rec_[32] != 0;
            o.font.underline = rec_[33] != 0;
            o.font.strikeOut = rec_[34] != 0;
            o.font.quality = rec_[38];
            for (int i = 0; i < 32; ++i) {
                const uint16_t c = GetLE16(rec_ + 40 + 2 * i);
                if (!c) break;
                o.font.face += QChar(c);
            }
            handles_[ih] = o;
            return true;
        }
        case EMR_RECTANGLE: {
            if (!Need(24, "RECTANGLE")) return false;
            if (p_) {
                const QRectF r = RectEx(8);
                if (!dc_.brush.null) p_->fillRect(r, QColor(ToRgb(dc_.brush.color)));
                if (!dc_.pen.null) {
                    p_->setPen(QPen(QColor(ToRgb(dc_.pen.color)), std::max(1, dc_.pen.width)));
                    p_->setBrush(Qt::NoBrush);
                    p_->drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
                }
            }
            return true;
        }
        case EMR_FILLRGN:
            return DoFillRgn();
        case EMR_EXTTEXTOUTW:
            return DoText();
        case EMR_STRETCHDIBITS:
            return DoStretchDiBits();
        case EMR_BITBLT:
            return DoBitBlt();
        default:
            return true;  // not needed for pages: skipped
    }
}

bool Reader::DoFillRgn() {
    if (!Need(32 + 32, "FILLRGN")) return false;
    const uint32_t cb = U(24), ih = U(28);
    if (!Inside(32, cb, "region data")) return false;
    if (cb < 32) return Fail("FILLRGN at offset " + std::to_string(recOff_) + " has a short region header");
    if (!Handle(ih, false, "FILLRGN")) return false;
    const uint32_t hdr = U(32), count = U(40);
    if (hdr < 32 || hdr > cb) return Fail("FILLRGN at offset " + std::to_string(recOff_) + " has a bad region header");
    if (uint64_t(count) * 16 > cb - hdr)
        return Fail("FILLRGN at offset " + std::to_string(recOff_) + " gives " + std::to_string(count) +
                    " rectangles for " + std::to_string(cb - hdr) + " bytes");
    if (!p_) return true;
    const Object o = (ih & kStockBit) ? Stock(ih) : handles_[ih];
    if (o.kind != Object::Brush || o.null) return true;
    const QColor c(ToRgb(o.color));
    for (uint32_t i = 0; i < count; ++i) p_->fillRect(RectEx(32 + hdr + 16 * i), c);
    return true;
}

// Adds the outlines of text laid out in font, with its baseline starting at
// origin; glyphs that start outside seen (widened by margin) are left out.
void AddOutlines(QPainterPath& out, const QString& text, const QFont& font, QPointF origin, const QRectF& seen,
                 double margin) {
    QTextLayout layout(text, font);
    QTextLine line;
    if (!LayOutOneLine(layout, line)) return;
    const QPointF shift = origin - QPointF(0, line.ascent());
    const QRectF near = seen.adjusted(-margin, -margin, margin, margin);
    for (const QGlyphRun& run : line.glyphRuns()) {
        const QRawFont raw = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> at = run.positions();
        for (qsizetype i = 0; i < glyphs.size() && i < at.size(); ++i) {
            const QPointF p = at[i] + shift;
            if (!seen.isEmpty() && !near.contains(p)) continue;
            QPainterPath g = raw.pathForGlyph(glyphs[i]);
            g.translate(p);
            out.addPath(g);
        }
    }
}

bool Reader::DoText() {
    if (!Need(76, "EXTTEXTOUTW")) return false;
    const QPointF ref(I(36), I(40));
    const uint32_t n = U(44), offString = U(48), options = U(52), offDx = U(72);
    const QRectF rect = RectEx(56);
    if (!Inside(offString, uint64_t(n) * 2, "text")) return false;
    const uint64_t dxUnit = (options & ETO_PDY) ? 8 : 4;
    const bool hasDx = offDx != 0 && n > 0;
    if (hasDx && !Inside(offDx, uint64_t(n) * dxUnit, "advances")) return false;
    if (!p_) return true;
    // Glyph indices belong to the recording system's font: only the box is drawn.
    if (options & ETO_GLYPH_INDEX) {
        if (options & ETO_OPAQUE) p_->fillRect(rect, QColor(ToRgb(dc_.bkColor)));
        return true;
    }

    uint32_t used = std::min(n, kMaxPlayedUnits);
    if (used < n && used > 0 && (rec_[offString + 2 * used - 1] & 0xFC) == 0xD8) --used;  // no half pair
    QString text;
    text.reserve(static_cast<qsizetype>(used));
    for (uint32_t i = 0; i < used; ++i)
        text += QChar(GetLE16(rec_ + offString + 2 * i));
    const QFont font = MakeFont(dc_.font);
    const QFontMetricsF fm(font);
    std::vector<int32_t> dx;
    if (hasDx) {
        dx.resize(used);
        for (uint32_t i = 0; i < used; ++i) dx[i] = I(offDx + static_cast<uint32_t>(dxUnit) * i);
    }
    const std::vector<int32_t> own = TextAdvances(text, font);
    if (!hasDx) dx = own;
    double total = 0;
    for (int32_t d : dx) total += d;

    double x = ref.x(), y = ref.y();
    const uint32_t align = dc_.textAlign;
    if ((align & TA_CENTER) == TA_CENTER) x -= total / 2;
    else if (align & TA_RIGHT) x -= total;
    if ((align & TA_BASELINE) == TA_BASELINE) {
    } else if (align & TA_BOTTOM) {
        y -= fm.descent();
    } else {
        y += fm.ascent();
    }
    (void)TA_UPDATECP;

    p_->save();
    if (dc_.font.escapement) {
        p_->translate(ref);
        p_->rotate(-(dc_.font.escapement / 10.0));
        p_->translate(-ref);
    }
    if (options & ETO_OPAQUE) p_->fillRect(rect, QColor(ToRgb(dc_.bkColor)));
    if (options & ETO_CLIPPED) p_->setClipRect(rect, Qt::IntersectClip);
    if (dc_.bkMode == OPAQUE && !(options & ETO_OPAQUE))
        p_->fillRect(QRectF(x, y - fm.ascent(), total, fm.ascent() + fm.descent()), QColor(ToRgb(dc_.bkColor)));
    // How far the glyphs are stretched the most and the least (the singular
    // values of the transform's linear part).
    const QTransform t = p_->worldTransform();
    const double a = t.m11(), b = t.m12(), c = t.m21(), d = t.m22();
    const double sum = a * a + b * b + c * c + d * d, det = std::abs(a * d - b * c);
    const double most = std::sqrt((sum + std::sqrt(std::max(0.0, sum * sum - 4 * det * det))) / 2);
    const double least = most > 0 ? det / most : 0;
    const double px = font.pixelSize();
    // Glyphs too thin to see, or far larger than any page, are left out.
    if (!std::isfinite(most) || px * least < 1 || px * most > kMaxDeviceGlyphPixels) {
        p_->restore();
        return true;
    }
    // Text from a picture reaches the glyph rasteriser only upright, unmirrored,
    // evenly scaled and of a moderate size: other forms have crashed the font
    // engine. Everything else is filled from the glyph outlines, which are
    // read at the font's own size and only then transformed.
    const bool plain = t.type() <= QTransform::TxScale && a > 0 && d > 0 && std::abs(a - d) <= 0.01 * d &&
                       px * most >= kMinRasterGlyphPixels && px * most <= kMaxRasterGlyphPixels;
    const QColor color(ToRgb(dc_.textColor));
    // Glyphs that start far outside the clip are not drawn.
    const QRectF seen = p_->clipBoundingRect();
    const double em = 2.0 * px;
    auto shows = [&](double at) { return seen.isEmpty() || (at < seen.right() + em && at > seen.left() - em); };
    QPainterPath outlines;
    auto draw = [&](QPointF at, const QString& s) {
        if (plain) p_->drawText(at, s);
        else AddOutlines(outlines, s, font, at, seen, em);
    };
    p_->setFont(font);
    p_->setPen(color);
    if (dx == own) {
        draw(QPointF(x, y), text);
    } else {
        // Glyphs placed one by one at the recorded advances.
        double at = x;
        for (qsizetype i = 0; i < text.size(); ++i) {
            qsizetype len = 1;
            if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) len = 2;
            if (shows(at)) draw(QPointF(at, y), text.mid(i, len));
            for (qsizetype k = 0; k < len; ++k) at += dx[static_cast<size_t>(i + k)];
            i += len - 1;
        }
    }
    if (!outlines.isEmpty()) {
        p_->setRenderHint(QPainter::Antialiasing, !(font.styleStrategy() & QFont::NoAntialias));
        p_->fillPath(outlines, color);
    }
    p_->restore();
    return true;
}

// Checks a record's device-independent bitmap; with img, also decodes it
// top-down (left null for the forms that are not drawn).
bool Reader::Dib(const char* name, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits, uint32_t usage,
                 QImage* img, bool* bottomUp) {
    const std::string at = std::string(name) + " at offset " + std::to_string(recOff_);
    if (cbBmi < 40) return Fail(at + " has a bitmap header of " + std::to_string(cbBmi) + " bytes");
    if (!Inside(offBmi, cbBmi, "bitmap header") || !Inside(offBits, cbBits, "bitmap bits")) return false;
    const unsigned char* h = rec_ + offBmi;
    const uint32_t biSize = GetLE32(h);
    const int32_t bw = static_cast<int32_t>(GetLE32(h + 4)), bhRaw = static_cast<int32_t>(GetLE32(h + 8));
    const uint16_t bpp = GetLE16(h + 14);
    const uint32_t compression = GetLE32(h + 16), clrUsed = GetLE32(h + 32);
    if (biSize < 40 || biSize > cbBmi) return Fail(at + " has a bad bitmap header size");
    if (bw <= 0 || bhRaw == 0 || bhRaw == std::numeric_limits<int32_t>::min())
        return Fail(at + " has a bad bitmap size " + std::to_string(bw) + " x " + std::to_string(bhRaw));
    const int64_t bh = bhRaw < 0 ? -int64_t(bhRaw) : bhRaw;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return Fail(at + " has " + std::to_string(bpp) + " bits per pixel");
    if (int64_t(bw) * bh > kMaxBitmapPixels) return Fail(at + " has a bitmap too large to draw");
    const int64_t stride = ((int64_t(bw) * bpp + 31) / 32) * 4;
    const bool rgb = compression == 0;
    if (rgb && stride * bh > int64_t(cbBits))
        return Fail(at + " holds " + std::to_string(cbBits) + " bytes for a " + std::to_string(bw) + " x " +
                    std::to_string(bh) + " bitmap of " + std::to_string(bpp) + " bits");
    uint64_t colours = 0;
    if (bpp <= 8) colours = clrUsed ? clrUsed : (1u << bpp);
    if (bpp <= 8 && usage == 0 && (colours > 256 || biSize + colours * 4 > cbBmi))
        return Fail(at + " has a colour table outside its bitmap header");
    if (!img) return true;
    *img = QImage();
    *bottomUp = bhRaw > 0;
    if (!rgb || bpp == 16 || usage != 0) return true;  // drawn only in the common forms

    QImage out(bw, static_cast<int>(bh), QImage::Format_RGB32);
    const unsigned char* bits = rec_ + offBits;
    const unsigned char* pal = h + biSize;
    for (int64_t row = 0; row < bh; ++row) {
        const unsigned char* src = bits + stride * (bhRaw > 0 ? bh - 1 - row : row);
        QRgb* d = reinterpret_cast<QRgb*>(out.scanLine(static_cast<int>(row)));
        for (int32_t x = 0; x < bw; ++x) {
            switch (bpp) {
                case 24: d[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]); break;
                case 32: d[x] = qRgb(src[4 * x + 2], src[4 * x + 1], src[4 * x]); break;
                default: {
                    const int64_t bit = int64_t(x) * bpp;
                    const unsigned v = (src[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                    d[x] = v < colours ? qRgb(pal[4 * v + 2], pal[4 * v + 1], pal[4 * v]) : qRgb(0, 0, 0);
                }
            }
        }
    }
    *img = std::move(out);
    return true;
}

// Draws src of img into dst; negative destination sizes mirror.
void Reader::Blit(QImage img, QRectF src, QRectF dst) {
    const bool mx = dst.width() < 0, my = dst.height() < 0;
    if (mx || my) {
        img = img.mirrored(mx, my);
        src = QRectF(mx ? img.width() - src.right() : src.left(), my ? img.height() - src.bottom() : src.top(),
                     src.width(), src.height());
        dst = dst.normalized();
    }
    if (src.width() <= 0 || src.height() <= 0 || dst.isEmpty()) return;
    p_->drawImage(dst, img, src);
}

bool Reader::DoStretchDiBits() {
    if (!Need(80, "STRETCHDIBITS")) return false;
    const int32_t xDest = I(24), yDest = I(28), xSrc = I(32), ySrc = I(36), cxSrc = I(40), cySrc = I(44);
    const uint32_t offBmi = U(48), cbBmi = U(52), offBits = U(56), cbBits = U(60), usage = U(64), rop = U(68);
    const int32_t cxDest = I(72), cyDest = I(76);
    if (cbBmi == 0 && cbBits == 0) return true;  // no bitmap: a pure raster operation, not drawn
    QImage img;
    bool bottomUp = false;
    if (!Dib("STRETCHDIBITS", offBmi, cbBmi, offBits, cbBits, usage, p_ ? &img : nullptr, &bottomUp)) return false;
    if (!p_ || img.isNull() || rop != SRCCOPY) return true;
    // Source y counts from the bottom row of a bottom-up bitmap.
    const double sy = bottomUp ? double(img.height()) - ySrc - cySrc : ySrc;
    Blit(img, QRectF(xSrc, sy, cxSrc, cySrc), QRectF(xDest, yDest, cxDest, cyDest));
    return true;
}

// A fill that a reduced replay would make thinner than a pixel (a frame
// strip) still covers one pixel, so frames do not drop out of small pages.
void Reader::FillVisible(const QRectF& r, const QColor& c) {
    const QTransform t = p_->worldTransform();
    QRectF dev = t.mapRect(r);
    if (t.isScaling() && !t.isRotating() && !dev.isEmpty() && (dev.width() < 1 || dev.height() < 1)) {
        if (dev.width() < 1) dev.setWidth(1);
        if (dev.height() < 1) dev.setHeight(1);
        p_->save();
        p_->resetTransform();
        p_->fillRect(dev, c);
        p_->restore();
        return;
    }
    p_->fillRect(r, c);
}

bool Reader::DoBitBlt() {
    if (!Need(100, "BITBLT")) return false;
    const int32_t xDest = I(24), yDest = I(28), cxDest = I(32), cyDest = I(36), xSrc = I(44), ySrc = I(48);
    const uint32_t rop = U(40), usage = U(80), offBmi = U(84), cbBmi = U(88), offBits = U(92), cbBits = U(96);
    const QRectF dst(xDest, yDest, cxDest, cyDest);
    if (cbBmi == 0 && cbBits == 0) {
        // No source: a fill with the brush, black or white.
        if (!p_) return true;
        if (rop == PATCOPY && dc_.brush.kind == Object::Brush && !dc_.brush.null)
            FillVisible(dst.normalized(), QColor(ToRgb(dc_.brush.color)));
        else if (rop == 0x00000042u)
            p_->fillRect(dst.normalized(), Qt::black);
        else if (rop == 0x00FF0062u)
            p_->fillRect(dst.normalized(), Qt::white);
        return true;
    }
    QImage img;
    bool bottomUp = false;
    if (!Dib("BITBLT", offBmi, cbBmi, offBits, cbBits, usage, p_ ? &img : nullptr, &bottomUp)) return false;
    if (!p_ || img.isNull() || rop != SRCCOPY) return true;
    Blit(img, QRectF(xSrc, ySrc, cxDest, cyDest), dst);
    return true;
}

} // namespace

bool ValidateEmf(std::string_view bytes, std::string* error) {
    Reader r(bytes, nullptr);
    return r.Run(error);
}

uint32_t EmfDeclaredLength(std::string_view bytes) {
    if (bytes.size() < kMinHeaderSize) return 0;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    if (GetLE32(b) != EMR_HEADER || GetLE32(b + 40) != kSignature) return 0;
    return GetLE32(b + 48);
}

QSize EmfNominalSize(std::string_view bytes) {
    Reader r(bytes, nullptr);
    if (!r.ReadHeader()) return {};
    return r.nominal;
}

bool PlayEmf(std::string_view bytes, QPainter& p, const QRectF& target, std::string* error) {
    if (!ValidateEmf(bytes, error)) return false;
    Reader r(bytes, &p);
    if (!r.ReadHeader()) {
        if (error) *error = r.err;
        return false;
    }
    const QRectF pic = r.picture;
    p.save();
    p.setClipRect(target, Qt::IntersectClip);
    p.translate(target.topLeft());
    p.scale(target.width() / pic.width(), target.height() / pic.height());
    p.translate(-pic.left(), -pic.top());
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    Reader player(bytes, &p);
    const bool ok = player.Run(error);
    player.Unwind();
    p.restore();
    return ok;
}

QImage RenderEmf(std::string_view bytes, QSize size, std::string* error) {
    if (size.width() < 1 || size.height() < 1 || int64_t(size.width()) * size.height() > kMaxBitmapPixels * 2) {
        if (error) *error = "bad image size " + std::to_string(size.width()) + " x " + std::to_string(size.height());
        return {};
    }
    if (!ValidateEmf(bytes, error)) return {};
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    bool ok;
    {
        QPainter p(&img);
        ok = PlayEmf(bytes, p, QRectF(0, 0, size.width(), size.height()), error);
    }
    if (!ok) return {};
    return img;
}

} // namespace tarnel
