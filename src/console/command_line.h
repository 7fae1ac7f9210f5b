// Reading the server address from the tool's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorin {

// The game's own default port, used when the address names none.
inline constexpr std::uint16_t kDefaultGamePort = 29070;
inline constexpr char kDefaultGamePortText[] = "29070";

struct CommandLineAddress {
    // True when the command line names no address and the player must be
    // asked: no word follows a "+connect".
    bool needsDialog = true;
    std::string serverIP;   // as received
    std::string serverPort; // as received; the default port when the word had no ":"
    // The port as a number, when serverPort is a whole number from 1 to
    // 65535; empty means the address is bad and cannot be connected to.
    std::optional<std::uint16_t> port;

    bool IsUsable() const { return !needsDialog && !serverIP.empty() && port.has_value(); }
};

// `commandLine` is the argument text after the program's own path, the words
// the game is started with. Words are separated by blanks; a blank inside
// double quotes does not separate. The address is the word after the last
// "+connect" (in any letter case), wherever it stands; later parts of it
// after a second ":" are ignored. Quotes around the word are dropped; an
// IPv6 literal ("[::1]:29070", "::1") is kept whole as the host, for the box
// to name.
CommandLineAddress ReadCommandLine(std::string_view commandLine);

// The command line with its address word replaced by `address`, every other
// word as it was; " +connect address" added at its end when it has none.
std::string WithAddress(std::string_view commandLine, const std::string& address);

// An address as typed or pasted: blanks and surrounding quotes dropped, and
// "host:port" split in two (`port` set only then).
void SplitAddress(std::string& host, std::string& port);

// The argument text of a whole process command line: what follows the
// program's own path (quoted or not) and the blanks after it.
std::string_view ArgumentText(std::string_view fullCommandLine);

// A whole number from 1 to 65535 in plain decimal digits, or nothing.
std::optional<std::uint16_t> ParsePort(std::string_view text);

} // namespace quorin
