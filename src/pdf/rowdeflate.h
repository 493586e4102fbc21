#pragma once
// zlib data of an 8-bit image whose long stretches of repeated rows are
// written as copies of the row above, without passing through zlib: a page
// that is blank but for a few marks costs little to compress.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnel {

// Rows of at least this many bytes in a row, each equal to the one above,
// become one copy; shorter stretches are cheaper to leave to zlib than to
// restart it after them.
constexpr size_t kMinRowCopyBytes = 64 * 1024;

// zlib-format data that inflates to the width x height samples starting at
// bits, stride bytes from one row to the next. Everything but the copied
// rows goes through zlib at its default level, with the 32 KiB before it as
// history.
std::string DeflateRows(const uint8_t* bits, ptrdiff_t stride, int width, int height);

} // namespace tarnel
