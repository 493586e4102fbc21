#include "report/pagemaker.h"

#include "report/emfrecorder.h"

namespace tarnel {

std::unique_ptr<PageCanvas> EmfPageMaker::Open(QSize pagePixels) { return std::make_unique<EmfRecorder>(pagePixels); }

std::string EmfPageMaker::Close(PageCanvas& page) { return static_cast<EmfRecorder&>(page).Finish(); }

} // namespace tarnel
