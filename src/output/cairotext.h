#pragma once
// Real text on a cairo surface, laid out by pango: on a PDF surface every
// text becomes a font subset with its Unicode map, so viewers find it and
// copy the same characters. Sizes are points (the context runs at 72 units
// per inch) and metrics are not hinted, so a text measured at one size
// scales exactly to any other.
#include <cairo.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

typedef struct _PangoFontMap PangoFontMap;
typedef struct _PangoContext PangoContext;
typedef struct _PangoLayout PangoLayout;
typedef struct _PangoFontDescription PangoFontDescription;

namespace tarnel {

// The family every text is set in: it covers Portuguese and the signs
// found in real libraries (Ω, µ, ±, °).
inline constexpr const char* kTextFamily = "DejaVu Sans";

// Bytes as the windows show them (UTF-8 when valid, else Windows-1252),
// with line ends and other control characters turned into blanks.
std::string OneLineText(std::string_view bytes);

// Not thread-safe: one per thread that draws.
class CairoText {
public:
    enum class Style { Regular, Bold };
    enum class H { Left, Centre, Right };
    enum class V { Top, Centre, Baseline, Bottom };

    CairoText();
    ~CairoText();
    CairoText(const CairoText&) = delete;
    CairoText& operator=(const CairoText&) = delete;

    // The advance width of one line of utf8 at size points.
    double Width(std::string_view utf8, double size, Style style = Style::Regular);
    // The line height (ascent + descent) and ascent at size points.
    double LineHeight(double size, Style style = Style::Regular);
    double Ascent(double size, Style style = Style::Regular);

    // One line of utf8 at (x, y) on the current transform, placed by h and
    // v, turned by degrees counter-clockwise as seen and mirrored when asked,
    // in the current source colour.
    void Line(cairo_t* cr, std::string_view utf8, double x, double y, double size, Style style = Style::Regular, H h = H::Left,
              V v = V::Top, double degrees = 0, bool mirrored = false);

    // utf8 wrapped into width at size, at most maxLines lines (the last one
    // cut with "…"), its top-left at (x, y). Returns the height used.
    double Paragraph(cairo_t* cr, std::string_view utf8, double x, double y, double width, double size, int maxLines,
                     Style style = Style::Regular);

private:
    // A layout of one line at the reference size, kept per text.
    PangoLayout* Cached(std::string_view utf8, Style style);
    void Metrics(Style style);

    PangoFontMap* map_ = nullptr;
    PangoContext* context_ = nullptr;
    PangoFontDescription* fonts_[2] = {nullptr, nullptr};
    PangoLayout* paragraph_ = nullptr;
    std::unordered_map<std::string, PangoLayout*> cache_[2];
    double ascent_[2] = {-1, -1}, height_[2] = {-1, -1};  // at the reference size
};

} // namespace tarnel
