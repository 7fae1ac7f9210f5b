#include "net/status_reply.h"

#include "common/keyed_collection.h"
#include "common/versions.h"

namespace quorin {

StatusReply ParseStatusReply(std::string_view datagram) {
    StatusReply reply;
    // The header may stand anywhere before the first backslash.
    std::size_t at = datagram.find('\\');
    if (datagram.substr(0, at).find(kStatusHeader) == std::string_view::npos)
        return reply;
    reply.headerPresent = true;
    reply.datagram = std::make_shared<const std::string>(datagram);
    const std::string_view text(*reply.datagram);
    reply.pairs.reserve(text.size() / 16); // about one pair in 16 bytes, as replies run
    // `at` is the backslash before a name; the name runs to the next one,
    // and its value from there to the one after, or to the end.
    while (at != std::string_view::npos) {
        const std::size_t nameEnd = text.find('\\', at + 1);
        const std::string_view name = text.substr(at + 1, nameEnd - at - 1);
        std::string_view value = text.substr(text.size()); // a lone name's: empty, at the end
        at = std::string_view::npos;
        if (nameEnd != std::string_view::npos) {
            at = text.find('\\', nameEnd + 1);
            value = text.substr(nameEnd + 1, at - nameEnd - 1);
        }
        if (name == "version")
            reply.serverVersion = ServerVersionFromValue(value);
        reply.pairs.emplace_back(name, value);
    }
    return reply;
}

std::string ServerVersionFromValue(std::string_view versionValue) {
    const std::size_t blank = versionValue.find(' ');
    if (blank == std::string_view::npos)
        return {};
    std::string_view word = versionValue.substr(blank + 1);
    word = word.substr(0, word.find(' '));
    return std::string(word.substr(0, 6));
}

std::string_view FirstLine(std::string_view value) {
    return value.substr(0, value.find('\n'));
}

bool LooksLikeJka(const StatusReply& reply) {
    for (const auto& [name, value] : reply.pairs) {
        const std::string_view text = FirstLine(value);
        if ((name == "version" && text.starts_with("JAmp")) ||
            (name == "protocol" && (text == "25" || text == "26")) ||
            (name == "gamename" && EqualsNoCase(text, "basejka")))
            return true;
    }
    return false;
}

std::optional<std::string> EffectiveServerVersion(const StatusReply& reply) {
    // A text that looks like a version ("v" or "V" and a digit) is judged as
    // it stands, so "V1.0.1" stays a version the client does not have.
    const std::string_view text = reply.serverVersion ? *reply.serverVersion : std::string_view();
    if (text.size() >= 2 && (text[0] == 'v' || text[0] == 'V') && text[1] >= '0' && text[1] <= '9')
        return reply.serverVersion;
    std::optional<std::string_view> protocol;
    for (const auto& [name, value] : reply.pairs)
        if (name == "protocol") // the last value runs on into the player list
            protocol = FirstLine(value);
    if (protocol == "25")
        return std::string(kVersion100);
    if (protocol == "26")
        return std::string(kVersion101);
    return reply.serverVersion;
}

} // namespace quorin
