#pragma once
// The drawing as a value: everything one legacy module, footprint or symbol
// draws, in the file's own units, in drawing order, with the pads and the
// fields beside it. Readers fill a figure; outputs (the raster view, SVG,
// PDF, the info text) read it and never the file.
//
// The geometry of items is kept exact in the units the drawing is computed
// in: decimils for legacy lines (a symbol's mils already drawn as 16
// decimils each, a millimetre library's numbers already converted), so that
// the raster draws exactly what it always drew; millimetres for current
// footprints and symbols. Pads keep the file's own numbers in the file's own
// units. Each figure says how its item numbers become the decimils the
// raster maps (RasterX/RasterY) and how long one unit is in millimetres.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnel::figure {

// Colours are 0x00BBGGRR, as on the canvas.
using Rgb = int32_t;

enum class Units : uint8_t { Decimil, Mil, Millimetre };

// How a figure's numbers become raster decimils.
enum class RasterScale : uint8_t {
    Decimil,      // as they are (legacy lines)
    Millimetre,   // x 10000 / 25.4, halves to even (current footprints)
    SymbolMm,     // x 16 / 0.0254, halves to even, Y turned over (current symbols)
};

// Where the figure came from; the raster keeps each reader's own ways.
enum class Source : uint8_t { LegacyLines, Footprint, Symbol };

struct Pt {
    double x = 0, y = 0;
};
inline Pt operator+(Pt a, Pt b) { return {a.x + b.x, a.y + b.y}; }
inline Pt operator-(Pt a, Pt b) { return {a.x - b.x, a.y - b.y}; }

// What an item is, for colours and for readers of the figure.
enum class Role : uint8_t {
    Pad,     // copper of a plated or connector pad
    Copper,  // component copper: SMD pads, copper graphics
    Body,    // outline graphics: silkscreen, fabrication, symbol bodies
    Hole,    // non-plated pads and other holes' pads
    Drill,   // the hole of a pad
    Text,
    Pin,
    Other,
};

// A colour slot: one of the four user colours, or a fixed colour.
struct Ink {
    enum Slot : uint8_t { Fixed, Pad, Comp, Body, Hole } slot = Fixed;
    Rgb rgb = 0;
    static Ink Of(Rgb c) { return {Fixed, c}; }
    bool operator==(const Ink&) const = default;
};

// The canvas state an item is drawn with. A part that is not set keeps what
// the canvas had (the legacy interpreter leaves pens and fonts to the next
// element, and a font colour even to the next drawing).
struct Paint {
    enum Part : uint8_t { kPen = 1, kBrush = 2, kMode = 4, kFont = 8 };
    uint8_t set = 0;  // the parts set
    Ink pen, brush, font;
    bool brushSolid = true;
    bool copyMode = false;  // else mask
};

enum class Kind : uint8_t {
    State,     // no drawing: only the paint changes
    Segment,   // points a, b
    Polyline,  // open, through the points
    Polygon,   // closed, through the points; filled when the brush is solid
    Rect,      // the box with corners a and b (a symbol rectangle, legacy "S")
    Circle,    // centre, radius; filled when the brush is solid
    Arc,       // centre, radius, start; sweep in degrees (see Item::sweep)
    Curve,     // cubic Bézier through four control points
    Text,
    Pad,       // the copper of pads[index], drawn as its outline says
    DrillHole, // the hole of pads[index], drawn as its outline says
    Pin,       // pins[index]
};

// How a pad's copper or hole is drawn.
enum class Outline : uint8_t {
    Polygon,     // the points, placed
    Circle,      // centre and radius
    Box,         // a rectangle with corners a and b (legacy)
    EllipseBox,  // the ellipse in the box with corners a and b (legacy)
};

// Horizontal and vertical justification of a text about its anchor.
enum class HAlign : uint8_t { Left, Centre, Right };
enum class VAlign : uint8_t { Top, Centre, Bottom };

