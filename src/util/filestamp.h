#pragma once
// A file's size and modification time: what the caches compare to tell
// whether a file changed since it was last read.
#include <sys/stat.h>

#include <cstdint>
#include <utility>

namespace tarnel {

struct FileStamp {
    int64_t size = 0;
    int64_t mtime = 0;  // nanoseconds
    bool operator==(const FileStamp&) const = default;
};

inline FileStamp StampOf(const struct stat& st) {
    return FileStamp{static_cast<int64_t>(st.st_size),
                     static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

// Keeps what was made from a file until the file's stamp changes.
template <class T>
class FileCache {
public:
    // make() builds the value from the file; it runs when nothing is kept or
    // the stamp differs. A throwing make() leaves the cache empty.
    template <class Make>
    const T& Get(const FileStamp& stamp, Make&& make) {
        if (!kept_ || !(stamp_ == stamp)) {
            kept_ = false;
            value_ = make();
            stamp_ = stamp;
            kept_ = true;
        }
        return value_;
    }
    void Clear() {
        kept_ = false;
        value_ = T();
    }

private:
    FileStamp stamp_;
    bool kept_ = false;
    T value_{};
};

} // namespace tarnel
