#pragma once
// A PDF 1.4 writer for pages of raster images. The whole file is built in
// memory; image objects wait in a private temporary folder until EndDoc,
// because they must follow the page tree whose numbers are known only then.
#include <QDateTime>
#include <QImage>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>


namespace tarnel {

// Stored by the writer; nothing reads it.
struct TPDFFont {
    uint8_t Name = 4;
    int Size = 12;
};

// The fixed 256-colour palette bitmaps are reduced to. It holds the program's
// drawing colours exactly (black, white, 0x008000, 0x0000FF, 0xFF0000,
// 0x008080, 0x808000) besides a 6x6x6 colour cube and a grey ramp.
const std::array<QRgb, 256>& HalftonePalette();

// The bitmap as 8 bits per pixel: an indexed bitmap stays as it is, any other
// is matched to the nearest colour of HalftonePalette (no dithering, so the
// drawing colours come through unchanged).
QImage ToHalftone8(const QImage& bitmap);

// zlib format at zlib's default level.
std::string Deflate(const std::string& data);

// Baseline colour JPEG of the bitmap at the given quality.
std::string EncodeJpeg(const QImage& bitmap, int quality = 90);

// Writes bytes to path through a temporary file beside it that is renamed
// over the target, so a failure leaves any existing file as it was.
void SaveFileReplacing(const std::string& path, const std::string& bytes);

class TPrintPDF {
public:
    // rx, ry: the screen's pixels per inch at which the bitmaps were drawn.
    explicit TPrintPDF(double rx = 96, double ry = 96);
    ~TPrintPDF();
    TPrintPDF(const TPrintPDF&) = delete;
    TPrintPDF& operator=(const TPrintPDF&) = delete;

    std::string FileName;
    std::string TITLE;
    int PageWidth = 612;
    int PageHeight = 792;
    int LineWidth = 1;
    std::string Author;
    std::string Creator;
    std::string Keywords;
    std::string Subject;
    std::string Producer;
    TPDFFont Font;
    bool Compress = true;
    double Rx, Ry;
    // The clock for /CreationDate; tests fix it.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

    int PageNumber() const { return pageNumber_; }

    void BeginDoc();
    // Converts the caller's bitmap to 8 bits per pixel.
    void DrawBitmap(int x, int y, QImage& bitmap);
    void DrawJPEG(int x, int y, const QImage& bitmap);
    void NewPage();
    void EndDoc();

    // The bytes of the last document (complete after EndDoc).
    const std::string& Document() const { return doc_; }
    // Offsets of objects 1.. and, last, of the cross-reference table.
    const std::vector<int64_t>& Offsets() const { return offsets_; }
    // Image objects parked so far in the document's temporary file, a file
    // with no name that goes away with the program however that ends.
    int ParkedImages() const { return static_cast<int>(parked_.size()); }

private:
    int BeginObject();
    void Line(std::string& buf, const std::string& text);
    void Commit();
    void OpenContent();
    void CloseContent();
    int PlaceImage(int x, int y, int width, int height);
    void ParkImage(int k, const std::string& body);
    void DropImages();

    int pageNumber_ = 0;
    int objects_ = 0;
    int64_t total_ = 0;
    std::vector<int64_t> offsets_;
    std::vector<int> contents_;
    std::vector<int> fonts_;
    int images_ = 0;
    int fontCount_ = 0;
    int pageIndex_ = 0;
    int pages_ = 0, resources_ = 0, outlines_ = 0, catalog_ = 0;
    size_t contentHeader_ = 0;
    bool contentCompressed_ = true;

    std::string doc_;
    std::string obj_;
    std::string ops_;
    int imageFd_ = -1;                               // the parked images' file
    std::vector<std::pair<int64_t, int64_t>> parked_;  // offset and length of image k + 1
};

// "D:" date text of the Info dictionary: 14 digits, local time, no zone.
std::string PdfDate(const QDateTime& t);

// Info values between parentheses: backslash, parentheses and line breaks
// escaped so the string cannot end early.
std::string PdfLiteral(const std::string& value);

} // namespace tarnel
