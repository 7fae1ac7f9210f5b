#include "net/protocol.h"

#include <algorithm>

namespace quorin {

namespace {

std::uint32_t ReadU32(const ProtocolRecord& r, std::size_t at) {
    return static_cast<std::uint32_t>(r[at]) | static_cast<std::uint32_t>(r[at + 1]) << 8 |
           static_cast<std::uint32_t>(r[at + 2]) << 16 |
           static_cast<std::uint32_t>(r[at + 3]) << 24;
}

} // namespace

void CProtocol::Unpack(const ProtocolRecord& record, IGuidText& guids) {
    const std::uint32_t service = ReadU32(record, kServiceFlagsOffset);
    const std::uint32_t provider = ReadU32(record, kProviderFlagsOffset);
    for (std::size_t i = 0; i < kFlagCount; ++i)
        flags_[i] = ((i < kServiceFlagCount ? service : provider) & kProtocolFlagBits[i]) != 0;
    providerId_ = guids.GuidToString(
        GuidFromBytes(std::span<const std::uint8_t, 16>(record.data() + kProviderIdOffset, 16)));
    for (std::size_t i = 0; i < kNumberCount; ++i)
        numbers_[i] = static_cast<std::int32_t>(ReadU32(record, kNumberOffsets[i]));
    const auto* name = reinterpret_cast<const char*>(record.data() + kProtocolNameOffset);
    protocolName_.assign(name, std::find(name, name + kProtocolNameLength, '\0'));
}

bool CProtocol::GetBySocketHandle(ISocketApi& api, IGuidText& guids, SocketHandle lngSocket) {
    ProtocolRecord record{};
    int length = static_cast<int>(record.size());
    if (api.GetProtocolInfo(lngSocket, record.data(), length) != 0)
        return false;
    Unpack(record, guids);
    return true;
}

} // namespace quorin
