// Any record a process of the player's can write beside Quorin: the parse never
// fails, keeps only names inside a folder, and writes back what it accepts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "install/patch_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto record =
        quorin::ParseStoreRecord(std::string(reinterpret_cast<const char*>(data), size));
    if (!record)
        return 0;
    for (const auto& name : record->only101)
        if (!quorin::IsStoreName(name))
            std::abort();
    if (quorin::ParseStoreRecord(quorin::FormatStoreRecord(*record)) != record)
        std::abort();
    return 0;
}
