// English sentences for Winsock error numbers.
#pragma once

#include <cstdint>
#include <string_view>

namespace quorin {

inline constexpr std::int32_t kWsaeConnReset = 10054;
inline constexpr std::int32_t kWsaeMsgSize = 10040;

// The sentence for `code`; "Unknown error." for every number not known, 0
// included.
std::string_view GetErrorDescription(std::int32_t code);

} // namespace quorin
