#include "net/win32/winsock_api.h"

#include <cstring>

#include "common/win32/system_dll.h"
#include "common/win32/win.h"

#include <objbase.h>

#include <cstddef>

#include "net/protocol.h"

namespace quorin::win32 {

// The portable core's copies of Winsock's numbers and record layout.
static_assert(kAfInet == AF_INET && kSockDgram == SOCK_DGRAM && kIpprotoUdp == IPPROTO_UDP);
static_assert(kInaddrNone == INADDR_NONE && kSocketError == SOCKET_ERROR);
static_assert(kWsaeNoBufs == WSAENOBUFS && sizeof(SocketAddress) == sizeof(sockaddr_in));
static_assert(kProtocolRecordSize == sizeof(WSAPROTOCOL_INFOA));
static_assert(kServiceFlagsOffset == offsetof(WSAPROTOCOL_INFOA, dwServiceFlags1) &&
              kProviderFlagsOffset == offsetof(WSAPROTOCOL_INFOA, dwProviderFlags) &&
              kProviderIdOffset == offsetof(WSAPROTOCOL_INFOA, ProviderId) &&
              kProtocolNameOffset == offsetof(WSAPROTOCOL_INFOA, szProtocol) &&
              kProtocolNameLength == WSAPROTOCOL_LEN + 1);
static_assert(
    kNumberOffsets ==
    std::array<std::size_t, CProtocol::kNumberCount>{
        offsetof(WSAPROTOCOL_INFOA, dwCatalogEntryId), offsetof(WSAPROTOCOL_INFOA, iVersion),
        offsetof(WSAPROTOCOL_INFOA, iAddressFamily), offsetof(WSAPROTOCOL_INFOA, iMaxSockAddr),
        offsetof(WSAPROTOCOL_INFOA, iMinSockAddr), offsetof(WSAPROTOCOL_INFOA, iSocketType),
        offsetof(WSAPROTOCOL_INFOA, iProtocol), offsetof(WSAPROTOCOL_INFOA, iProtocolMaxOffset),
        offsetof(WSAPROTOCOL_INFOA, iNetworkByteOrder),
        offsetof(WSAPROTOCOL_INFOA, iSecurityScheme), offsetof(WSAPROTOCOL_INFOA, dwMessageSize)});
static_assert(kProtocolFlagBits ==
              std::array<std::uint32_t, CProtocol::kFlagCount>{XP1_CONNECTIONLESS,
                                                               XP1_GUARANTEED_DELIVERY,
                                                               XP1_GUARANTEED_ORDER,
                                                               XP1_MESSAGE_ORIENTED,
                                                               XP1_PSEUDO_STREAM,
                                                               XP1_GRACEFUL_CLOSE,
                                                               XP1_EXPEDITED_DATA,
                                                               XP1_CONNECT_DATA,
                                                               XP1_DISCONNECT_DATA,
                                                               XP1_SUPPORT_BROADCAST,
                                                               XP1_SUPPORT_MULTIPOINT,
                                                               XP1_MULTIPOINT_CONTROL_PLANE,
                                                               XP1_MULTIPOINT_DATA_PLANE,
                                                               XP1_QOS_SUPPORTED,
                                                               XP1_UNI_SEND,
                                                               XP1_UNI_RECV,
                                                               XP1_IFS_HANDLES,
                                                               XP1_PARTIAL_MESSAGE,
                                                               PFL_MULTIPLE_PROTO_ENTRIES,
                                                               PFL_RECOMMENDED_PROTO_ENTRY,
                                                               PFL_MATCHES_PROTOCOL_ZERO});

// Descriptors travel as 32-bit values; INVALID_SOCKET becomes -1. A handle
// stands for the socket it was made as until that one is replaced.
SOCKET WinsockApi::Native(SocketHandle s) const {
    const auto it = sockets_.find(s);
    return it != sockets_.end() ? it->second.native.Get()
                                : static_cast<SOCKET>(static_cast<std::intptr_t>(s));
}

bool WinsockApi::Replace(Entry& entry) {
    UniqueSocket fresh(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    if (!fresh)
        return false;
    sockaddr_in sa{};
    std::memcpy(&sa, entry.peer.data(), sizeof sa);
    if (::connect(fresh.Get(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0)
        return false;
    entry.native = std::move(fresh); // the old one closed
    entry.seen = 0;
    return true;
}

int WinsockApi::Startup(std::uint16_t version) {
    WSADATA data{};
    return ::WSAStartup(version, &data);
}

void WinsockApi::Cleanup() {
    ::WSACleanup();
}

SocketHandle WinsockApi::Socket(int family, int type, int protocol) {
    UniqueSocket s(::socket(family, type, protocol));
    if (!s)
        return kNoSocket;
    const auto handle = static_cast<SocketHandle>(s.Get());
    sockets_[handle].native = std::move(s);
    return handle;
}

int WinsockApi::Close(SocketHandle socket) {
    const SOCKET native = Native(socket);
    if (const auto it = sockets_.find(socket); it != sockets_.end()) {
        it->second.native.Release(); // closed below, for the result
        sockets_.erase(it);
    }
    return ::closesocket(native);
}

std::uint32_t WinsockApi::InetAddr(const std::string& host) {
    return ::inet_addr(host.c_str());
}

std::optional<std::uint32_t> WinsockApi::HostByName(const std::string& host) {
    const hostent* entry = ::gethostbyname(host.c_str());
    if (!entry || entry->h_length != 4 || !entry->h_addr_list || !entry->h_addr_list[0])
        return std::nullopt;
    std::uint32_t address = 0;
    std::memcpy(&address, entry->h_addr_list[0], 4);
    return address;
}

int WinsockApi::Connect(SocketHandle socket, const SocketAddress& address) {
    sockaddr_in sa{};
    static_assert(sizeof sa == sizeof address);
    std::memcpy(&sa, address.data(), sizeof sa);
    const int result = ::connect(Native(socket), reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    if (const auto it = sockets_.find(socket); it != sockets_.end() && result == 0)
        it->second.peer = address, it->second.connected = true;
    return result;
}

int WinsockApi::Select(SocketHandle socket, bool forWriting) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(Native(socket), &set);
    fd_set empty1;
    fd_set empty2;
    FD_ZERO(&empty1);
    FD_ZERO(&empty2);
    timeval now{0, 0};
    if (forWriting)
        return ::select(0, &empty1, &set, &empty2, &now);
    const int ready = ::select(0, &set, &empty1, &empty2, &now);
    if (ready != 0)
        return ready;
    const auto it = sockets_.find(socket);
    if (it == sockets_.end())
        return 0;
    Entry& entry = it->second;
    if (entry.pending)
        return 1;
    int error = 0;
    int length = sizeof error;
    if (::getsockopt(entry.native.Get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                     &length) == 0 &&
        error != 0 && error != entry.seen) {
        entry.seen = error;
        entry.pending = true;
        return 1;
    }
    return 0;
}

int WinsockApi::Send(SocketHandle socket, const std::uint8_t* data, int length) {
    return ::send(Native(socket), reinterpret_cast<const char*>(data), length, 0);
}

int WinsockApi::Recv(SocketHandle socket, std::uint8_t* buffer, int length) {
    if (auto it = sockets_.find(socket); it != sockets_.end() && it->second.pending) {
        Entry& entry = it->second;
        entry.pending = false;
        // A refusal reads as Windows reports it; any other error as itself.
        const int error = entry.seen;
        if (entry.connected)
            Replace(entry); // so that the next refusal is seen too
        ::WSASetLastError(error == WSAECONNREFUSED ? WSAECONNRESET : error);
        return SOCKET_ERROR;
    }
    return ::recv(Native(socket), reinterpret_cast<char*>(buffer), length, 0);
}

int WinsockApi::GetProtocolInfo(SocketHandle socket, std::uint8_t* record, int& length) {
    static_assert(sizeof(WSAPROTOCOL_INFOA) == kProtocolRecordSize);
    return ::getsockopt(Native(socket), SOL_SOCKET, SO_PROTOCOL_INFOA,
                        reinterpret_cast<char*>(record), &length);
}

int WinsockApi::EnumProtocols(std::uint8_t* buffer, std::uint32_t& length) {
    DWORD size = length;
    const int count =
        ::WSAEnumProtocolsA(nullptr, reinterpret_cast<WSAPROTOCOL_INFOA*>(buffer), &size);
    length = size;
    return count;
}

int WinsockApi::LastError() {
    return ::WSAGetLastError();
}

std::string Ole32GuidText::GuidToString(const Guid& guid) {
    GUID g{};
    g.Data1 = guid.data1;
    g.Data2 = guid.data2;
    g.Data3 = guid.data3;
    std::memcpy(g.Data4, guid.data4.data(), 8);
    wchar_t wide[40] = {};
    const auto format = Ole32().Find<decltype(::StringFromGUID2)>("StringFromGUID2");
    if (!format || format(g, wide, 40) <= 0)
        return {};
    // The text is ASCII: hex digits, braces and hyphens.
    std::string text;
    for (const wchar_t* c = wide; *c; ++c)
        text.push_back(static_cast<char>(*c));
    return text;
}

} // namespace quorin::win32
