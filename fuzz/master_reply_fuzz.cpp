// Any datagram a master (or anyone posing as one) sends: the parse never
// fails, every record it gives is in the bytes, and the merge keeps only
// addresses a master may name, once each, within the cap.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

#include "net/master_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view datagram(reinterpret_cast<const char*>(data), size);
    const quorin::MasterReply reply = quorin::ParseMasterReply(datagram);
    if (!reply.headerPresent && (!reply.records.empty() || reply.endMarker))
        std::abort();
    if (reply.headerPresent &&
        reply.records.size() * quorin::kMasterRecordSize > size - quorin::kMasterReplyHeader.size())
        std::abort();
    for (const quorin::ServerAddress& a : reply.records) {
        const char bytes[] = {'\\',
                              static_cast<char>(a.ip >> 24),
                              static_cast<char>(a.ip >> 16),
                              static_cast<char>(a.ip >> 8),
                              static_cast<char>(a.ip),
                              static_cast<char>(a.port >> 8),
                              static_cast<char>(a.port)};
        if (datagram.find(std::string_view(bytes, sizeof bytes)) == std::string_view::npos)
            std::abort();
    }
    // From a master far away and from one on loopback, with a small cap.
    for (const std::uint32_t master : {0xCB007107u, 0x7F000001u}) {
        quorin::MasterMerge merge(1, 50);
        const auto taken = merge.Take(0, master, reply);
        const std::set<quorin::ServerAddress> once(taken.begin(), taken.end());
        if (once.size() != taken.size() || taken.size() > 50)
            std::abort();
        for (const quorin::ServerAddress& a : taken)
            if (!quorin::MasterMayName(master, a))
                std::abort();
    }
    return 0;
}
