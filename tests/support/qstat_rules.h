// What qstat printed for a server, read back so that our own parse of the
// same reply can be checked against an independent one.
#pragma once

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "net/status_reply.h"

namespace quorin::test {

// Where our reading of a reply and qstat's raw output (`quakestat -R -raw
// '|'`) of the same server differ, one line each. qstat moves "mapname" and
// "sv_maxclients" to its server line, names the game itself in "gamename",
// keeps the challenge echo to itself and adds rules of its own.
inline std::vector<std::string> DifferencesFromQstat(const StatusReply& reply,
                                                     std::string_view rawOutput) {
    // type|address|name|map|max players|players|ping|retries, then name=value|...
    std::vector<std::string> server;
    std::map<std::string, std::string, std::less<>> rules;
    std::string piece;
    bool inRules = false;
    for (const char c : std::string(rawOutput) + '\n') {
        if (c != '|' && c != '\n') {
            piece += c;
            continue;
        }
        if (!inRules)
            server.push_back(piece);
        else if (const std::size_t eq = piece.find('='); eq != std::string::npos)
            rules[piece.substr(0, eq)] = piece.substr(eq + 1);
        piece.clear();
        inRules = inRules || c == '\n';
    }
    if (server.size() < 5 || rules.empty())
        return {"qstat printed no server and rules lines"};
    rules["mapname"] = server[3];
    rules["sv_maxclients"] = server[4];
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

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace quorin::test
