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
    std::atomic<int64_t> done{0};   // footprints read or drawn
    std::atomic<int64_t> total{0};  // known once the libraries are listed
    std::atomic<bool> cancel{false};
};

} // namespace tarnel::book
