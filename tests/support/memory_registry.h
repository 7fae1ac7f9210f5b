// An in-memory registry that answers the registry calls as Windows
// does: sizes, ERROR_MORE_DATA with the size needed, types as stored, keys and
// value names without regard to letter case. Native tests stand on it.
#pragma once

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/keyed_collection.h"
#include "tests/support/registry_backend.h"

namespace quorin::test {

class MemoryRegistry : public IRegistryApi, public RegistryBackend {
  public:
    long OpenKey(RegKey root, const std::string& subKey, std::uint32_t access,
                 RegKey& key) override {
        if (!Open(root))
            return kErrorInvalidHandle;
        const std::string path =
            Folded((root == kHkeyLocalMachine ? "" : open_[root]) + "\\" + subKey);
        const auto it = keys_.find(path);
        if (it == keys_.end())
            return kErrorFileNotFound;
        if ((access & kKeyWrite & ~kKeyRead) && it->second.readOnly)
            return kErrorAccessDenied;
        open_[key = nextHandle_++] = path;
        return kErrorSuccess;
    }
    long QueryValue(RegKey key, const std::string& name, std::uint32_t& type, std::uint8_t* data,
                    std::uint32_t& size) override {
        ++queries_;
        Key* k = Open(key);
        const auto* value = k ? Find(*k, name) : nullptr;
        return !k      ? kErrorInvalidHandle
               : value ? Give(value->second, type, data, size)
                       : kErrorFileNotFound;
    }
    long EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameLength,
                   std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) override {
        Key* k = Open(key);
        if (!k)
            return kErrorInvalidHandle;
        if (index >= k->values.size())
            return kErrorNoMoreItems;
        const auto& [valueName, stored] = k->values[index];
        if (valueName.size() >= nameLength)
            return kErrorMoreData;
        // The name is written, and its length reported, even when the data does
        // not fit: a retry with that length alone no longer has room for it.
        std::memcpy(name, valueName.c_str(), valueName.size() + 1);
        nameLength = static_cast<std::uint32_t>(valueName.size());
        return Give(stored, type, data, size);
    }
    long SetValue(RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override {
        Key* k = Open(key);
        if (!k || k->readOnly)
            return k ? kErrorAccessDenied : kErrorInvalidHandle;
        Store(*k, name, {type, ByteArray(data, data + size)});
        return kErrorSuccess;
    }
    long DeleteValue(RegKey key, const std::string& name) override {
        Key* k = Open(key);
        if (!k || k->readOnly)
            return k ? kErrorAccessDenied : kErrorInvalidHandle;
        const auto before = k->values.size();
        std::erase_if(k->values,
                      [&](const auto& value) { return EqualsNoCase(value.first, name); });
        return k->values.size() < before ? kErrorSuccess : kErrorFileNotFound;
    }
    void CloseKey(RegKey key) override { open_.erase(key); }

    // Seeding and inspection, all under HKEY_LOCAL_MACHINE.
    IRegistryApi& Api() override { return *this; }
    void CreateKey(const std::string& path) override {
        const std::string folded = Folded(path);
        for (std::size_t at = folded.find('\\'); at != std::string::npos;
             at = folded.find('\\', at + 1))
            keys_[folded.substr(0, at)];
        keys_[folded];
    }
    void PutRaw(const std::string& path, const std::string& name, std::uint32_t type,
                const ByteArray& bytes) override {
        CreateKey(path);
        Store(keys_[Folded(path)], name, {type, bytes});
    }
    std::optional<RegistryData> GetRaw(const std::string& path, const std::string& name) override {
        const auto it = keys_.find(Folded(path));
        const auto* value = it == keys_.end() ? nullptr : Find(it->second, name);
        return value ? std::optional(value->second) : std::nullopt;
    }
    void DeleteKeyTree(const std::string& path) override {
        const std::string folded = Folded(path);
        std::erase_if(keys_, [&](const auto& entry) {
            return !folded.empty() &&
                   (entry.first == folded || entry.first.starts_with(folded + "\\"));
        });
    }
    // A key that opens for reading but refuses KEY_WRITE, as for a user
    // without rights under HKEY_LOCAL_MACHINE.
    bool MakeReadOnly(const std::string& path) override {
        if (const auto it = keys_.find(Folded(path)); it != keys_.end())
            it->second.readOnly = true;
        return true;
    }
    std::optional<std::pair<int, int>> Counts() override {
        return std::pair(static_cast<int>(open_.size()), queries_);
    }

  private:
    static constexpr long kErrorInvalidHandle = 6;
    struct Key {
        std::vector<std::pair<std::string, RegistryData>> values; // creation order
        bool readOnly = false;
    };
    // Lower case, no empty parts.
    static std::string Folded(const std::string& path) {
        std::string folded;
        for (char c : FoldCase(path))
            if (c != '\\' || (!folded.empty() && folded.back() != '\\'))
                folded += c;
        return folded.ends_with('\\') ? folded.substr(0, folded.size() - 1) : folded;
    }
    Key* Open(RegKey key) {
        const auto it = key == kHkeyLocalMachine ? keys_.find("")
                        : open_.contains(key)    ? keys_.find(open_[key])
                                                 : keys_.end();
        return it == keys_.end() ? nullptr : &it->second;
    }
    static std::pair<std::string, RegistryData>* Find(Key& key, const std::string& name) {
        for (auto& value : key.values)
            if (EqualsNoCase(value.first, name))
                return &value;
        return nullptr;
    }
    static void Store(Key& key, const std::string& name, RegistryData data) {
        if (auto* value = Find(key, name))
            value->second = std::move(data);
        else
            key.values.emplace_back(name, std::move(data));
    }
    // Copies what fits, or reports the size needed, as RegQueryValueExA does.
    static long Give(const RegistryData& stored, std::uint32_t& type, std::uint8_t* data,
                     std::uint32_t& size) {
        const auto needed = static_cast<std::uint32_t>(stored.bytes.size());
        type = stored.type;
        const bool fits = size >= needed;
        if (fits && needed)
            std::memcpy(data, stored.bytes.data(), needed);
        size = needed;
        return fits ? kErrorSuccess : kErrorMoreData;
    }

    std::map<std::string, Key> keys_{{"", {}}}; // folded full path; "" is the root
    std::map<RegKey, std::string> open_;
    RegKey nextHandle_ = 0x1000;
    int queries_ = 0;
};

} // namespace quorin::test
