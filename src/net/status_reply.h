// The two status datagrams: the request the tool sends and the server's
// backslash-separated reply. Pure functions of the bytes.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorin {

// Four bytes 0xFF, then "getstatus xxx": 17 bytes, no terminator.
inline constexpr std::string_view kStatusRequest{"\xFF\xFF\xFF\xFFgetstatus xxx", 17};

// What must stand somewhere in the reply before its first backslash.
inline constexpr std::string_view kStatusHeader{"\xFF\xFF\xFF\xFFstatusResponse", 18};

struct StatusReply {
    bool headerPresent = false;
    // The datagram's bytes, kept (and shared by copies) for the views below.
    std::shared_ptr<const std::string> datagram;
    // Views into `datagram`, in its order; a lone name at the end is listed
    // with an empty value.
    std::vector<std::pair<std::string_view, std::string_view>> pairs;
    // From the last pair named exactly "version"; absent when there is none.
    std::optional<std::string> serverVersion;
};

StatusReply ParseStatusReply(std::string_view datagram);

// The first 6 characters of the second blank-separated word of a "version"
// value; empty when there is no second word.
std::string ServerVersionFromValue(std::string_view versionValue);

// A value up to its first line break: the reply's last one runs on into the
// player lines.
std::string_view FirstLine(std::string_view value);

// Whether the reply speaks of Jedi Academy at all, whatever its version: a
// "JAmp" version text, protocol 25 or 26, or the game's own game name.
bool LooksLikeJka(const StatusReply& reply);

// The version to compare with the installation's. A "version" text that
// looks like a version ("v" or "V" and a digit) stands as it is. Servers whose
// text names no version at all (empty, "Beta", an engine's own numbering)
// are named by their "protocol" variable instead: 25 is 1.0.0, 26 is 1.0.1.
// Without either, the text from "version" stands as it is.
std::optional<std::string> EffectiveServerVersion(const StatusReply& reply);

} // namespace quorin
