#include "report/reportelements.h"
#include "util/displaytext.h"

#include "report/pagereport.h"
#include "tokenizer/libtext.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <algorithm>
#include <atomic>
#include <cmath>

namespace tarnel {

namespace {
std::atomic<int> ppiOverride{0};
}

int ScreenPixelsPerInch() {
    if (const int v = ppiOverride.load()) return v;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (const QScreen* s = QGuiApplication::primaryScreen()) {
            const int64_t v = RoundHalfEven(s->logicalDotsPerInchX());
            if (v > 0 && v < 10000) return static_cast<int>(v);
        }
    }
    return 96;
}

void SetScreenPixelsPerInch(int ppi) { ppiOverride.store(ppi > 0 ? ppi : 0); }

Color WindowTextColor() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return FromRgb(QGuiApplication::palette().color(QPalette::WindowText).rgb());
    return kBlack;
}

int TenthsToPixels(double tenths, double f) {
    // Far beyond any sheet, but with room for rectangle arithmetic.
    constexpr int64_t kLimit = 100000000;
    return static_cast<int>(std::clamp<int64_t>(RoundHalfEven(tenths * f), -kLimit, kLimit));
}

QFont ReportFont::ToQFont(int ppi) const {
    QFont font(Name);
    font.setPixelSize(std::max<int>(1, static_cast<int>(RoundHalfEven(Size * ppi / 72.0))));
    font.setBold(Bold);
    font.setItalic(Italic);
    font.setUnderline(Underline);
    font.setStrikeOut(StrikeOut);
    return font;
}

void ReportFrame::Draw(PageCanvas& c, const QRect& box, double f) const {
    if (!Any() || box.isEmpty()) return;
    // One point is 254 / 72 tenths of a millimetre.
    const int t = std::max(1, TenthsToPixels(Width * 254.0 / 72.0, f));
    const int tw = std::min(t, box.width()), th = std::min(t, box.height());
    if (Top) c.FillRect(QRect(box.left(), box.top(), box.width(), th), Color);
    if (Bottom) c.FillRect(QRect(box.left(), box.top() + box.height() - th, box.width(), th), Color);
    if (Left) c.FillRect(QRect(box.left(), box.top(), tw, box.height()), Color);
    if (Right) c.FillRect(QRect(box.left() + box.width() - tw, box.top(), tw, box.height()), Color);
}

QRect BandContext::Box(double left, double top, double width, double height) const {
    const double f = F();
    const int l = TenthsToPixels(BandX() + left, f), t = TenthsToPixels(BandY() + top, f);
    const int r = TenthsToPixels(BandX() + left + width, f), b = TenthsToPixels(BandY() + top + height, f);
    return QRect(l, t, std::max(0, r - l), std::max(0, b - t));
}

void ReportElement::FillBox(BandContext& ctx, const QRect& box) const {
    if (!Transparent && !box.isEmpty()) ctx.Canvas().FillRect(box, Color);
}

// ---- labels


QString ReportLabel::PrintText(BandContext&) const { return DisplayQString(Caption); }

namespace {

int TextPx(const QFontMetrics& fm, const QString& s) { return fm.horizontalAdvance(s); }

// Pieces that end just after a space or a hyphen.
QStringList Pieces(const QString& paragraph) {
    QStringList out;
    QString cur;
    for (const QChar ch : paragraph) {
        cur += ch;
        if (ch == QLatin1Char(' ') || ch == QLatin1Char('-')) {
            out << cur;
            cur.clear();
        }
    }
    if (!cur.isEmpty()) out << cur;
    return out;
}

// Width a line takes on the page; trailing blanks do not count.
int LineWidth(const QFontMetrics& fm, const QString& line) {
    qsizetype n = line.size();
    while (n > 0 && line[n - 1] == QLatin1Char(' ')) --n;
    return TextPx(fm, line.left(n));
}

} // namespace

