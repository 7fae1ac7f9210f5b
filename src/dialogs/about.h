// What the About box shows.
#pragma once

#include <string>

#include "common/version.h"

namespace quorin {

inline constexpr int kVersionMajor = QUORIN_VERSION_MAJOR;
inline constexpr int kVersionMinor = QUORIN_VERSION_MINOR;
inline constexpr int kVersionRevision = QUORIN_VERSION_REVISION;

inline constexpr char kAboutCredit[] = "Written by the Quorin developers";
inline constexpr char kAboutReleased[] = QUORIN_RELEASED_TEXT;
inline constexpr char kProjectPage[] = "https://quorin.github.io/";

// "Version: " and the release's three numbers.
std::string AboutVersionLine();

} // namespace quorin
