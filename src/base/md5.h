#pragma once
// MD5 of a byte string, as the desktop's thumbnail cache names its files. Not for security.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vexilo {

std::array<std::uint8_t, 16> md5(std::string_view bytes);
// The digest as 32 lower-case hex digits.
std::string md5Hex(std::string_view bytes);

}  // namespace vexilo
