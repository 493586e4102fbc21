#pragma once
// zlib data of an 8-bit image whose long stretches of repeated rows are
// written as copies of the row above, without passing through zlib: a page
// that is blank but for a few marks costs little to compress.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnel {

// Rows of at least this many bytes in a row, each equal to the one above,
// become one copy; shorter stretches are cheaper to leave to zlib than to
// restart it after them.
constexpr size_t kMinRowCopyBytes = 64 * 1024;

// zlib-format data that inflates to the width x height samples starting at
// bits, stride bytes from one row to the next. Everything but the copied
// rows goes through zlib at its default level, with the 32 KiB before it as
// history. The data never stalls the piecewise reader below (see there).
std::string DeflateRows(const uint8_t* bits, ptrdiff_t stride, int width, int height);

// How qpdf reads a stream: in pieces of 10240 bytes, through an output
// buffer of 64 KiB.
constexpr size_t kStrictReaderPiece = 10240, kStrictReaderBuffer = 65536;

// Whether zlib data would stall a reader that inflates it in pieces of
// pieceBytes through an output buffer of bufferBytes: a piece that inflates
// to an exact multiple of the buffer, leaving no whole code over, makes the
// reader's next call find nothing to do, and qpdf then warns that the stream
// may be cut short ("input stream is complete but output may still be
// valid"), although it is whole. Any zlib data can meet this; only a piece
// that inflates past the buffer can, which long copies of rows make likely.
bool StallsPiecewiseReader(std::string_view zlibData, size_t pieceBytes = kStrictReaderPiece,
                           size_t bufferBytes = kStrictReaderBuffer);

} // namespace tarnel
