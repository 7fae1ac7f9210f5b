// What the About box shows.
#pragma once

#include <string>

namespace quorin {

inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 23;

inline constexpr char kAboutCredit[] = "Written by the Quorin developers";
inline constexpr char kAboutReleased[] = "Released December 2026";
inline constexpr char kProjectPage[] = "https://quorin.github.io/";

// "Version: 1.0.23".
std::string AboutVersionLine();

} // namespace quorin
