// One Winsock transport protocol (one WSAPROTOCOL_INFOA record) as a plain
// object: the flags unpacked, the provider's GUID as text, the numbers and
// the name. Every property has a getter and a setter of the same name.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "net/guid_text.h"
#include "net/socket_api.h"

namespace quorin {

class CProtocol {
  public:
    // Fills every property from the protocol record of `lngSocket` and
    // returns true; on failure returns false and changes nothing (the
    // Winsock error stays the caller's to fetch).
    bool GetBySocketHandle(ISocketApi& api, IGuidText& guids, SocketHandle lngSocket);

    // Sets all 34 properties from `record`.
    void Unpack(const ProtocolRecord& record, IGuidText& guids);

#define QUORIN_FLAG(Name, Index)                                                                   \
    bool Name() const {                                                                            \
        return flags_[Index];                                                                      \
    }                                                                                              \
    void Name(bool vData) {                                                                        \
        flags_[Index] = vData;                                                                     \
    }
#define QUORIN_NUMBER(Name, Index)                                                                 \
    std::int32_t Name() const {                                                                    \
        return numbers_[Index];                                                                    \
    }                                                                                              \
    void Name(std::int32_t vData) {                                                                \
        numbers_[Index] = vData;                                                                   \
    }

    // Service flags (dwServiceFlags1), then provider flags (dwProviderFlags).
    QUORIN_FLAG(Connectionless, 0)
    QUORIN_FLAG(GuaranteedDelivery, 1)
    QUORIN_FLAG(GuaranteedOrder, 2)
    QUORIN_FLAG(MessageOriented, 3)
    QUORIN_FLAG(PseudoStream, 4)
    QUORIN_FLAG(GracefulClose, 5)
    QUORIN_FLAG(ExpeditedData, 6)
    QUORIN_FLAG(ConnectData, 7)
    QUORIN_FLAG(DisconnectData, 8)
    QUORIN_FLAG(SupportBroadcast, 9)
    QUORIN_FLAG(SupportMultipoint, 10)
    QUORIN_FLAG(MultipointControlPlane, 11)
    QUORIN_FLAG(MultipointDataPlane, 12)
    QUORIN_FLAG(QoSSupport, 13)
    QUORIN_FLAG(UniSend, 14)
    QUORIN_FLAG(UniRecv, 15)
    QUORIN_FLAG(IFSHandles, 16)
    QUORIN_FLAG(PartialMessage, 17)
    QUORIN_FLAG(MultipleProtoEntries, 18)
    QUORIN_FLAG(RecommendedProtoEntry, 19)
    QUORIN_FLAG(MatchesProtocolZero, 20)

    // The unsigned fields are carried bit for bit (0xFFFFFFFF reads as -1).
    QUORIN_NUMBER(CatalogEntryId, 0)
    QUORIN_NUMBER(Version, 1)
    QUORIN_NUMBER(AddressFamily, 2)
    QUORIN_NUMBER(MaxSockAddr, 3)
    QUORIN_NUMBER(MinSockAddr, 4)
    QUORIN_NUMBER(SocketType, 5)
    QUORIN_NUMBER(Protocol, 6)
    QUORIN_NUMBER(ProtocolMaxOffset, 7)
    QUORIN_NUMBER(NetworkByteOrder, 8)
    QUORIN_NUMBER(SecurityScheme, 9)
    QUORIN_NUMBER(MessageSize, 10)
#undef QUORIN_FLAG
#undef QUORIN_NUMBER

    // Both texts end at their first NUL.
    std::string ProviderId() const {
        return providerId_;
    }
    void ProviderId(std::string vData) {
        providerId_ = std::move(vData);
    }
    std::string ProtocolName() const {
        return protocolName_;
    }
    void ProtocolName(std::string vData) {
        protocolName_ = std::move(vData);
    }

    static constexpr std::size_t kFlagCount = 21;
    static constexpr std::size_t kServiceFlagCount = 18;
    static constexpr std::size_t kNumberCount = 11;

  private:
    std::array<bool, kFlagCount> flags_{};
    std::array<std::int32_t, kNumberCount> numbers_{};
    std::string providerId_;
    std::string protocolName_;
};

// Where the record keeps what CProtocol holds.
inline constexpr std::size_t kServiceFlagsOffset = 0;
inline constexpr std::size_t kProviderFlagsOffset = 16;
inline constexpr std::size_t kProviderIdOffset = 20;
inline constexpr std::size_t kProtocolNameOffset = 116;
inline constexpr std::size_t kProtocolNameLength = 256;
// Each numeric property's field, in property order.
inline constexpr std::array<std::size_t, CProtocol::kNumberCount> kNumberOffsets = {
    36, 72, 76, 80, 84, 88, 92, 96, 100, 104, 108};

// The record's bit for each flag property, in property order: 18 service
// bits (0x00004000 is not among them), then 3 provider bits (0x4 is not).
inline constexpr std::array<std::uint32_t, CProtocol::kFlagCount> kProtocolFlagBits = {
    0x00000001, 0x00000002, 0x00000004, 0x00000008, 0x00000010, 0x00000020,
    0x00000040, 0x00000080, 0x00000100, 0x00000200, 0x00000400, 0x00000800,
    0x00001000, 0x00002000, 0x00008000, 0x00010000, 0x00020000, 0x00040000, // dwServiceFlags1
    0x00000001, 0x00000002, 0x00000008,                                     // dwProviderFlags
};

} // namespace quorin
