#pragma once
// What was read from library files, kept by file stamp: in memory for the
// session, and in one file in the user's cache folder between sessions. The
// file ends with a checksum; a file that does not check out is thrown away
// whole and rebuilt, never trusted in part.
#include "search/itemfacts.h"
#include "util/filestamp.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace tarnel::search {

// Stamp of a file that is not there.
inline constexpr FileStamp kNoFile{-1, -1};
// The file's stamp, kNoFile when it cannot be looked at.
FileStamp StampOrNone(const std::string& path);

class DescribeCache {
public:
    // The items kept for key when they were read from files with exactly
    // these stamps; null otherwise.
    const std::vector<ItemFacts>* Find(const std::string& key, const std::vector<FileStamp>& stamps);
    void Put(const std::string& key, std::vector<FileStamp> stamps, std::vector<ItemFacts> items);
    size_t Size() const { return entries_.size(); }
    // Whether anything was put since the last load or save.
    bool Changed() const { return changed_; }

    // Adds the entries of a cache file. A missing file is an empty cache;
    // a damaged one is ignored (false, with why). Entries in memory win.
    bool Load(const std::string& file, std::string& why);
    // Writes the entries whole (a temporary file renamed over the old); at
    // most kMaxEntries, those used last kept first. Throws
    // std::runtime_error naming the file.
    void Save(const std::string& file);

    static constexpr size_t kMaxEntries = 500000;

private:
    struct Entry {
        std::vector<FileStamp> stamps;
        std::vector<ItemFacts> items;
        uint64_t used = 0;  // when last found or put
    };
    std::unordered_map<std::string, Entry> entries_;
    uint64_t clock_ = 0;
    bool changed_ = false;
};

// The cache file in the user's cache folder (QStandardPaths::CacheLocation).
std::string DefaultCacheFile();

} // namespace tarnel::search
