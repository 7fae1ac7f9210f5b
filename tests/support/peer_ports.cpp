#include "tests/support/peer_ports.h"

#include <cstdlib>
#include <string_view>

#include "tests/support/qstat_rules.h"

namespace quorin::test {

std::optional<std::string> PeersDir() {
    const char* dir = std::getenv("QUORIN_PEERS_DIR");
    if (!dir || !*dir)
        return std::nullopt;
#ifdef _WIN32
    return "Z:" + std::string(dir);
#else
    return std::string(dir);
#endif
}

std::optional<int> PeerPort(const std::string& variant) {
    const auto dir = PeersDir();
    if (!dir)
        return std::nullopt;
    const std::string listing = ReadFileBytes(*dir + "/ports.txt");
    const std::string key = "\n" + variant + "=";
    const std::size_t at = ("\n" + listing).find(key);
    if (at == std::string::npos)
        return std::nullopt;
    return std::atoi(listing.c_str() + at + key.size() - 1);
}

bool PeersRequired() {
    const char* value = std::getenv("QUORIN_REQUIRE_PEERS");
    return value && std::string_view(value) == "1";
}

} // namespace quorin::test
