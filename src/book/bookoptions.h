#pragma once
// What a vector catalog is asked to be.
#include "output/rasterdevice.h"

#include <atomic>
#include <cstdint>

namespace tarnel::book {

enum class Paper { A4, Letter };

struct BookOptions {
    Paper paper = Paper::A4;
    // Every footprint at true size, packed on the pages ("Escala 1:1"),
    // instead of one cell each ("Ajustar à célula").
    bool trueScale = false;
    bool padNumbers = true;
    Palette colours;
};

// Watched by a window while a catalog is written, from another thread.
struct BookProgress {
    // Known once the libraries are listed: the footprints, and the steps of
    // the run (at true size each footprint is measured first, then drawn).
    std::atomic<int64_t> footprints{0};
    std::atomic<int64_t> total{0};
    std::atomic<int64_t> done{0};  // steps done
    std::atomic<bool> cancel{false};
};

} // namespace tarnel::book
