#include "viewer/itemdetails.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tarnel {

namespace {

bool IsSymbol(const figure::Figure& f) {
    // A legacy symbol's lines are in mils; a legacy module's in decimils or
    // millimetres.
    return f.source == figure::Source::Symbol || (f.source == figure::Source::LegacyLines && f.units == figure::Units::Mil);
}

std::string Mounting(const figure::Figure& f) {
    bool smd = false, through = false;
    for (const figure::Pad& p : f.pads) {
        // Connector contacts and plain holes say nothing of how the part
        // is soldered.
        const std::string type = figure::PadTypeName(f, p);
        smd |= type == "smd";
        through |= type == "thru_hole";
    }
    if (smd && through) return "misto";
    if (smd) return "SMD";
    if (through) return "furo passante";
    return {};
}

std::string Size(const figure::Figure& f) {
    // The drawing's own bounds: texts move with the text choice and would
    // make the size change with it.
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool any = false;
    for (const figure::Item& it : f.items) {
        if (it.kind == figure::Kind::Text || it.extCount == 0) continue;
        const figure::Pt* e = f.ExtentsOf(it);
        for (uint32_t i = 0; i < it.extCount; ++i) {
            if (!any) {
                minX = maxX = e[i].x;
                minY = maxY = e[i].y;
                any = true;
            }
            minX = std::min(minX, e[i].x);
            maxX = std::max(maxX, e[i].x);
            minY = std::min(minY, e[i].y);
            maxY = std::max(maxY, e[i].y);
        }
    }
    if (!any) return {};
    return MillimetreText(f.Millimetres(maxX - minX)) + " \u00d7 " + MillimetreText(f.Millimetres(maxY - minY)) + " mm";
}

} // namespace

std::string MillimetreText(double mm) {
    if (!std::isfinite(mm)) return "?";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", std::fabs(mm) < 0.005 ? 0.0 : mm);
    std::string s = buf;
    std::replace(s.begin(), s.end(), '.', ',');
    return s;
}

ItemDetails DescribeItem(const figure::Figure& f, const std::string& libraryPath) {
    ItemDetails d;
    d.name = f.fields.name;
    std::string path = libraryPath;
    while (path.size() > 1 && path.back() == '/') path.pop_back();  // a folder's own name
    const size_t slash = path.find_last_of('/');
    d.library = slash == std::string::npos ? path : path.substr(slash + 1);
    d.description = f.fields.description;
    d.keywords = f.fields.tags;
    if (IsSymbol(f)) {
        d.countLabel = "Pinos";
        d.count = std::to_string(f.source == figure::Source::Symbol ? f.symbol.pinTotal : static_cast<int>(f.pins.size()));
    } else {
        d.countLabel = "Ilhas";
        d.count = std::to_string(f.padCount);
        d.mounting = Mounting(f);
    }
    d.size = Size(f);
    return d;
}

} // namespace tarnel
