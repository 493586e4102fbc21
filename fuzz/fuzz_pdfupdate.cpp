#include "bodies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarnel::fuzz::PdfUpdate(data, size);
    return 0;
}
