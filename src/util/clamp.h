#pragma once
// Numbers from files can be anything: this is how they are brought into the
// 32-bit range of canvas and picture coordinates.
#include <cstdint>
#include <limits>

namespace tarnel {

inline int32_t ClampToInt32(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

} // namespace tarnel
