#pragma once
// How a run's pages are drawn: a canvas for each new page, and the picture
// bytes of a finished one.
#include "report/pagecanvas.h"

#include <QSize>
#include <memory>
#include <string>

namespace tarnel {

// Makes the canvas of each new page and turns a finished one into its
// picture bytes (EMF).
class PageMaker {
public:
    virtual ~PageMaker() = default;
    virtual std::unique_ptr<PageCanvas> Open(QSize pagePixels) = 0;
    virtual std::string Close(PageCanvas& page) = 0;
};

// Pages recorded by EmfRecorder.
class EmfPageMaker : public PageMaker {
public:
    std::unique_ptr<PageCanvas> Open(QSize pagePixels) override;
    std::string Close(PageCanvas& page) override;
};

} // namespace tarnel
