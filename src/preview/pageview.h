#pragma once
// The page display of the preview window: one page picture on a sheet with
// outline and shadow, zoomed and scrolled.
#include "preview/core/previewlogic.h"

#include <QAbstractScrollArea>
#include <functional>
#include <optional>
#include <string>

namespace tarnel {

class PageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit PageView(QWidget* parent = nullptr);

    // Where the pictures come from: the count of pages opened so far, page n
    // (1-based) when it is available, and how a picture is painted.
    std::function<int()> PageCount;
    std::function<std::optional<std::string>(int)> FetchPage;
    std::function<void(QPainter&, const QRect&, const std::string&)> PaintPicture;

    // Binds to a new source: page 1, no picture yet.
    void Bind();
    void Unbind();
    int Zoom() const { return logic_.Zoom; }
    void SetZoom(int z);
    int PageNumber() const { return page_; }
    void SetPageNumber(int n);
    void ZoomToFit();
    void ZoomToWidth();
    void SetPaper(double widthTenthsMm, double lengthTenthsMm, double f);
    bool HasPicture() const { return picture_.has_value(); }
    // Refetches the shown page (after a load).
    void Redraw();
    const PageViewLogic& Logic() const { return logic_; }

public slots:
    // The recorder's page-available notification (n = available pages).
    void PageAvailable(int n);

signals:
    void OnPageAvailable(int n);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void Layout();
    PageViewLogic logic_;
    bool bound_ = false;
    int page_ = 1;
    std::optional<std::string> picture_;
};

} // namespace tarnel
