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
    virtual bool KeyExists(const std::string& path) = 0;
    virtual void DeleteKeyTree(const std::string& path) = 0;
    // False where the store cannot refuse writes (Wine run as root ignores
    // key security).
    virtual bool MakeReadOnly(const std::string& path) = 0;
};

std::unique_ptr<RegistryBackend> MakeRegistryBackend();

// Forwards every call and counts the keys left open.
class CountingRegistryApi : public IRegistryApi {
  public:
    explicit CountingRegistryApi(IRegistryApi& inner) : inner_(inner) {}
    long OpenKey(RegKey root, const std::string& subKey, std::uint32_t access,
                 RegKey& key) override {
        const long rc = inner_.OpenKey(root, subKey, access, key);
        if (rc == kErrorSuccess)
            ++open_;
        return rc;
    }
    long QueryValue(RegKey key, const std::string& name, std::uint32_t& type, std::uint8_t* data,
                    std::uint32_t& size) override {
        ++queries_;
        return inner_.QueryValue(key, name, type, data, size);
    }
    long EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameLength,
                   std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) override {
        return inner_.EnumValue(key, index, name, nameLength, type, data, size);
    }
    long SetValue(RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override {
        return inner_.SetValue(key, name, type, data, size);
    }
    void CloseKey(RegKey key) override {
        --open_;
        inner_.CloseKey(key);
    }
    int OpenKeys() const { return open_; }
    int Queries() const { return queries_; }

  private:
    IRegistryApi& inner_;
    int open_ = 0;
    int queries_ = 0;
};

} // namespace quorin::test
