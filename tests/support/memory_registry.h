// An in-memory registry that answers the five registry calls as Windows
// does: sizes, ERROR_MORE_DATA with the size needed, types as stored, keys and
// value names without regard to letter case. Native tests stand on it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/support/registry_backend.h"

namespace quorin::test {

class MemoryRegistry : public IRegistryApi, public RegistryBackend {
  public:
    long OpenKey(RegKey root, const std::string& subKey, std::uint32_t access,
                 RegKey& key) override;
    long QueryValue(RegKey key, const std::string& name, std::uint32_t& type,
                    std::uint8_t* data, std::uint32_t& size) override;
    long EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameLength,
                   std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) override;
    long SetValue(RegKey key, const std::string& name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override;
    void CloseKey(RegKey key) override { open_.erase(key); }

    // Seeding and inspection, all under HKEY_LOCAL_MACHINE.
    IRegistryApi& Api() override { return *this; }
    void CreateKey(const std::string& path) override;
    void PutRaw(const std::string& path, const std::string& name, std::uint32_t type,
                const ByteArray& bytes) override;
    std::optional<RegistryData> GetRaw(const std::string& path, const std::string& name) override;
    bool KeyExists(const std::string& path) override { return keys_.contains(Folded(path)); }
    void DeleteKeyTree(const std::string& path) override;
    // A key that opens for reading but refuses KEY_WRITE, as for a user
    // without rights under HKEY_LOCAL_MACHINE.
    bool MakeReadOnly(const std::string& path) override;

  private:
    struct Key {
        std::vector<std::pair<std::string, RegistryData>> values; // creation order
        bool readOnly = false;
    };
    static std::string Folded(const std::string& path); // lower case, no empty parts
    Key* Open(RegKey key);
    static std::pair<std::string, RegistryData>* Find(Key& key, const std::string& name);
    static void Store(Key& key, const std::string& name, RegistryData data);

    std::map<std::string, Key> keys_{{"", {}}}; // folded full path; "" is the root
    std::map<RegKey, std::string> open_;
    RegKey nextHandle_ = 0x1000;
};

} // namespace quorin::test
