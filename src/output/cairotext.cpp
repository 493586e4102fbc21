#include "output/cairotext.h"

#include "tokenizer/libtext.h"

#include <pango/pangocairo.h>

#include <cmath>

namespace tarnel {

namespace {

// Layouts are made at this size and scaled to the size asked for.
constexpr double kReference = 10;
// Short texts (pad numbers, captions) come back often: their layouts are
// kept, up to this many.
constexpr size_t kCacheTexts = 4096;
constexpr size_t kCachedLength = 12;
// Capital letters' height in DejaVu Sans, in ems: where a line is centred.
constexpr double kCapHeight = 0.729;

int Index(CairoText::Style s) { return s == CairoText::Style::Bold ? 1 : 0; }

} // namespace

std::string OneLineText(std::string_view bytes) {
    std::string s = DisplayTextUtf8(bytes);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return s;
}

CairoText::CairoText() {
    map_ = pango_cairo_font_map_new();
    context_ = pango_font_map_create_context(map_);
    pango_cairo_context_set_resolution(context_, 72);
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context_, o);
    cairo_font_options_destroy(o);
    pango_context_set_round_glyph_positions(context_, FALSE);
    for (int i = 0; i < 2; ++i) {
        fonts_[i] = pango_font_description_new();
        pango_font_description_set_family(fonts_[i], kTextFamily);
        pango_font_description_set_weight(fonts_[i], i ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
        pango_font_description_set_absolute_size(fonts_[i], kReference * PANGO_SCALE);
    }
    paragraph_ = pango_layout_new(context_);
}

CairoText::~CairoText() {
    for (auto& c : cache_)
        for (auto& [text, layout] : c) g_object_unref(layout);
    if (paragraph_) g_object_unref(paragraph_);
    for (auto* f : fonts_) pango_font_description_free(f);
    g_object_unref(context_);
    g_object_unref(map_);
}

PangoLayout* CairoText::Cached(std::string_view utf8, Style style) {
    auto& cache = cache_[Index(style)];
    const bool keep = utf8.size() <= kCachedLength;
    if (keep) {
        auto it = cache.find(std::string(utf8));
        if (it != cache.end()) return it->second;
        if (cache.size() >= kCacheTexts) {
            for (auto& [text, layout] : cache) g_object_unref(layout);
            cache.clear();
        }
    }
    PangoLayout* layout = pango_layout_new(context_);
    pango_layout_set_font_description(layout, fonts_[Index(style)]);
    pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
    if (keep) cache.emplace(std::string(utf8), layout);
    return layout;
}

void CairoText::Metrics(Style style) {
    const int i = Index(style);
    if (height_[i] >= 0) return;
    PangoLayout* l = Cached("Ág", style);
    PangoRectangle logical;
    pango_layout_get_extents(l, nullptr, &logical);
    height_[i] = static_cast<double>(logical.height) / PANGO_SCALE;
    ascent_[i] = static_cast<double>(pango_layout_get_baseline(l)) / PANGO_SCALE;
}

double CairoText::LineHeight(double size, Style style) {
    Metrics(style);
    return height_[Index(style)] * size / kReference;
}

double CairoText::Ascent(double size, Style style) {
    Metrics(style);
    return ascent_[Index(style)] * size / kReference;
}

double CairoText::Width(std::string_view utf8, double size, Style style) {
    PangoLayout* l = Cached(utf8, style);
    PangoRectangle logical;
    pango_layout_get_extents(l, nullptr, &logical);
    const double w = static_cast<double>(logical.width) / PANGO_SCALE * size / kReference;
    if (utf8.size() > kCachedLength) g_object_unref(l);
    return w;
}

void CairoText::Line(cairo_t* cr, std::string_view utf8, double x, double y, double size, Style style, H h, V v,
                     double degrees, bool mirrored) {
    if (utf8.empty() || !(size > 0) || !std::isfinite(size) || !std::isfinite(x) || !std::isfinite(y)) return;
    Metrics(style);
    PangoLayout* l = Cached(utf8, style);
    PangoRectangle logical;
    pango_layout_get_extents(l, nullptr, &logical);
    const double w = static_cast<double>(logical.width) / PANGO_SCALE;
    const double ascent = ascent_[Index(style)], height = height_[Index(style)];
    double dx = 0, dy = 0;
    if (h == H::Centre) dx = -w / 2;
    if (h == H::Right) dx = -w;
    if (v == V::Centre) dy = -ascent + kCapHeight * kReference / 2;
    if (v == V::Baseline) dy = -ascent;
    if (v == V::Bottom) dy = -height;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    if (degrees != 0 && std::isfinite(degrees)) cairo_rotate(cr, -degrees * M_PI / 180);
    if (mirrored) cairo_scale(cr, -1, 1);
    cairo_scale(cr, size / kReference, size / kReference);
    cairo_move_to(cr, dx, dy);
    pango_cairo_show_layout(cr, l);
    cairo_restore(cr);
    if (utf8.size() > kCachedLength) g_object_unref(l);
}

double CairoText::Paragraph(cairo_t* cr, std::string_view utf8, double x, double y, double width, double size,
                            int maxLines, Style style) {
    if (utf8.empty() || !(size > 0) || !(width > 0) || maxLines < 1) return 0;
    PangoFontDescription* d = pango_font_description_copy(fonts_[Index(style)]);
    pango_font_description_set_absolute_size(d, size * PANGO_SCALE);
    pango_layout_set_font_description(paragraph_, d);
    pango_font_description_free(d);
    pango_layout_set_width(paragraph_, static_cast<int>(width * PANGO_SCALE));
    pango_layout_set_wrap(paragraph_, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_ellipsize(paragraph_, PANGO_ELLIPSIZE_END);
    pango_layout_set_height(paragraph_, -maxLines);
    pango_layout_set_text(paragraph_, utf8.data(), static_cast<int>(utf8.size()));
    PangoRectangle logical;
    pango_layout_get_extents(paragraph_, nullptr, &logical);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, paragraph_);
    return static_cast<double>(logical.height) / PANGO_SCALE;
}

} // namespace tarnel
