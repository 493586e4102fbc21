#include "figure/figure.h"

#include "tokenizer/libtext.h"

#include <cmath>

namespace tarnel::figure {

void Figure::Clear() {
    const Source s = source;
    *this = Figure();
    source = s;
}

namespace {

int64_t MmToRaster(double mm, double scale) {
    // Far beyond any drawing; keeps the product finite.
    if (!(mm > -1e12)) mm = std::isnan(mm) ? 0 : -1e12;
    if (mm > 1e12) mm = 1e12;
    return RoundHalfEven(mm * scale);
}

} // namespace

int64_t Figure::RasterX(double v) const {
    switch (raster) {
        case RasterScale::Millimetre: return MmToRaster(v, 10000.0 / 25.4);
        case RasterScale::SymbolMm: return MmToRaster(v, 16 / 0.0254);
        default: return TruncToInt(v);
    }
}

int64_t Figure::RasterY(double v) const {
    if (raster == RasterScale::SymbolMm) return -MmToRaster(v, 16 / 0.0254);
    return RasterX(v);
}

double Figure::PadMillimetres(double v) const {
    switch (units) {
        case Units::Millimetre: return v;
        case Units::Mil: return v * 254.0 / 10000.0;
        default: return v * 254.0 / 100000.0;
    }
}

bool Figure::Extents(double& minX, double& maxX, double& minY, double& maxY) const {
    if (extentPoints.empty()) return false;
    minX = maxX = extentPoints[0].x;
    minY = maxY = extentPoints[0].y;
    for (const Pt& p : extentPoints) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    return true;
}

Item& FigureBuilder::Begin(Kind kind, Role role, const Paint& paint) {
    Item& it = f_.items.emplace_back();
    it.kind = kind;
    it.role = role;
    it.paint = paint;
    it.first = static_cast<uint32_t>(f_.points.size());
    it.extFirst = static_cast<uint32_t>(f_.extentPoints.size());
    return it;
}

void FigureBuilder::Point(Pt p) {
    f_.points.push_back(p);
    ++f_.items.back().count;
}

void FigureBuilder::Extent(Pt p) {
    f_.extentPoints.push_back(p);
    ++f_.items.back().extCount;
}

void FigureBuilder::ExtentsFromPoints() {
    Item& it = f_.items.back();
    for (uint32_t i = 0; i < it.count; ++i) Extent(f_.points[it.first + i]);
    it.flags |= kPointsAreExtents;
}

std::string PadTypeName(const Figure& f, const Pad& p) {
    if (f.source != Source::LegacyLines) return p.type;
    if (p.type == "STD") return "thru_hole";
    if (p.type == "SMD") return "smd";
    if (p.type == "CONN") return "connect";
    if (p.type == "HOLE") return "np_thru_hole";
    return p.type;
}

std::string PadShapeName(const Figure& f, const Pad& p) {
    if (f.source != Source::LegacyLines) return p.shape;
    if (p.shape == "R") return "rect";
    if (p.shape == "C") return "circle";
    if (p.shape == "O") return "oval";
    if (p.shape == "T") return "trapezoid";
    return p.shape;
}

std::string_view RoleName(Role r) {
    switch (r) {
        case Role::Pad: return "pad";
        case Role::Copper: return "copper";
        case Role::Body: return "body";
        case Role::Hole: return "hole";
        case Role::Drill: return "drill";
        case Role::Text: return "text";
        case Role::Pin: return "pin";
        default: return "other";
    }
}

} // namespace tarnel::figure
