#include "net/server_refresh.h"

#include <algorithm>

#include "net/status_reply.h"

namespace quorin {
namespace {

// The longest wait for a datagram, so that a stop is seen soon.
constexpr std::int64_t kLongestWait = 100'000;

} // namespace

void ServerRefresh::Run(const std::vector<MasterName>& masters, const std::atomic<bool>& stop,
                        const std::vector<ServerAddress>& direct) {
    masters_.assign(std::min(masters.size(), limits_.masters), Master{});
    merge_.emplace(masters_.size(), limits_.masterCap);
    for (const ServerAddress server : direct)
        if (CanBeGameServer(server))
            List(server);
    for (std::size_t i = 0; i < masters_.size(); ++i) {
        // A dotted address is taken as it is: a name alone goes to the resolver.
        std::optional<ServerAddress> address = ParseAddressText(masters[i].host, masters[i].port);
        if (!address)
            if (const auto ip = socket_.Resolve(masters[i].host))
                address = ServerAddress{*ip, masters[i].port};
        masters_[i].address = address;
        if (!address) {
            masters_[i].done = true;
            sink_.MasterDone(i, IRefreshSink::MasterOutcome::Unresolved, 0);
        }
    }
    while (!stop.load()) {
        const std::int64_t now = socket_.NowMicros();
        AskMasters(now);
        AskServers(now);
        AskStatuses(now);
        if (Finished())
            return;
        const std::int64_t wait = std::clamp<std::int64_t>(NextDue(now) - now, 0, kLongestWait);
        if (auto arrival = socket_.Receive(wait))
            Take(*arrival);
    }
}

void ServerRefresh::AskMasters(std::int64_t now) {
    for (std::size_t i = 0; i < masters_.size(); ++i) {
        Master& m = masters_[i];
        if (m.done)
            continue;
        const bool first = !m.asked;
        if (!first && now - m.firstAsked >= limits_.masterTimeMicros) {
            m.done = true;
            sink_.MasterDone(i,
                             m.answered ? IRefreshSink::MasterOutcome::Listed
                                        : IRefreshSink::MasterOutcome::Silent,
                             m.servers);
            continue;
        }
        if (first || (!m.answered && now - m.lastAsked >= limits_.masterRetryMicros)) {
            for (const int protocol : {kProtocol100, kProtocol101})
                socket_.SendTo(*m.address, MasterRequest(protocol));
            if (first)
                m.firstAsked = now;
            m.asked = true;
            m.lastAsked = now;
        }
    }
}

void ServerRefresh::AskServers(std::int64_t now) {
    const auto ask = [&](ServerAddress server, Query& query) {
        std::string challenge = ChallengeText(random_());
        const std::string request = InfoRequest(challenge);
        query.asked.emplace_back(std::move(challenge), socket_.NowMicros());
        socket_.SendTo(server, request);
    };
    // The servers waiting: asked again after their time, or given up.
    std::erase_if(inFlight_, [&](ServerAddress server) {
        Query& query = queries_.at(server);
        if (query.done)
            return true;
        if (now - query.asked.back().second < limits_.retryMicros)
            return false;
        if (query.asked.size() < static_cast<std::size_t>(limits_.attempts)) {
            ask(server, query);
            return false;
        }
        query.done = true;
        sink_.ServerSilent(server);
        return true;
    });
    while (inFlight_.size() < limits_.inFlight && nextInQueue_ < queue_.size()) {
        const ServerAddress server = queue_[nextInQueue_++];
        ask(server, queries_.at(server));
        inFlight_.push_back(server);
    }
}

void ServerRefresh::AskStatuses(std::int64_t now) {
    // The same politeness as getinfo: retries spaced, a bounded number waiting.
    std::erase_if(statusInFlight_, [&](ServerAddress server) {
        Query& query = queries_.at(server);
        if (query.statusDone)
            return true;
        if (now - query.statusAsked.back() < limits_.retryMicros)
            return false;
        if (query.statusAsked.size() < static_cast<std::size_t>(limits_.statusAttempts)) {
            query.statusAsked.push_back(socket_.NowMicros());
            socket_.SendTo(server, kStatusRequest);
            return false;
        }
        query.statusDone = true;
        return true;
    });
    while (statusInFlight_.size() < limits_.inFlight && nextStatus_ < statusQueue_.size()) {
        const ServerAddress server = statusQueue_[nextStatus_++];
        queries_.at(server).statusAsked.push_back(socket_.NowMicros());
        socket_.SendTo(server, kStatusRequest);
        statusInFlight_.push_back(server);
    }
}

void ServerRefresh::Take(const IDatagramSocket::Arrival& arrival) {
    const std::string_view datagram = arrival.datagram;
    if (datagram.starts_with(kMasterReplyHeader)) {
        // Only from a master asked, at the address and port asked, in its time.
        for (std::size_t i = 0; i < masters_.size(); ++i) {
            Master& m = masters_[i];
            if (!m.asked || m.address != arrival.from ||
                arrival.atMicros - m.firstAsked >= limits_.masterTimeMicros)
                continue;
            const MasterReply reply = ParseMasterReply(datagram);
            m.answered = true;
            for (const ServerAddress server : merge_->Take(i, m.address->ip, reply))
                List(server);
            // What it gave, the servers other masters gave too included.
            for (const ServerAddress server : reply.records)
                if (m.named.size() < limits_.masterCap && MasterMayName(m.address->ip, server))
                    m.named.insert(server);
            m.servers = m.named.size();
            // One marker for each version's list, unless the master is full.
            if ((reply.endMarker && ++m.markers >= 2) || merge_->Full(i)) {
                if (!m.done)
                    sink_.MasterDone(i, IRefreshSink::MasterOutcome::Listed, m.servers);
                m.done = true;
                m.named.clear();
            }
            return;
        }
        return;
    }
    if (datagram.starts_with(kStatusHeader)) {
        // Once, from a server whose status was asked.
        const auto found = queries_.find(arrival.from);
        if (found == queries_.end() || found->second.statusAsked.empty() ||
            found->second.statusDone)
            return;
        found->second.statusDone = true;
        sink_.ServerStatus(arrival.from, datagram);
        return;
    }
    if (!datagram.starts_with(kInfoReplyHeader))
        return;
    const auto found = queries_.find(arrival.from);
    if (found == queries_.end() || found->second.done)
        return;
    Query& query = found->second;
    for (const auto& [challenge, when] : query.asked) {
        if (const auto info = ParseInfoReply(datagram, challenge)) {
            query.done = true;
            const int pingMs = static_cast<int>((arrival.atMicros - when + 500) / 1000);
            sink_.ServerAnswered(arrival.from, *info, std::max(pingMs, 0));
            if (limits_.statusAttempts > 0)
                statusQueue_.push_back(arrival.from);
            return;
        }
    }
}

bool ServerRefresh::List(ServerAddress server) {
    if (!queries_.emplace(server, Query{}).second)
        return false;
    queue_.push_back(server);
    sink_.ServerListed(server);
    return true;
}

std::int64_t ServerRefresh::NextDue(std::int64_t now) const {
    if ((nextInQueue_ < queue_.size() && inFlight_.size() < limits_.inFlight) ||
        (nextStatus_ < statusQueue_.size() && statusInFlight_.size() < limits_.inFlight))
        return now;
    std::int64_t due = now + kLongestWait;
    for (const Master& m : masters_) {
        if (m.done || !m.asked)
            continue;
        due = std::min(due, m.firstAsked + limits_.masterTimeMicros);
        if (!m.answered)
            due = std::min(due, m.lastAsked + limits_.masterRetryMicros);
    }
    for (const ServerAddress server : inFlight_)
        due = std::min(due, queries_.at(server).asked.back().second + limits_.retryMicros);
    for (const ServerAddress server : statusInFlight_)
        due = std::min(due, queries_.at(server).statusAsked.back() + limits_.retryMicros);
    return due;
}

bool ServerRefresh::Finished() const {
    return inFlight_.empty() && nextInQueue_ == queue_.size() && statusInFlight_.empty() &&
           nextStatus_ == statusQueue_.size() &&
           std::all_of(masters_.begin(), masters_.end(), [](const Master& m) { return m.done; });
}

} // namespace quorin
