#pragma once
// Facts of the enhanced metafile format that the recorder writes and the
// player reads: record types, the header, stock objects, modes and flags.
#include <cstdint>

namespace tarnel::emf {

// Record types.
// Record types.
enum : uint32_t {
    EMR_HEADER = 1,
    EMR_EOF = 14,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETROP2 = 20,
    EMR_SETSTRETCHBLTMODE = 21,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_SETBKCOLOR = 25,
    EMR_MOVETOEX = 27,
    EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_RECTANGLE = 43,
    EMR_LINETO = 54,
    EMR_FILLRGN = 71,
    EMR_BITBLT = 76,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTW = 84,
};

constexpr uint32_t kSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kHeaderSize = 108;        // with the pixel format and micrometre fields
constexpr uint32_t kMinHeaderSize = 88;
constexpr uint32_t kStockBit = 0x80000000u;
constexpr uint32_t kWhiteBrush = 0x80000000u, kNullBrush = 0x80000005u, kBlackBrush = 0x80000004u;
constexpr uint32_t kWhitePen = 0x80000006u, kBlackPen = 0x80000007u, kNullPen = 0x80000008u;
constexpr uint32_t kDeviceDefaultFont = 0x8000000Eu;
constexpr uint32_t TRANSPARENT = 1, OPAQUE = 2;
constexpr uint32_t TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24;
constexpr uint32_t ETO_OPAQUE = 0x2, ETO_CLIPPED = 0x4, ETO_GLYPH_INDEX = 0x10, ETO_PDY = 0x2000;
constexpr uint32_t SRCCOPY = 0x00CC0020, PATCOPY = 0x00F00021;
constexpr int kDpi = 96;

} // namespace tarnel::emf
