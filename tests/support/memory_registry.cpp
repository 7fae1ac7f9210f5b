#include "tests/support/memory_registry.h"

namespace quorin::test {

std::unique_ptr<RegistryBackend> MakeRegistryBackend() {
    return std::make_unique<MemoryRegistry>();
}

} // namespace quorin::test