// Where the raster puts a text (it draws every text level, at the canvas
// font's own size).
enum class TextPlacement : uint8_t {
    TopLeft,       // its top-left corner at the mapped anchor
    TopLeftBelow,  // the same, 20 pixels lower (a legacy module's name)
    Centred,       // centred on the mapped anchor
    // A current symbol's text box: lines left-aligned from 2 pixels right
    // of and below the mapped anchor.
    TopLeftInset,
};

struct Text {
    std::string text;
    double height = 0, width = 0;  // character size, figure units; 0 unknown
    double angle = 0;              // degrees, counter-clockwise as seen
    HAlign hAlign = HAlign::Centre;
    VAlign vAlign = VAlign::Centre;
    bool mirrored = false;
    std::string layer;
    bool isName = false;  // the reference, shown for "Só nome" too
    TextPlacement placement = TextPlacement::Centred;
};

// A pad as data, in the file's units (Figure::units).
struct Pad {
    std::string number;
    // "thru_hole", "smd", "connect", "np_thru_hole"; a legacy pad's "At"
    // attribute as written ("STD", "SMD", "CONN", "HOLE", …).
    std::string type;
    // "rect", "roundrect", "circle", "oval", "trapezoid", "custom"; a legacy
    // pad's "Sh" letter as written ("R", "C", "O", "T", …).
    std::string shape;
    Pt at;
    double angle = 0;  // degrees
    double w = 0, h = 0;
    bool hasDrill = false;
    double drillW = 0, drillH = 0;  // w == h: round
    Pt drillOffset;                 // moves the copper, not the hole
    std::vector<std::string> layers;
    bool copper = true;    // on a copper layer: drawn
    bool counted = false;  // adds to the pad count
    // Shape details of current footprints.
    double roundRatio = 0;
    unsigned chamferCorners = 0;  // bit 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right
    double chamferRatio = 0;
    double deltaX = 0, deltaY = 0;  // trapezoid
    bool anchorRect = false;        // custom pad anchor
    Role role = Role::Pad;
    Ink ink;  // its colour slot
};

// A byte range of a shown text drawn with a line over it.
struct Overbar {
    uint32_t from = 0, to = 0;
};

// A pin of a legacy symbol line ("X") or of a current symbol, as data.
struct Pin {
    std::string name, number;
    Pt at;              // connection point
    double length = 0;  // figure units
    char orientation = 0;  // 'L', 'R', 'U', 'D'; anything else has no line
    std::string type, shape;  // electrical type, graphic shape as written
    int unit = 0, style = 0;
    bool hidden = false;
    bool zeroLengthText = false;  // texts in the colour of a zero-length pin
    // Current symbols: the direction from the connection point to the body
    // in degrees (0, 90, 180, 270, counter-clockwise in the file's frame),
    // and how the texts and marks are drawn.
    double angle = 0;
    double markSize = 0;     // half the number's text height, figure units
    double nameOffset = 0;   // figure units; not above 0: names outside
    bool nameShown = false, numberShown = false;
    std::string nameText, numberText;  // as shown
    std::vector<Overbar> nameOver, numberOver;
};

struct Item {
    Kind kind = Kind::State;
    Role role = Role::Other;
    Paint paint;
    // Points of the drawing: first..first+count in Figure::points.
    uint32_t first = 0, count = 0;
    // Points that widen the extents: extFirst..extFirst+extCount in
    // Figure::extentPoints.
    uint32_t extFirst = 0, extCount = 0;
    double radius = 0;      // Circle, Arc, a round outline
    // Arc: degrees from the start, positive clockwise as seen on a drawing
    // with Y down (counter-clockwise as seen on a symbol, which is turned
    // over); points are the centre and the start.
    double sweep = 0;
    Outline outline = Outline::Polygon;  // Pad, DrillHole
    double strokeWidth = 0; // figure units; 0 unknown or the thinnest
    bool filled = false;
    uint32_t index = 0;     // Text: texts; Pad, DrillHole: pads; Pin: pins
    uint8_t flags = 0;
    std::string layer;
};

