#pragma once
// Plane geometry of footprint shapes, in millimetres with Y growing downward
// as in the files: rotations, arcs, and the outlines of pad shapes.
#include "figure/figure.h"

#include <optional>
#include <vector>

namespace tarnel::footprint {

using figure::Pt;

// A pad's or text's rotation by a degrees: (u, v) -> (u cos a + v sin a,
// -u sin a + v cos a), counter-clockwise as seen on the drawing.
Pt Rotate(Pt p, double degrees);

// A point of a shape's own frame moved by offset, turned by angle and moved
// to position: how pads place their shapes.
inline Pt Place(Pt p, Pt offset, Pt position, double angle) { return Rotate(p + offset, angle) + position; }

// Axis-aligned bounds; empty until something is added.
struct Box {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool empty = true;
    void Add(Pt p);
    void AddCircle(Pt c, double r);
    void Add(const Box& b);
};

// An arc: centre, radius, first end point and a sweep in degrees, positive in
// the direction of x' = x cos A - y sin A, y' = x sin A + y cos A applied to
// the file's numbers (clockwise as seen on the drawing).
struct Arc {
    Pt centre;
    double radius = 0;
    Pt start;
    double sweep = 0;  // |sweep| == 360: the full circle
    Pt End() const;
    // The end points and every point at 0, 90, 180 or 270 degrees around
    // the centre that lies on the arc.
    std::vector<Pt> ExtentPoints() const;
};

// Centre, first end and sweep as old files write them. A sweep past 360
// counts modulo 360 toward zero, sign kept; a nonzero multiple of 360 is the
// full circle.
Arc ArcFromCentre(Pt centre, Pt start, double sweepDegrees);
// Three points on the arc; start == end gives the full circle through start
// and mid. Nothing for three distinct points on one line.
std::optional<Arc> ArcThrough(Pt start, Pt mid, Pt end);

// Points of the cubic Bezier curve, its ends included.
std::vector<Pt> BezierPoints(Pt p0, Pt p1, Pt p2, Pt p3, int segments = 32);

// An outline in a pad's own frame: a polygon, or a circle when round.
struct Outline {
    std::vector<Pt> polygon;
    bool round = false;
    Pt centre;
    double radius = 0;
    // Exact bounds once placed by place(): corner circles and points.
    struct Disc {
        Pt c;
        double r;
    };
    std::vector<Disc> bounds;
};

// The w x h rectangle with corner radius r (clamped to half the shorter
// side); the corners named in chamfered (bit 0 top-left, 1 top-right,
// 2 bottom-left, 3 bottom-right) are cut by chamfer instead, and stay sharp
// when chamfer is 0.
Outline RoundRectOutline(double w, double h, double r, unsigned chamfered, double chamfer);
// The w x h rectangle with semicircular ends on its shorter sides; a circle
// when w == h.
Outline OvalOutline(double w, double h);
Outline CircleOutline(double diameter);
Outline PolygonOutline(std::vector<Pt> pts);

} // namespace tarnel::footprint
