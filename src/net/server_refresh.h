// One refresh of the list of servers: every master asked for both
// versions, every server it names asked with getinfo, over one unconnected
// UDP socket. Runs on a thread of its own, reporting what arrives to a sink;
// the socket and the clock are interfaces so that tests can script them.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "net/info_reply.h"
#include "net/master_list.h"

namespace quorin {

// The one socket of a refresh, unconnected, bound to any local port.
class IDatagramSocket {
  public:
    virtual ~IDatagramSocket() = default;
    // The IPv4 address of a host name; nothing when it has none.
    virtual std::optional<std::uint32_t> Resolve(const std::string& host) = 0;
    virtual bool SendTo(ServerAddress to, std::string_view datagram) = 0;
    // Waits at most `timeoutMicros` for one datagram; gives it with its
    // sender and the clock read the moment it arrived.
    struct Arrival {
        ServerAddress from;
        std::string datagram;
        std::int64_t atMicros = 0;
    };
    virtual std::optional<Arrival> Receive(std::int64_t timeoutMicros) = 0;
    // The clock the arrival times are read from, in microseconds.
    virtual std::int64_t NowMicros() = 0;
};

// What a refresh reports, from its own thread, in the order it happens.
class IRefreshSink {
  public:
    virtual ~IRefreshSink() = default;
    // A master's outcome: its name could not be resolved, it sent no list
    // before its time ran out, or its list ended (marker or time).
    enum class MasterOutcome { Unresolved, Silent, Listed };
    virtual void MasterDone(std::size_t master, MasterOutcome outcome, std::size_t servers) = 0;
    // A server new to the list, asked next.
    virtual void ServerListed(ServerAddress server) = 0;
    virtual void ServerAnswered(ServerAddress server, const ServerInfo& info, int pingMs) = 0;
    virtual void ServerSilent(ServerAddress server) = 0;
    // The status reply of a server that answered, for its players; not
    // called when the server never sends one.
    virtual void ServerStatus(ServerAddress, std::string_view /*datagram*/) {}
};

struct RefreshLimits {
    std::size_t inFlight = 64;            // getinfo requests waiting at once
    int attempts = 3;                     // getinfo requests per server
    int statusAttempts = 2;               // getstatus requests per server that answered
    std::int64_t retryMicros = 1'000'000; // between a server's requests
    std::int64_t masterRetryMicros = 1'500'000;
    std::int64_t masterTimeMicros = 5'000'000; // a master's list, from its first request
    std::size_t masterCap = kMasterRecordCap;
    std::size_t masters = 16; // masters asked at most; the rest are left out
};

class ServerRefresh {
  public:
    ServerRefresh(IDatagramSocket& socket, IRefreshSink& sink, std::uint64_t seed,
                  RefreshLimits limits = {})
        : socket_(socket), sink_(sink), random_(seed), limits_(limits) {}

    // Runs until every master and every server has had its answer or its
    // time, or until `stop` is set. The `direct` servers (the player's own)
    // are listed and asked first, whatever the masters say.
    void Run(const std::vector<MasterName>& masters, const std::atomic<bool>& stop,
             const std::vector<ServerAddress>& direct = {});

  private:
    struct Master {
        std::optional<ServerAddress> address;
        std::int64_t firstAsked = 0;
        std::int64_t lastAsked = 0;
        bool asked = false;
        int markers = 0;
        bool answered = false;
        bool done = false;
        std::size_t servers = 0;       // the servers it named, once each
        std::set<ServerAddress> named; // the same, while its list comes
    };
    struct Query {
        std::vector<std::pair<std::string, std::int64_t>> asked; // challenge, when
        bool done = false;
        std::vector<std::int64_t> statusAsked; // once it answered: getstatus, when
        bool statusDone = false;
    };

    void AskMasters(std::int64_t now);
    void AskServers(std::int64_t now);
    void AskStatuses(std::int64_t now);
    void Take(const IDatagramSocket::Arrival& arrival);
    // Lists `server` and queues it, unless it is listed already.
    bool List(ServerAddress server);
    std::int64_t NextDue(std::int64_t now) const;
    bool Finished() const;

    IDatagramSocket& socket_;
    IRefreshSink& sink_;
    std::mt19937_64 random_;
    RefreshLimits limits_;
    std::vector<Master> masters_;
    std::optional<MasterMerge> merge_;
    std::map<ServerAddress, Query> queries_;
    std::vector<ServerAddress> queue_; // listed, not yet asked
    std::size_t nextInQueue_ = 0;
    std::vector<ServerAddress> inFlight_;    // asked, neither answered nor given up
    std::vector<ServerAddress> statusQueue_; // answered, status not yet asked
    std::size_t nextStatus_ = 0;
    std::vector<ServerAddress> statusInFlight_;
};

} // namespace quorin
