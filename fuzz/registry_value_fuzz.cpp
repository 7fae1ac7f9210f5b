// Any registry data of any type, as another program may have stored it:
// conversion either gives a value or raises the one registry error, and a
// value that converts back is stored as the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "install/registry_value.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::uint32_t type = data[0] % 13; // REG_NONE .. REG_QWORD and a few beyond
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    try {
        const quorin::Value value = quorin::FromRegistryData(type, bytes);
        (void)quorin::TextForm(value);
        if (std::holds_alternative<std::int32_t>(value) && type == 4 && bytes.size() == 4) {
            const quorin::RegistryData back = quorin::ToRegistryData(value);
            if (back.bytes.size() != 4 || std::memcmp(back.bytes.data(), bytes.data(), 4) != 0)
                std::abort();
        }
    } catch (const quorin::RegistryError&) {
    }
    return 0;
}
