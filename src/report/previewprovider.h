#pragma once
// How a preview window is opened for a recorder; the main window registers
// one at start-up.
#include <memory>

namespace tarnel {

class PageRecorder;

// Show puts the window's page display on the recorder (PageRecorder::Display),
// shows it without blocking and returns; the window calls ClosePreview when
// it closes.
class PreviewProvider {
public:
    virtual ~PreviewProvider() = default;
    virtual void Show(std::shared_ptr<PageRecorder> recorder) = 0;
    virtual void ShowModal(std::shared_ptr<PageRecorder> recorder) = 0;
};
void RegisterPreviewProvider(PreviewProvider* provider);
PreviewProvider* RegisteredPreviewProvider();

} // namespace tarnel
