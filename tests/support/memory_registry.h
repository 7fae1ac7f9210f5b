// An in-memory registry that answers the five registry calls as Windows
// does: sizes, ERROR_MORE_DATA with the size needed, types as stored, keys and
// value names without regard to letter case. Native tests stand on it.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "install/registry_api.h"
#include "install/registry_value.h"

namespace quorin::test {

class MemoryRegistry : public IRegistryApi {
  public:
    MemoryRegistry();

    long OpenKey(RegKey root, const std::string& subKey, std::uint32_t access,
                 RegKey& key) override;
    long QueryValue(RegKey key, const std::string& name, std::uint32_t& type,
                    std::uint8_t* data, std::uint32_t& size) override;
    long EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameLength,
                   std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) override;
    long SetValue(RegKey key, const std::string& name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override;
    void CloseKey(RegKey key) override;

    // Seeding and inspection, all under HKEY_LOCAL_MACHINE.
    void CreateKey(const std::string& path);
    void PutRaw(const std::string& path, const std::string& name, std::uint32_t type,
                const ByteArray& bytes);
    std::optional<RegistryData> GetRaw(const std::string& path, const std::string& name) const;
    bool KeyExists(const std::string& path) const;
    void DeleteKeyTree(const std::string& path);
    // A key that opens for reading but refuses KEY_WRITE, as for a user
    // without rights under HKEY_LOCAL_MACHINE.
    void MakeReadOnly(const std::string& path);

  private:
    struct StoredValue {
        std::string name;
        RegistryData data;
    };
    struct Node {
        std::map<std::string, std::unique_ptr<Node>> children; // folded names
        std::vector<StoredValue> values;                       // creation order
        bool readOnly = false;
    };

    Node* Find(const Node& from, const std::string& path) const;
    Node* NodeOf(RegKey key) const;
    StoredValue* FindValue(Node& node, const std::string& name) const;

    Node root_;
    std::map<RegKey, Node*> open_;
    RegKey nextHandle_ = 0x1000;
};

} // namespace quorin::test
