#pragma once
// Little-endian numbers in byte buffers: the report pages and page files
// store every number this way whatever the machine.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnel {

inline uint16_t GetLE16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t GetLE32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

inline uint16_t GetLE16(const char* p) { return GetLE16(reinterpret_cast<const unsigned char*>(p)); }
inline uint32_t GetLE32(const char* p) { return GetLE32(reinterpret_cast<const unsigned char*>(p)); }

inline void PutLE16(char* p, uint16_t v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}

inline void PutLE32(char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Reads and writes at a byte offset of a buffer the caller has sized.
inline uint32_t GetLE32(const std::string& s, size_t at) { return GetLE32(s.data() + at); }
inline void PutLE32(std::string& s, size_t at, uint32_t v) { PutLE32(s.data() + at, v); }

inline void AppendLE16(std::string& s, uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}

inline void AppendLE32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

} // namespace tarnel
