// Protocol records unpacked into CProtocol, GUID text, the UDP port
// conversion, and the catalogue over hand-made Winsock answers.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "net/protocols.h"
#include "net/udp.h"
#include "tests/support/scripted_sockets.h"

namespace quorin {
namespace {

ProtocolRecord MakeRecord(std::uint32_t service, std::uint32_t provider, std::int32_t catalogId,
                          const char* name) {
    ProtocolRecord r{};
    auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, service);
    put(4, 0xFFFFFFFF); // dwServiceFlags2..4 and the chain are not carried
    put(16, provider);
    for (std::size_t i = 0; i < 16; ++i)
        r[20 + i] = static_cast<std::uint8_t>(0xA0 + i);
    put(36, static_cast<std::uint32_t>(catalogId));
    put(40, 0xFFFFFFFF);
    for (std::size_t k = 0; k < 11; ++k) // iVersion .. dwProviderReserved after the id
        put(72 + 4 * k, static_cast<std::uint32_t>(100 + k));
    std::strcpy(reinterpret_cast<char*>(r.data() + 116), name);
    return r;
}

// Every flag as 0 or 1, in kProtocolFlagBits' order.
template <typename... Bits> std::string Text(Bits... bits) {
    return {static_cast<char>('0' + bits)...};
}
std::string Flags(const CProtocol& p) {
    return Text(p.Connectionless(), p.GuaranteedDelivery(), p.GuaranteedOrder(),
                p.MessageOriented(), p.PseudoStream(), p.GracefulClose(), p.ExpeditedData(),
                p.ConnectData(), p.DisconnectData(), p.SupportBroadcast(), p.SupportMultipoint(),
                p.MultipointControlPlane(), p.MultipointDataPlane(), p.QoSSupport(), p.UniSend(),
                p.UniRecv(), p.IFSHandles(), p.PartialMessage(), p.MultipleProtoEntries(),
                p.RecommendedProtoEntry(), p.MatchesProtocolZero());
}
std::string Only(std::initializer_list<std::size_t> set) {
    std::string flags(CProtocol::kFlagCount, '0');
    for (std::size_t i : set)
        flags[i] = '1';
    return flags;
}

TEST(CProtocol, EachPropertyComesFromItsOwnField) {
    PortableGuidText guids;
    // One flag set at a time, in its own word: a flag read from another bit,
    // or from the other word, shows as a wrong vector.
    for (std::size_t i = 0; i < CProtocol::kFlagCount; ++i) {
        const bool service = i < CProtocol::kServiceFlagCount;
        CProtocol p;
        p.Unpack(MakeRecord(service ? kProtocolFlagBits[i] : 0, service ? 0 : kProtocolFlagBits[i],
                            1, "x"),
                 guids);
        EXPECT_EQ(Flags(p), Only({i})) << i;
    }
    CProtocol p;
    p.Unpack(MakeRecord(0x00004000, 0x00000004, 1, "x"), guids); // XP1_INTERRUPT, PFL_HIDDEN
    EXPECT_EQ(Flags(p), Only({}));

    // Every number field holds a value of its own.
    p.Unpack(MakeRecord(0, 0, -1, "MSAFD Tcpip [UDP/IP]"), guids);
    EXPECT_EQ((std::vector{p.CatalogEntryId(), p.Version(), p.AddressFamily(), p.MaxSockAddr(),
                           p.MinSockAddr(), p.SocketType(), p.Protocol(), p.ProtocolMaxOffset(),
                           p.NetworkByteOrder(), p.SecurityScheme(), p.MessageSize()}),
              (std::vector<std::int32_t>{-1, 100, 101, 102, 103, 104, 105, 106, 107, 108, 109}));
    EXPECT_EQ(p.ProtocolName(), "MSAFD Tcpip [UDP/IP]");
    EXPECT_EQ(p.ProviderId(), "{A3A2A1A0-A5A4-A7A6-A8A9-AAABACADAEAF}");

    // A second unpack replaces everything; a name without its end stops at its field's.
    ProtocolRecord other = MakeRecord(0xFFFFFFFF, 0, 7, "");
    other[108] = other[109] = other[110] = other[111] = 0xFF; // dwMessageSize 0xFFFFFFFF
    std::fill(other.begin() + 116, other.end(), 'x');
    p.Unpack(other, guids);
    EXPECT_EQ(Flags(p), Only({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}));
    EXPECT_EQ(p.CatalogEntryId(), 7);
    EXPECT_EQ(p.MessageSize(), -1);
    EXPECT_EQ(p.ProtocolName(), std::string(kProtocolRecordSize - 116, 'x'));
}

TEST(UnsignedToInteger, KeepsTheLow16BitsAndRejectsOutOfRange) {
    const std::pair<std::int64_t, std::int16_t> cases[] = {
        {0, 0}, {80, 80}, {32767, 32767}, {32768, -32768}, {65535, -1}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(UnsignedToInteger(in), out) << in;
    EXPECT_THROW(UnsignedToInteger(65536), std::overflow_error);
    EXPECT_THROW(UnsignedToInteger(-1), std::overflow_error);
}

TEST(CProtocols, LoadsEveryEntryInBufferOrderOrNothingAndSaysWhatFailed) {
    test::ScriptedSockets api;
    PortableGuidText guids;
    test::RecordingBox box;
    EXPECT_EQ(CProtocols(api, guids, box).Count(), 0);
    api.records.push_back(MakeRecord(0, 0, 1, "one"));
    EXPECT_EQ(CProtocols(api, guids, box).Count(), 1);
    api.records.clear();
    // More than the 89 entries that a 16-bit offset could reach.
    for (int i = 0; i < 120; ++i)
        api.records.push_back(MakeRecord(i == 5 ? 0x00010000 : 0, 0, 1000 + i, "p"));
    api.cleanups = 0;
    {
        CProtocols catalogue(api, guids, box);
        ASSERT_EQ(catalogue.Count(), 120);
        for (long i = 1; i <= 120; ++i)
            EXPECT_EQ(catalogue.Item(i)->CatalogEntryId(), 999 + i);
        EXPECT_EQ(Flags(*catalogue.Item(6L)), Only({15})); // UniRecv
        EXPECT_EQ(api.cleanups, 0);
        // A socket's information that cannot be had: the catalogue's own text.
        const std::pair<int, std::string> failures[] = {
            {10038, ""}, // WSAENOTSOCK is not in the catalogue's table
            {10093, "A successful WSAStartup call must occur before using this function."},
            {10014, "The name parameter is not a valid part of the user address space."},
        };
        for (const auto& [code, text] : failures) {
            box.shown.clear();
            api.infoError = code;
            EXPECT_EQ(catalogue.GetProtocolInfoBySocketHandle(42), nullptr);
            EXPECT_EQ(box.shown, (std::vector<test::RecordingBox::Shown>{
                                     {text, "Quorin", kMbOk | kMbIconExclamation}}));
        }
        box.shown.clear();
        api.infoError = 0; // and one that can: a new protocol, nothing shown
        const auto info = catalogue.GetProtocolInfoBySocketHandle(42);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->AddressFamily(), kAfInet);
        EXPECT_TRUE(box.shown.empty());
    }
    EXPECT_EQ(api.cleanups, 1);
    // The size is learnt, then the enumeration itself fails: no zero-filled entries.
    api.secondEnumerationFails = true;
    api.enumerations = 0;
    EXPECT_EQ(CProtocols(api, guids, box).Count(), 0);
    EXPECT_TRUE(box.shown.empty());

    api.startup = 10091; // WSASYSNOTREADY
    api.cleanups = 0;
    try {
        CProtocols catalogue(api, guids, box);
        FAIL() << "constructed without Winsock";
    } catch (const NumberedError& e) {
        EXPECT_EQ(std::to_string(e.Number()) + " " + e.what(),
                  std::to_string(static_cast<long>(0x80040201)) +
                      " Cannot start up the Winsock service.");
    }
    EXPECT_EQ(api.cleanups, 0);
}

TEST(CatalogueErrorText, NamesEachCodeOfItsOwnTableAndNoOther) {
    const std::pair<int, const char*> table[] = {
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
    int next = 10000;
    for (const auto& [code, text] : table) {
        for (; next < code; ++next)
            EXPECT_EQ(CatalogueErrorText(next), "") << next;
        EXPECT_EQ(CatalogueErrorText(code), text) << code;
        next = code + 1;
    }
    EXPECT_EQ(CatalogueErrorText(11005), "");
}

} // namespace
} // namespace quorin
