// The registry that the shared registry tests run against: the in-memory
// store natively, the real registry (32-bit view) under Wine. Seeding goes
// around the code under test, so that any type and size can be planted.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "install/registry_api.h"
#include "install/registry_value.h"

namespace quorin::test {

class RegistryBackend {
  public:
    virtual ~RegistryBackend() = default;
    virtual IRegistryApi& Api() = 0;
    // Paths are below HKEY_LOCAL_MACHINE.
    virtual void CreateKey(const std::string& path) = 0;
    virtual void PutRaw(const std::string& path, const std::string& name, std::uint32_t type,
                        const ByteArray& bytes) = 0;
    virtual std::optional<RegistryData> GetRaw(const std::string& path,
                                               const std::string& name) = 0;
    virtual void DeleteKeyTree(const std::string& path) = 0;
    // False where the store cannot refuse writes (Wine run as root ignores
    // key security).
    virtual bool MakeReadOnly(const std::string& path) = 0;
    // The keys opened and not yet closed, and the values queried, where the
    // store counts them (the in-memory one does).
    virtual std::optional<std::pair<int, int>> Counts() { return std::nullopt; }
};

std::unique_ptr<RegistryBackend> MakeRegistryBackend();

} // namespace quorin::test
