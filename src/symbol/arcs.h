#pragma once
// What a current symbol's arc draws. Three points on the arc, or (files
// before 20211014) a centre and two ends; files of 6.0-era versions had some
// arcs rewritten as they were read, and those are drawn as rewritten.
#include "figure/figure.h"

#include <vector>

namespace tarnel::symbol {

using figure::Pt;

// Arcs of files up to this version are rewritten: a half circle is drawn at
// 179.5 degrees, a longer arc as the rest of its circle.
constexpr double kArcFixUpUntil = 20230121;

struct ArcShape {
    enum Kind { Dot, Segments, Arc } kind = Dot;
    Pt s, m, e;  // Dot: s; Segments: s-m-e; Arc: its ends s and e
    Pt centre;
    double radius = 0;
    double sweep = 0;  // degrees from s, counter-clockwise in the file's frame; 360: the whole circle
    // The points that widen the extents.
    std::vector<Pt> Extents() const;
};

// "(arc (start s) (mid m) (end e))" in a file of the given version.
ArcShape ArcThroughPoints(Pt s, Pt m, Pt e, double version);
// "(arc (start s) (end e) (radius (at c) …))": the arc about c of at most
// 180 degrees from s to e, counter-clockwise at exactly 180.
ArcShape ArcAboutCentre(Pt s, Pt e, Pt c);

} // namespace tarnel::symbol
