#include "tests/support/qstat_rules.h"

#include <fstream>
#include <functional>
#include <map>
#include <iterator>

namespace quorin::test {

namespace {

std::vector<std::string_view> SplitAt(std::string_view text, char sep) {
    std::vector<std::string_view> pieces;
    for (;;) {
        const std::size_t at = text.find(sep);
        pieces.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return pieces;
        text.remove_prefix(at + 1);
    }
}

} // namespace

std::vector<std::string> DifferencesFromQstat(const StatusReply& reply,
                                              std::string_view rawOutput) {
    const std::vector<std::string_view> lines = SplitAt(rawOutput, '\n');
    if (lines.size() < 2)
        return {"qstat printed no rules line"};
    // type|address|name|map|max players|players|ping|retries
    const std::vector<std::string_view> server = SplitAt(lines[0], '|');
    std::map<std::string, std::string, std::less<>> rules;
    for (std::string_view piece : SplitAt(lines[1], '|')) {
        const std::size_t eq = piece.find('=');
        if (eq != std::string_view::npos)
            rules[std::string(piece.substr(0, eq))] = std::string(piece.substr(eq + 1));
    }
    if (server.size() > 4) {
        rules["mapname"] = std::string(server[3]);
        rules["sv_maxclients"] = std::string(server[4]);
    }
    std::vector<std::string> differences;
    for (const auto& [name, fullValue] : reply.pairs) {
        if (name == "challenge" || name == "gamename")
            continue;
        // The last value runs on into the player list.
        const std::string_view value = fullValue.substr(0, fullValue.find('\n'));
        const auto it = rules.find(name);
        if (it == rules.end())
            differences.push_back(std::string(name) + ": not in qstat's rules");
        else if (it->second != value)
            differences.push_back(std::string(name) + ": ours \"" + std::string(value) +
                                  "\", qstat's \"" + it->second + "\"");
    }
    return differences;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace quorin::test