QStringList FormatLabelLines(const QString& caption, const QFont& font, int widthPx, bool autoSize,
                             bool wordWrap) {
    QString text = caption;
    text.remove(QLatin1Char('\n'));
    const QStringList paragraphs = text.split(QLatin1Char('\r'));
    QStringList lines;
    if (autoSize) return paragraphs;
    const QFontMetrics fm(font);
    auto fits = [&](const QString& t) { return LineWidth(fm, t) <= widthPx; };
    for (const QString& para : paragraphs) {
        QString line;
        for (const QString& piece : Pieces(para)) {
            qsizetype pos = 0;
            while (pos < piece.size()) {
                const QStringView rest = QStringView(piece).mid(pos);
                if (!line.isEmpty()) {
                    if (fits(line + rest.toString())) {
                        line += rest;
                        break;
                    }
                    lines << line;
                    line.clear();
                    if (!wordWrap) return lines;
                    continue;
                }
                if (rest.size() <= 256 && fits(rest.toString())) {
                    line = rest.toString();
                    break;
                }
                // Too wide for a line of its own: the longest part that fits,
                // at least one character. Growing it a character at a time
                // keeps a very long word from being measured whole for
                // every line.
                qsizetype n = 1;
                while (n < rest.size() && fits(rest.left(n + 1).toString())) ++n;
                if (n == rest.size()) {
                    line = rest.toString();
                    break;
                }
                lines << rest.left(n).toString();
                pos += n;
                if (!wordWrap) return lines;
            }
        }
        lines << line;
    }
    return lines;
}

void ReportLabel::Reset() {
    lines_.clear();
    next_ = 0;
    finished_ = false;
    extra_ = 0;
}

void ReportLabel::Format(BandContext& ctx, const QFont& font) {
    const QString text = PrintText(ctx);
    if (AutoSize) {
        lines_ = FormatLabelLines(text, font, 0, true, WordWrap);
        const QFontMetrics fm(font);
        int w = 0;
        for (const QString& l : lines_) w = std::max(w, TextPx(fm, l));
        textWidthPx_ = w;
        const double newWidth = w / ctx.F();
        if (Alignment == TextAlignment::RightJustify) Left += Width - newWidth;
        else if (Alignment == TextAlignment::Center) Left += (Width - newWidth) / 2;
        Width = newWidth;
    } else {
        lines_ = FormatLabelLines(text, font, TenthsToPixels(Width, ctx.F()), false, WordWrap);
    }
}

void ReportLabel::Print(BandContext& ctx, bool continuation) {
    const ReportFont& rf = Font ? *Font : ctx.DefaultFont();
    const QFont font = rf.ToQFont(ctx.PixelsPerInch());
    if (!continuation) {
        Reset();
        Format(ctx, font);
    }
    extra_ = 0;
    const int lh = QFontMetrics(font).height();
    const double lineTenths = lh / ctx.F();
    const int left = static_cast<int>(lines_.size()) - next_;
    // Lines that end within the box's height plus a tenth of a millimetre.
    auto fits = [&](double height) {
        int n = 0;
        while (n < left && (n + 1) * lineTenths <= height + 1 + 1e-9) ++n;
        return n;
    };
    int n = fits(Height);
    if (AutoStretch) {
        while (n < left && ctx.RequestExpansion(extra_ + lineTenths)) {
            extra_ += lineTenths;
            n = fits(Height + extra_);
        }
    }
    QRect box = ctx.Box(Left, Top, Width, Height + extra_);
    if (AutoSize) box.setWidth(textWidthPx_);
    FillBox(ctx, box);
    for (int i = 0; i < n; ++i) {
        const QString& line = lines_[next_ + i];
        if (line.isEmpty()) continue;
        ctx.Canvas().DrawText(box.left(), box.top() + i * lh, line, font, rf.Color, box, false, Color);
    }
    next_ += n;
    // A continuation that cannot print a single line would never finish.
    finished_ = !AutoStretch || next_ >= lines_.size() || (continuation && n == 0);
    Frame.Draw(ctx.Canvas(), box, ctx.F());
}

// ---- pictures

QSize ReportImage::DesignPixelSize() const {
    if (DesignWidthPx > 0 && DesignHeightPx > 0) return QSize(DesignWidthPx, DesignHeightPx);
    const int zoom = Band() && Band()->Report() ? Band()->Report()->Zoom : 100;
    auto px = [&](double tenths) {
        return std::max<int>(1, static_cast<int>(RoundHalfEven(tenths * 96.0 / 254.0 * zoom / 100.0)));
    };
    return QSize(px(Width), px(Height));
}

