#pragma once
// Generates footprint libraries shaped like real ones (dual-row and
// quad packages, connectors with round pads, outlines with circles and
// arcs), for benchmarks.
#include <cstdio>
#include <random>
#include <string>

namespace tarnel::bench {

inline std::string GenerateModule(int index, std::mt19937& rng) {
    std::string m;
    char buf[256];
    const std::string name = "GEN_" + std::to_string(index);
    m += "$MODULE " + name + "\r\nPo 0 0 0 15 00000000 00000000 ~~\r\nLi " + name + "\r\n";
    m += "Cd generated footprint number " + std::to_string(index) + "\r\nKw GEN\r\nSc 00000000\r\nOp 0 0 0\r\n";
    std::snprintf(buf, sizeof buf, "T0 0 -900 600 600 0 120 N V 21 \"%s\"\r\nT1 0 900 600 600 0 120 N V 21 \"VAL**\"\r\n",
                  name.c_str());
    m += buf;
    const int kind = static_cast<int>(rng() % 3);
    const int pins = 8 + static_cast<int>(rng() % 33);  // 8..40
    const int half = pins / 2;
    const int pitch = 1000;
    const int w = half * pitch / 2 + 500;
    std::snprintf(buf, sizeof buf, "DS %d -600 %d -600 150 21\r\nDS %d -600 %d 600 150 21\r\nDS %d 600 %d 600 150 21\r\nDS %d 600 %d -600 150 21\r\n",
                  -w, w, w, w, w, -w, -w, -w);
    m += buf;
    if (kind == 1) {
        std::snprintf(buf, sizeof buf, "DC %d 0 %d 0 150 21\r\n", -w + 300, -w + 450);
        m += buf;
    }
    if (kind == 2) {
        std::snprintf(buf, sizeof buf, "DA 0 0 %d 0 1800 150 21\r\n", w / 2);
        m += buf;
    }
    for (int p = 0; p < pins; ++p) {
        const int row = p < half ? 0 : 1;
        const int col = row == 0 ? p : pins - 1 - p;
        const int x = -w + 500 + col * pitch / 2;
        const int y = row == 0 ? 1500 : -1500;
        const bool smd = kind == 0;
        m += "$PAD\r\n";
        std::snprintf(buf, sizeof buf, "Sh \"%d\" %s %d %d 0 0 0\r\n", p + 1, smd ? "R" : (p == 0 ? "R" : "C"),
                      smd ? 300 : 600, smd ? 800 : 600);
        m += buf;
        m += smd ? "Dr 0 0 0\r\nAt SMD N 00888000\r\n" : "Dr 320 0 0\r\nAt STD N 00E0FFFF\r\n";
        std::snprintf(buf, sizeof buf, "Ne 0 \"\"\r\nPo %d %d\r\n$EndPAD\r\n", x, y);
        m += buf;
    }
    m += "$EndMODULE " + name + "\r\n";
    return m;
}

inline std::string GenerateLibrary(int modules, unsigned seed, int firstIndex = 0) {
    std::mt19937 rng(seed);
    std::string lib = "PCBNEW-LibModule-V1  01/01/2026-00:00:00\r\n$INDEX\r\n";
    for (int i = 0; i < modules; ++i) lib += "GEN_" + std::to_string(firstIndex + i) + "\r\n";
    lib += "$EndINDEX\r\n";
    for (int i = 0; i < modules; ++i) lib += GenerateModule(firstIndex + i, rng);
    lib += "$EndLIBRARY\r\n";
    return lib;
}

} // namespace tarnel::bench
