#include "report/emf.h"

#include <gtest/gtest.h>

using namespace tarnel;

// Frame strips one pixel wide stay visible when a page is replayed smaller,
// as the preview shows whole pages.
TEST(EmfReduced, ThinFillsSurviveAReduction) {
    EmfRecorder rec(QSize(794, 1123));
    for (int x = 100; x < 700; x += 37) rec.FillRect(QRect(x, 100, 1, 800), kBlack);
    const std::string emf = rec.Finish();
    for (double scale : {0.6, 0.45, 0.3}) {
        std::string err;
        const QSize size(static_cast<int>(794 * scale), static_cast<int>(1123 * scale));
        QImage img = RenderEmf(emf, size, &err);
        ASSERT_FALSE(img.isNull()) << err;
        const int y = static_cast<int>(500 * scale);
        int strips = 0;
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128 && (x == 0 || qGray(img.pixel(x - 1, y)) >= 128)) ++strips;
        EXPECT_EQ(strips, 17) << scale;
    }
}
