// Plain text helpers of the portable core.
#pragma once

#include <string>
#include <string_view>

namespace quorin {

// `text` without the characters of `blanks` at either end.
std::string Trim(std::string_view text, std::string_view blanks = " \t");

} // namespace quorin
