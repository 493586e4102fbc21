#include "report/previewprovider.h"

namespace tarnel {

namespace {
PreviewProvider* provider = nullptr;
}

void RegisterPreviewProvider(PreviewProvider* p) { provider = p; }
PreviewProvider* RegisteredPreviewProvider() { return provider; }

} // namespace tarnel
