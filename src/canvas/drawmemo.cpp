#include "canvas/drawmemo.h"

#include <algorithm>
#include <bit>

namespace tarnel {

namespace {
// Past these the memory stops growing; it stays right, only less useful.
constexpr size_t kMostEntries = 1 << 18;
constexpr size_t kMostPoints = 1 << 22;
constexpr uint32_t kAllBits = 0xFFFFFFFFu;

// A colour the operation does not use counts as all bits.
uint32_t Used(bool used, uint32_t colour) { return used ? colour : kAllBits; }

uint64_t Mix(uint64_t h, uint64_t v) {
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    return h * 0xFF51AFD7ED558CCDull;
}
} // namespace

uint64_t DrawMemo::Hash(const DrawOp& op) {
    uint64_t h = Mix(op.kind, op.solid);
    for (int32_t v : op.c) h = Mix(h, static_cast<uint32_t>(v));
    if (op.pts) {
        h = Mix(h, op.pts->size());
        for (const QPoint& p : *op.pts)
            h = Mix(h, (uint64_t{static_cast<uint32_t>(p.x())} << 32) | static_cast<uint32_t>(p.y()));
    }
    return h ^ (h >> 31);  // the table indexes by the low bits
}

bool DrawMemo::SameGeometry(const Entry& e, const DrawOp& op) {
    if (e.kind != op.kind || e.solid != op.solid || e.c != op.c) return false;
    if (!op.pts) return e.pts.empty();
    return e.pts == *op.pts;
}

DrawMemo::Entry* DrawMemo::Find(const DrawOp& op, uint64_t h) {
    if (slots_.empty()) return nullptr;
    const size_t mask = slots_.size() - 1;
    for (size_t i = h & mask; slots_[i]; i = (i + 1) & mask) {
        Entry& e = entries_[slots_[i] - 1];
        if (e.hash == h && SameGeometry(e, op)) return &e;
    }
    return nullptr;
}

void DrawMemo::Insert(size_t index) {
    if (2 * entries_.size() > slots_.size()) {
        slots_.assign(std::bit_ceil(std::max<size_t>(64, 4 * entries_.size())), 0);
        for (size_t k = 0; k < entries_.size(); ++k) {
            if (k == index) continue;
            size_t i = entries_[k].hash & (slots_.size() - 1);
            while (slots_[i]) i = (i + 1) & (slots_.size() - 1);
            slots_[i] = static_cast<uint32_t>(k + 1);
        }
    }
    size_t i = entries_[index].hash & (slots_.size() - 1);
    while (slots_[i]) i = (i + 1) & (slots_.size() - 1);
    slots_[i] = static_cast<uint32_t>(index + 1);
}

bool DrawMemo::SingleColour(const DrawOp& op, uint32_t& colour) {
    if (op.usesPen && op.usesBrush && op.pen != op.brush) return false;
    colour = op.usesPen ? op.pen : op.brush;
    return true;
}

bool DrawMemo::Redundant(const DrawOp& op) const {
    if (op.mask) {
        // AND-ing all bits changes nothing, whatever came before.
        if ((!op.usesPen || op.pen == kAllBits) && (!op.usesBrush || op.brush == kAllBits)) return true;
        if (run_ != Run::Mask) return false;
        const Entry* e = Find(op, Hash(op));
        return e && (!op.usesPen || (e->pen & op.pen) == e->pen) && (!op.usesBrush || (e->brush & op.brush) == e->brush);
    }
    uint32_t colour;
    if (SingleColour(op, colour)) {
        if (run_ != Run::Copy || runColour_ != colour) return false;
    } else if (run_ != Run::Single) {
        return false;
    }
    const Entry* e = Find(op, Hash(op));
    return e && (run_ == Run::Copy || (e->pen == Used(op.usesPen, op.pen) && e->brush == Used(op.usesBrush, op.brush)));
}

void DrawMemo::Drawn(const DrawOp& op, bool remember) {
    uint32_t colour = 0;
    if (op.mask) {
        if (run_ != Run::Mask) {
            Forget();
            run_ = Run::Mask;
        }
    } else if (SingleColour(op, colour)) {
        if (run_ != Run::Copy || runColour_ != colour) {
            Forget();
            run_ = Run::Copy;
            runColour_ = colour;
        }
    } else {
        Forget();
        run_ = Run::Single;
    }
    if (!remember) return;
    const uint64_t h = Hash(op);
    const uint32_t pen = Used(op.usesPen, op.pen), brush = Used(op.usesBrush, op.brush);
    if (Entry* e = Find(op, h)) {
        e->pen &= pen;
        e->brush &= brush;
        return;
    }
    const size_t n = op.pts ? op.pts->size() : 0;
    if (entries_.size() >= kMostEntries || storedPoints_ + n > kMostPoints) return;
    entries_.push_back(Entry{h, op.kind, op.solid, op.c, op.pts ? *op.pts : std::vector<QPoint>{}, pen, brush});
    Insert(entries_.size() - 1);
    storedPoints_ += n;
}

void DrawMemo::Forget() {
    run_ = Run::None;
    if (entries_.empty()) return;
    entries_.clear();
    if (slots_.size() > 1024) {
        entries_.shrink_to_fit();
        slots_ = {};
    } else {
        std::fill(slots_.begin(), slots_.end(), 0);
    }
    storedPoints_ = 0;
}

} // namespace tarnel
