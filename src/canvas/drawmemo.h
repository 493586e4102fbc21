#pragma once
// Remembers drawing operations whose repeat cannot change a pixel, so that a
// file drawing the same big shape thousands of times pays for it once.
//
// It holds while every operation since the memory began is of one kind:
//  - all in mask mode: AND-ing is commutative and idempotent, so an operation
//    with the same geometry as one already drawn changes nothing when its
//    colours keep every bit the earlier ones kept;
//  - all in copy mode writing one and the same colour: each pixel of the
//    repeat already has that colour;
//  - one copy operation of several colours: only its immediate repeat.
// Any other operation (a text, a clear, a copy of pixels) ends the memory.
#include <QPoint>

#include <array>
#include <cstdint>
#include <vector>

namespace tarnel {

struct DrawOp {
    enum Kind : uint8_t { Line, Rect, Ellipse, Arc, PolygonFill };
    Kind kind = Line;
    bool solid = false;               // the brush paints the inside
    std::array<int32_t, 8> c{};       // coordinates, by kind
    const std::vector<QPoint>* pts = nullptr;  // PolygonFill only
    uint32_t pen = 0, brush = 0;      // 0xAARRGGBB as written into pixels
    bool usesPen = false, usesBrush = false;
    bool mask = false;
};

class DrawMemo {
public:
    // True when op, drawn now, would change no pixel.
    bool Redundant(const DrawOp& op) const;
    // op was drawn in full just now; remember it when worth looking up later.
    void Drawn(const DrawOp& op, bool remember);
    // Something the memory cannot account for touched the pixels.
    void Forget();

private:
    enum class Run { None, Mask, Copy, Single };
    struct Entry {
        uint64_t hash;
        DrawOp::Kind kind;
        bool solid;
        std::array<int32_t, 8> c;
        std::vector<QPoint> pts;
        uint32_t pen, brush;  // mask runs: the AND of the colours drawn so far
    };
    static uint64_t Hash(const DrawOp& op);
    static bool SameGeometry(const Entry& e, const DrawOp& op);
    static bool SingleColour(const DrawOp& op, uint32_t& colour);
    Entry* Find(const DrawOp& op, uint64_t h);
    const Entry* Find(const DrawOp& op, uint64_t h) const { return const_cast<DrawMemo*>(this)->Find(op, h); }
    void Insert(size_t index);

    Run run_ = Run::None;
    uint32_t runColour_ = 0;
    std::vector<Entry> entries_;
    std::vector<uint32_t> slots_;  // open addressing: entry index + 1, 0 when free
    size_t storedPoints_ = 0;
};

} // namespace tarnel
