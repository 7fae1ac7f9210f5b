// The machine's Winsock protocol catalogue as a keyed collection of
// CProtocol objects, loaded once when the catalogue is made.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "common/keyed_collection.h"
#include "common/message_box.h"
#include "common/numbered_error.h"
#include "net/protocol.h"

namespace quorin {

inline constexpr long kErrCannotStartWinsock = static_cast<long>(0x80040201);

class CProtocols {
  public:
    // Starts Winsock 2.2 and loads every catalogue entry. Throws
    // NumberedError 0x80040201 "Cannot start up the Winsock service." when
    // Winsock does not start.
    CProtocols(ISocketApi& api, IGuidText& guids, IMessageBox& box);
    ~CProtocols();
    CProtocols(const CProtocols&) = delete;
    CProtocols& operator=(const CProtocols&) = delete;

    std::shared_ptr<CProtocol>
    Add(bool Connectionless, bool GuaranteedDelivery, bool GuaranteedOrder, bool MessageOriented,
        bool PseudoStream, bool GracefulClose, bool ExpeditedData, bool ConnectData,
        bool DisconnectData, bool SupportBroadcast, bool SupportMultipoint,
        bool MultipointControlPlane, bool MultipointDataPlane, bool QoSSupport, bool UniSend,
        bool UniRecv, bool IFSHandles, bool PartialMessage, bool MultipleProtoEntries,
        bool RecommendedProtoEntry, bool MatchesProtocolZero, const std::string& ProviderId,
        std::int32_t CatalogEntryId, std::int32_t Version, std::int32_t AddressFamily,
        std::int32_t MaxSockAddr, std::int32_t MinSockAddr, std::int32_t SocketType,
        std::int32_t Protocol, std::int32_t ProtocolMaxOffset, std::int32_t NetworkByteOrder,
        std::int32_t SecurityScheme, std::int32_t MessageSize, const std::string& ProtocolName,
        const std::string& sKey = {});

    // Raise CollectionError for a position outside 1..Count or an unknown key.
    std::shared_ptr<CProtocol> Item(const IndexOrKey& vntIndexKey) const {
        return members_.Item(vntIndexKey);
    }
    long Count() const { return members_.Count(); }
    void Remove(const IndexOrKey& vntIndexKey) { members_.Remove(vntIndexKey); }
    template <typename F> void ForEach(F&& visit) const { members_.ForEach(visit); }

    // A new CProtocol for the socket's protocol, not added to the catalogue;
    // null after showing the Winsock error in a warning box.
    std::shared_ptr<CProtocol> GetProtocolInfoBySocketHandle(SocketHandle lngSocket);

  private:
    void LoadProtocols();
    void ReportWinsockError(int code);

    ISocketApi& api_;
    IGuidText& guids_;
    IMessageBox& box_;
    KeyedCollection<CProtocol> members_;
};

// The catalogue's own sentence for a Winsock error; empty for other codes.
std::string_view CatalogueErrorText(int code);

} // namespace quorin
