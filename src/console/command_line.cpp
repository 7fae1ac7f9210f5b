#include "console/command_line.h"

#include "common/keyed_collection.h"
#include "common/text.h"

namespace quorin {

namespace {

constexpr bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

struct Word {
    std::size_t at = 0;
    std::size_t size = 0;
};

// Where the address word stands: after the last "+connect". `connect` is
// that "+connect" when the line has one; the word itself, when one follows.
struct AddressPlace {
    std::optional<Word> connect;
    std::optional<Word> address;
};

AddressPlace FindAddress(std::string_view line) {
    AddressPlace place;
    bool afterConnect = false;
    for (std::size_t at = 0; at < line.size();) {
        if (IsBlank(line[at])) {
            ++at;
            continue;
        }
        Word word{at, 0};
        for (bool quoted = false; at < line.size() && (quoted || !IsBlank(line[at])); ++at)
            if (line[at] == '"')
                quoted = !quoted;
        word.size = at - word.at;
        const std::string_view text = line.substr(word.at, word.size);
        if (afterConnect)
            place.address = word;
        afterConnect = text.size() == 8 && EqualsNoCase(text, "+connect");
        if (afterConnect)
            place.connect = word, place.address.reset();
    }
    return place;
}

} // namespace

CommandLineAddress ReadCommandLine(std::string_view commandLine) {
    CommandLineAddress address;
    const AddressPlace place = FindAddress(commandLine);
    if (!place.address)
        return address;
    std::string_view word = commandLine.substr(place.address->at, place.address->size);
    if (word.size() >= 2 && word.front() == '"' && word.back() == '"')
        word = word.substr(1, word.size() - 2);

    address.needsDialog = false;
    if (word.starts_with('[') || word.find("::") != std::string_view::npos) {
        address.serverIP = std::string(word); // IPv6: the game speaks IPv4 only
        address.serverPort = kDefaultGamePortText;
        address.port = kDefaultGamePort;
        return address;
    }
    const std::size_t colon = word.find(':');
    address.serverIP = std::string(word.substr(0, colon));
    if (colon == std::string_view::npos) {
        // "+connect host" means the game's default port, as in the game itself.
        address.serverPort = kDefaultGamePortText;
    } else {
        std::string_view port = word.substr(colon + 1);
        address.serverPort = std::string(port.substr(0, port.find(':')));
    }
    address.port = ParsePort(address.serverPort);
    return address;
}

std::string WithAddress(std::string_view commandLine, const std::string& address) {
    const AddressPlace place = FindAddress(commandLine);
    if (place.address)
        return std::string(commandLine.substr(0, place.address->at)) + address +
               std::string(commandLine.substr(place.address->at + place.address->size));
    std::string line(commandLine);
    line.erase(line.find_last_not_of(" \t") + 1); // npos + 1 is 0: a blank line empties
    if (!place.connect)
        line += line.empty() ? "+connect" : " +connect";
    return line + " " + address;
}

void SplitAddress(std::string& host, std::string& port) {
    host = Trim(host);
    if (host.size() >= 2 && host.front() == '"' && host.back() == '"')
        host = Trim(std::string_view(host).substr(1, host.size() - 2));
    const std::size_t colon = host.find(':');
    if (colon == std::string::npos || colon == 0 || host.find(':', colon + 1) != std::string::npos)
        return; // no port in it, or an IPv6 literal, left for the box to name
    port = host.substr(colon + 1);
    host.resize(colon);
    port = Trim(port);
}

std::string_view ArgumentText(std::string_view line) {
    std::size_t at = 0;
    if (!line.empty() && line[0] == '"') {
        const std::size_t close = line.find('"', 1);
        at = close == std::string_view::npos ? line.size() : close + 1;
    }
    while (at < line.size() && line[at] != ' ' && line[at] != '\t')
        ++at;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
        ++at;
    return line.substr(at);
}

std::optional<std::uint16_t> ParsePort(std::string_view text) {
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (value < 1 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

} // namespace quorin
