// Any 372-byte protocol record the platform hands over: unpacking never
// fails, flags follow their bits, and the name stays inside its field.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "net/protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quorin::ProtocolRecord record{};
    std::memcpy(record.data(), data, size < record.size() ? size : record.size());
    quorin::PortableGuidText guids;
    quorin::CProtocol p;
    p.Unpack(record, guids);
    const std::uint32_t service = static_cast<std::uint32_t>(record[0]) | record[1] << 8 |
                                  record[2] << 16 | static_cast<std::uint32_t>(record[3]) << 24;
    if (p.Connectionless() != ((service & 1) != 0) || p.UniRecv() != ((service & 0x10000) != 0))
        std::abort();
    if (p.ProtocolName().size() > 256 || p.ProviderId().size() != 38)
        std::abort();
    return 0;
}
