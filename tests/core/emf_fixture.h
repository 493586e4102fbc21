#pragma once
// Sample pages drawn through a PageCanvas, for the picture and page stream
// tests.
#include "report/emf.h"
#include "report/pagecanvas.h"
#include "util/littleendian.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace tarnel::testing_emf {

constexpr int kA4W = 794, kA4H = 1123;

inline QFont SampleFont(int px = 16) {
    QFont f("Arial");
    f.setPixelSize(px);
    return f;
}

// A 5 x 3 bitmap with a different colour in every pixel.
inline QImage SampleBitmap() {
    QImage img(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) img.setPixel(x, y, qRgb(40 * x + 20, 80 * y + 10, 200 - 30 * x));
    return img;
}

// Boxes where text is drawn; pixels elsewhere must match exactly.
struct SampleLayout {
    std::vector<QRect> textBoxes;
};

// Fills (with edges that touch, to show the excluded right and bottom
// edges), transparent, opaque and clipped text, a stretched and an unstretched
// bitmap. variant changes the texts and one colour so pages differ.
inline SampleLayout DrawSample(PageCanvas& c, int variant = 0) {
    SampleLayout l;
    const QRect page(QPoint(0, 0), c.PageSize());
    c.FillRect(QRect(10, 10, 100, 50), kRed);
    c.FillRect(QRect(110, 10, 1, 50), kBlue);   // starts where the red one ends
    c.FillRect(QRect(10, 60, 100, 1), kGreen);  // just under it
    c.FillRect(QRect(120, 10, 30, 30), static_cast<Color>(0x102030 + variant * 0x010101));
    c.FillRect(QRect(0, c.PageSize().height() - 3, c.PageSize().width(), 3), kTeal);  // along the bottom edge
    const QFont f = SampleFont();
    const QString texts[] = {QStringLiteral("Hello R1 \u00B5F WAVE"), QStringLiteral("Página %1").arg(variant + 1),
                             QStringLiteral("Clipped text runs past its box")};
    c.DrawText(20, 100, texts[0], f, kBlack, page, false, kWhite);
    l.textBoxes.push_back(QRect(18, 98, 260, 26));
    c.DrawText(20, 130, texts[1], f, kBlue, page, true, 0x00FFFF);
    l.textBoxes.push_back(QRect(18, 128, 200, 26));
    c.DrawText(20, 160, texts[2], f, kBlack, QRect(20, 160, 60, 12), true, 0xE0E0E0);
    l.textBoxes.push_back(QRect(20, 160, 60, 12));
    QFont bold = SampleFont(11);
    bold.setBold(true);
    c.DrawText(300, 100, QStringLiteral("Bold %1").arg(variant), bold, kGreen, page, false, kWhite);
    l.textBoxes.push_back(QRect(298, 98, 120, 20));
    c.DrawImage(QRect(200, 10, 50, 30), SampleBitmap());
    c.DrawImage(QRect(300, 10, 5, 3), SampleBitmap());
    return l;
}

inline std::string SampleEmf(int variant = 0, QSize size = QSize(kA4W, kA4H)) {
    EmfRecorder r(size);
    DrawSample(r, variant);
    return r.Finish();
}

// (type, offset) of every record of a well-formed picture.
inline std::vector<std::pair<uint32_t, size_t>> Records(const std::string& emf) {
    std::vector<std::pair<uint32_t, size_t>> out;
    size_t off = 0;
    while (off + 8 <= emf.size()) {
        const uint32_t type = GetLE32(emf, off), size = GetLE32(emf, off + 4);
        out.emplace_back(type, off);
        if (size < 8) break;
        off += size;
    }
    return out;
}

inline size_t FirstRecord(const std::string& emf, uint32_t type) {
    for (auto& [t, off] : Records(emf))
        if (t == type) return off;
    return std::string::npos;
}

} // namespace tarnel::testing_emf
