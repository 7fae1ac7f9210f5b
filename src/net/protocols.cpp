#include "net/protocols.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

namespace quorin {

namespace {

constexpr std::pair<int, std::string_view> kCatalogueErrors[] = {
    {10014, "The name parameter is not a valid part of the user address space."},
    {10024, "No more socket descriptors are available."},
    {10041, "The specified protocol is the wrong type for this socket."},
    {10043, "The specified protocol is not supported."},
    {10044, "The specified socket type is not supported in this address family."},
    {10047, "The specified address family is not supported."},
    {10050, "The network subsystem has failed."},
    {10055, "No buffer space is available. The socket cannot be created."},
    {10093, "A successful WSAStartup call must occur before using this function."},
    {11001, "Authoritative answer host not found."},
    {11002, "Nonauthoritative host not found, or server failure."},
    {11003, "A nonrecoverable error occurred."},
    {11004, "Valid name, no data record of requested type."},
};

} // namespace

std::string_view CatalogueErrorText(int code) {
    for (const auto& [number, text] : kCatalogueErrors)
        if (number == code)
            return text;
    return {};
}

CProtocols::CProtocols(ISocketApi& api, IGuidText& guids, IMessageBox& box)
    : api_(api), guids_(guids), box_(box) {
    if (api_.Startup(0x0202) != 0)
        throw NumberedError(kErrCannotStartWinsock, "Cannot start up the Winsock service.");
    try {
        LoadProtocols();
    } catch (...) {
        api_.Cleanup();
        throw;
    }
}

CProtocols::~CProtocols() {
    members_ = {};
    api_.Cleanup();
}

void CProtocols::LoadProtocols() {
    // The first call only learns the size needed.
    std::vector<std::uint8_t> buffer(2);
    std::uint32_t length = 0;
    api_.EnumProtocols(buffer.data(), length);
    if (length == 0)
        return; // nothing to hold: an empty catalogue
    buffer.assign(length, 0);
    const int count = api_.EnumProtocols(buffer.data(), length);
    if (count < 1)
        return;
    // Every entry is loaded, however many there are; a count that the
    // buffer cannot hold is cut to what it holds.
    const std::size_t entries =
        std::min<std::size_t>(static_cast<std::size_t>(count), buffer.size() / kProtocolRecordSize);
    for (std::size_t i = 0; i < entries; ++i) {
        ProtocolRecord record;
        std::memcpy(record.data(), buffer.data() + i * kProtocolRecordSize, record.size());
        auto protocol = std::make_shared<CProtocol>();
        protocol->Unpack(record, guids_);
        members_.Add(std::move(protocol));
    }
}

std::shared_ptr<CProtocol> CProtocols::GetProtocolInfoBySocketHandle(SocketHandle lngSocket) {
    auto protocol = std::make_shared<CProtocol>();
    if (!protocol->GetBySocketHandle(api_, guids_, lngSocket)) {
        ReportWinsockError(api_.LastError());
        return nullptr;
    }
    return protocol;
}

void CProtocols::ReportWinsockError(int code) {
    box_.Show(std::string(CatalogueErrorText(code)), kAppTitle, kMbOk | kMbIconExclamation);
}

std::shared_ptr<CProtocol> CProtocols::Add(
    bool Connectionless, bool GuaranteedDelivery, bool GuaranteedOrder, bool MessageOriented,
    bool PseudoStream, bool GracefulClose, bool ExpeditedData, bool ConnectData,
    bool DisconnectData, bool SupportBroadcast, bool SupportMultipoint, bool MultipointControlPlane,
    bool MultipointDataPlane, bool QoSSupport, bool UniSend, bool UniRecv, bool IFSHandles,
    bool PartialMessage, bool MultipleProtoEntries, bool RecommendedProtoEntry,
    bool MatchesProtocolZero, const std::string& ProviderId, std::int32_t CatalogEntryId,
    std::int32_t Version, std::int32_t AddressFamily, std::int32_t MaxSockAddr,
    std::int32_t MinSockAddr, std::int32_t SocketType, std::int32_t Protocol,
    std::int32_t ProtocolMaxOffset, std::int32_t NetworkByteOrder, std::int32_t SecurityScheme,
    std::int32_t MessageSize, const std::string& ProtocolName, const std::string& sKey) {
    auto p = std::make_shared<CProtocol>();
    p->Connectionless(Connectionless);
    p->GuaranteedDelivery(GuaranteedDelivery);
    p->GuaranteedOrder(GuaranteedOrder);
    p->MessageOriented(MessageOriented);
    p->PseudoStream(PseudoStream);
    p->GracefulClose(GracefulClose);
    p->ExpeditedData(ExpeditedData);
    p->ConnectData(ConnectData);
    p->DisconnectData(DisconnectData);
    p->SupportBroadcast(SupportBroadcast);
    p->SupportMultipoint(SupportMultipoint);
    p->MultipointControlPlane(MultipointControlPlane);
    p->MultipointDataPlane(MultipointDataPlane);
    p->QoSSupport(QoSSupport);
    p->UniSend(UniSend);
    p->UniRecv(UniRecv);
    p->IFSHandles(IFSHandles);
    p->PartialMessage(PartialMessage);
    p->MultipleProtoEntries(MultipleProtoEntries);
    p->RecommendedProtoEntry(RecommendedProtoEntry);
    p->MatchesProtocolZero(MatchesProtocolZero);
    p->ProviderId(ProviderId);
    p->CatalogEntryId(CatalogEntryId);
    p->Version(Version);
    p->AddressFamily(AddressFamily);
    p->MaxSockAddr(MaxSockAddr);
    p->MinSockAddr(MinSockAddr);
    p->SocketType(SocketType);
    p->Protocol(Protocol);
    p->ProtocolMaxOffset(ProtocolMaxOffset);
    p->NetworkByteOrder(NetworkByteOrder);
    p->SecurityScheme(SecurityScheme);
    p->MessageSize(MessageSize);
    p->ProtocolName(ProtocolName);
    members_.Add(p, sKey);
    return p;
}

} // namespace quorin
