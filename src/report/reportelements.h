#pragma once
// What the page engine places on its bands: text labels, a picture, and the
// page-number and date elements. Geometry is in tenths of a millimetre,
// relative to the band's top-left corner; the engine turns it into page
// pixels with its factor F (pixels per inch / 254).
#include "report/pagecanvas.h"
#include "canvas/canvas.h"

#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QLocale>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

namespace tarnel {

class ReportBand;

// The screen's logical pixels per inch, or the value set by
// SetScreenPixelsPerInch (the command line and the tests use 96).
int ScreenPixelsPerInch();
// 0 goes back to asking the screen.
void SetScreenPixelsPerInch(int ppi);

// The system's window-text colour (black without a GUI application).
Color WindowTextColor();

// A length in tenths of a millimetre as page pixels: round(x * F), halves
// to even.
int TenthsToPixels(double tenths, double f);

struct ReportFont {
    QString Name = QStringLiteral("Arial");
    double Size = 10;  // points
    bool Bold = false;
    tarnel::Color Color = kBlack;
    bool Italic = false, Underline = false, StrikeOut = false;

    // The font with its pixel size set from the point size at ppi.
    QFont ToQFont(int ppi) const;
};

// Four sides, each a filled strip inside the box's edge, Width points thick
// (at least one pixel).
struct ReportFrame {
    bool Top = false, Bottom = false, Left = false, Right = false;
    tarnel::Color Color = kBlack;
    int Width = 1;  // points

    bool Any() const { return Top || Bottom || Left || Right; }
    static ReportFrame All(tarnel::Color color = kBlack) { return {true, true, true, true, color, 1}; }
    // Draws the set sides inside box (page pixels).
    void Draw(PageCanvas& c, const QRect& box, double f) const;
};

enum class TextAlignment { LeftJustify, RightJustify, Center };

// What an element needs from the band being printed.
class BandContext {
public:
    virtual ~BandContext() = default;
    virtual PageCanvas& Canvas() = 0;
    virtual double F() const = 0;
    virtual int PixelsPerInch() const = 0;
    // The band's current position on the page, tenths of a millimetre.
    virtual double BandX() const = 0;
    virtual double BandY() const = 0;
    // Asks for the band to grow to extra tenths of a millimetre beyond its
    // height; false when the band would no longer fit in the column.
    virtual bool RequestExpansion(double extra) = 0;
    virtual const ReportFont& DefaultFont() const = 0;
    virtual int PageNumber() const = 0;
    virtual QDateTime Now() const = 0;
    // Page pixels of a box given in tenths relative to the band.
    QRect Box(double left, double top, double width, double height) const;
};

class ReportElement {
public:
    virtual ~ReportElement() = default;

    // Size.Values, tenths of a millimetre; left and top relative to the band.
    double Left = 0, Top = 0, Width = 0, Height = 0;
    ReportFrame Frame;
    tarnel::Color Color = kWhite;
    bool Transparent = false;  // false: the box is filled with Color first
    bool Enabled = true;
    std::string Name;

    ReportBand* Band() const { return band_; }
    void SetBox(double left, double top, double width, double height) {
        Left = left, Top = top, Width = width, Height = height;
    }

    // The band starts printing: everything is to be printed again.
    virtual void Reset() {}
    // Prints at the band's current position; continuation prints only
    // what is left over from the previous column.
    virtual void Print(BandContext& ctx, bool continuation) = 0;
    virtual bool Finished() const { return true; }

protected:
    void FillBox(BandContext& ctx, const QRect& box) const;

private:
    friend class ReportBand;
    ReportBand* band_ = nullptr;
};

class ReportLabel : public ReportElement {
public:
    // Bytes: shown as UTF-8 when valid, otherwise as Windows-1252.
    std::string Caption;
    // Empty: the report's font.
    std::optional<ReportFont> Font;
    TextAlignment Alignment = TextAlignment::LeftJustify;
    bool AutoSize = false;
    bool AutoStretch = false;
    bool WordWrap = false;

    void SetCaption(std::string text) { Caption = std::move(text); }
    const std::string& GetCaption() const { return Caption; }

    void Reset() override;
    void Print(BandContext& ctx, bool continuation) override;
    bool Finished() const override { return finished_; }

    // Run state, for tests.
    const QStringList& Lines() const { return lines_; }
    int NextLine() const { return next_; }
    double Extra() const { return extra_; }  // stretch in tenths of a millimetre

protected:
    // The text to format (system data adds its own).
    virtual QString PrintText(BandContext&) const;

private:
    void Format(BandContext& ctx, const QFont& font);

    QStringList lines_;
    int next_ = 0;
    bool finished_ = true;
    double extra_ = 0;
    int textWidthPx_ = 0;  // AutoSize: the widest line
};

// The lines a label's caption gives: line feeds removed, paragraphs split at
// carriage returns; with autoSize each paragraph is one line, otherwise the
// paragraphs are broken after spaces and hyphens to fit widthPx (a word too
// wide for an empty line is split between characters), and without
// wordWrap everything after the first full line is dropped.
QStringList FormatLabelLines(const QString& caption, const QFont& font, int widthPx, bool autoSize,
                             bool wordWrap);

class ReportImage : public ReportElement {
public:
    bool Center = true;
    bool Stretch = false;
    // Design pixel size of the picture's bitmap; 0: the box at the report's
    // zoom on a 96 pixels-per-inch screen.
    int DesignWidthPx = 0, DesignHeightPx = 0;

    // The picture's drawing surface; created white at the design pixel size
    // when there is no picture yet.
    tarnel::Canvas& Surface();
    void SetPicture(const QImage& img);
    void ClearPicture();
    bool HasPicture() const;
    QImage Picture() const;
    QSize DesignPixelSize() const;

    void Print(BandContext& ctx, bool continuation) override;

private:
    std::unique_ptr<tarnel::Canvas> canvas_;
    QImage image_;
};

// Formats like an AutoSize label.
class ReportSysData : public ReportLabel {
public:
    enum class Kind { PageNumber, DateTime };
    ReportSysData() { AutoSize = true; }
    Kind Data = Kind::PageNumber;
    std::string Text;  // prefix

protected:
    QString PrintText(BandContext& ctx) const override;
};

// The locale of the dates on the pages: the system's when it is a
// Portuguese one, otherwise Brazilian Portuguese, the program's language.
QLocale ReportLocale();

// The locale's short date, a space and its long time (without the time
// zone); the time is left out at exactly midnight.
QString FormatDateTime(const QDateTime& t, const QLocale& locale = ReportLocale());

} // namespace tarnel
