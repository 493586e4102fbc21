#include "util/displaytext.h"

#include "tokenizer/libtext.h"

namespace tarnel {

QString DisplayQString(std::string_view bytes) {
    const std::u16string u = DisplayText16(bytes);
    return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

} // namespace tarnel
