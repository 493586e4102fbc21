#include "symbol/nodes.h"

#include <algorithm>
#include <cmath>

namespace tarnel::symbol {

bool HasFlag(const Node& n, std::string_view key, size_t from) {
    for (Node c = n.At(from); c; c = c.Next()) {
        if (c.IsAtom() && c.Text() == key) return true;
        if (c.IsList() && c.Keyword() == key) return c.At(1).Text() != "no";
    }
    return false;
}

std::optional<Pt> PointOf(const Node& n) {
    double x, y;
    if (!n || !sexpr::ParseNumber(n.At(1).Text(), x) || !sexpr::ParseNumber(n.At(2).Text(), y)) return std::nullopt;
    return Pt{x, y};
}

std::optional<Pt> PointIn(const Node& n, std::string_view key) { return PointOf(n.Find(key)); }

bool IsPrivate(const Node& n) {
    for (Node c = n.At(1); c; c = c.Next())
        if (c.IsAtom() && c.Text() == "private") return true;
    return false;
}

namespace {

int Channel(const Node& color, size_t i) {
    const double v = color.Number(i, 0);
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0)));
}

} // namespace

Look LookOf(const Node& item) {
    Look look;
    if (Node stroke = item.Find("stroke")) {
        double w;
        if (sexpr::ParseNumber(stroke.Find("width").At(1).Text(), w) && std::isfinite(w)) {
            if (w < 0) look.outline = false;
            else if (w > 0) look.width = w;
        }
    }
    const Node fill = item.Find("fill");
    const std::string_view type = fill.Find("type").At(1).Text();
    if (type == "outline") {
        look.filled = true;
        look.fill = 0;
    } else if (type == "background") {
        look.filled = true;
        look.fill = kBodyBackground;
    } else if (type == "color") {
        const Node c = fill.Find("color");
        look.filled = true;
        look.fill = Channel(c, 1) | Channel(c, 2) << 8 | Channel(c, 3) << 16;
    }
    return look;
}

} // namespace tarnel::symbol
