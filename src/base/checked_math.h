#pragma once
// Size arithmetic on untrusted counts: nullopt instead of wrapping round.
#include <cstddef>
#include <limits>
#include <optional>

namespace vexilo {

constexpr std::optional<std::size_t> checkedMul(std::size_t a, std::size_t b) {
    if (a != 0 && b > std::numeric_limits<std::size_t>::max() / a) return std::nullopt;
    return a * b;
}
constexpr std::optional<std::size_t> checkedAdd(std::size_t a, std::size_t b) {
    if (b > std::numeric_limits<std::size_t>::max() - a) return std::nullopt;
    return a + b;
}

}  // namespace vexilo
