// The two game versions the tool knows, as it shows and compares them.
#pragma once

#include <string_view>

namespace quorin {

inline constexpr std::string_view kVersion100 = "v1.0.0";
inline constexpr std::string_view kVersion101 = "v1.0.1";

} // namespace quorin
