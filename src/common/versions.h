// The two game versions the tool knows, as it shows and compares them, and
// the client whose files tell them apart.
#pragma once

#include <string_view>

namespace quorin {

inline constexpr std::string_view kVersion100 = "v1.0.0";
inline constexpr std::string_view kVersion101 = "v1.0.1";

// The multiplayer client, in the game's GameData folder.
inline constexpr char kClientExecutable[] = "jamp.exe";

} // namespace quorin
