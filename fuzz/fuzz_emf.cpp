// The page picture player on arbitrary bytes: checked, measured, and played
// onto a small image and a stretched target.
#include "report/emf.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    const bool ok = tarnel::ValidateEmf(bytes, &error);
    (void)tarnel::EmfNominalSize(bytes);
    (void)tarnel::EmfDeclaredLength(bytes);
    const QImage img = tarnel::RenderEmf(bytes, QSize(64, 48), &error);
    if (ok != !img.isNull()) __builtin_trap();
    if (ok) {
        QImage big(200, 100, QImage::Format_RGB32);
        big.fill(Qt::white);
        QPainter p(&big);
        tarnel::PlayEmf(bytes, p, QRectF(-20, 10, 300, 40), &error);
    }
    return 0;
}
