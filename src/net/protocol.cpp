#include "net/protocol.h"

#include <algorithm>

namespace quorin {

const std::array<std::uint32_t, CProtocol::kFlagCount> kProtocolFlagBits = {
    0x00000001, 0x00000002, 0x00000004, 0x00000008, 0x00000010, 0x00000020, 0x00000040,
    0x00000080, 0x00000100, 0x00000200, 0x00000400, 0x00000800, 0x00001000, 0x00002000,
    0x00008000, 0x00010000, 0x00020000, 0x00040000, // dwServiceFlags1
    0x00000001, 0x00000002, 0x00000008,             // dwProviderFlags
};

namespace {

constexpr std::size_t kServiceFlagsOffset = 0;
constexpr std::size_t kProviderFlagsOffset = 16;
constexpr std::size_t kProviderIdOffset = 20;
constexpr std::size_t kProtocolNameOffset = 116;
constexpr std::size_t kProtocolNameLength = 256;
// Where each numeric property's field stands, in property order.
constexpr std::array<std::size_t, CProtocol::kNumberCount> kNumberOffsets = {
    36, 72, 76, 80, 84, 88, 92, 96, 100, 104, 108};

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
    providerId_ = guids.GuidToString(GuidFromBytes(
        std::span<const std::uint8_t, 16>(record.data() + kProviderIdOffset, 16)));
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
