#include "net/status_reply.h"

#include "common/versions.h"

namespace quorin {

namespace {

// Splits at every occurrence of `sep`, keeping empty pieces.
std::vector<std::string_view> SplitKeepEmpty(std::string_view text, char sep) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(sep, start);
        if (at == std::string_view::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, at - start));
        start = at + 1;
    }
}

} // namespace

StatusReply ParseStatusReply(std::string_view datagram) {
    StatusReply reply;
    const std::vector<std::string_view> segments = SplitKeepEmpty(datagram, '\\');
    // The header may stand anywhere in the first segment.
    if (segments[0].find(kStatusHeader) == std::string_view::npos)
        return reply;
    reply.headerPresent = true;
    reply.pairs.reserve(segments.size() / 2);
    for (std::size_t k = 1; k < segments.size(); k += 2) {
        const std::string_view name = segments[k];
        const std::string_view value =
            k + 1 < segments.size() ? segments[k + 1] : std::string_view{};
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

std::optional<std::string> EffectiveServerVersion(const StatusReply& reply) {
    // A text that looks like a version ("v" or "V" and a digit) is judged as
    // it stands, so "V1.0.1" stays a version the client does not have.
    const std::string_view text = reply.serverVersion ? *reply.serverVersion : std::string_view();
    if (text.size() >= 2 && (text[0] == 'v' || text[0] == 'V') && text[1] >= '0' && text[1] <= '9')
        return reply.serverVersion;
    std::optional<std::string_view> protocol;
    for (const auto& [name, value] : reply.pairs)
        if (name == "protocol") // the last value runs on into the player list
            protocol = std::string_view(value).substr(0, value.find('\n'));
    if (protocol == "25")
        return std::string(kVersion100);
    if (protocol == "26")
        return std::string(kVersion101);
    return reply.serverVersion;
}

} // namespace quorin
