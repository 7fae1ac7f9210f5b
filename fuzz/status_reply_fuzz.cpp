// Any datagram a stranger sends: the parse never fails, and what it gives
// is consistent with the bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "net/status_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view datagram(reinterpret_cast<const char*>(data), size);
    const quorin::StatusReply reply = quorin::ParseStatusReply(datagram);
    // Every name and value is a view into the kept bytes, and together they
    // are no longer than the datagram.
    std::size_t bytes = 0;
    const auto inside = [&](std::string_view v) {
        return reply.datagram && v.data() >= reply.datagram->data() &&
               v.data() + v.size() <= reply.datagram->data() + reply.datagram->size();
    };
    for (const auto& [name, value] : reply.pairs) {
        bytes += name.size() + value.size();
        if (!inside(name) || !inside(value))
            std::abort();
    }
    if (bytes > size || (!reply.headerPresent && !reply.pairs.empty()))
        std::abort();
    if (reply.serverVersion && reply.serverVersion->size() > 6)
        std::abort();
    (void)quorin::EffectiveServerVersion(reply);
    return 0;
}
