#pragma once
// Page pictures in the Windows enhanced metafile format: the recorder that
// turns the page engine's drawing into EMF records.
#include "report/pagecanvas.h"

#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <string>

namespace tarnel {

// Records a page of pagePixels (A4 at 96 dpi: 794 x 1123). Coordinates are
// page pixels (MM_TEXT); the header's frame is the page size in 0.01 mm at
// 96 pixels per inch.
class EmfRecorder : public PageCanvas {
public:
    explicit EmfRecorder(QSize pagePixels);
    ~EmfRecorder() override;

    QSize PageSize() const override { return size_; }
    void FillRect(const QRect& r, Color c) override;
    void DrawText(int x, int y, const QString& text, const QFont& font, Color color, const QRect& clip,
                  bool opaque, Color background) override;
    void DrawImage(const QRect& dest, const QImage& img) override;

    // Closes the picture: deletes its objects, writes EOF, fixes up the
    // header and returns the bytes. The recorder then starts a new, empty
    // picture of the same size.
    std::string Finish();

private:
    void Begin();
    void Record(uint32_t type, const std::string& body);
    void SelectFont(const QFont& font);
    void SelectObject(uint32_t slot);
    void DeleteObject(uint32_t slot, uint32_t stock);
    void RenewSlot(uint32_t& held, uint32_t slot, uint32_t stock);
    void SelectBrush(Color c);
    void PatCopy(int32_t l, int32_t t, int32_t r, int32_t b);

    QSize size_;
    std::string out_;
    uint32_t records_ = 0;
    uint32_t handles_ = 1;  // slot 0 is the metafile itself
    uint32_t brush_ = 0;     // handle of the cached solid brush, 0 when none
    Color brushColor_ = 0;
    uint32_t font_ = 0;      // handle of the selected font, 0 when none
    QString fontKey_;
    Color textColor_ = -1;
    Color bkColor_ = -1;
    bool finished_ = false;
};

} // namespace tarnel