// Item flags.
enum : uint8_t {
    // Drawn by the raster only: a legacy round pad painted again over its
    // hole, which changes pixels only in copy mode.
    kRasterOnly = 1,
    // A legacy polyline whose closing point was reserved but not given: its
    // last point is the canvas's top-left pixel.
    kTailAtPixelOrigin = 2,
    // A legacy arc: points are centre, start and the computed end, and the
    // canvas draws counter-clockwise from the end to the start.
    kLegacyArc = 4,
    // A custom pad's curve primitive: its control points are in the frame
    // of pads[index], which places them.
    kPlacedByPad = 8,
    // Part of the drawing of pads[index] (a custom pad's primitive).
    kOfPad = 16,
    // The extent points are the item's own points, in order.
    kPointsAreExtents = 32,
    // A current symbol's item drawn without its outline (a negative stroke
    // width): only its fill shows.
    kNoOutline = 64,
};

struct Fields {
    std::string name;
    std::string description;
    std::string tags;  // footprint tags, symbol keywords
    // "smd", "through_hole", "virtual", … as the file says; empty for none.
    std::vector<std::string> attributes;
    std::string definition;  // a legacy DEF's token 8
    std::string alias;       // the last ALIAS line
};

// What a current symbol's view shows, beside its items.
struct SymbolView {
    int unit = 1, style = 1;            // drawn
    int unitCount = 1, styleCount = 1;
    std::vector<std::string> styleNames;  // "Normal", "De Morgan" or the file's own
    int pinsDrawn = 0;  // visible pins of the unit and style drawn
    int pinTotal = 0;   // every pin of every unit in body style 1, hidden ones too
    std::string root;   // the symbol whose items are drawn
    std::vector<std::string> parents;  // the extends chain, nearest first
    std::string footprint;
    std::vector<std::string> footprintFilters;
};

struct Figure {
    Source source = Source::LegacyLines;
    Units units = Units::Decimil;  // of the file, and of the pads' numbers
    RasterScale raster = RasterScale::Decimil;  // of item geometry
    double mmPerUnit = 0.00254;    // millimetres in one unit of item geometry
    double version = 0;  // a current file's format version

    std::vector<Item> items;
    std::vector<Pt> points;
    std::vector<Pt> extentPoints;
    std::vector<Text> texts;
    std::vector<Pad> pads;
    std::vector<Pin> pins;
    Fields fields;
    int32_t padCount = 0;
    SymbolView symbol;  // current symbols only

    void Clear();

    // Points of an item.
    const Pt* PointsOf(const Item& it) const { return points.data() + it.first; }
    const Pt* ExtentsOf(const Item& it) const { return extentPoints.data() + it.extFirst; }

    // Raster decimils of a figure number.
    int64_t RasterX(double v) const;
    int64_t RasterY(double v) const;

    // Millimetres of an item number, and of a pad number.
    double Millimetres(double v) const { return v * mmPerUnit; }
    double PadMillimetres(double v) const;

    // The bounds of every extent point, in figure units; false when there is
    // none.
    bool Extents(double& minX, double& maxX, double& minY, double& maxY) const;
};

// Builds items into a figure.
class FigureBuilder {
public:
    explicit FigureBuilder(Figure& f) : f_(f) {}
    // Starts an item; its points and extent points follow.
    Item& Begin(Kind kind, Role role, const Paint& paint);
    void Point(Pt p);
    void Extent(Pt p);
    // Adds the item's own points as extent points too.
    void ExtentsFromPoints();
    Item& Current() { return f_.items.back(); }

private:
    Figure& f_;
};

// What a reader leaves out of a figure, as the view asks.
struct ReadOptions {
    int textMode = 2;       // 0 no texts, 1 the name only, 2 all
    bool drawArcs = true;   // outline arcs
    int unit = 1, style = 1;  // of a current symbol
};

// A pad's type and shape in current KiCad words, a legacy pad's included
// ("STD" is "thru_hole", "R" is "rect", …).
std::string PadTypeName(const Figure& f, const Pad& p);
std::string PadShapeName(const Figure& f, const Pad& p);

// Role names as outputs print them: "pad", "copper", "body", "hole",
// "drill", "text", "pin", "other".
std::string_view RoleName(Role r);

} // namespace tarnel::figure