Canvas& ReportImage::Surface() {
    if (!canvas_) {
        // A picture set as an image is replaced by a fresh white surface.
        const QSize s = DesignPixelSize();
        canvas_ = std::make_unique<tarnel::Canvas>(s.width(), s.height());
        image_ = QImage();
    }
    return *canvas_;
}

void ReportImage::SetPicture(const QImage& img) {
    canvas_.reset();
    image_ = img.convertToFormat(QImage::Format_RGB32);
}

void ReportImage::ClearPicture() {
    canvas_.reset();
    image_ = QImage();
}

bool ReportImage::HasPicture() const { return canvas_ || !image_.isNull(); }

QImage ReportImage::Picture() const { return canvas_ ? canvas_->Image() : image_; }

void ReportImage::Print(BandContext& ctx, bool) {
    const QRect box = ctx.Box(Left, Top, Width, Height);
    FillBox(ctx, box);
    const QImage pic = Picture();
    if (!pic.isNull() && !box.isEmpty()) {
        const double f = ctx.F(), ppi = ctx.PixelsPerInch();
        QRect dest;
        if (Stretch) {
            dest = box;
        } else {
            // Natural size: its size on screen.
            const int w = static_cast<int>(RoundHalfEven(pic.width() / ppi * 254.0 * f));
            const int h = static_cast<int>(RoundHalfEven(pic.height() / ppi * 254.0 * f));
            int dx = 0, dy = 0;
            if (Center) {
                dx = (box.width() - w) / 2;
                dy = (box.height() - h) / 2;
            }
            dest = QRect(box.left() + dx, box.top() + dy, w, h);
        }
        // Clipped to the box: draw only the part of the picture inside it.
        const QRect vis = dest.intersected(box);
        if (!vis.isEmpty() && dest.width() > 0 && dest.height() > 0) {
            const double sx = double(pic.width()) / dest.width(), sy = double(pic.height()) / dest.height();
            const int x0 = static_cast<int>(std::floor((vis.left() - dest.left()) * sx));
            const int y0 = static_cast<int>(std::floor((vis.top() - dest.top()) * sy));
            const int x1 = static_cast<int>(std::ceil((vis.left() + vis.width() - dest.left()) * sx));
            const int y1 = static_cast<int>(std::ceil((vis.top() + vis.height() - dest.top()) * sy));
            const QRect src = QRect(x0, y0, x1 - x0, y1 - y0).intersected(pic.rect());
            if (src == pic.rect()) ctx.Canvas().DrawImage(dest, pic);
            else if (!src.isEmpty()) ctx.Canvas().DrawImage(vis, pic.copy(src));
        }
    }
    Frame.Draw(ctx.Canvas(), box, ctx.F());
}

// ---- system data

QLocale ReportLocale() {
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::Portuguese) return system;
    return QLocale(QLocale::Portuguese, QLocale::Brazil);
}

QString FormatDateTime(const QDateTime& t, const QLocale& locale) {
    QString text = locale.toString(t.date(), QLocale::ShortFormat);
    const QTime time = t.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0) return text;
    // The long time format without its time-zone part.
    QString fmt = locale.timeFormat(QLocale::LongFormat);
    QString clean;
    bool quoted = false;
    for (qsizetype i = 0; i < fmt.size(); ++i) {
        const QChar c = fmt[i];
        if (c == QLatin1Char('\'')) quoted = !quoted;
        if (!quoted && c == QLatin1Char('t')) continue;
        clean += c;
    }
    clean = clean.trimmed();
    return text + QLatin1Char(' ') + locale.toString(time, clean);
}

QString ReportSysData::PrintText(BandContext& ctx) const {
    if (Data == Kind::PageNumber) return DisplayQString(Text) + QString::number(ctx.PageNumber());
    return DisplayQString(Text) + FormatDateTime(ctx.Now());
}

} // namespace tarnel
