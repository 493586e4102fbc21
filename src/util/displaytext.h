#pragma once
// Library bytes as Qt text for the screen, a page or a table: valid UTF-8 as
// it is, anything else as Windows-1252. The one place bytes become QString.
#include <QString>

#include <string_view>

namespace tarnel {

QString DisplayQString(std::string_view bytes);

} // namespace tarnel
