#include "output/figurejson.h"

#include "tokenizer/libtext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace tarnel {

namespace {

// Millimetres to the nanometre: no binary noise in the text.
double Mm(double v) {
    if (!std::isfinite(v)) return 0;
    return std::round(v * 1e6) / 1e6;
}

QString Text(const std::string& bytes) { return QString::fromStdString(DisplayTextUtf8(bytes)); }

const char* FormatName(figure::Source s) {
    switch (s) {
        case figure::Source::Footprint: return "kicad_mod";
        case figure::Source::Symbol: return "kicad_sym";
        default: return "legacy";
    }
}

// What a current symbol adds: its keywords, footprint and filters, its
// counts, and every pin of every unit and style, hidden ones too.
void SymbolInfo(const figure::Figure& f, QJsonObject& o) {
    const figure::SymbolView& s = f.symbol;
    o["keywords"] = Text(f.fields.tags);
    o["footprint"] = Text(s.footprint);
    QJsonArray filters;
    for (const auto& x : s.footprintFilters) filters.append(Text(x));
    o["footprint_filters"] = filters;
    o["root"] = Text(s.root);
    o["unit"] = s.unit;
    o["unit_count"] = s.unitCount;
    o["style"] = s.style;
    o["style_count"] = s.styleCount;
    o["pin_count"] = s.pinTotal;
    QJsonArray pins;
    for (const figure::Pin& p : f.pins) {
        QJsonObject j;
        j["number"] = Text(p.number);
        j["name"] = Text(p.name);
        j["type"] = Text(p.type);
        j["shape"] = Text(p.shape);
        j["x"] = Mm(f.Millimetres(p.at.x));
        j["y"] = Mm(f.Millimetres(p.at.y));
        j["angle"] = Mm(p.angle);
        j["length"] = Mm(f.Millimetres(p.length));
        j["unit"] = p.unit;
        j["style"] = p.style;
        j["hidden"] = p.hidden;
        pins.append(j);
    }
    o["pins"] = pins;
}

} // namespace

std::string FigureInfoJson(const figure::Figure& f) {
    QJsonObject o;
    o["name"] = Text(f.fields.name);
    o["description"] = Text(f.fields.description);
    o["tags"] = Text(f.fields.tags);
    QJsonArray attributes;
    for (const auto& a : f.fields.attributes) attributes.append(Text(a));
    o["attributes"] = attributes;
    o["format"] = FormatName(f.source);
    o["pad_count"] = f.padCount;
    double minX, maxX, minY, maxY;
    if (f.Extents(minX, maxX, minY, maxY)) {
        o["extents"] = QJsonArray{Mm(f.Millimetres(minX)), Mm(f.Millimetres(maxX)), Mm(f.Millimetres(minY)),
                                  Mm(f.Millimetres(maxY))};
    } else {
        o["extents"] = QJsonValue();
    }
    QJsonArray pads;
    for (const figure::Pad& p : f.pads) {
        QJsonObject j;
        j["number"] = Text(p.number);
        j["type"] = Text(PadTypeName(f, p));
        j["shape"] = Text(PadShapeName(f, p));
        j["x"] = Mm(f.PadMillimetres(p.at.x));
        j["y"] = Mm(f.PadMillimetres(p.at.y));
        j["angle"] = Mm(p.angle);
        j["w"] = Mm(f.PadMillimetres(p.w));
        j["h"] = Mm(f.PadMillimetres(p.h));
        if (p.hasDrill) {
            j["drill"] = QJsonObject{{"w", Mm(f.PadMillimetres(p.drillW))},
                                     {"h", Mm(f.PadMillimetres(p.drillH))},
                                     {"x", Mm(f.PadMillimetres(p.drillOffset.x))},
                                     {"y", Mm(f.PadMillimetres(p.drillOffset.y))}};
        } else {
            j["drill"] = QJsonValue();
        }
        QJsonArray layers;
        for (const auto& l : p.layers) layers.append(Text(l));
        j["layers"] = layers;
        pads.append(j);
    }
    o["pads"] = pads;
    if (f.source == figure::Source::Symbol) SymbolInfo(f, o);
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

} // namespace tarnel
