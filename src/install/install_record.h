// What the game's registry key says about the local installation: whether
// the game is installed, its folder, and which version the tool last switched
// it to (the "Magic" marker).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "install/registry.h"

namespace quorin {

inline constexpr char kGameBaseKey[] = "SOFTWARE\\LucasArts\\Star Wars Jedi Knight Jedi Academy";
inline constexpr char kGameVersionKey[] =
    "SOFTWARE\\LucasArts\\Star Wars Jedi Knight Jedi Academy\\1.0";
inline constexpr char kInstallPathValue[] = "Install Path";
inline constexpr char kMagicValue[] = "Magic";

// "Magic" for an installation holding the 1.0.0 files, and the 1.0.1 files.
inline constexpr std::int32_t kMagic100 = 0;
inline constexpr std::int32_t kMagic101 = 599925;

class InstallRecord {
  public:
    explicit InstallRecord(IRegistryApi& api) : registry_(api) {}

    // True when the game's base key can be opened for reading.
    bool GameKeyExists() const;

    // Fills InstallPath from "Install Path". Writes nothing: whether the
    // marker may be created is for start-up to find out once any unfinished
    // switch has been put back.
    void LoadInstallInfo();
    // Whether the version key holds a "Magic" value, of whatever type.
    bool HasMarker() const;

    // The text form of "Magic", or empty text when it is absent, empty, or
    // of a kind that has no text form.
    std::string ReadMagic() const;

    // Stores `magic` as "Magic" (REG_DWORD); false when the version key
    // cannot be opened for writing or the write is refused.
    bool WriteMagic(std::int32_t magic) const;

    // The marker as a number to put back when a switch fails: a REG_DWORD
    // as stored, a marker of another type as the number for the version it
    // reads as; empty when there is no marker to read.
    std::optional<std::uint32_t> SaveMagic() const;
    // Writes back what SaveMagic gave, always as a REG_DWORD; a marker that
    // was absent is removed again, so that the installation reads as it did.
    bool RestoreMagic(const std::optional<std::uint32_t>& saved) const;

    // The install folder (UTF-8), empty when "Install Path" is missing.
    const std::string& InstallPath() const { return installPath_; }

  private:
    Registry registry_;
    std::string installPath_;
};

// The client version that a "Magic" text stands for: exactly "0" is 1.0.0,
// anything else 1.0.1.
std::string_view ClientVersionFromMagic(std::string_view magicText);

} // namespace quorin
