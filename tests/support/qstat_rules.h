// What qstat printed for a server, read back so that our own parse of the
// same reply can be checked against an independent one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "net/status_reply.h"

namespace quorin::test {

// Where our reading of a reply and qstat's raw output (`quakestat -R -raw
// '|'`) of the same server differ, one line each. qstat moves "mapname" and
// "sv_maxclients" to its server line, names the game itself in "gamename",
// keeps the challenge echo to itself and adds rules of its own.
std::vector<std::string> DifferencesFromQstat(const StatusReply& reply, std::string_view rawOutput);

std::string ReadFileBytes(const std::string& path);

} // namespace quorin::test
