#pragma once
// The page stream behind a PageList and the saved report file (.QRP), which
// is a byte copy of it:
//   header, 128 bytes: u16 3, u16 305, 0, i32 page count at 8, 0,
//     double date at 16 (days since 1899-12-30, local time), 0,
//     u8 compression flag at 25 (always 0), zeros to 128;
//   then one record per page, back to back:
//     i32 page number, i32 offset of the next record, the page's EMF bytes,
//     i32 offset of this record.
// The stream lives in memory up to 100000 bytes and then moves to a unique
// temporary file "QRP..." in the temporary directory.
#include <QSize>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tarnel {

constexpr int kPageHeaderSize = 128;
constexpr uint16_t kPageTag1 = 3;
constexpr uint16_t kPageTag2 = 305;
constexpr int64_t kPageMemoryLimit = 100000;
constexpr int kSaveBlockSize = 10240;

// A report file that cannot be read or written; the message names the file
// and the fault.
class ReportFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One recorded page: its picture as EMF bytes.
struct RecordedPage {
    std::string Emf;
    // Width and height in pixels from the picture's header bounds.
    QSize NominalSize() const;
};

// Byte stream with a position; every read, write, seek and copy takes the
// stream's lock.
class PageStream {
public:
    // In memory; moves to a temporary file once it holds more than
    // memoryLimit bytes.
    explicit PageStream(int64_t memoryLimit = kPageMemoryLimit);
    // An existing file, opened in place for reading only. Throws
    // ReportFileError when it cannot be opened.
    static std::unique_ptr<PageStream> OpenReadOnly(const std::string& path);
    ~PageStream();
    PageStream(const PageStream&) = delete;
    PageStream& operator=(const PageStream&) = delete;

    bool InMemory() const;
    bool ReadOnly() const { return readOnly_; }
    // How messages name the temporary file the stream moved to (a file with
    // no name in the temporary folder); empty while in memory and for a file
    // opened in place.
    std::string TemporaryFileName() const;
    const std::string& FileName() const { return path_; }  // file opened in place

    int64_t Size() const;
    int64_t Position() const;
    void Seek(int64_t pos);
    // Returns the bytes read: fewer at the end, 0 past it.
    int64_t Read(void* dst, int64_t n);
    // Writes at the position and moves it on; throws on a write error or on
    // a read-only stream.
    void Write(const void* src, int64_t n);
    // Hands the stream from offset 0 to the end to sink in blocks of
    // kSaveBlockSize bytes, until a read returns nothing.
    template <class Sink>
    void CopyTo(Sink&& sink) {
        char buf[kSaveBlockSize];
        int64_t at = 0;
        for (;;) {
            const int64_t got = ReadAt(at, buf, kSaveBlockSize);
            if (got <= 0) break;
            sink(static_cast<const char*>(buf), static_cast<size_t>(got));
            at += got;
        }
    }
    // Same file as the one at path (device and inode)?
    bool IsFile(const std::string& path) const;
    // Frees the buffer, or closes the file and deletes it if it is the
    // stream's temporary file. Idempotent.
    void Release();

private:
    int64_t ReadAt(int64_t at, void* dst, int64_t n);
    void MoveToDisk();

    mutable std::mutex lock_;
    bool inMemory_ = true;
    bool readOnly_ = false;
    int64_t limit_;
    std::string buffer_;
    int fd_ = -1;
    int64_t fileSize_ = 0;
    std::string tempName_;
    std::string path_;
    int64_t pos_ = 0;
};

// The pages of one run or of one loaded report file.
class PageList {
public:
    PageList();
    ~PageList();
    PageList(const PageList&) = delete;
    PageList& operator=(const PageList&) = delete;

    // Start of a run: a new stream in memory, no pages.
    void StartRun(int64_t memoryLimit = kPageMemoryLimit);
    int PageCount() const;
    bool Compressed() const { return false; }
    // The stream; null until a run starts or a file is loaded.
    PageStream* Stream() const { return stream_.get(); }
    // True once the header holds the final count (Finish) or for a loaded file.
    bool Finished() const;
    bool Loaded() const;

    // Appends a page (starts a run first if none was started). Throws on a
    // write error or on a loaded, read-only stream.
    void AppendPage(const RecordedPage& page);
    void AppendPage(std::string_view emf);
    // A copy of page n (1-based); nothing when there is no such page.
    std::optional<RecordedPage> ReadPage(int n) const;
    // End of a run: rewrites the header with the final count and the time.
    void Finish();
    // page count := 0.
    void Clear();
    // Releases the stream (deleting its temporary file).
    void Release();

private:
    friend std::unique_ptr<PageList> LoadPageList(const std::string& path);
    void WriteHeader(int count);
    bool FindRecord(int n) const;

    mutable std::mutex lock_;
    std::unique_ptr<PageStream> stream_;
    int count_ = 0;
    bool finished_ = false;
    bool loaded_ = false;
};

enum class SaveResult {
    Saved,
    NotFinished,  // the run has not finished (or there is no run): nothing written
};

// Writes an exact copy of the list's stream to path, through a temporary
// file beside it that is renamed over it, so a failed save leaves an
// existing file as it was. Throws ReportFileError when the file cannot be
// written, or when path is the report file the list reads.
SaveResult SaveReport(const PageList& list, const std::string& path);

// A paper size row (1..26) and orientation recognised from a page size.
struct PaperMatch {
    int Row = 0;
    bool Landscape = false;
};
// kw = trunc(w / F / 40), kh likewise, F = pixelsPerInch / 254; later
// matching rows win. Nothing when no row matches.
std::optional<PaperMatch> RecognisePaper(QSize pagePixels, int pixelsPerInch = 96);
// Paper table: name, width and height in 0.01 mm, for row 1..26.
struct PaperRow {
    const char* Name;
    int Width100, Height100;
};
const PaperRow& PaperTableRow(int row);

// Opens a report file in place and checks it whole: at least 128 bytes,
// tags 3 and 305, a page count of 0 or more, a compression flag of 0, the
// record chain inside the file, every picture a well-formed EMF whose
// length fits its record. Throws ReportFileError naming the file and the
// fault.
std::unique_ptr<PageList> LoadPageList(const std::string& path);

struct LoadedReport {
    std::unique_ptr<PageList> Pages;
    int PageCount = 0;
    std::optional<PaperMatch> Paper;  // from page 1; nothing when no page or no match
};
// LoadPageList plus the paper recognised from page 1.
LoadedReport LoadReport(const std::string& path, int pixelsPerInch = 96);

// Date and time as days since 30 December 1899, local time.
double NowAsDays();

} // namespace tarnel
