// How long a status reply takes to read, against the floor of touching every
// byte once (one memchr pass for the separators), on the same reply.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "net/status_reply.h"

namespace {

// A reply near the size a busy server sends: about 8 KB of variables.
std::string BusyReply() {
    std::string reply = "\xFF\xFF\xFF\xFFstatusResponse\n";
    for (int i = 0; reply.size() < 8000; ++i)
        reply += "\\sv_variable_" + std::to_string(i) + "\\value number " + std::to_string(i * 7);
    reply += "\\version\\JAmp: v1.0.1.0 win-x86 Oct 24 2003\n";
    return reply;
}

const std::string kReply = BusyReply();

void ParseBusyReply(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(quorin::ParseStatusReply(kReply));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kReply.size()));
}
BENCHMARK(ParseBusyReply);

void Reference_ScanSeparators(benchmark::State& state) {
    for (auto _ : state) {
        std::size_t count = 0;
        const char* at = kReply.data();
        const char* end = at + kReply.size();
        while ((at = static_cast<const char*>(std::memchr(at, '\\', end - at))) != nullptr) {
            ++count;
            ++at;
        }
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kReply.size()));
}
BENCHMARK(Reference_ScanSeparators);

} // namespace

BENCHMARK_MAIN();
