// Any command line: reading it never fails, a usable address has a port
// from 1 to 65535, and the texts come from the line itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "console/command_line.h"
#include "console/form1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const quorin::CommandLineAddress a = quorin::ReadCommandLine(quorin::ArgumentText(line));
    if (a.IsUsable() && (*a.port == 0 || a.serverIP.empty()))
        std::abort();
    if (!a.needsDialog && a.serverIP.size() > size)
        std::abort();
    if (a.port && quorin::ParsePort(a.serverPort) != a.port)
        std::abort();
    (void)quorin::BadAddressText(a.serverIP, a.serverPort);
    return 0;
}
