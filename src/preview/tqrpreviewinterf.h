#pragma once
// The preview provider the program registers: every report preview opens in
// a new preview window.
#include "preview/Demopre.h"
#include "preview/dialogs.h"
#include "report/pagereport.h"

#include <QSizeF>

#include <functional>
#include <optional>
#include <memory>
#include <string>

namespace tarnel {

// The preview window's view of a page recorder.
class RecorderView : public PreviewRecorder {
public:
    // Puts itself on the recorder as its page display: the recorder's
    // announcements reach the window through OnPageAvailable.
    explicit RecorderView(std::shared_ptr<PageRecorder> recorder);
    ~RecorderView() override;
    int PageCount() const override;
    std::optional<std::string> Page(int n) const override;
    std::string Title() const override;
    double PaperWidth() const override;
    double PaperLength() const override;
    double Factor() const override;
    bool Finished() const override;
    bool Running() const override;
    void ClosePreview() override;
    bool Save(const std::string& path) override;
    void Load(const std::string& path) override;
    const PageSource* Pages() const override;

private:
    std::optional<QSizeF> LoadedPaper() const;
    std::shared_ptr<PageRecorder> rec_;
    mutable std::unique_ptr<PageListSource> source_;
};

// Shows a message over the preview window opened last while it is open,
// otherwise over fallback: the end of a run is told where the user watches
// it, without raising the main window over the preview.
std::function<void(const std::string&)> MessageOverPreview(QWidget* fallback, UiDialogs::Icon icon);

// Paints a page picture stretched into rect.
void PaintPagePicture(QPainter& p, const QRect& rect, const std::string& emf);

class tqrpreviewinterf : public PreviewProvider {
public:
    void Show(std::shared_ptr<PageRecorder> recorder) override;
    void ShowModal(std::shared_ptr<PageRecorder> recorder) override;
    // The window opened last (for tests).
    static TPrevForm* LastWindow();

private:
    TPrevForm* Make(std::shared_ptr<PageRecorder> recorder);
};

} // namespace tarnel
