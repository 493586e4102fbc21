#include "library/symbollibrary.h"

#include "tokenizer/libtext.h"

namespace tarnel {

bool IsSymbolLibraryName(std::string_view name) {
    constexpr std::string_view kExt = ".LIB";
    return name.size() > kExt.size() && EqualsUpper(name.substr(name.size() - kExt.size()), kExt);
}

} // namespace tarnel
