#pragma once
// Page pictures in the Windows enhanced metafile format: the player that
// checks such bytes and replays them onto any QPainter. Every record read
// back is size- and bounds-checked; malformed bytes are refused with a
// message.
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnel {

// Checks the whole picture: header, every record's size and bounds, object
// handles, EOF last. bytes may be longer than the picture (its header tells
// its length).
bool ValidateEmf(std::string_view bytes, std::string* error);

// The picture's total length from its header (0 when there is no header).
uint32_t EmfDeclaredLength(std::string_view bytes);

// Nominal size in pixels from the header's bounds; an empty size when the
// header is unreadable.
QSize EmfNominalSize(std::string_view bytes);

// Replays the picture stretched onto target (nominal bounds -> target).
// Validates first: on a malformed picture nothing is drawn and false is
// returned with a message.
bool PlayEmf(std::string_view bytes, QPainter& p, const QRectF& target, std::string* error);

// Plays the picture into a white RGB32 image of size; a null image when the
// picture is malformed.
QImage RenderEmf(std::string_view bytes, QSize size, std::string* error);

} // namespace tarnel
